#include "settings/settings_file.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/cp1252.h"

namespace muv {

SettingsFile::SettingsFile() = default;
SettingsFile::~SettingsFile() = default;

void SettingsFile::Open(const std::string& folder, const std::string& seedFile) {
    path_ = folder + "/MUV.ini";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!std::filesystem::exists(path_, ec) && !seedFile.empty() && std::filesystem::is_regular_file(seedFile, ec)) {
        // The seed is copied, never read in place; the copy is the user's own, private and writable.
        std::ifstream in(seedFile, std::ios::binary);
        std::string content;
        content.reserve(4096);
        char buffer[4096];
        while (in && content.size() <= ProfileFile::kMaxFileBytes) {
            in.read(buffer, sizeof buffer);
            content.append(buffer, static_cast<size_t>(in.gcount()));
        }
        std::string error;
        if (content.size() <= ProfileFile::kMaxFileBytes) ReplaceFileAtomically(path_, content, 0600, error);
    }
    file_ = std::make_unique<ProfileFile>(path_);
}

std::optional<std::string> SettingsFile::Read(std::string_view section, std::string_view key, size_t bufferLength) {
    if (!file_) return memory_.Read(section, key, bufferLength);
    std::string value = file_->Get(section, key, bufferLength);
    if (value.empty()) return std::nullopt;
    return value;
}

void SettingsFile::Write(std::string_view section, std::string_view key, std::string_view value) {
    if (!file_) {
        memory_.Write(section, key, value);
        return;
    }
    const bool ok = file_->Write(section, key, value);
    // Inside a batch only its end tells whether the file was written.
    if (batchDepth_ == 0) Written(ok);
}

void SettingsFile::BeginBatch() {
    ++batchDepth_;
    if (file_) file_->BeginBatch();
}

void SettingsFile::EndBatch() {
    if (batchDepth_ > 0) --batchDepth_;
    if (file_ && batchDepth_ == 0) Written(file_->EndBatch());
    else if (file_) file_->EndBatch();
}

void SettingsFile::Written(bool ok) {
    if (ok) {
        failing_ = false;
        return;
    }
    if (failing_) return;
    failing_ = true;
    if (WriteFailed)
        WriteFailed("The settings cannot be saved in " + Utf8ToCp1252(path_) + " (" + file_->LastError() +
                    "). What you choose now is kept until MUV closes.");
}

}  // namespace muv
