// The program and its settings file: what one run chooses is there in the next, a file written by the
// program on Windows loads, profiles switch as a whole, and a damaged or read-only file costs no data.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>

#include <sys/stat.h>

#include "logbook/frmStatistics.h"
#include "logbook/session_log_file.h"
#include "platform/memory_sound.h"
#include "platform/private_profile.h"
#include "platform/program_folders.h"
#include "rig/frmRig.h"
#include "session/frmMain.h"
#include "session/program_start.h"
#include "session/station.h"
#include "session/tests/program_run.h"
#include "settings/frmAlarms.h"
#include "settings/frmBeacon.h"
#include "settings/frmEmailReport.h"
#include "settings/frmEqslAccount.h"
#include "settings/frmLogDirectories.h"
#include "settings/frmMacros.h"
#include "settings/frmOperator.h"
#include "settings/frmProfiles.h"
#include "settings/frmScan.h"
#include "settings/frmSoundCard.h"
#include "test_support/qt_app.h"
#include "test_support/recording_fakes.h"

namespace muv {
namespace {

class SettingsProgram : public test::QtAppTest {};

TEST_F(SettingsProgram, WhatOneRunChoosesIsThereInTheNext) {
    {
        ProgramRun run;
        ASSERT_TRUE(run.started);
        EXPECT_TRUE(run.boxes.shown.empty()) << run.boxes.shown[0].text;
        frmMain& f = *run.form;
        Station& st = run.St();
        // Profile first: switching loads the new profile's settings.
        f.mnuListaUsuarios_Click(3);
        frmRig& rig = st.rig.Window();
        rig.txtRigctld1->setText("localhost:4999");
        rig.optVOX->setChecked(true);
        rig.cmdOK_Click();
        frmSoundCard& card = st.SoundCard();
        card.SetInputListIndex(1);
        card.SetOutputListIndex(1);
        card.cmdOK_Click();
        f.mnuFrequenciesList_Click(7);
        f.mnuResolucion_Click(5);
        f.imgBaudOFF2_Click();
        f.mnuColour_Click(6);
        st.settings.Operator().txtCallsign->setText("EA1ABC");
        st.settings.Operator().cmdOK_Click();
        f.Form_Unload();
    }
    const std::string text = FileText(SettingsPath());
    EXPECT_NE(text.find("NumeroUsuario=3"), std::string::npos) << text;
    {
        ProgramRun run;
        ASSERT_TRUE(run.started);
        frmMain& f = *run.form;
        Station& st = run.St();
        EXPECT_EQ(run.Ticked(f.mnuListaUsuarios), 3);
        EXPECT_EQ(f.mnuUsuario->title(), "User3");
        EXPECT_EQ(st.settings.CurrentProfile(), 3);
        EXPECT_EQ(st.rig.Window().txtRigctld1->text(), "localhost:4999");
        EXPECT_TRUE(st.rig.Window().optVOX->isChecked());
        EXPECT_EQ(st.SoundCard().InputListIndex(), 1);
        EXPECT_EQ(st.SoundCard().OutputListIndex(), 1);
        EXPECT_EQ(run.Ticked(f.mnuFrequenciesList), 7);
        EXPECT_EQ(f.txtFrecuencia->text(), "7040.0");
        EXPECT_EQ(run.Ticked(f.mnuResolucion), 5);
        EXPECT_EQ(run.Ticked(f.mnuColour), 6);
        EXPECT_TRUE(f.PictureShown("imgBaudON2"));
        EXPECT_EQ(st.settings.OperatorCallsign(), "EA1ABC");
    }
}

// The sound-card window as the operator meets it: a pick abandoned with the close box leaves the devices
// in use and the settings as they were; each opening lists the devices there are then, and the device
// chosen stays chosen where a new one has pushed it along.
TEST_F(SettingsProgram, TheSoundCardWindowForgetsAnAbandonedPickAndListsTheDevicesAtEachOpening) {
    std::vector<std::string> inputs = {"Line in", "USB"};
    std::vector<std::string> outputs = {"Speakers", "USB"};
    WriteSettings("");
    ProgramRun run(ProgramRun::Started, &inputs, &outputs);
    ASSERT_TRUE(run.started);
    frmMain& f = *run.form;
    Station& st = run.St();
    frmSoundCard& card = st.SoundCard();
    const auto next = [](QWidget* list) {
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
        QApplication::sendEvent(list, &down);
    };
    const auto stored = [&](const char* key) { return st.settings.Store().Read("Tarjeta Sonido", key, 50); };

    f.mnuTarjetaSonido_Click();
    next(card.cboTarjetaSonidoEntrada);
    next(card.cboTarjetaSonidoSalida);
    EXPECT_EQ(run.input->openedDevice, 1) << "a pick is heard at once";
    card.close();
    EXPECT_TRUE(run.input->IsOpen());
    EXPECT_EQ(run.input->openedDevice, 0);
    EXPECT_EQ(st.transmitterHost.OutputDeviceIndex(), 0) << "the next transmission's device";
    EXPECT_EQ(stored("Entrada").value_or("0"), "0");
    EXPECT_EQ(stored("Salida").value_or("0"), "0");

    f.mnuTarjetaSonido_Click();
    next(card.cboTarjetaSonidoEntrada);
    next(card.cboTarjetaSonidoSalida);
    card.cmdOK->click();
    EXPECT_EQ(stored("Entrada"), "1");
    EXPECT_EQ(run.input->openedDevice, 1);

    // A headset plugged in since.
    inputs.insert(inputs.begin() + 1, "Headset");
    outputs.insert(outputs.begin() + 1, "Headset");
    f.mnuTarjetaSonido_Click();
    ASSERT_EQ(card.cboTarjetaSonidoEntrada->count(), 3);
    ASSERT_EQ(card.cboTarjetaSonidoSalida->count(), 3);
    EXPECT_EQ(card.cboTarjetaSonidoEntrada->currentText(), "USB");
    EXPECT_EQ(card.cboTarjetaSonidoSalida->currentText(), "USB");
    EXPECT_EQ(run.input->openedDevice, 2);
    card.close();
    EXPECT_EQ(card.cboTarjetaSonidoEntrada->currentText(), "USB");
    EXPECT_EQ(run.input->openedDevice, 2);
    EXPECT_EQ(st.transmitterHost.OutputDeviceIndex(), 2);
    EXPECT_TRUE(run.boxes.shown.empty()) << run.boxes.shown[0].text;
}

TEST_F(SettingsProgram, AFileWrittenOnWindowsLoads) {
    WriteSettings(
        "[User Profiles]\r\nNumeroUsuario=2\r\n2=Portable\r\n"
        "[Fuente2]\r\nTama\xF1o= 3\r\n[Pantalla2]\r\nColor= 5\r\nResolucion= 1\r\n"
        "[Operador2]\r\nCallsign=EA1ABC\r\nName=Jos\xE9 Mar\xED"
        "a\r\nLocator=im98JM\r\n"
        "[RIG]\r\nPTT=3\r\nEnable CAT=1\r\n[Email2]\r\nOption=1\r\nServidor SMTP=smtp.example.org\r\n"
        "[SCAN2]\r\n3=1\r\nSegundos= 200\r\n[Log2]\r\nAuto Save Log Close=0\r\n");
    ProgramRun run;
    ASSERT_TRUE(run.started);
    frmMain& f = *run.form;
    Station& st = run.St();
    EXPECT_EQ(run.Ticked(f.mnuListaUsuarios), 2);
    EXPECT_EQ(f.mnuUsuario->title(), "Portable");
    EXPECT_EQ(f.mnuListaUsuarios[1]->text(), "User1");
    EXPECT_EQ(run.Ticked(f.mnuFont), 3);
    EXPECT_EQ(run.Ticked(f.mnuColour), 5);
    EXPECT_EQ(run.Ticked(f.mnuResolucion), 1);
    EXPECT_EQ(st.settings.OperatorCallsign(), "EA1ABC");
    EXPECT_EQ(st.settings.Operator().txtName->text(), QString::fromUtf8("Jos\xC3\xA9 Mar\xC3\xAD"
                                                                        "a"));
    EXPECT_EQ(st.settings.OperatorLocator(), "IM98jm");
    EXPECT_TRUE(st.rig.Window().optVOX->isChecked());
    EXPECT_FALSE(st.settings.NoInternetSelected());
    EXPECT_TRUE(st.settings.Scan().FrequencyTicked(3));
    EXPECT_EQ(st.settings.Scan().DwellValue(), 200);
    EXPECT_FALSE(st.settings.AutoSaveLogClose());
    // What the file does not hold takes the defaults.
    EXPECT_EQ(run.Ticked(f.mnuFrequenciesList), 11);
    EXPECT_EQ(run.Ticked(f.mnuTipoIdioma), 1);
}

TEST_F(SettingsProgram, AProfileSwitchSavesTheOldAndLoadsTheNewButNotTheRig) {
    WriteSettings(
        "[User Profiles]\r\n5=Contest\r\n[Operador5]\r\nCallsign=EA5ZZZ\r\n[Pantalla5]\r\nColor= 1\r\n");
    ProgramRun run;
    ASSERT_TRUE(run.started);
    frmMain& f = *run.form;
    Station& st = run.St();
    st.settings.Operator().txtCallsign->setText("EA1ABC");
    f.mnuColour_Click(7);
    st.rig.Window().txtRigctld1->setText("rig.local:4532");
    st.rig.Window().cmdOK_Click();

    f.mnuListaUsuarios_Click(5);
    EXPECT_EQ(f.mnuUsuario->title(), "Contest");
    EXPECT_EQ(st.settings.OperatorCallsign(), "EA5ZZZ");
    EXPECT_EQ(run.Ticked(f.mnuColour), 1);
    EXPECT_EQ(f.txtFrecuencia->text(), "14101.0") << "a profile that never stored a frequency";
    EXPECT_EQ(st.rig.Window().txtRigctld1->text(), "rig.local:4532") << "the rig is shared by all profiles";
    const std::string text = FileText(SettingsPath());
    EXPECT_EQ(GetProfileValue(text, "Operador", "Callsign", 50), "EA1ABC") << "saved under the old profile";
    EXPECT_EQ(GetProfileValue(text, "Pantalla", "Color", 50), "7");

    // Back again: profile 1 as it was left.
    f.mnuListaUsuarios_Click(1);
    EXPECT_EQ(st.settings.OperatorCallsign(), "EA1ABC");
    EXPECT_EQ(run.Ticked(f.mnuColour), 7);

    // The same profile again does nothing; none while transmitting.
    const std::string before = FileText(SettingsPath());
    f.mnuListaUsuarios_Click(1);
    EXPECT_EQ(FileText(SettingsPath()), before);
    st.shared.TxRxState = 1;
    f.mnuListaUsuarios_Click(5);
    st.shared.TxRxState = 0;
    EXPECT_EQ(st.settings.CurrentProfile(), 1);
    EXPECT_EQ(run.Ticked(f.mnuListaUsuarios), 1);
    ASSERT_FALSE(run.boxes.shown.empty());
    EXPECT_EQ(run.boxes.shown.back().text, "The user profile cannot be changed while transmitting.");
}

TEST_F(SettingsProgram, DamagedAndReadOnlyFilesCostNothing) {
    // Random bytes where the file should be: the program starts on the defaults and replaces nothing it
    // could not read.
    std::mt19937 rng(11);
    std::string garbage(20000, '\0');
    for (char& c : garbage)
        c = static_cast<char>(rng());
    WriteSettings(garbage);
    {
        ProgramRun run;
        ASSERT_TRUE(run.started);
        EXPECT_EQ(run.Ticked(run.form->mnuResolucion), 2);
        EXPECT_EQ(run.Ticked(run.form->mnuListaUsuarios), 1);
    }
    // Read-only: the operator is told once (at the first write), and the file stays as it was.
    const std::string kept = "[User Profiles]\r\nNumeroUsuario=9\r\n[Pantalla]\r\nColor= 4\r\n";
    WriteSettings(kept);
    ::chmod(SettingsPath().c_str(), 0400);
    {
        ProgramRun run;
        ASSERT_TRUE(run.started);
        EXPECT_EQ(run.Ticked(run.form->mnuListaUsuarios), 1) << "a profile digit out of range is profile 1";
        EXPECT_EQ(run.Ticked(run.form->mnuColour), 4);
        run.form->mnuColour_Click(2);
        run.form->Form_Unload();
        int told = 0;
        for (const auto& box : run.boxes.shown)
            if (box.title == "Settings Error") ++told;
        EXPECT_EQ(told, 1);
    }
    EXPECT_EQ(FileText(SettingsPath()), kept);
    ::chmod(SettingsPath().c_str(), 0600);
}

// However many keys a save holds, the file is written once for it: at the start, at each settings
// window's OK, at a profile switch.
TEST_F(SettingsProgram, EachSaveWritesTheFileOnce) {
    WriteSettings("");
    ProgramRun run;
    ASSERT_TRUE(run.started);
    frmMain& f = *run.form;
    Station& st = run.St();
    const SettingsFile& file = st.settings.Store();
    EXPECT_EQ(file.FileWrites(), 1) << "the start";

    Settings& s = st.settings;
    const std::vector<std::pair<const char*, std::function<QPushButton*()>>> windows = {
        {"operator", [&] { return f.mnuOperator_Click(), s.Operator().cmdOK; }},
        {"macros", [&] { return f.mnuMacros_Click(), s.Macros().cmdOK; }},
        {"e-mail", [&] { return f.mnuEmail_Click(), s.EmailReport().cmdOK; }},
        {"log", [&] { return f.mnuLog_Click(), s.LogDirectories().cmdOK; }},
        {"eQSL", [&] { return f.mnuEQSL_Click(), s.EqslAccount().cmdOK; }},
        {"profiles", [&] { return f.mnuUserProfiles_Click(), s.Profiles().cmdOK; }},
        {"rig", [&] { return f.mnuRig_Click(), st.rig.Window().cmdOK; }},
        {"sound card", [&] { return f.mnuTarjetaSonido_Click(), st.SoundCard().cmdOK; }},
        {"statistics", [&] { return f.mnuEstadisticas_Click(), st.Statistics().cmdOK; }},
        {"scan", [&] { return s.ShowScan(), s.Scan().cmdOK; }},
        {"beacon", [&] { return s.ShowBeacon(), s.Beacon().cmdOK; }},
        {"alarms", [&] { return s.ShowAlarms(), s.Alarms().cmdOK; }},
    };
    for (const auto& [name, open] : windows) {
        QPushButton* ok = open();
        const int before = file.FileWrites();
        test::AsAnEvent([ok] { QTest::mouseClick(ok, Qt::LeftButton); });
        EXPECT_EQ(file.FileWrites() - before, 1) << name;
    }
    for (const int profile : {4, 1}) {
        const int before = file.FileWrites();
        test::AsAnEvent([&] { f.mnuListaUsuarios[static_cast<size_t>(profile)]->trigger(); });
        EXPECT_EQ(s.CurrentProfile(), profile);
        EXPECT_EQ(file.FileWrites() - before, 1) << "the switch to profile " << profile;
    }
    const int before = file.FileWrites();
    f.Form_Unload();
    EXPECT_EQ(file.FileWrites() - before, 1) << "the end";
    EXPECT_TRUE(run.boxes.shown.empty()) << run.boxes.shown[0].text;
}

// Text that Windows-1252 cannot hold, chosen in one run, is there in the next: a session-log folder
// named in Cyrillic, found at the start and written into at the end with no "Log Error", the received
// text in it byte for byte as the modem gave it; and an operator's name typed with a Czech letter.
TEST_F(SettingsProgram, AFolderAndANameBeyondWindows1252SurviveARestart) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(UserDataFolder()) / "Журнал";
    fs::create_directories(folder);
    {
        ProgramRun run;
        ASSERT_TRUE(run.started);
        Station& st = run.St();
        frmLogDirectories& folders = st.settings.LogDirectories();
        folders.lblDirectorioLog->setText(QString::fromStdString(folder.string()));
        folders.chkAutoSaveLogClose->setChecked(true);
        folders.cmdOK_Click();
        frmOperator& op = st.settings.Operator();
        op.txtName->clear();
        for (const QChar ch : QString::fromUtf8("Plzeň")) {
            QKeyEvent press(QEvent::KeyPress, ch.toUpper().unicode(), Qt::NoModifier, QString(ch));
            QApplication::sendEvent(op.txtName, &press);
        }
        ASSERT_EQ(op.txtName->text(), QString::fromUtf8("Plzeň"));
        op.cmdOK_Click();
        run.form->Form_Unload();
        EXPECT_TRUE(run.boxes.shown.empty()) << run.boxes.shown[0].text;
    }
    // Windows-1252 cannot hold the folder's name: the file has it in UTF-8.
    EXPECT_EQ(GetProfileValue(FileText(SettingsPath()), "Log", "Directorio Log", 1000), folder.string());
    ProgramRun run;
    ASSERT_TRUE(run.started);
    Station& st = run.St();
    EXPECT_TRUE(run.boxes.shown.empty()) << run.boxes.shown[0].text;
    EXPECT_EQ(st.settings.SessionLogFolder(), folder.string());
    EXPECT_EQ(st.settings.Operator().txtName->text(), QString::fromUtf8("Plzeň"));
    st.sessionLog.SessionLogDirty = 1;
    st.sessionLog.SessionLogLine = "RX16: 12:00 QTH M\xE1laga";
    run.form->Form_Unload();
    EXPECT_TRUE(run.boxes.shown.empty()) << run.boxes.shown[0].text;
    EXPECT_EQ(FileText((folder / SessionLogFileName(st.shared.UtcNow)).string()),
              st.sessionLog.SessionLogText + "RX16: 12:00 QTH M\xE1laga\r\n\r\n");
}

TEST_F(SettingsProgram, TheClearScreenQuestionKeepsItsLastAnswerAsTheDefault) {
    {
        ProgramRun run;
        ASSERT_TRUE(run.started);
        Station& st = run.St();
        st.sessionLog.SessionLogLine = "RX16: CQ";
        run.boxes.answers = {BoxAnswer::Cancel};
        run.form->cmdClearScreen_Click();
        ASSERT_EQ(run.boxes.shown.size(), 1u);
        EXPECT_EQ(run.boxes.shown[0].text, "Save Log?");
        EXPECT_EQ(run.boxes.shown[0].buttons, BoxButtons::YesNoCancelDefaultNo);
        EXPECT_EQ(st.sessionLog.SessionLogLine, "RX16: CQ") << "Cancel keeps everything";
        run.boxes.answers = {BoxAnswer::Yes};
        run.form->cmdClearScreen_Click();
        EXPECT_NE(st.sessionLog.SessionLogText.find("RX16: CQ\r\n\r\nCLEAR SCREEN\r\n"), std::string::npos);
        EXPECT_EQ(st.settings.ClearSaveLogFlag, 0);
    }
    ProgramRun run;
    ASSERT_TRUE(run.started);
    run.St().sessionLog.SessionLogLine = "RX16: QRZ";
    run.boxes.answers = {BoxAnswer::No};
    run.form->cmdClearScreen_Click();
    EXPECT_EQ(run.boxes.shown.back().buttons, BoxButtons::YesNoCancel) << "Yes became the default";
    EXPECT_EQ(run.St().sessionLog.SessionLogText.find("RX16: QRZ"), std::string::npos);
    EXPECT_EQ(run.St().settings.ClearSaveLogFlag, 256);
}

}  // namespace
}  // namespace muv
