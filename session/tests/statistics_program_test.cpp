// The statistics window in the program: fed by the end of each received message, shown by its menu
// entry with the log counted, and kept per profile.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "logbook/frmStatistics.h"
#include "platform/memory_sound.h"
#include "platform/private_profile.h"
#include "platform/program_folders.h"
#include "receiver/tests/receiver_rig.h"
#include "session/frmMain.h"
#include "session/program_start.h"
#include "session/station.h"
#include "session/tests/own_folders.h"
#include "settings/frmOperator.h"
#include "test_support/qt_app.h"
#include "test_support/recording_fakes.h"

namespace muv {
namespace {

std::string SettingsText() {
    std::ifstream in(SettingsFolder() + "/MUV.ini", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class StatisticsProgram : public test::QtAppTest {
protected:
    void SetUp() override {
        station = std::make_unique<Station>(
            SoundDevices{std::make_unique<MemorySoundInput>(std::vector<int16_t>(48000 * 5, 0)),
                         std::make_unique<MemorySoundOutput>(),
                         [] { return std::vector<std::string>{"Line in"}; },
                         [] { return std::vector<std::string>{"Speakers"}; }},
            &boxes);
        ASSERT_TRUE(Main(station->form));
        station->settings.Operator().txtLocator->setText("IN80do");
    }
    void TearDown() override {
        if (!station->form.ProgramEnded()) station->form.Form_Unload();
    }

    // A message that has just ended with its end pattern, closed as the main window's timer does.
    void Receive(const std::string& text, float snDb, float shiftHz) {
        Receiver& rx = station->receiver;
        rx.RxLocked = 1;
        rx.AcquisitionEnabled = 0;
        rx.EndReason = "STOP";
        rx.SnSum = std::pow(10.0f, (snDb - rx.RxMode().SnCorrectionDb) / 20);
        rx.SnCount = 1;
        rx.FrequencyShiftHz = shiftHz;
        test::SetRxText(rx, text);
        station->form.tmrProcesarFinal_Timer();
    }

    test::OwnFolders folders;  // the settings file and the logs of this test alone
    test::RecordingBoxes boxes;
    std::unique_ptr<Station> station;
};

TEST_F(StatisticsProgram, MessagesFeedTheWindowWhichTheMenuShowsAndEachProfileKeeps) {
    Station& st = *station;
    frmMain& f = st.form;
    const std::string log = UserDataFolder() + "/test.adi";
    std::ofstream(log, std::ios::binary) << "<EOH>\r\n<CALL:6>EA4ABC<COUNTRY:5>Spain<EOR>\r\n"
                                            "<CALL:8>EA4ABC/P<COUNTRY:5>Spain<EOR>\r\n";
    ASSERT_TRUE(st.logbook.LoadLogBook(log).loaded);

    st.shared.UtcNow = {2024, 11, 30, 23, 59, 1, 0};
    Receive("de EA1ABC IM98jm k", 12.3f, -12.25f);
    frmStatistics& w = st.Statistics();
    EXPECT_EQ(w.txtDistancia->text(), "315");
    EXPECT_EQ(w.txtDireccion->text(), "136");
    EXPECT_EQ(w.txtMensaje->toPlainText(), "de EA1ABC IM98jm k");
    EXPECT_EQ(w.txtFecha->text(), "2024/11/30 23:59");
    EXPECT_EQ(w.txtSN->text(), "+12");
    EXPECT_EQ(w.txtModo->text().toStdString(), st.receiver.RxMode().DisplayName);
    EXPECT_EQ(w.txtShift->text(), "-12");
    EXPECT_EQ(GetProfileValue(SettingsText(), "Estadisticas", "Distancia", 200), "315");
    // Without a locator no record is looked at; the shift counts all the same.
    Receive("de EA1ABC k", 3, 4.25f);
    EXPECT_EQ(w.txtDistancia->text(), "315");
    EXPECT_EQ(w.txtShift->text(), "-4");

    f.mnuEstadisticas_Click();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.txtMUVQSOs->text() + w.txtIndicativos->text() + w.txtPaises->text(), "211");
    EXPECT_TRUE(w.txtFrecuencia->isHidden()) << "no rig over CAT";
    EXPECT_EQ(w.txtDistancia->text(), "315");

    // Another profile starts with no record and no shifts of its own.
    f.mnuListaUsuarios_Click(2);
    EXPECT_EQ(w.txtDistancia->text(), "");
    EXPECT_EQ(w.ShiftCount, 0);
    Receive("de F5XYZ JN18du", 3, 2);
    EXPECT_EQ(w.txtShift->text(), "+2");
    f.mnuListaUsuarios_Click(1);
    EXPECT_EQ(w.txtDistancia->text(), "315");
    EXPECT_EQ(w.txtShift->text(), "-4");

    // OK saves and closes; the next use loads the window again from the file.
    f.mnuListaUsuarios_Click(2);
    w.cmdOK_Click();
    test::RunEvents(50);
    EXPECT_EQ(st.Statistics().txtShift->text(), "+2");
    EXPECT_TRUE(boxes.shown.empty()) << boxes.shown[0].text;
}

// A message that sets a record and moves the average shift: the statistics are saved in one write of
// the settings file, as the end of the message's timer event.
TEST_F(StatisticsProgram, AMessageWritesTheSettingsFileOnce) {
    const SettingsFile& file = station->settings.Store();
    const int before = file.FileWrites();
    test::AsAnEvent([this] { Receive("de EA1ABC IM98jm k", 12.3f, -12.25f); });
    const frmStatistics& w = station->Statistics();
    EXPECT_EQ(w.txtDistancia->text(), "315");
    EXPECT_EQ(file.FileWrites() - before, 1);
    const std::string text = SettingsText(), section = file.Section("Estadisticas");
    EXPECT_EQ(GetProfileValue(text, section, "Distancia", 200), "315");
    EXPECT_EQ(GetProfileValue(text, section, "Contador Shift", 20), std::to_string(w.ShiftCount));
}

}  // namespace
}  // namespace muv
