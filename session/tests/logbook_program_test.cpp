// The logbook in the running program: a call decoded from the air that the log already holds is marked
// in the receive window, and a sender from a country the log does not hold is coloured as new.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "bench/channel_sim.h"
#include "common/colour.h"
#include "logbook/adif_record.h"
#include "platform/memory_sound.h"
#include "platform/program_folders.h"
#include "session/frmMain.h"
#include "session/program_start.h"
#include "session/station.h"
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

}  // namespace
}  // namespace muv
