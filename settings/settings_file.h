// The settings file as the settings module opens and uses it: MUV.ini in the user's settings folder
// (created with its parents), seeded once from the program's data folder when an installed seed exists
// and the user has no file yet, never overwritten by the seed. Until it is opened the settings live in
// memory. The current profile's section suffix. A write that fails is told once (and again only after a
// later write has succeeded); the values are kept for the run and the file on disk stays as it was.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "common/profile_store.h"
#include "platform/private_profile.h"

namespace muv {

class SettingsFile : public ProfileStore {
public:
    SettingsFile();
    ~SettingsFile() override;

    // Opens folder/MUV.ini, copying seedFile there first when the user has none.
    void Open(const std::string& folder, const std::string& seedFile);
    bool IsOpen() const { return file_ != nullptr; }
    // SettingsPath: the file's full path ("" before Open).
    const std::string& SettingsPath() const { return path_; }

    std::optional<std::string> Read(std::string_view section, std::string_view key, size_t bufferLength) override;
    void Write(std::string_view section, std::string_view key, std::string_view value) override;
    const std::string& ProfileSuffix() const override { return suffix_; }
    void SetProfileSuffix(std::string suffix) { suffix_ = std::move(suffix); }

    // Writes between Begin and End reach the disk at once, at the outermost End.
    void BeginBatch();
    void EndBatch();
    class Batch {
    public:
        explicit Batch(SettingsFile& file) : file_(file) { file_.BeginBatch(); }
        ~Batch() { file_.EndBatch(); }
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        SettingsFile& file_;
    };

    // Told (in Windows-1252) when the file cannot be written.
    std::function<void(const std::string& message)> WriteFailed;

private:
    void Written(bool ok);

    std::string path_;
    std::unique_ptr<ProfileFile> file_;
    MemoryProfileStore memory_;
    std::string suffix_;
    bool failing_ = false;
    int batchDepth_ = 0;
};

}  // namespace muv
