// The logbook benchmark: writes an ADIF log of many contacts (50,000 unless told), loads it through the
// logbook as the program does at start-up, and times the look-ups that the end of every received
// message makes (earlier contacts with their marks, the new-country colour) and those of the callsign
// box and the cluster (callsign and country in the log) on typical received messages. For comparison
// it also times a plain search of the log's text for the same questions. Prints a table; exits with 1
// when a look-up gives a wrong answer.
//
//   muv_logbench [--contacts N] [--repeat N] [--out DIR] [--quick]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <random>
#include <string>
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
    std::cerr << "usage: muv_logbench [--contacts N] [--repeat N] [--out DIR] [--quick]\n";
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
        } else {
            Usage();
            return 2;
        }
    }

    Logbook book;
    if (!book.LoadCountryFile()) std::cerr << "muv_logbench: no country file found; countries stay empty\n";

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
    std::error_code ec;
    std::filesystem::create_directories(o.out, ec);
    const std::string path = (std::filesystem::path(o.out) / "muv_logbench.adi").string();
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        const bool written = std::fwrite(file.data(), 1, file.size(), f) == file.size();
        if (std::fclose(f) != 0 || !written) {
            std::cerr << "muv_logbench: cannot write " << path << '\n';
            return 1;
        }
    } else {
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
    return right ? 0 : 1;
}
