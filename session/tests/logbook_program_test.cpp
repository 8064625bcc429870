// The logbook in the running program: a call decoded from the air that the log already holds is marked
// in the receive window, a sender from a country the log does not hold is coloured as new, a profile
// switch brings the new profile's log (none when it has none) without making a file, and the session
// log's save clears what killed saves left and has its trouble told even when nobody was there.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "bench/channel_sim.h"
#include "common/colour.h"
#include "logbook/adif_record.h"
#include "logbook/session_log_file.h"
#include "platform/memory_sound.h"
#include "platform/program_folders.h"
#include "platform/qt/qt_dialogs.h"
#include "session/frmMain.h"
#include "session/program_start.h"
#include "session/station.h"
#include "session/tests/own_folders.h"
#include "session/tests/program_run.h"
#include "test_support/qt_app.h"
#include "test_support/recording_fakes.h"
#include "transmitter/offline_transmitter.h"

namespace muv {
namespace {

using test::RunUntil;

class LogbookProgram : public test::QtAppTest {};

// A log another program wrote (lower-case tags, LF line ends) with one contact with DL1ABC in Germany.
void WriteLogAndSettings(const std::string& log) {
    std::ofstream(log, std::ios::binary)
        << "exported\n<adif_ver:5>3.1.0\n<eoh>\n"
           "<call:6>DL1ABC<qso_date:8:d>20261101<band:3>20m<country:7>Germany"
           "<mode:3>MUV<eor>\n";
    std::filesystem::create_directories(SettingsFolder());
    std::ofstream(SettingsFolder() + "/MUV.ini", std::ios::binary)
        << "[Log]\r\nDirectorio ADIF=" << log << "\r\n";
}

// The program hearing one transmission of the text on the standard frequency.
std::string Decode(const std::string& text, Station*& out, std::unique_ptr<Station>& holder,
                   test::RecordingBoxes& boxes) {
    std::mt19937_64 rng(5);
    ChannelSpec channel;
    channel.snrDb2500 = 12;
    channel.leadSamples = 8 * kSampleRate;
    channel.tailSamples = 3 * kSampleRate;
    auto in = std::make_unique<MemorySoundInput>(MakeChannel(TransmitToSamples(4, text), channel, rng));
    holder = std::make_unique<Station>(SoundDevices{std::move(in), std::make_unique<MemorySoundOutput>(),
                                                    [] { return std::vector<std::string>{"Line in"}; },
                                                    [] { return std::vector<std::string>{"Speakers"}; }},
                                       &boxes);
    out = holder.get();
    frmMain& f = holder->form;
    if (!Main(f)) return {};
    RunUntil([&] { return f.RxWindow().Text().find(" dB") != std::string::npos; }, 60);
    return f.RxWindow().Text();
}

TEST_F(LogbookProgram, ACallWorkedBeforeIsMarkedAndANewCountryColoured) {
    const std::string log = (std::filesystem::path(SettingsFolder()).parent_path() / "log.adi").string();
    WriteLogAndSettings(log);
    test::RecordingBoxes boxes;
    std::unique_ptr<Station> holder;
    Station* st = nullptr;
    const std::string rx = Decode("CQ CQ DE DL1ABC DL1ABC K", st, holder, boxes);
    ASSERT_NE(rx.find("DL1ABC"), std::string::npos) << rx;
    EXPECT_EQ(st->logbook.CallInLog("DL1ABC"), 1);
    TextWindow& w = st->form.RxWindow();
    // Positions count a line end as CR LF, as the window's text does.
    w.SetSelStart(static_cast<int32_t>(rx.find("DL1ABC") + 2));
    w.SetSelLength(1);
    EXPECT_TRUE(w.SelBold()) << "worked before";
    EXPECT_TRUE(boxes.shown.empty()) << boxes.shown[0].text;

    std::unique_ptr<Station> second;
    const std::string rx2 = Decode("CQ CQ DE EA1ABC EA1ABC K", st, second, boxes);
    ASSERT_NE(rx2.find("EA1ABC"), std::string::npos) << rx2;
    TextWindow& w2 = st->form.RxWindow();
    w2.SetSelStart(static_cast<int32_t>(rx2.find("EA1ABC") + 2));
    w2.SetSelLength(1);
    EXPECT_EQ(w2.SelColor(), RGB(255, 0, 0)) << "Spain is not in the log";
    EXPECT_FALSE(w2.SelBold());
}

TEST_F(LogbookProgram, AProfileSwitchBringsTheNewProfilesLogAndMakesNoFile) {
    // Profile 1 has a log with DL1ABC; profile 2 names a log file that is not there; profile 3 has none.
    const std::filesystem::path home = std::filesystem::path(SettingsFolder()).parent_path();
    const std::string log = (home / "log.adi").string();
    const std::string missing = (home / "other.adi").string();
    WriteLogAndSettings(log);
    std::ofstream(SettingsPath(), std::ios::app | std::ios::binary)
        << "[Log2]\r\nDirectorio ADIF=" << missing << "\r\n";
    ProgramRun run;
    ASSERT_TRUE(run.started);
    frmMain& f = *run.form;
    Station& st = run.St();
    ASSERT_EQ(st.logbook.CallInLog("DL1ABC"), 1);

    for (const int profile : {3, 2}) {
        f.mnuListaUsuarios[static_cast<size_t>(profile)]->trigger();
        ASSERT_EQ(st.settings.CurrentProfile(), profile);
        EXPECT_EQ(st.logbook.CallInLog("DL1ABC"), 0) << "profile " << profile;
        EXPECT_EQ(st.logbook.ShowPreviousContacts("CQ DE DL1ABC", 0).Band, "") << "profile " << profile;
        EXPECT_EQ(st.logbook.Log().LogText(), "") << "profile " << profile;
    }
    EXPECT_FALSE(std::filesystem::exists(missing)) << "a switch makes no log file";

    f.mnuListaUsuarios[1]->trigger();
    EXPECT_EQ(st.logbook.CallInLog("DL1ABC"), 1);
    EXPECT_TRUE(run.boxes.shown.empty()) << run.boxes.shown[0].text;
}

TEST_F(LogbookProgram, ALogWithTheFrequencyAloneGivesEachContactItsAdifBand) {
    // The bands of ADIF 3.1 with their published limits in MHz.
    struct Band {
        const char* name;
        double lower;
        double upper;
    };
    const Band bands[] = {
        {"2190M", 0.1357, 0.1378}, {"630M", 0.472, 0.479},  {"560M", 0.501, 0.504},
        {"160M", 1.8, 2.0},        {"80M", 3.5, 4.0},       {"60M", 5.06, 5.45},
        {"40M", 7.0, 7.3},         {"30M", 10.1, 10.15},    {"20M", 14.0, 14.35},
        {"17M", 18.068, 18.168},   {"15M", 21.0, 21.45},    {"12M", 24.89, 24.99},
        {"10M", 28.0, 29.7},       {"8M", 40, 45},          {"6M", 50, 54},
        {"5M", 54.000001, 69.9},   {"4M", 70, 71},          {"2M", 144, 148},
        {"1.25M", 222, 225},       {"70CM", 420, 450},      {"33CM", 902, 928},
        {"23CM", 1240, 1300},      {"13CM", 2300, 2450},    {"9CM", 3300, 3500},
        {"6CM", 5650, 5925},       {"3CM", 10000, 10500},   {"1.25CM", 24000, 24250},
        {"6MM", 47000, 47200},     {"4MM", 75500, 81000},   {"2.5MM", 119980, 123000},
        {"2MM", 134000, 149000},   {"1MM", 241000, 250000}, {"SUBMM", 300000, 7500000},
    };
    // Another logger's export: one contact at each limit of every band and half a hertz beyond it,
    // each with a callsign of its own, the frequency alone and no band.
    std::vector<std::pair<std::string, std::string>> contacts;  // callsign, the band it must have
    std::string adif = "<ADIF_VER:5>3.1.0\n<EOH>\n";
    const auto add = [&](double mhz, const std::string& band) {
        char freq[32], call[16];
        std::snprintf(freq, sizeof freq, "%.7f", mhz);
        std::snprintf(call, sizeof call, "K%dAB", static_cast<int>(contacts.size()) + 1000);
        adif += "<CALL:" + std::to_string(std::strlen(call)) + ">" + call +
                " <QSO_DATE:8>20250101 <FREQ:" + std::to_string(std::strlen(freq)) + ">" + freq +
                " <MODE:3>FT8 <EOR>\n";
        contacts.emplace_back(call, band);
    };
    for (const Band& band : bands) {
        add(band.lower, band.name);
        add(band.upper, band.name);
        add(band.lower - 0.0000005, "?");  // still a contact, on a band the log does not tell
        add(band.upper + 0.0000005, "?");
    }
    const std::string log = (std::filesystem::path(SettingsFolder()).parent_path() / "export.adi").string();
    std::ofstream(log, std::ios::binary) << adif;
    WriteSettings("[Log]\r\nDirectorio ADIF=" + log + "\r\n");

    ProgramRun run;
    ASSERT_TRUE(run.started);
    EXPECT_TRUE(run.boxes.shown.empty()) << run.boxes.shown[0].text;
    for (const auto& [call, band] : contacts)
        EXPECT_EQ(run.St().logbook.ShowPreviousContacts("CQ DE " + call + " K", 0).Band, band) << call;
    EXPECT_EQ(FileText(log), adif) << "the file is left as it is";
}

}  // namespace
}  // namespace muv

namespace muv {
namespace {

// A save of the session log was killed on its way and left its hidden copy of a day's file in the log
// folder. Then a signal ends the program, with nobody at the window, while neither the log folder nor
// the user's data folder can take the day's file (as on a full disk). The killed save's copy goes; the
// copy that a save running now holds and the operator's own files stay. No box waits for an answer,
// and the next start tells the operator what happened, once.
TEST_F(LogbookProgram, WhatAShutDownWithNobodyThereCouldNotSaveIsToldAtTheNextStart) {
    namespace fs = std::filesystem;
    const test::OwnFolders folders;
    const fs::path logs = fs::path(UserDataFolder()).parent_path() / "logs";
    fs::create_directories(logs);
    const std::vector<std::string> kept = {".2026-12-09.Log.4243.0", ".2026-12-09.Log.4244.0.old",
                                           ".notes.txt.4245.0"};
    std::vector<std::string> made = kept;
    made.push_back(".2026-12-09.Log.4242.0");  // the killed save's copy
    for (const std::string& name : made)
        std::ofstream(logs / name, std::ios::binary) << std::string(1 << 20, 'x');
    const int held = ::open((logs / kept[0]).c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);

    std::string day, lost;
    {
        ProgramRun run;
        ASSERT_TRUE(run.started);
        Station& st = run.St();
        day = SessionLogFileName(st.shared.UtcNow);
        fs::create_directories(logs / day);
        fs::create_directories(fs::path(UserDataFolder()) / day);
        SessionLogFolderGone(st, logs.string());
        run.form->CloseUnattended();
        QtMessageBoxes::SetUnattended(false);
        EXPECT_TRUE(run.form->ProgramEnded());
        EXPECT_TRUE(run.boxes.shown.empty()) << run.boxes.shown[0].text;
        lost = "The session log could not be saved in '" + (logs / day).string() +
               "': Is a directory, nor in '" + UserDataFolder() + "/" + day +
               "': Is a directory. What was received and sent in that session is lost.";
    }
    ::close(held);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(logs))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    std::vector<std::string> expected = kept;
    expected.push_back(day);
    EXPECT_EQ(names, expected);

    {
        ProgramRun next;
        ASSERT_TRUE(next.started);
        ASSERT_EQ(next.boxes.shown.size(), 1u);
        EXPECT_EQ(next.boxes.shown[0].title, "Log Error");
        EXPECT_EQ(next.boxes.shown[0].icon, BoxIcon::Exclamation);
        const std::string& text = next.boxes.shown[0].text;
        EXPECT_TRUE(text.starts_with("MUV was closed on ")) << text;
        EXPECT_TRUE(text.ends_with(" UTC with nobody at the window. " + lost)) << text;
    }
    ProgramRun third;
    EXPECT_TRUE(third.boxes.shown.empty()) << third.boxes.shown[0].text;
}

}  // namespace
}  // namespace muv
