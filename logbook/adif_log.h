// The contact log: one ADIF file that the program appends a record to for each logged contact, and its
// whole content in memory, read from the file as any logger writes it.
//
// Reading goes by the declared lengths: a value runs for as many bytes as its tag says, whatever it
// holds ("<", ":D", line breaks). Tags are read in any case, with or without a type ("<qso_date:8:d>");
// fields of every name are kept; the header (text, header fields and "<EOH>") may be there or not; line
// ends may be LF or CR LF, or missing at the end. Every field of every record is kept with its name,
// type and value as the file has them, so writing the log out again loses nothing.
//
// A value's bytes are Windows-1252, as older stations and this program write what that set holds, or
// UTF-8; each value is taken on its own (DecodeText: valid UTF-8 with multi-byte characters as UTF-8,
// anything else as Windows-1252), so a log of mixed values reads whole. The values given out, and
// LogText, are UTF-8; the file's own bytes are kept for writing the log out again.
//
// Loading never changes the file. The searchable LogText is built from what was read: upper case, one
// known field per line, each ended by CR LF, every record ended by "<EOR>" and CR LF, with the repairs
// that the look-ups rely on made in memory only (see LogText).
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
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

// What rewriting came to.
struct AdifRewriteResult {
    bool written = false;
    std::string backup;  // the former file, kept beside it ("<log>.bak")
    std::string error;
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
    // the log in memory. A file that does not end in a line end gets one first, so the record's fields
    // start on lines of their own. An empty record only makes sure that the file exists: when nothing is
    // at the path, the file is created with the header (and the log in memory becomes that file). A
    // non-empty record needs a path ending in "ADI" where something exists, else it is refused with
    // "ADI file not found". A failed write (the opening, any write, the flush to the disk, the closing)
    // leaves the file as it was, and the message says that the contact was not logged, and why; the
    // bytes go to the disk through `write` (tests put in one that fails as a full disk does).
    AdifAppendResult AppendAdifRecord(const std::string& path, const std::string& record,
                                      const FileWriter& write = nullptr);

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
    // Reads the fields of text_[from, to) into records_ (and, for the start of the file, the header);
    // with writeLogText, LogText is written along, header and records.
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
    std::string text_;
    std::vector<Range> records_;
    std::vector<Range> headerFields_;  // the stretches of header fields before each "<EOH>"
    Range headerText_;
    bool hasHeader_ = false;
    std::string logText_;
    uint64_t generation_ = 0;
    std::unordered_map<std::string, bool, Hash, std::equal_to<>> knownCountries_;
    std::unordered_map<std::string, std::string, Hash, std::equal_to<>> callCountries_;
    std::string value_;  // a value on its way into LogText
};

// Writes the log out as AdifText in place of the file at `path` (through a link, in place of the file
// it leads to): the new text goes to a temporary file that then replaces the log at once, and the
// former file is kept as "<path>.bak" (one backup, replaced by the next). A read-only log is not
// rewritten. On any failure the log file is as it was.
AdifRewriteResult RewriteAdifLog(const std::string& path, const AdifLog& log);

}  // namespace muv
