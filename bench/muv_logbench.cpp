// The logbook benchmark: writes an ADIF log of many contacts (50,000 unless told), loads it through the
// logbook as the program does at start-up, and times the look-ups that the end of every received
// message makes (earlier contacts with their marks, the new-country colour) and those of the callsign
// box and the cluster (callsign and country in the log) on typical received messages. For comparison
// it also times a plain search of the log's text for the same questions. Prints a table; exits with 1
// when a look-up gives a wrong answer.
//
// Last it prints digests of everything read from the log (LogText, every record's fields, the header,
// the log written out again), of the look-ups' answers for every logged callsign and country, and of
// the file and the log after one more contact is appended: two builds that load alike print the same.
// With --log FILE it loads that file (a copy of it, which the appending changes) instead of writing one,
// and prints only the load time and the digests.
//
//   muv_logbench [--contacts N] [--repeat N] [--out DIR] [--quick] [--log FILE]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "common/memory_text_window.h"
#include "logbook/adif_record.h"
#include "logbook/callsign.h"
#include "logbook/logbook.h"
#include "platform/sound_device.h"
#include "platform/sound_staging.h"
#include "receiver/sound_input.h"

namespace {

using namespace muv;
using Clock = std::chrono::steady_clock;

struct Options {
    int contacts = 50000;
    int repeat = 2000;
    std::string out = ".";
    std::string log;  // a log to load instead of a generated one
};

const std::vector<std::string> kPrefixes = {"EA", "DL", "F",  "G",  "I",  "K",  "W",  "N",  "JA", "VK",
                                            "PY", "LU", "UA", "ON", "PA", "OH", "SM", "LA", "OZ", "HA",
                                            "SP", "OK", "YO", "LZ", "9A", "S5", "CT", "EI", "GM", "VE",
                                            "ZS", "4X", "SV", "TA", "UR", "YU", "ZL", "HB", "OE", "LY"};

std::string RandomCallsign(std::mt19937_64& rng) {
    std::string call = kPrefixes[rng() % kPrefixes.size()] + std::to_string(rng() % 10);
    const int letters = 2 + static_cast<int>(rng() % 2);
    for (int i = 0; i < letters; ++i)
        call += static_cast<char>('A' + rng() % 26);
    const int form = static_cast<int>(rng() % 10);
    if (form == 0) call += "/P";
    if (form == 1) call = "F/" + call;
    return call;
}

// One contact as the program logs it.
std::string ContactRecord(std::mt19937_64& rng, const std::string& call, const CountryFile& countries,
                          int index) {
    static const char* bands[][2] = {{"20M", "14077.5"}, {"40M", "7040"}, {"30M", "10142"}, {"80M", "3580"}};
    const auto& band = bands[rng() % 4];
    AdifContact c;
    c.txtCallsign = call;
    c.txtNombre = "JOHN";
    c.txtQTH = "SOMEWHERE";
    c.txtFrecuencia = band[1];
    c.Band = band[0];
    c.QsoStartUtc = UtcTime{2015 + index % 11, 1 + index % 12, 1 + index % 28, index % 24, index % 60, 0, 0};
    c.UtcNow = c.QsoStartUtc;
    c.OperatorCallsign = "EA1MUV";
    c.OperatorLocator = "IN73DM";
    c.txtNotas = index % 3 == 0 ? "TNX QSO" : "";
    c.CountryWithContinent = countries.CountryOfCallsign(call, 1);
    c.txtRST = "599";
    c.MyCountry = "SPAIN";
    if (index % 2 == 0) {
        c.txtLocator = "JO62QM";
        c.txtDistancia = "1876";
    }
    return BuildAdifRecord(c);
}

struct Timing {
    double meanUs = 0;
    double maxUs = 0;
};

Timing Time(int repeat, const std::function<void()>& work) {
    Timing t;
    double total = 0;
    for (int i = 0; i < repeat; ++i) {
        const auto a = Clock::now();
        work();
        const double us = std::chrono::duration<double, std::micro>(Clock::now() - a).count();
        total += us;
        t.maxUs = std::max(t.maxUs, us);
    }
    t.meanUs = total / std::max(1, repeat);
    return t;
}

// The questions asked as a plain search of the log's text, record by record.
PreviousContact PlainPreviousContacts(const std::string& logText, const std::string& text) {
    PreviousContact found;
    std::string upper = text;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c -= 32;
    for (size_t at = logText.find("<CALL:"); at != std::string::npos; at = logText.find("<CALL:", at + 1)) {
        const size_t value = logText.find('>', at) + 1;
        size_t end = value;
        while (end < logText.size() && static_cast<unsigned char>(logText[end]) >= 33 && logText[end] != '<')
            ++end;
        const std::string base = BaseCallsign(std::string_view(logText).substr(value, end - value));
        if (base.empty() || upper.find(base) == std::string::npos) continue;
        const size_t band = logText.find("<BAND:", at);
        const size_t eor = logText.find("<EOR>", at);
        found.Callsign = base;
        found.Band = band < eor ? logText.substr(logText.find('>', band) + 1, 3) : "";
    }
    return found;
}

uint8_t PlainCallInLog(const std::string& logText, const std::string& call) {
    for (const char* after : {" ", "<", "\r\n"})
        if (logText.find(">" + call + after) != std::string::npos) return 1;
    return 0;
}

void Usage() {
    std::cerr << "usage: muv_logbench [--contacts N] [--repeat N] [--out DIR] [--quick] [--log FILE]\n";
}

// FNV-1a, 64 bits, over the bytes given; each part ends with its length, so no two sequences of parts
// run together alike.
class Digest {
public:
    Digest& operator<<(std::string_view bytes) {
        for (const char c : bytes)
            Byte(static_cast<unsigned char>(c));
        return Number(bytes.size());
    }
    Digest& Number(uint64_t n) {
        for (int i = 0; i < 8; ++i)
            Byte(static_cast<unsigned char>(n >> (8 * i)));
        return *this;
    }
    std::string Hex() const {
        char text[17];
        std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h_));
        return text;
    }

private:
    void Byte(unsigned char b) { h_ = (h_ ^ b) * 0x100000001b3ULL; }
    uint64_t h_ = 0xcbf29ce484222325ULL;
};

void AddFields(Digest& d, const std::vector<AdifField>& fields) {
    d.Number(fields.size());
    for (const AdifField& f : fields)
        d << f.Name << f.Type << f.Value;
}

// Everything the log gives out of what it read.
std::string LogDigest(const AdifLog& log) {
    Digest d;
    d << log.LogText();
    d.Number(log.RecordCount());
    for (size_t i = 0; i < log.RecordCount(); ++i) {
        AddFields(d, log.Fields(i));
        d.Number(log.RecordEnded(i) ? 1 : 0);
    }
    d.Number(log.HasHeader() ? 1 : 0);
    d << log.HeaderText();
    AddFields(d, log.HeaderFields());
    d << log.AdifText();
    return d.Hex();
}

// The look-ups' answers about every logged callsign and country, each asked in a received text too.
std::string LookupDigest(Logbook& book) {
    Digest d;
    const AdifLog& log = book.Log();
    for (size_t i = 0; i < log.RecordCount(); ++i) {
        const std::string call = log.FieldValue(i, "CALL");
        const std::string country = log.FieldValue(i, "COUNTRY");
        const std::string base = BaseCallsign(call);
        d.Number(book.CallInLog(call)).Number(book.CountryInLog(country));
        for (const std::string& text : {call, base, "CQ DE " + call + " K", "cq de " + base + " k"}) {
            const PreviousContact found = book.ShowPreviousContacts(text, 0);
            d << found.Callsign << found.Band << found.Date;
            d.Number(book.HighlightNewCountry(text));
        }
    }
    return d.Hex();
}

bool ReadWhole(const std::string& path, std::string& text) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    text.clear();
    char buffer[1 << 16];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
        text.append(buffer, n);
    const bool read = !std::ferror(f);
    std::fclose(f);
    return read;
}

bool WriteWhole(const std::string& path, const std::string& text) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && written;
}

// Prints the digests of the loaded log, of its look-ups, and of the file and the log after one more
// contact is appended to the file at path.
bool PrintDigests(Logbook& book, const std::string& path) {
    const std::string logDigest = LogDigest(book.Log());
    const std::string lookupDigest = LookupDigest(book);
    AdifContact c;
    c.txtCallsign = "EA1ZZZ/P";
    c.txtNombre = "Jos\u00E9 \u0414\u0438\u043C\u0430";
    c.txtQTH = "M\u00FCnchen";
    c.txtFrecuencia = "14077.5";
    c.Band = "20M";
    c.QsoStartUtc = UtcTime{2026, 1, 2, 3, 4, 5, 0};
    c.UtcNow = c.QsoStartUtc;
    c.OperatorCallsign = "EA1MUV";
    c.OperatorLocator = "IN73DM";
    c.txtNotas = "<TNX> \u20AC";
    c.CountryWithContinent = "Spain (EU)";
    c.txtRST = "599";
    const AdifAppendResult appended = book.AppendAdifRecord(path, BuildAdifRecord(c));
    std::string file;
    if (appended.result != 1 || !ReadWhole(path, file)) {
        std::cerr << "muv_logbench: cannot append to " << path << '\n';
        return false;
    }
    Digest fileDigest;
    fileDigest << file;
    std::printf("  digests: log %s, look-ups %s; after appending: file %s, log %s, look-ups %s\n",
                logDigest.c_str(), lookupDigest.c_str(), fileDigest.Hex().c_str(),
                LogDigest(book.Log()).c_str(), LookupDigest(book).c_str());
    return true;
}

void Row(const std::string& what, const Timing& t) {
    std::printf("  %-52s %10.2f %10.2f\n", what.c_str(), t.meanUs, t.maxUs);
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--quick") {
            o.contacts = 2000;
            o.repeat = 50;
        } else if (a == "--contacts" && hasValue) {
            o.contacts = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--repeat" && hasValue) {
            o.repeat = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--out" && hasValue) {
            o.out = argv[++i];
        } else if (a == "--log" && hasValue) {
            o.log = argv[++i];
        } else {
            Usage();
            return 2;
        }
    }

    Logbook book;
    if (!book.LoadCountryFile()) std::cerr << "muv_logbench: no country file found; countries stay empty\n";

    std::error_code ec;
    std::filesystem::create_directories(o.out, ec);
    const std::string path = (std::filesystem::path(o.out) / "muv_logbench.adi").string();
    if (!o.log.empty()) {
        std::string given;
        if (!ReadWhole(o.log, given) || !WriteWhole(path, given)) {
            std::cerr << "muv_logbench: cannot copy " << o.log << " to " << path << '\n';
            return 1;
        }
        const auto start = Clock::now();
        const AdifLoadResult loaded = book.LoadLogBook(path);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        std::printf("muv_logbench: %s, %zu bytes, %zu records, loaded: %d %s\n", o.log.c_str(), given.size(),
                    book.Log().RecordCount(), loaded.loaded ? 1 : 0, loaded.cause.c_str());
        std::printf("  load with the index (start-up, profile switch): %.1f ms\n", ms);
        return PrintDigests(book, path) ? 0 : 1;
    }

    // The log file: the header, then the contacts.
    std::mt19937_64 rng(1);
    std::vector<std::string> calls;
    const int distinct = std::max(1, o.contacts * 2 / 5);
    for (int i = 0; i < distinct; ++i)
        calls.push_back(RandomCallsign(rng));
    std::string file = AdifHeader() + "\r\n";
    for (int i = 0; i < o.contacts; ++i) {
        file += ContactRecord(rng, calls[rng() % calls.size()], book.Countries(), i);
        file += "\r\n";
    }
    if (!WriteWhole(path, file)) {
        std::cerr << "muv_logbench: cannot write " << path << '\n';
        return 1;
    }

    const auto loadStart = Clock::now();
    const AdifLoadResult loaded = book.LoadLogBook(path);
    const double loadMs = std::chrono::duration<double, std::milli>(Clock::now() - loadStart).count();
    if (!loaded.loaded) {
        std::cerr << "muv_logbench: the log did not load: " << loaded.cause << '\n';
        return 1;
    }

    // The receive window as a session leaves it: some screens of earlier messages, then the message.
    MemoryTextWindow window;
    std::string earlier;
    for (int i = 0; i < 200; ++i)
        earlier += "\r\nRX16: 12:00 @ 1.5 Hz: CQ CQ DE " + calls[i % calls.size()] + " K <STOP> -12 dB";
    int32_t rxMessageStart = 0;
    book.LinkReceiveWindow(
        {&window, &rxMessageStart, [] { return std::optional<ColorRef>(0xFF0000); }, nullptr});

    const std::string logged = calls[0];
    const std::string other = calls[1 % calls.size()];
    const std::vector<std::string> messages = {
        "CQ CQ CQ DE " + logged + " " + logged + " " + logged + " PSE K",
        other + " DE " + logged +
            " GM OM TNX FER CALL UR RST 579 579 NAME IS JOHN QTH IS LONDON LOC IO91WM HW? " + other + " DE " +
            logged + " KN",
        "cq cq de " + logged + " " + logged + " k",
        "CQ DE 3C1MUV 3C1MUV K",
        std::string(
            "EA1MUV DE G4ABC R R FB OM TNX FER NICE REPORT. HR RIG IS A HOMEBREW TRANSCEIVER 50W INTO A "
            "DIPOLE AT 12M. WX HR IS CLOUDY AND COLD, TEMP 5C. I HAVE BEEN A HAM FOR 30 YEARS AND ENJOY "
            "THE DIGITAL MODES VERY MUCH. QSL VIA BUREAU OR EQSL. ") +
            logged + " WAS HERE YESTERDAY TOO. 73 AND HOPE TO CU AGN SN. EA1MUV DE G4ABC SK",
    };

    // Every look-up must answer right before its speed counts.
    bool right = true;
    const auto check = [&](bool ok, const std::string& what) {
        if (!ok) std::cerr << "muv_logbench: wrong answer: " << what << '\n';
        right = right && ok;
    };
    check(book.CallInLog(logged) == 1, "CallInLog(" + logged + ")");
    check(book.CallInLog(logged + "X") == 0, "CallInLog(" + logged + "X)");
    check(!book.ShowPreviousContacts(messages[0], 0).Band.empty(),
          "ShowPreviousContacts(" + messages[0] + ")");
    if (book.Countries().CountryCount() > 0) {
        const std::string country = book.Countries().CountryOfCallsign(BaseCallsign(logged), 0);
        check(book.CountryInLog(country) == 1, "CountryInLog(" + country + ")");
        check(book.HighlightNewCountry(messages[3]) == 1, "HighlightNewCountry(" + messages[3] + ")");
    }

    std::printf("muv_logbench: %d contacts (%zu distinct callsigns), log %.1f MB, LogText %.1f MB\n",
                o.contacts, calls.size(), file.size() / 1e6, book.Log().LogText().size() / 1e6);
    LogLookups fresh(book.Log(), {});
    const auto indexStart = Clock::now();
    fresh.Update();
    const double indexMs = std::chrono::duration<double, std::milli>(Clock::now() - indexStart).count();
    std::printf("  load with the index (start-up, profile switch): %.1f ms, of which the index %.1f ms\n",
                loadMs, indexMs);
    std::printf("  %-52s %10s %10s\n", "look-up, per call", "mean us", "max us");

    Timing endOfMessage;
    double worst = 0;
    for (size_t m = 0; m < messages.size(); ++m) {
        const std::string& text = messages[m];
        window.SetText(earlier);
        window.SetSelStart(window.TextLength());
        window.SetSelText("\r\nRX16: 12:00 @ 1.5 Hz: ");
        rxMessageStart = window.SelStart();
        window.SetSelText(text);
        const std::string name =
            "message " + std::to_string(m + 1) + " (" + std::to_string(text.size()) + " chars)";
        Row(name + ": ShowPreviousContacts, marking",
            Time(o.repeat, [&] { book.ShowPreviousContacts(text, 1); }));
        Row(name + ": HighlightNewCountry", Time(o.repeat, [&] { book.HighlightNewCountry(text); }));
        const Timing all = Time(o.repeat, [&] {
            book.HighlightNewCountry(text);
            book.ShowPreviousContacts(text, 1);
            book.CallsignAfterDe(text);
        });
        Row(name + ": all of the end of a message", all);
        endOfMessage.meanUs = std::max(endOfMessage.meanUs, all.meanUs);
        worst = std::max(worst, all.maxUs);
    }
    endOfMessage.maxUs = worst;
    Row("CallInLog (logged)", Time(o.repeat, [&] { book.CallInLog(logged); }));
    Row("CallInLog (not logged)", Time(o.repeat, [&] { book.CallInLog("ZZ9ZZZ"); }));
    Row("CountryInLog", Time(o.repeat, [&] { book.CountryInLog("Fed. Rep. of Germany"); }));
    Row("MarkLoggedCall (whole window)", Time(std::min(o.repeat, 200), [&] { book.MarkLoggedCall(logged); }));

    // The same questions as a plain search of the log's text.
    const std::string& logText = book.Log().LogText();
    const int plainRepeat = std::max(1, std::min(o.repeat, 20));
    std::printf("  plain search of LogText, for comparison:\n");
    Row("ShowPreviousContacts, message 2",
        Time(plainRepeat, [&] { PlainPreviousContacts(logText, messages[1]); }));
    Row("CallInLog (not logged)", Time(plainRepeat, [&] { PlainCallInLog(logText, "ZZ9ZZZ"); }));
    volatile size_t sink = 0;
    Row("CountryInLog (not logged)", Time(plainRepeat, [&] { sink = sink + logText.find("EQUATORIA"); }));

    const double bufferMs = 1000.0 * kHfBufferSamples / kSampleRate;
    std::printf(
        "  worst end of a message: mean %.1f us, max %.1f us; one receive buffer is %.0f ms of audio, "
        "%d are queued (%.1f s)\n",
        endOfMessage.meanUs, endOfMessage.maxUs, bufferMs, kInputBuffers, kInputBuffers * bufferMs / 1000);
    book.LinkReceiveWindow({});
    if (!PrintDigests(book, path)) return 1;
    return right ? 0 : 1;
}
