#include "settings/settings_file.h"

#include <sys/stat.h>

#include <QCoreApplication>
#include <QThread>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/program_folders.h"

namespace muv {

namespace {

// A handler of the program's event loop is running (not the start before the loop, nor the end after).
bool InEventLoop() {
    return QCoreApplication::instance() != nullptr && QThread::currentThread()->loopLevel() > 0;
}

}  // namespace

SettingsFile::SettingsFile() = default;

SettingsFile::~SettingsFile() {
    // What the last event wrote still goes to disk; there is nobody left to tell of a failure.
    if (file_ && eventWrites_) file_->EndBatch();
}

void SettingsFile::Open(const std::string& folder, const std::string& seedFile) {
    path_ = folder + "/MUV.ini";
    MakeUserFolder(folder);
    std::error_code ec;
    if (!std::filesystem::exists(path_, ec) && !seedFile.empty() &&
        std::filesystem::is_regular_file(seedFile, ec)) {
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
    // What a save that a killed program cut short left beside the file.
    RemoveLeftoverTemporaries(path_);
}

std::optional<std::string> SettingsFile::Read(std::string_view section, std::string_view key,
                                              size_t bufferLength) {
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
    if (batchDepth_ == 0 && !eventWrites_ && InEventLoop()) {
        // The rest of what this event's handler writes goes with it, in one write when it is done.
        eventWrites_ = true;
        file_->BeginBatch();
        QMetaObject::invokeMethod(
            &events_, [this] { EventHandled(); }, Qt::QueuedConnection);
    }
    const bool ok = file_->Write(section, key, value);
    // Inside a batch only its end tells whether the file was written.
    if (batchDepth_ == 0 && !eventWrites_) Written(ok);
}

void SettingsFile::EventHandled() {
    // A batch still open (a message box's wait inside it) takes the event's writes along.
    if (!eventWrites_ || batchDepth_ > 0) return;
    eventWrites_ = false;
    Written(file_->EndBatch());
}

void SettingsFile::BeginBatch() {
    ++batchDepth_;
    if (file_) file_->BeginBatch();
}

void SettingsFile::EndBatch() {
    if (batchDepth_ == 0) return;
    --batchDepth_;
    if (!file_) return;
    if (batchDepth_ > 0) {
        file_->EndBatch();
        return;
    }
    // The outermost end writes at once, with what the event wrote before the batch began.
    if (eventWrites_) {
        eventWrites_ = false;
        file_->EndBatch();
    }
    Written(file_->EndBatch());
}

void SettingsFile::Written(bool ok) {
    if (ok) {
        failing_ = false;
        return;
    }
    if (failing_) return;
    failing_ = true;
    if (WriteFailed)
        WriteFailed("The settings cannot be saved in " + path_ + " (" + file_->LastError() +
                    "). What you choose now is kept until MUV closes.");
}

}  // namespace muv
