// The settings file as the settings module opens and uses it: MUV.ini in the user's settings folder
// (created with its parents), seeded once from the program's data folder when an installed seed exists
// and the user has no file yet, never overwritten by the seed. Until it is opened the settings live in
// memory. The current profile's section suffix. A write that fails is told once (and again only after a
// later write has succeeded); the values are kept for the run and the file on disk stays as it was.
//
// What one event's handler writes reaches the disk in one write of the file, once the handler is done
// and the event loop has control again (an OK button's dozens of keys, the statistics after a message);
// with no event loop running (before the program's loop starts and after it ends) a write goes at once,
// and a batch is written when it ends. Reads see every value written, on disk or not yet.
#pragma once

#include <QObject>
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

    std::optional<std::string> Read(std::string_view section, std::string_view key,
                                    size_t bufferLength) override;
    void Write(std::string_view section, std::string_view key, std::string_view value) override;
    const std::string& ProfileSuffix() const override { return suffix_; }
    void SetProfileSuffix(std::string suffix) { suffix_ = std::move(suffix); }

    // Writes between Begin and End reach the disk together, at the outermost End (with what the event
    // being handled wrote before).
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

    // How many times the file has been written since it was opened.
    int FileWrites() const { return file_ ? file_->Replacements() : 0; }

    // Told when the file cannot be written.
    std::function<void(const std::string& message)> WriteFailed;

private:
    void Written(bool ok);
    void EventHandled();

    // What the write at the end of the event is posted to; gone with the file.
    QObject events_;
    bool eventWrites_ = false;  // written by the event being handled, not yet on disk
    std::string path_;
    std::unique_ptr<ProfileFile> file_;
    MemoryProfileStore memory_;
    std::string suffix_;
    bool failing_ = false;
    int batchDepth_ = 0;
};

}  // namespace muv
