#include "logbook/log_lookups.h"

#include <algorithm>

#include "common/cp1252.h"
#include "common/large_pages.h"
#include "common/vb.h"
#include "logbook/adif_bands.h"
#include "logbook/adif_record.h"

namespace muv {

namespace {

// The band of a contact whose band the log does not tell.
constexpr const char* kUnknownBand = "?";

// Without the blanks and line ends around it.
std::string_view TrimBlanks(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Callsigns are made of these; anything else ends a word.
bool WordCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

bool AllWordCharacters(std::string_view s) {
    return std::all_of(s.begin(), s.end(), WordCharacter);
}

// Whether s[at, at + length) stands as a word of its own: no letter or digit joins it on either side
// (a side of the needle that is no letter or digit needs nothing).
bool WholeWord(std::string_view s, size_t at, size_t length) {
    const bool openStart = !WordCharacter(s[at]) || at == 0 || !WordCharacter(s[at - 1]);
    const size_t end = at + length;
    const bool openEnd = !WordCharacter(s[end - 1]) || end == s.size() || !WordCharacter(s[end]);
    return openStart && openEnd;
}

// A word whose letters are all capitals or all small.
bool OneCase(std::string_view word) {
    bool upper = false, lower = false;
    for (char c : word) {
        upper = upper || (c >= 'A' && c <= 'Z');
        lower = lower || (c >= 'a' && c <= 'z');
    }
    return !(upper && lower);
}

void UpperAsciiInPlace(std::string& s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
}

std::string UpperAscii(std::string_view s) {
    std::string u(s);
    UpperAsciiInPlace(u);
    return u;
}

// A callsign as the log holds it: up to its first blank or control character.
std::string_view FirstWord(std::string_view value) {
    const auto end =
        std::find_if(value.begin(), value.end(), [](char c) { return static_cast<uint8_t>(c) < 33; });
    return value.substr(0, static_cast<size_t>(end - value.begin()));
}

// The word a CALL is looked up by: its base when that is of letters and digits, else itself.
std::string_view WordOfCallsign(std::string_view callsign) {
    const std::string_view base = BaseCallsignOf(callsign);
    return !base.empty() && AllWordCharacters(base) ? base : callsign;
}

// 20261208 as 2026/12/08; what is missing of a shorter date stays empty.
std::string DateWithSlashes(std::string_view date) {
    if (date.empty()) return "";
    const auto part = [date](size_t from, size_t length) {
        return from < date.size() ? std::string(date.substr(from, length)) : std::string();
    };
    return part(0, 4) + "/" + part(4, 2) + "/" + part(6, 2);
}

// Marks words of a received text in the receive window, and gives the operator's caret and selection
// back afterwards. In the window every line end is CR LF; the text may also hold a CR or an LF alone.
class WindowMarks {
public:
    WindowMarks(const ReceiveWindowLink& link, std::string_view text)
        : window_(link.window), text_(text), start_(link.rxMessageStart ? *link.rxMessageStart : 0) {
        if (!window_) return;
        selStart_ = window_->SelStart();
        selLength_ = window_->SelLength();
    }

    // Selects the window's characters of text[position, position + length); false when the window does
    // not hold those characters there.
    bool Select(size_t position, size_t length) {
        if (!window_) return false;
        const int64_t at = int64_t{start_} + static_cast<int64_t>(position) + Shift(position);
        if (at < 0 || at + static_cast<int64_t>(length) > window_->TextLength()) return false;
        moved_ = true;
        window_->SetSelStart(static_cast<int32_t>(at));
        window_->SetSelLength(static_cast<int32_t>(length));
        return UpperAscii(window_->SelText()) == UpperAscii(text_.substr(position, length));
    }

    TextWindow& Window() { return *window_; }

    void Restore() {
        if (!window_ || !moved_) return;
        window_->SetSelStart(selStart_);
        window_->SetSelLength(selLength_);
    }

private:
    // How many characters more the window has before text[position]: one for each CR or LF standing
    // alone, which the window holds as CR LF.
    int64_t Shift(size_t position) {
        if (position < shiftAt_) {
            shiftAt_ = 0;
            shift_ = 0;
        }
        for (; shiftAt_ < position; ++shiftAt_) {
            const char c = text_[shiftAt_];
            if (c == '\r' && (shiftAt_ + 1 >= text_.size() || text_[shiftAt_ + 1] != '\n')) ++shift_;
            if (c == '\n' && (shiftAt_ == 0 || text_[shiftAt_ - 1] != '\r')) ++shift_;
        }
        return shift_;
    }

    TextWindow* window_;
    std::string_view text_;
    int32_t start_;
    int32_t selStart_ = 0;
    int32_t selLength_ = 0;
    bool moved_ = false;
    size_t shiftAt_ = 0;
    int64_t shift_ = 0;
};

}  // namespace

void LogLookups::Words::Reserve(size_t count) {
    words_.reserve(count);
    size_t slots = 16;
    while (slots < 2 * count)
        slots *= 2;
    if (slots > slots_.size()) Rehash(slots);
}

void LogLookups::Words::Prefetch(size_t hash) const {
    if (!slots_.empty()) __builtin_prefetch(&slots_[hash & (slots_.size() - 1)]);
}

// The slot of that name, or the empty one where it would go.
size_t LogLookups::Words::SlotOf(std::string_view name, size_t hash) const {
    const size_t mask = slots_.size() - 1;
    const auto tag = static_cast<uint32_t>(hash >> 32);
    for (size_t at = hash & mask;; at = (at + 1) & mask) {
        const Slot& slot = slots_[at];
        if (slot.word == 0 || (slot.hashTag == tag && words_[slot.word - 1].name == name)) return at;
    }
}

const LogLookups::Word* LogLookups::Words::Find(std::string_view name, size_t hash) const {
    if (slots_.empty()) return nullptr;
    const Slot& slot = slots_[SlotOf(name, hash)];
    return slot.word == 0 ? nullptr : &words_[slot.word - 1].word;
}

LogLookups::Word& LogLookups::Words::Get(std::string_view name, size_t hash) {
    if (2 * (words_.size() + 1) > slots_.size()) Grow();
    Slot& slot = slots_[SlotOf(name, hash)];
    if (slot.word == 0) {
        words_.push_back(Entry{std::string(name), hash, Word{}});
        slot = Slot{static_cast<uint32_t>(hash >> 32), static_cast<uint32_t>(words_.size())};
    }
    return words_[slot.word - 1].word;
}

void LogLookups::Words::Grow() {
    Rehash(std::max<size_t>(16, 2 * slots_.size()));
}

void LogLookups::Words::Rehash(size_t slots) {
    slots_.assign(slots, Slot{});
    const size_t mask = slots_.size() - 1;
    for (size_t i = 0; i < words_.size(); ++i) {
        size_t at = words_[i].hash & mask;
        while (slots_[at].word != 0)
            at = (at + 1) & mask;
        slots_[at] = Slot{static_cast<uint32_t>(words_[i].hash >> 32), static_cast<uint32_t>(i + 1)};
    }
}

// The first block of memory is about what the index of that much LogText takes; a next one, for contacts
// logged later, is larger.
LogLookups::Index::Index(size_t logTextBytes, size_t records)
    : memory(std::clamp(logTextBytes / 4, size_t{64} << 10, size_t{256} << 20), LargePageBlocks()),
      words(&memory),
      otherBases(&memory),
      loggedCountries(&memory) {
    // Most logs hold each callsign more than once.
    words.Reserve(records / 2);
}

LogLookups::LogLookups(const AdifLog& log, LookupCountries countries)
    : log_(log), countries_(std::move(countries)), index_(std::make_unique<Index>(0, 0)) {}

void LogLookups::Update() {
    const std::string& text = log_.LogText();
    if (log_.Generation() != generation_ || text.size() < read_) {
        read_ = 0;
        records_ = 0;
        pending_.Clear();
        index_.reset();
        index_ = std::make_unique<Index>(text.size(), log_.RecordCount());
        // Only now: an index that could not be made is made again at the next look-up.
        generation_ = log_.Generation();
    }
    size_t pos = read_;
    while (pos < text.size()) {
        const size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) break;
        ReadLine(text, pos, end);
        pos = end + 2;
    }
    read_ = pos;
}

void LogLookups::ReadLine(std::string_view text, size_t from, size_t to) {
    const std::string_view line = text.substr(from, to - from);
    if (line.size() < 2 || line[0] != '<') return;
    if (line == "<EOR>") {
        EndRecord(text);
        return;
    }
    if (line == "<EOH>") {
        pending_.Clear();  // the header's fields are no contact
        return;
    }
    // "<NAME:n>VALUE": the name ends at the first ":" or ">", the tag at the first ">".
    size_t close = 1;
    while (close < line.size() && line[close] != ':' && line[close] != '>')
        ++close;
    const std::string_view name = line.substr(1, close - 1);
    while (close < line.size() && line[close] != '>')
        ++close;
    if (close == line.size()) return;
    const Span value{from + close + 1, line.size() - close - 1};
    switch (name.size()) {
        case 4:
            if (name == "CALL") {
                const std::string_view callsign = FirstWord(line.substr(close + 1));
                const size_t hash = Words::HashOf(WordOfCallsign(callsign));
                index_->words.Prefetch(hash);
                pending_.callsigns.push_back({{value.at, callsign.size()}, hash});
            } else if (name == "BAND" && !pending_.haveBand) {
                pending_.band = value;
                pending_.haveBand = true;
            } else if (name == "FREQ" && !pending_.haveFrequency) {
                pending_.frequency = value;
                pending_.haveFrequency = true;
            }
            break;
        case 7:
            if (name == "COUNTRY" && !pending_.haveCountry) {
                pending_.country = value;
                pending_.haveCountry = true;
            }
            break;
        case 8:
            if (name == "QSO_DATE" && !pending_.haveDate) {
                pending_.date = value;
                pending_.haveDate = true;
            }
            break;
        default:
            break;
    }
}

std::string_view LogLookups::Text(const Span& span) const {
    return std::string_view(log_.LogText()).substr(span.at, span.size);
}

void LogLookups::EndRecord(std::string_view text) {
    const auto view = [text](const Span& span) { return text.substr(span.at, span.size); };
    Index& index = *index_;
    const uint32_t record = records_++;
    Latest latest{record, {}, pending_.band, pending_.date, nullptr};
    // Many loggers export the frequency alone: the band is then the one the frequency lies in. A contact
    // whose band cannot be told (a FREQ of 0, one outside every band, or none) is a contact all the
    // same: its band is "?". The file is left as it is.
    if (pending_.band.size == 0) {
        const char* band =
            pending_.haveFrequency ? AdifBandNameOfFrequency(Val(view(pending_.frequency))) : "";
        latest.bandName = *band ? band : kUnknownBand;
    }
    for (const PendingCall& call : pending_.callsigns) {
        const std::string_view callsign = view(call.callsign);
        if (callsign.empty()) continue;
        latest.callsign = call.callsign;
        // A callsign with too many "/" has no base: it is found in no text.
        const std::string_view base = BaseCallsignOf(callsign);
        Word* own = nullptr;  // the callsign's word, when it is its own base
        if (!base.empty()) {
            if (AllWordCharacters(base)) {
                Word& word = index.words.Get(base, call.hash);
                word.base = true;
                word.latest = latest;
                if (base.size() == callsign.size()) own = &word;
            } else if (FitsCp1252(base)) {
                // Searched for in received text, which is Windows-1252: kept in it. A base that set
                // cannot hold is never received.
                index.otherBases[Utf8ToCp1252(base)] = latest;
            }
        }
        // A callsign that is not its own base has a word of its own; call.hash is its hash when the
        // callsign is not looked up by a base.
        if (!own) {
            const bool byBase = !base.empty() && AllWordCharacters(base);
            index.words.Get(callsign, byBase ? Words::HashOf(callsign) : call.hash).logged = true;
        } else {
            own->logged = true;
        }
    }
    const std::string_view country = TrimBlanks(view(pending_.country));
    if (!country.empty() && index.loggedCountries.find(country) == index.loggedCountries.end())
        index.loggedCountries.emplace(country);
    pending_.Clear();
}

PreviousContact LogLookups::ShowPreviousContacts(const std::string& text, uint8_t mark) {
    PreviousContact result;
    RunTrapped(link_.errors, kShowPreviousContactsTrap, text, [&] {
        Update();
        if (log_.LogText().empty()) return;
        const Latest* latest = nullptr;
        WindowMarks marks(link_, text);
        const auto found = [&](size_t position, size_t length, const Latest& contact) {
            if (!latest || contact.record > latest->record) latest = &contact;
            if (mark == 1 && marks.Select(position, length)) marks.Window().SetSelBold(true);
        };

        std::string key;
        for (size_t i = 0; i < text.size();) {
            if (!WordCharacter(text[i])) {
                ++i;
                continue;
            }
            size_t end = i;
            while (end < text.size() && WordCharacter(text[end]))
                ++end;
            const std::string_view word = std::string_view(text).substr(i, end - i);
            key.assign(word);
            UpperAsciiInPlace(key);
            if (const Word* known = index_->words.Find(key, Words::HashOf(key));
                known && known->base && OneCase(word))
                found(i, word.size(), known->latest);
            i = end;
        }
        if (!index_->otherBases.empty()) {
            const std::string upper = UpperCaseCp1252(text);
            for (const auto& [base, contact] : index_->otherBases) {
                for (size_t p = upper.find(base); p != std::string::npos; p = upper.find(base, p + 1)) {
                    if (WholeWord(upper, p, base.size()) &&
                        OneCase(std::string_view(text).substr(p, base.size())))
                        found(p, base.size(), contact);
                }
            }
        }
        marks.Restore();
        if (latest)
            result = PreviousContact{std::string(Text(latest->callsign)),
                                     latest->bandName ? latest->bandName : std::string(Text(latest->band)),
                                     DateWithSlashes(Text(latest->date))};
    });
    return result;
}

uint8_t LogLookups::HighlightNewCountry(const std::string& text) {
    uint8_t isNew = 0;
    RunTrapped(link_.errors, kHighlightNewCountryTrap, text, [&] {
        if (!countries_.CallsignAfterDe || !countries_.CountryOfCallsign) return;
        const std::string callsign = countries_.CallsignAfterDe(text + " ");
        if (callsign.empty()) return;
        // A callsign of no known country tells nothing new.
        const std::string country = countries_.CountryOfCallsign(callsign);
        if (country.empty() || CountryInLog(country) == 1) return;
        // The callsign where it was read: the first word after the first "DE ".
        const std::string upper = UpperAscii(text) + " ";
        size_t at = upper.find("DE ");
        if (at != std::string::npos) at = upper.find_first_not_of(' ', at + 3);
        if (at != std::string::npos && upper.compare(at, callsign.size(), UpperAscii(callsign)) == 0) {
            WindowMarks marks(link_, text);
            if (marks.Select(at, callsign.size())) marks.Window().SetSelColor(kRed);
            marks.Restore();
        }
        isNew = 1;
    });
    return isNew;
}

void LogLookups::MarkLoggedCall(const std::string& callsign) {
    TextWindow* window = link_.window;
    // The callsign (UTF-8) is looked for in the receive window's Windows-1252 text, where one that set
    // cannot hold never stands.
    if (!window || callsign.empty() || !FitsCp1252(callsign)) return;
    const std::string needle = UpperCaseCp1252(Utf8ToCp1252(callsign));
    const std::string all = UpperCaseCp1252(window->Text());
    const std::optional<ColorRef> modeColour =
        link_.modeTextColour ? link_.modeTextColour() : std::optional<ColorRef>{};
    const int32_t selStart = window->SelStart();
    const int32_t selLength = window->SelLength();
    bool marked = false;
    for (size_t p = all.find(needle); p != std::string::npos; p = all.find(needle, p + 1)) {
        if (!WholeWord(all, p, needle.size())) continue;
        window->SetSelStart(static_cast<int32_t>(p));
        window->SetSelLength(static_cast<int32_t>(needle.size()));
        window->SetSelBold(true);
        // The red of a new country has done its work once the contact is logged.
        if (modeColour && window->SelColor() == kRed) window->SetSelColor(*modeColour);
        marked = true;
    }
    if (!marked) return;
    window->SetSelStart(selStart);
    window->SetSelLength(selLength);
}

std::string LogLookups::SnBar(const std::string& snText) {
    std::string bar;
    RunTrapped(link_.errors, kSnBarTrap, snText, [&] {
        const double sn = Val(snText);
        // Beyond any bar a line can hold, the conversion overflows.
        const int16_t bars = sn >= -29 ? CInt(sn + 29) : 0;
        bar = std::string(static_cast<size_t>(std::max<int16_t>(bars, 0)), '|') + "_" + snText + "dB";
    });
    return bar;
}

uint8_t LogLookups::CountryInLog(const std::string& countryName) {
    Update();
    const std::string name = Utf8ToUpper(TrimBlanks(countryName));
    if (name.empty()) return 0;
    if (index_->loggedCountries.find(std::string_view(name)) != index_->loggedCountries.end()) return 1;
    // The name as CountryOfCallsign gives it with the continent: "SPAIN (EU)".
    if (name.size() > 5 && name.compare(name.size() - 5, 2, " (") == 0 && name.back() == ')')
        return index_->loggedCountries.find(std::string_view(name).substr(0, name.size() - 5)) !=
                       index_->loggedCountries.end()
                   ? 1
                   : 0;
    return 0;
}

uint8_t LogLookups::CallInLog(const std::string& callsign) {
    Update();
    if (callsign.empty()) return 0;
    const std::string upper = Utf8ToUpper(callsign);
    // The station: any CALL with the same base, whatever portable parts either has.
    const std::string_view base = BaseCallsignOf(upper);
    if (!base.empty() && AllWordCharacters(base)) {
        const Word* word = index_->words.Find(base, Words::HashOf(base));
        if (word && word->base) return 1;
    } else if (!base.empty() && FitsCp1252(base) &&
               index_->otherBases.find(Utf8ToCp1252(base)) != index_->otherBases.end()) {
        return 1;
    }
    // A callsign without a base (too many "/") is found as it was logged.
    const Word* word = index_->words.Find(upper, Words::HashOf(upper));
    return word && word->logged ? 1 : 0;
}

}  // namespace muv
