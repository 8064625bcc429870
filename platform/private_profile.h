// The INI file of the settings, read and written key by key with the rules of Windows' private-profile
// functions, so that a file written on Windows loads here and ours loads there: section and key names
// match without regard to case, the first matching section and key win, blanks around names and values
// are dropped, one pair of quotes around a value is removed, and a value is cut to the reader's buffer.
// The UTF-8 mark that some editors put at the start of a file is passed over, and kept.
// A write changes one line, or adds the key (and its section) where Windows would, and keeps every other
// line of the file as it was. A line ends in CR LF, LF or a lone CR; a new line takes the line end of
// the file's first line and starts on a line of its own. Section and key names are taken byte for byte,
// as the file holds them.
// Values are the program's UTF-8: one that Windows-1252 can hold is written in it, as Windows programs
// write and read it, any other as UTF-8; a value read is taken as UTF-8 when it is valid UTF-8 with
// characters of more than one byte, else as Windows-1252 (DecodeText), so what is read is UTF-8.
//
// On disk every write replaces the whole file at once (a temporary file beside it, flushed, then renamed
// over it), so a crash or a full disk leaves the old file or the new one, never half of one. The file is
// private to its user (mode 0600). A settings file that is a symbolic link stays one: the file it points
// to is replaced. Writes made inside a batch reach the disk once, when the batch ends. A file removed
// while the program runs keeps its values, and its folder, when that went too, is made again (as
// MakeUserFolder makes it) at the next write.
#pragma once

#include <sys/types.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/profile_store.h"

namespace muv {

// --- the rules, on the file's text ---
// The value as GetPrivateProfileString returns it into a buffer of bufferLength characters (at most
// bufferLength - 1 of them, counted as characters and never cutting one), in UTF-8; "" when missing.
std::string GetProfileValue(std::string_view text, std::string_view section, std::string_view key,
                            size_t bufferLength);
// The text after WritePrivateProfileString. A line break or NUL inside the value becomes a blank: a
// value never breaks its line nor starts a line of its own. The value is UTF-8 and goes to the text as
// EncodeText gives it.
std::string SetProfileValue(std::string_view text, std::string_view section, std::string_view key,
                            std::string_view value);

// --- the file ---
class ProfileFile {
public:
    // Larger files are not taken for a settings file, nor is what is no regular file (a folder, a named
    // pipe, a device): nothing is read from them and they are never replaced; writes are kept for the
    // run, and each write to disk fails, saying why.
    static constexpr size_t kMaxFileBytes = 4u << 20;

    explicit ProfileFile(std::string path);

    const std::string& Path() const { return path_; }
    // The value of a key (see GetProfileValue); the file is read again when another program changed it.
    std::string Get(std::string_view section, std::string_view key, size_t bufferLength);
    // Sets a key and writes the file (or, inside a batch, marks it to be written). False when the file
    // could not be written: the value is kept for this run, the file on disk stays as it was, and
    // LastError() says why.
    bool Write(std::string_view section, std::string_view key, std::string_view value);
    // Writes within a batch are written to disk together when the outermost batch ends; false when that
    // write failed.
    void BeginBatch();
    bool EndBatch();
    // Why the last write failed.
    const std::string& LastError() const { return error_; }
    // How many times the file on disk has been replaced.
    int Replacements() const { return replacements_; }

private:
    struct Stamp {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        int64_t modifiedNs = 0;
        mode_t mode = 0;
        bool operator==(const Stamp&) const = default;
    };
    Stamp Current() const;
    void Refresh();
    bool Flush();

    std::string path_;
    std::string text_;
    Stamp stamp_;
    bool loaded_ = false;
    std::string refused_;  // why the file cannot be taken for a settings file ("" when it can)
    bool dirty_ = false;
    int batchDepth_ = 0;
    int replacements_ = 0;
    std::string error_;
};

// Read buffers that cut nothing the program stores: a text of whatever length the file can hold, and a
// path of any length the system can name. (The Windows program's buffers, of 50 to 300 characters, would
// cut what the operator typed or chose.)
inline constexpr size_t kWholeText = ProfileFile::kMaxFileBytes + 1;
inline constexpr size_t kPathBuffer = PATH_MAX;

// Replaces a file's content at once: a temporary file "<file>.XXXXXX" in the same folder, written,
// flushed and renamed over the old one, with the given mode; the folder is flushed after. A path that is
// a symbolic link keeps its link, and the file it points to (found anew at each replacement) is what is
// replaced. False, with the reason in error, when any step fails (the old file is then untouched). A
// read-only file is not replaced, nor is what is no regular file.
bool ReplaceFileAtomically(const std::string& path, std::string_view content, mode_t mode,
                           std::string& error);
// Removes what replacements of the file cut short (a killed program) left beside it, and beside the file
// its link points to: the temporary files of that name's pattern that this user's program made, and
// that no replacement running now is using.
void RemoveLeftoverTemporaries(const std::string& path);

// --- in memory: the same rules on a text that no file holds (tests, and the store before a file) ---
class MemoryProfileStore : public ProfileStore {
public:
    explicit MemoryProfileStore(std::string text = {}) : text_(std::move(text)) {}
    std::optional<std::string> Read(std::string_view section, std::string_view key,
                                    size_t bufferLength) override;
    void Write(std::string_view section, std::string_view key, std::string_view value) override;
    const std::string& ProfileSuffix() const override { return suffix_; }
    void SetProfileSuffix(std::string suffix) { suffix_ = std::move(suffix); }
    const std::string& Text() const { return text_; }
    int writes = 0;

private:
    std::string text_;
    std::string suffix_;
};

}  // namespace muv
