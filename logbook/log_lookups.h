// What the contact log says about what is heard, and the marks it leaves in the receive window: the
// earlier contacts with stations named in a received text (their callsigns made bold), whether the
// sender's country is new (its callsign then red), whether a callsign or a country is in the log, the
// mark of a callsign just logged, and the S/N bar of the reception reports.
//
// The look-ups run at the end of every received message, so they do not search the log's text: they
// keep an index of it (callsigns, their latest contact, countries), read once when the log is loaded
// and then only for the records added since.
//
// A callsign counts in a text as a whole word: logged "EA4A" is not found in "EA4ABC", while "EA4ABC"
// is found in "EA4ABC/P", "F/EA4ABC" or "EA4ABC.". A word counts only when it is written all in capitals
// or all in small letters. Positions in a received text become window positions from the start of the
// message in the window, every line end of the text counting as the window's two characters; a mark is
// only put where the window holds the word, and the operator's caret and selection are left as they
// were.
//
// Received texts are the receive window's Windows-1252; callsigns and country names asked about, and
// what the answers give back of the log, are the program's UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <memory_resource>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "common/colour.h"
#include "common/error_trap.h"
#include "common/text_window.h"
#include "logbook/adif_log.h"
#include "logbook/callsign.h"

namespace muv {

// Where the marks go and the faults are told.
struct ReceiveWindowLink {
    TextWindow* window = nullptr;             // the receive window; null: nothing is marked
    const int32_t* rxMessageStart = nullptr;  // where the message just received begins in it (null: 0)
    // The text colour of the receive mode; none while no mode is set.
    std::function<std::optional<ColorRef>()> modeTextColour;
    ErrorReporter* errors = nullptr;  // null: trapped faults go untold
};

// The country look-ups asked.
struct LookupCountries {
    // The plausible callsign after "DE " in a text, or "".
    std::function<std::string(const std::string& text)> CallsignAfterDe;
    // The country name of a callsign (without continent), or "".
    std::function<std::string(const std::string& callsign)> CountryOfCallsign;
};

class LogLookups {
public:
    static constexpr int kHighlightNewCountryTrap = 4;
    static constexpr int kShowPreviousContactsTrap = 5;
    static constexpr int kSnBarTrap = 15;

    // The look-ups on this log, which must outlive them.
    LogLookups(const AdifLog& log, LookupCountries countries);

    void LinkReceiveWindow(ReceiveWindowLink link) { link_ = std::move(link); }

    // Brings the index up to the log: read afresh when the log was replaced, else only the records
    // added since. Every look-up does it first; calling it right after a load keeps that work out of
    // the first look-up.
    void Update();

    // The latest logged contact with a station whose base callsign (without portable parts) stands in
    // the received text (Windows-1252): its callsign as logged (UTF-8), its band (its BAND, or where it has
    // none the ADIF band of its FREQ, or "?" when neither tells one) and its date as year/month/day
    // (2026/12/08). With mark 1, every such callsign in the text is made bold in the receive window.
    // Nothing found: all empty. A fault is trapped (number 5, the text) and gives an empty answer.
    PreviousContact ShowPreviousContacts(const std::string& text, uint8_t mark);

    // 1 when the sender's country (by the callsign after "DE ") is not in the log: that callsign is then
    // coloured red in the receive window. 0 without a sender, without a country for it, or when the
    // country is logged. A fault is trapped (number 4, the text) and gives 0.
    uint8_t HighlightNewCountry(const std::string& text);

    // Makes every whole-word occurrence of the callsign (UTF-8) in the receive window bold (in any case);
    // one that is red as a new country takes the receive mode's text colour, when a mode is set.
    void MarkLoggedCall(const std::string& callsign);

    // The S/N bar: one "|" for each dB above -29 (the leading number plus 29, rounded; none from -29
    // down), "_", the S/N text and "dB": "-20" gives "|||||||||_-20dB". A fault (a number too large for
    // a bar) is trapped (number 15, the text) and gives "".
    std::string SnBar(const std::string& snText);

    // 1 when a logged contact's country is this whole name (in any case; with or without the " (EU)" that
    // CountryOfCallsign may add). A COUNTRY value that the country file does not hold as a whole name (one
    // cut short, say) is not in LogText: there the record has the country of its callsign.
    uint8_t CountryInLog(const std::string& countryName);
    // 1 when the station was worked: a logged contact's CALL has the same base callsign as this one (in
    // any case), whatever portable parts either has ("EA4ABC", "EA4ABC/P" and "EA8/EA4ABC" are one
    // station); a callsign without a base only as it was logged. "" is never in the log.
    uint8_t CallInLog(const std::string& callsign);

private:
    // A stretch of LogText.
    struct Span {
        size_t at = 0;
        size_t size = 0;
    };
    // A contact as the index remembers it: its CALL, BAND and QSO_DATE (20261208) as stretches of
    // LogText; a band found from the frequency is one of the ADIF bands' names instead.
    struct Latest {
        uint32_t record = 0;  // position in the log: the latest contact wins
        Span callsign, band, date;
        const char* bandName = nullptr;
    };
    // A CALL of the record being read, and the hash of the word it is looked up by.
    struct PendingCall {
        Span callsign;
        size_t hash = 0;
    };
    // The fields of the record being read.
    struct Pending {
        std::vector<PendingCall> callsigns;
        Span band, frequency, date, country;
        bool haveBand = false, haveFrequency = false, haveDate = false, haveCountry = false;
        void Clear() {
            callsigns.clear();
            band = frequency = date = country = {};
            haveBand = haveFrequency = haveDate = haveCountry = false;
        }
    };
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    using ByBase = std::pmr::unordered_map<std::string, Latest, Hash, std::equal_to<>>;
    using Names = std::pmr::unordered_set<std::string, Hash, std::equal_to<>>;
    // A callsign of the index: a base of letters and digits (with its latest contact), a CALL as logged,
    // or both, as most callsigns are; one look-up finds it either way.
    struct Word {
        Latest latest;
        bool base = false;
        bool logged = false;
    };
    // The words by name: a table of slots, twice as many as words at least, each the place of a word and
    // a part of its hash, looked through from the slot its hash gives (open addressing). A look-up reads
    // one slot, mostly, and the word; the slot is fetched ahead while the rest of the record is read.
    class Words {
    public:
        explicit Words(std::pmr::memory_resource* memory) : slots_(memory), words_(memory) {}
        static size_t HashOf(std::string_view name) { return std::hash<std::string_view>{}(name); }
        void Reserve(size_t count);
        // Asks the processor for the slot of a name about to be looked up.
        void Prefetch(size_t hash) const;
        // The word of that name, or null.
        const Word* Find(std::string_view name, size_t hash) const;
        // The word of that name, made (neither base nor logged) when there is none. It stays where it is
        // until the next word is made.
        Word& Get(std::string_view name, size_t hash);

    private:
        struct Slot {
            uint32_t hashTag = 0;  // the hash's upper half
            uint32_t word = 0;     // its place in words_ plus one; 0: an empty slot
        };
        struct Entry {
            std::string name;
            size_t hash = 0;
            Word word;
        };
        size_t SlotOf(std::string_view name, size_t hash) const;
        void Grow();
        void Rehash(size_t slots);
        std::pmr::vector<Slot> slots_;
        std::pmr::vector<Entry> words_;
    };
    // The index, in memory of its own, given back at once when the log is read afresh.
    struct Index {
        Index(size_t logTextBytes, size_t records);
        std::pmr::monotonic_buffer_resource memory;
        // Base callsigns of letters and digits, found word by word, and every CALL as logged.
        Words words;
        // Any other base (rare), found by searching.
        ByBase otherBases;
        Names loggedCountries;  // every logged COUNTRY, whole
    };

    // Reads the line text[from, to) of LogText.
    void ReadLine(std::string_view text, size_t from, size_t to);
    void EndRecord(std::string_view text);
    std::string_view Text(const Span& span) const;

    const AdifLog& log_;
    LookupCountries countries_;
    ReceiveWindowLink link_;

    uint64_t generation_ = ~uint64_t{0};
    size_t read_ = 0;  // how much of LogText is indexed
    uint32_t records_ = 0;
    Pending pending_;
    std::unique_ptr<Index> index_;
};

}  // namespace muv
