// The settings as every module reaches them: one value by section and key, read and written one at a
// time, in the current user profile's copy of a section or in a section that all profiles share.
// Texts are UTF-8 (the file holds each value as its own rules say).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace muv {

class ProfileStore {
public:
    virtual ~ProfileStore() = default;
    // The value of key in section, cut to bufferLength - 1 characters; nullopt when the key or the section
    // is missing or the value is empty (the two are never told apart).
    virtual std::optional<std::string> Read(std::string_view section, std::string_view key,
                                            size_t bufferLength) = 0;
    // Sets key in section (both created when missing). A failure is reported by the store itself; the
    // caller goes on with what it holds.
    virtual void Write(std::string_view section, std::string_view key, std::string_view value) = 0;
    // The current profile's section suffix: empty for profile 1, else its digit "2" to "8".
    virtual const std::string& ProfileSuffix() const = 0;

    // A section of the current profile: the base name followed by the profile's suffix.
    std::string Section(std::string_view base) const { return std::string(base) + ProfileSuffix(); }
};

}  // namespace muv
