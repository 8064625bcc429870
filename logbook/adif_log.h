// The contact log: one ADIF file that the program appends a record to for each logged contact, and its
// whole content in memory, read from the file as any logger writes it.
//
// Reading goes by the declared lengths: a value runs for as many bytes as its tag says, whatever it
// holds ("<", ":D", line breaks). Tags are read in any case, with or without a type ("<qso_date:8:d>");
// fields of every name are kept; the header (text, header fields and "<EOH>") may be there or not; line
// ends may be LF or CR LF, or missing at the end. Every field of every record is kept with its name,
// type and value as the file has them, so writing the log out again loses nothing. Some loggers count a
// UTF-8 value's length in characters ("<NAME:4>Иван"): a value whose length in bytes leaves part of it
// before the next field (or ends inside a character), where the same length in characters ends just
// before that field (blanks aside) or the end of the file, is read by characters.
//
// A log keeps one encoding. A log this program starts is UTF-8, its lengths counting bytes. A log that
// holds Windows-1252 values (one that the Windows program wrote) is a Windows-1252 log: a value goes into
// it in Windows-1252 when that set holds it, else in UTF-8, as such logs have always been written. Which one
// a log is, reading tells (Windows1252) and appending keeps, whatever the record brings. Reading takes each
// value on its own all the same (DecodeText: valid UTF-8 with multi-byte characters as UTF-8, anything else
// as Windows-1252), so a log of mixed values reads whole. The values given out, and LogText, are UTF-8; the
// file's own bytes are kept for writing the log out again.
//
// Loading never changes the file, and appending only adds to it. The searchable LogText is built from
// what was read: upper case, one known field per line, each ended by CR LF, every record ended by
// "<EOR>" and CR LF, with the repairs that the look-ups rely on made in memory only (see LogText).
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/message_box.h"
#include "logbook/session_log_file.h"

namespace muv {

// One field as the log holds it; the name and type views point into the log's text.
struct AdifField {
    std::string_view Name;  // as written ("call", "QSO_DATE")
    std::string_view Type;  // the type indicator ("D" of "<QSO_DATE:8:D>"); "" when none
    // The value as UTF-8: its bytes, as many as declared (fewer only at the end of the file), decoded.
    std::string Value;
};

// The country look-ups that building LogText asks. Without them every country value counts as known
// and no country is found for a callsign.
struct AdifCountries {
    // The country name (without continent) of a CALL value in capitals, "" when none (UTF-8 both).
    std::function<std::string(const std::string& callsign)> CountryOfCallsign;
    // Whether the country file's text, in capitals, holds the name (given in capitals, UTF-8).
    std::function<bool(const std::string& upperCaseName)> CountryTextHolds;
};

// What loading came to. A log that is not there is not a failure: the log is just empty.
struct AdifLoadResult {
    bool loaded = false;
    std::string message;  // for a warning box (BoxIcon::Exclamation) titled `title`; "" for none
    std::string title;
    std::string cause;  // why, in a few words, when it failed
};

// What appending came to.
struct AdifAppendResult {
    uint8_t result = 0;  // 1 done, 0 refused or failed
    // For the operator, titled `title` ("ADIF File Error"), with `icon`: the refusal "ADI file not
    // found" (critical; noLogFile is then set, and another file is to be chosen), or a file that could
    // not be made or written, naming the file and the cause (exclamation).
    std::string message;
    std::string title;
    BoxIcon icon = BoxIcon::None;
    bool noLogFile = false;
    // Why the file could not be made or written ("No space left on device", "the file is read-only").
    std::string cause;
};

// A log file's bytes, in memory that reading fills without clearing it first.
struct AdifBytes {
    std::unique_ptr<char[]> data;
    size_t size = 0;
    size_t capacity = 0;

    operator std::string_view() const { return {data.get(), size}; }
    // Room for `bytes` in all, in large pages when they fill some; what is held stays.
    void Reserve(size_t bytes);
    void Append(std::string_view more);
};

class AdifLog {
public:
    // Larger files are not taken for a log: nothing is read from them.
    static constexpr size_t kMaxFileBytes = size_t{512} << 20;

    explicit AdifLog(AdifCountries countries = {});

    // Reads the log at `path` and builds LogText. A path that does not end in "ADI" (in any case), or
    // where nothing is, leaves the log empty without a word. A file that cannot be read, is not a plain
    // file, is shorter than two bytes or larger than kMaxFileBytes gives "Error in ADIF file", titled
    // "ADIF Error", and an empty log. The file is only read: a read-only log loads as any other.
    AdifLoadResult LoadLogBook(const std::string& path);
    // The same on a text that no file holds (a text larger than kMaxFileBytes is not taken).
    void LoadText(std::string text);

    // Adds a record (BuildAdifRecord's text) to the log file at `path`, followed by a line end, and to
    // the log in memory. Each of its values goes in in the log's encoding (see Windows1252). What the
    // file left open at its end is closed first (ClosingText), so that the record stands on its own and
    // every byte before it stays as it was. The log in memory is the file as it was last read or
    // written: a file that was changed since (by another logger, say) is read again first; one that
    // cannot be read (write-only, or larger than kMaxFileBytes) only gets a line end first. An empty
    // record only makes sure that the file exists: when nothing is at the path, the file is created
    // with the header (and the log in memory becomes that file). A non-empty record needs a path ending
    // in "ADI" where something exists, else it is refused with "ADI file not found". A failed write
    // (the opening, any write, the flush to the disk, the closing) leaves the file as it was, and the
    // message says that the contact was not logged, and why; the bytes go to the disk through `write`
    // (tests put in one that fails as a full disk does).
    AdifAppendResult AppendAdifRecord(const std::string& path, const std::string& record,
                                      const FileWriter& write = nullptr);

    // What the log's text needs at its end before a record can follow it and be read on its own by any
    // reader, nothing before it changing: the rest of a tag cut short ("<EO" gains "R>", "<NAME:6" gains
    // ">" and six blanks, "<NAME" gains ":0>"); blanks up to the declared length of a value cut short, so
    // that readers that go by the length find its end where it says; "<EOR>" for a record left open;
    // and a line end. "" for an empty log, or one that ends in a line end with nothing open. No value
    // when a cut value would need more than kMaxPaddingBytes of blanks: such a length is damage, not a
    // record cut short.
    std::optional<std::string> ClosingText() const;
    static constexpr size_t kMaxPaddingBytes = size_t{1} << 20;

    // Whether the log is a Windows-1252 one: some value, of the header or of a record, is no valid UTF-8
    // but valid Windows-1252 (none of its five unassigned codes). Decided by what a load read (an empty
    // or new log is UTF-8) and kept while more records are appended.
    bool Windows1252() const { return windows1252_; }

    // The log as the look-ups search it, in UTF-8: the known fields of the header and of every record
    // (names and values in capitals, in every script; values with line breaks, "<" and ">" turned into
    // blanks so that every field stays on its line and every "<" opens a tag), each as "<TAG:n>VALUE"
    // (n counting the value's bytes here) and CR LF, records ended by "<EOR>" and CR LF. Known are
    // ADIF_VERS, PROGRAMID, PROGRAMVERSION, NAME, QTH, BAND, FREQ, QSO_DATE, TIME_ON, TIME_OFF,
    // OPERATOR, MY_GRIDSQUARE, NOTES, GRIDSQUARE, DISTANCE, RST_SENT, RST_RCVD, CONT, MY_COUNTRY,
    // EQSL_QSL_SENT, EQSL_QSL_RCVD, MODE, CALL and COUNTRY. Type letters C, N, T, D and M are left out
    // (others stay); a four-digit TIME_ON or TIME_OFF gains "00"; a COUNTRY that the country file does
    // not hold, or a second one, is left out; a record with a CALL and no COUNTRY gains one, looked up
    // from the callsign (empty when none is found), before its "<EOR>". A record with no known field is
    // left out. Grows by each appended record.
    const std::string& LogText() const { return logText_; }
    // Changes each time LogText is emptied or replaced; while it stays the same, LogText only grows.
    uint64_t Generation() const { return generation_; }

    // --- the log as read: every field, for look-ups and for writing it out again ---
    size_t RecordCount() const { return records_.size(); }
    std::vector<AdifField> Fields(size_t record) const;
    // The value (UTF-8) of the record's first field of that name (any case); "" when it has none.
    std::string FieldValue(size_t record, std::string_view name) const;
    // Whether the record ended with "<EOR>" (only the last one of a file can miss it).
    bool RecordEnded(size_t record) const { return records_[record].ended; }
    bool HasHeader() const { return hasHeader_; }
    // The header's free text before its first tag, as UTF-8 ("" when none).
    std::string HeaderText() const;
    std::vector<AdifField> HeaderFields() const;

    // The whole log as ADIF, one field per line: the header text, the header fields and "<EOH>"
    // (followed by two empty lines), then each record's fields and "<EOR>" (followed by an empty line).
    // Names, types and values are written with the file's own bytes, the lengths being the values' own.
    // A file this program wrote comes out byte for byte as it was.
    std::string AdifText() const;

private:
    struct Range {
        uint32_t begin = 0;
        uint32_t end = 0;
        bool ended = false;
    };
    // A field as read, its views pointing into text_.
    struct FieldText {
        std::string_view name, type, value;
    };
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    // Takes the bytes for the log and reads them (the encoding decided by them).
    void LoadBytes(AdifBytes text);
    // Reads the fields of text_[from, to) into records_ (and, for the start of the file, the header);
    // with writeLogText, LogText is written along, header and records; with fileStart, the encoding is
    // decided too.
    void Read(size_t from, size_t to, bool fileStart, bool writeLogText);
    void AppendLogText(const Range& range);
    // Calls visit(field) for each field of text_[from, to).
    template <typename Visit>
    void ForEachField(size_t from, size_t to, const Visit& visit) const;
    // A record's LogText, or a header's lines into out, from its fields: fields(visit) calls
    // visit(field) for each, in order.
    template <typename FieldSource>
    void AppendRecordLogText(const FieldSource& fields);
    template <typename FieldSource>
    void AppendHeaderLogText(std::string& out, const FieldSource& fields);
    std::string_view RawHeaderText() const;
    bool CountryKnown(std::string_view name);
    const std::string& CountryOf(std::string_view callsign);
    void Clear();

    AdifCountries countries_;
    AdifBytes text_;
    std::vector<Range> records_;
    std::vector<Range> headerFields_;  // the stretches of header fields before each "<EOH>"
    Range headerText_;
    bool hasHeader_ = false;
    bool windows1252_ = false;
    // Where the last tag read ends, and how many bytes its value lacks when the end of the text cut it.
    size_t lastTagEnd_ = 0;
    uint64_t lastValueShort_ = 0;
    // The file the log was read from or last written to (its text then being text_), when there is one.
    bool haveFile_ = false;
    dev_t fileDevice_ = 0;
    ino_t fileInode_ = 0;
    std::string logText_;
    uint64_t generation_ = 0;
    std::unordered_map<std::string, bool, Hash, std::equal_to<>> knownCountries_;
    std::unordered_map<std::string, std::string, Hash, std::equal_to<>> callCountries_;
    std::string value_;  // a value on its way into LogText
};

}  // namespace muv
