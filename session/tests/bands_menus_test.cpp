// The main window's frequency panel, scan, menus and picture buttons in the whole program on memory sound
// devices: band colours and channel boxes following the frequency, the arrows, the scan and the
// frequency box against a real rigctld, the receive window's word pick and keys, the colour and font
// menus, the web pages, the windows the menus show, the transmit window's clear button and the contact
// fields at start-up.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextBrowser>
#include <filesystem>
#include <fstream>

#include "logbook/frmQsoEntry.h"
#include "platform/memory_sound.h"
#include "platform/program_folders.h"
#include "receiver/band_lookup.h"
#include "rig/frmRig.h"
#include "session/frmMain.h"
#include "session/program_start.h"
#include "session/station.h"
#include "settings/frmAbout.h"
#include "settings/frmEmailReport.h"
#include "settings/frmEqslAccount.h"
#include "settings/frmLogDirectories.h"
#include "settings/frmOperator.h"
#include "settings/frmProfiles.h"
#include "settings/frmScan.h"
#include "settings/frmShortcuts.h"
#include "test_support/qt_app.h"
#include "test_support/recording_fakes.h"
#include "test_support/rigctld.h"

namespace muv {
namespace {

using test::RunUntil;

struct Program {
    Program() {
        station = std::make_unique<Station>(
            SoundDevices{std::make_unique<MemorySoundInput>(std::vector<int16_t>(48000 * 20, 0)),
                         std::make_unique<MemorySoundOutput>(),
                         [] { return std::vector<std::string>{"Line in"}; },
                         [] { return std::vector<std::string>{"Speakers"}; }},
            &boxes);
        form = &station->form;
        form->SetWebPages(&pages);
        started = Main(*form);
    }
    ~Program() {
        if (!form->ProgramEnded()) form->Form_Unload();
    }
    Station& St() { return *station; }
    std::string Box() { return FromQString(form->txtFrecuencia->text()); }
    // The channel boxes shown, by their names.
    std::vector<std::string> ShownChannels() {
        std::vector<std::string> shown;
        for (int32_t kHz : kChannelKHz)
            if (form->PictureShown("txt" + std::to_string(kHz))) shown.push_back(std::to_string(kHz));
        return shown;
    }
    ColorRef ChannelColour(int32_t kHz) {
        return dynamic_cast<TextBox*>(form->FindControl("txt" + std::to_string(kHz)))->BackColor();
    }

    test::RecordingBoxes boxes;
    test::RecordingPages pages;
    std::unique_ptr<Station> station;
    frmMain* form = nullptr;
    bool started = false;
};

class BandsAndMenus : public test::QtAppTest {};

TEST_F(BandsAndMenus, BandColoursAndChannelBoxesFollowTheFrequency) {
    Program p;
    ASSERT_TRUE(p.started);
    frmMain& f = *p.form;
    f.mnuFrequenciesList_Click(12);
    EXPECT_EQ(p.Box(), "14078.0");
    const ColorRef box = BandFromFrequency(14.078f).Colour;
    EXPECT_TRUE(f.txtFrecuencia->BackColor() == box && f.pctFlechaArriba->BackColor() == box &&
                f.pctFlechaAbajo->BackColor() == box);
    EXPECT_EQ(p.ShownChannels(), (std::vector<std::string>{"14078", "14101", "14103", "14113"}));
    EXPECT_EQ(p.ChannelColour(14078), BandFromFrequency(14.0f).Colour);
    EXPECT_EQ(p.ChannelColour(14113), kChannelBoxGrey);

    // A channel box's click chooses its entry, unless the entry is disabled.
    f.ChannelBox_Click(10);  // txt14103
    EXPECT_EQ(p.Box(), "14103.0");
    EXPECT_EQ(p.ChannelColour(14078), kChannelBoxGrey);
    f.mnuFrequenciesList[13]->setEnabled(false);
    f.ChannelBox_Click(9);
    EXPECT_EQ(p.Box(), "14103.0");

    // A number too long for a frequency changes nothing; the emptied box counts as 0 kHz.
    f.txtFrecuencia->setText("1000000");
    EXPECT_EQ(p.ShownChannels().size(), 4u);
    f.txtFrecuencia_Click();
    EXPECT_EQ(p.Box(), "");
    EXPECT_TRUE(p.ShownChannels().empty());
    EXPECT_EQ(f.txtFrecuencia->BackColor(), BandFromFrequency(0).Colour);
    EXPECT_FALSE(f.mnuFrequenciesList[14]->isChecked());
    // While a rig drives the box, a click leaves it alone.
    f.txtFrecuencia->setText("7042.0");
    f.SetFrequencyBoxLocked(true);
    f.txtFrecuencia_Click();
    EXPECT_EQ(p.Box(), "7042.0");
}

TEST_F(BandsAndMenus, ArrowsStepThroughTheList) {
    Program p;
    ASSERT_TRUE(p.started);
    frmMain& f = *p.form;
    ASSERT_EQ(p.Box(), "10145.0");
    f.pctFlechaArriba_Click();
    EXPECT_EQ(p.Box(), "14078.0");
    // Without a CAT engine no retune waits, so the rig's frequency is read into the box again.
    EXPECT_EQ(f.tmrCambiarFrecuenciaCAT.Interval(), 0);
    f.pctFlechaAbajo_Click();  // a double click: its first click, then the double click
    f.pctFlechaAbajo_DblClick();
    EXPECT_EQ(p.Box(), "10144.0");
    f.txtFrecuencia->setText("100");
    f.pctFlechaAbajo_Click();
    EXPECT_EQ(p.Box(), "144980.0");
    f.mnuFrequenciesList[1]->setEnabled(false);
    f.pctFlechaArriba_Click();
    EXPECT_EQ(p.Box(), "144980.0");
    f.mnuFrequenciesList[1]->setEnabled(true);

    // Page Up and Page Down in the receive window step as the arrows do.
    for (int key : {Qt::Key_PageUp, Qt::Key_PageUp, Qt::Key_PageDown}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(f.rtfVentanaRX, &press);
    }
    EXPECT_EQ(p.Box(), "136.0");
}

TEST_F(BandsAndMenus, WordPickSendsTheClickedWordToItsField) {
    Program p;
    ASSERT_TRUE(p.started);
    frmMain& f = *p.form;
    frmQsoEntry& contact = p.St().QsoEntry();
    TextWindow& rx = f.RxWindow();
    rx.SetText("EA1ABC, IN80ab Pepe.\r\nqth Madrid");
    auto click = [&](int32_t caret) {
        rx.SetSelStart(caret);
        f.rtfVentanaRX_MouseUp(1, 0, 0, 0);
    };
    click(2);  // the first word, without its comma
    EXPECT_EQ(f.txtDestination->text(), "EA1ABC");
    EXPECT_EQ(rx.SelText(), "EA1ABC");  // it stays selected
    click(10);
    EXPECT_EQ(contact.txtLocator->text(), "IN80ab");
    click(rx.TextLength());  // the last word
    EXPECT_EQ(contact.txtNombre->text(), "Madrid");
    int ctrl = 17;
    f.rtfVentanaRX_KeyDown(ctrl, 2);
    click(10);
    EXPECT_EQ(contact.txtQTH->text(), "IN80ab");  // Ctrl held: the QTH, even for a locator
    rx.SetText("qth M\xE1laga");                  // the modem's Windows-1252, the box's UTF-8
    click(6);
    EXPECT_EQ(contact.txtQTH->text(), QString::fromUtf8("Málaga"));
    f.rtfVentanaRX_KeyUp(ctrl, 0);
    EXPECT_EQ(f.CtrlHeld, 0);

    // A selection, or a click on no word, changes nothing: the name is not emptied.
    rx.SetSelStart(0);
    rx.SetSelLength(4);
    f.rtfVentanaRX_MouseUp(1, 0, 0, 0);
    EXPECT_EQ(rx.SelLength(), 4);
    rx.SetText("EA4XYZ  ");
    click(7);
    EXPECT_EQ(contact.txtNombre->text(), "Madrid");

    // A cluster row holds the program's UTF-8, its positions counting characters: the callsign after
    // two Cyrillic words is the word clicked.
    TextWindow& row = f.ClusterCommentWindow(1);
    row.SetText("Ж Ж EA4XYZ");
    row.SetSelStart(5);
    f.rtfClusterComentario_MouseUp(1, 0, 0, 0);
    EXPECT_EQ(f.txtDestination->text(), "EA4XYZ");
    EXPECT_EQ(row.SelText(), "EA4XYZ");
}

TEST_F(BandsAndMenus, ColourAndFontMenus) {
    Program p;
    ASSERT_TRUE(p.started);
    frmMain& f = *p.form;
    const ColorRef colours[] = {RGB(254, 219, 160), RGB(217, 217, 243), RGB(224, 224, 224),
                                RGB(234, 234, 174), RGB(255, 255, 204), RGB(216, 216, 191),
                                RGB(255, 255, 255)};
    for (int i = 1; i <= 7; ++i) {
        f.mnuColour_Click(i);
        EXPECT_EQ(f.rtfVentanaRX->BackColor(), colours[i - 1]) << i;
        EXPECT_EQ(f.rtfVentanaRX->palette().color(QPalette::Base), ToQColor(colours[i - 1]));
        // The band at the window's top too: the window is one colour.
        const QImage shown = f.rtfVentanaRX->grab().toImage();
        EXPECT_EQ(shown.pixelColor(shown.width() / 2, f.rtfVentanaRX->frameWidth() + 1),
                  ToQColor(colours[i - 1]))
            << i;
        EXPECT_TRUE(f.mnuColour[static_cast<size_t>(i)]->isChecked());
    }
    f.mnuColour_Click(8);
    EXPECT_EQ(f.rtfVentanaRX->BackColor(), colours[6]);

    // The font size: the whole received text takes it, and so does what comes next; the caret and the
    // selection of both windows stay where they were.
    TextWindow& rx = f.RxWindow();
    TextWindow& tx = f.TxWindow();
    rx.SetText("CQ CQ DE EA1ABC");
    rx.SetSelStart(3);
    rx.SetSelLength(2);
    tx.SetText("EA1ABC DE EA4XYZ");
    tx.SetSelStart(6);
    f.mnuFont_Click(3);
    EXPECT_EQ(p.St().shared.RxFontSize, 14);
    EXPECT_TRUE(f.mnuFont[3]->isChecked() && !f.mnuFont[1]->isChecked());
    EXPECT_EQ(rx.SelStart(), 3);
    EXPECT_EQ(rx.SelLength(), 2);
    EXPECT_EQ(tx.SelStart(), 6);
    EXPECT_EQ(tx.SelLength(), 0);
    rx.SetSelStart(rx.TextLength());
    rx.SetSelText(" 73");
    for (int32_t i = 0; i < rx.TextLength(); ++i) {
        rx.SetSelStart(i);
        rx.SetSelLength(1);
        EXPECT_EQ(rx.SelFontSize(), 14) << i;
    }
}

TEST_F(BandsAndMenus, WebPagesAndTheWindowsOfTheMenus) {
    Program p;
    ASSERT_TRUE(p.started);
    frmMain& f = *p.form;
    Station& st = p.St();
    f.mnuSkedsOpcion_Click(1);
    f.mnuSkedsOpcion_Click(2);
    f.mnuSkedsOpcion_Click(3);
    f.mnuSkedsOpcion_Click(4);  // the spot windows open no page
    f.mnuSkedsOpcion_Click(5);
    f.mnuMuvSite_Click();
    f.mnuMuvFacebook_Click();
    f.mnuDonate_Click();
    f.txtDestination->setText("EA8/EA1ABC/P");
    f.imgQRZ_Click();
    const std::vector<std::string>& opened = p.pages.opened;
    ASSERT_EQ(opened.size(), 7u);
    auto endsWith = [](const std::string& s, const std::string& end) {
        return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
    };
    EXPECT_TRUE(endsWith(opened[0],
                         "/pskmap.html?preset&callsign=ZZZZZ&what=all&mode=MUV&timerange=3600&hideunrec=1"));
    EXPECT_TRUE(endsWith(opened[1], "/room307_muv.php"));
    EXPECT_TRUE(endsWith(opened[2], "/muv"));
    EXPECT_NE(opened[4].find("/group.php?gid="), std::string::npos);
    EXPECT_TRUE(endsWith(opened[4], "&v=wall/"));
    EXPECT_EQ(opened[5].rfind("https://", 0), 0u);
    EXPECT_NE(opened[5].find("/cgi-bin/webscr?cmd=_donations&business="), std::string::npos);
    EXPECT_TRUE(endsWith(
        opened[5],
        "&lc=US&no_note=0&currency_code=EUR&bn=PP%2dDonationsBF%3abtn_donateCC_LG%2egif%3aNonHostedGuest"));
    EXPECT_TRUE(endsWith(opened[6], "/callsign/EA1ABC"));
    for (size_t i : {0, 1, 2, 3, 4, 6})
        EXPECT_EQ(opened[i].rfind("http://", 0), 0u) << opened[i];
    f.imgQRZ_MouseMove(0, 0, 1, 1);
    EXPECT_EQ(f.imgQRZ->toolTip(), "qrz/EA1ABC");

    struct Menu {
        void (frmMain::*click)();
        std::function<QWidget&()> window;
    };
    const Menu menus[] = {
        {&frmMain::mnuOperator_Click, [&]() -> QWidget& { return st.settings.Operator(); }},
        {&frmMain::mnuEmail_Click, [&]() -> QWidget& { return st.settings.EmailReport(); }},
        {&frmMain::mnuLog_Click, [&]() -> QWidget& { return st.settings.LogDirectories(); }},
        {&frmMain::mnuEQSL_Click, [&]() -> QWidget& { return st.settings.EqslAccount(); }},
        {&frmMain::mnuRig_Click, [&]() -> QWidget& { return st.rig.Window(); }},
        {&frmMain::mnuTarjetaSonido_Click, [&]() -> QWidget& { return st.SoundCard(); }},
        {&frmMain::mnuUserProfiles_Click, [&]() -> QWidget& { return st.settings.Profiles(); }},
        {&frmMain::mnuScan_Click, [&]() -> QWidget& { return st.settings.Scan(); }},
        {&frmMain::mnuShortcuts_Click, [&]() -> QWidget& { return st.settings.Shortcuts(); }},
        {&frmMain::mnuAbout_Click, [&]() -> QWidget& { return st.settings.About(); }},
    };
    for (const Menu& m : menus) {
        (f.*m.click)();
        EXPECT_TRUE(m.window().isVisible()) << m.window().metaObject()->className();
        m.window().close();
    }
}

TEST_F(BandsAndMenus, PictureButtonsAndTheTransmitWindowsClear) {
    Program p;
    ASSERT_TRUE(p.started);
    frmMain& f = *p.form;
    Transmitter& tx = p.St().transmitter;
    TextWindow& window = f.TxWindow();

    // While a transmission runs only the text not yet sent goes; after it, all.
    window.SetText("CQ CQ DE EA1ABC");
    p.St().shared.TxRxState = 1;
    tx.TxSentPosition = 6;
    tx.TxStopRequest = 0;
    f.MacroClearedTx = 1;
    f.cmdClearVentanaTX_Click();
    EXPECT_EQ(window.Text(), "CQ CQ ");
    EXPECT_EQ(f.MacroClearedTx, 0);
    tx.TxSentPosition = 40;  // more than the window holds
    f.cmdClearVentanaTX_Click();
    EXPECT_EQ(window.Text(), "CQ CQ ");
    tx.TxStopRequest = 2;
    f.cmdClearVentanaTX_Click();
    EXPECT_EQ(window.Text(), "");
    tx.TxStopRequest = 0;
    tx.TxSentPosition = 0;
    p.St().shared.TxRxState = 0;
    f.cmdClearVentanaTX_MouseMove(0, 0, 1, 1);
    EXPECT_EQ(f.cmdClearVentanaTX->toolTip(), "Clear TX Windows");

    // The chat row's clear button hides that row only; the eQSL page goes after its time.
    for (int row : {1, 2})
        for (QWidget* w : f.ClusterRowControls(row)) w->setVisible(true);
    f.pctBorrarMensaje2_Click();
    for (const char* name : {"txtClusterFrecuencia2", "rtfClusterComentario2", "txtClusterHora2",
                             "pctClusterLink2", "pctBorrarMensaje2"})
        EXPECT_FALSE(f.PictureShown(name)) << name;
    EXPECT_TRUE(f.PictureShown("txtClusterFrecuencia"));
    f.WebBrowserEQSL->setVisible(true);
    f.tmrEQSL.SetInterval(5000);
    f.tmrEQSL.SetEnabled(true);
    f.tmrEQSL_Timer();
    EXPECT_FALSE(f.PictureShown("WebBrowserEQSL"));
    EXPECT_FALSE(f.tmrEQSL.Enabled());
}

TEST_F(BandsAndMenus, ASessionStartsWithoutTheLastPartnersDetailsAndKeepsTheRest) {
    std::filesystem::create_directories(SettingsFolder());
    std::ofstream(SettingsFolder() + "/MUV.ini", std::ios::binary)
        << "[ADIF]\r\nEQSL=1\r\nNombre=Pepe\r\nQTH=Madrid\r\nLocator=IN80ab\r\nPosicionVentanaX="
           "120\r\nPosicionVentanaY=300\r\n[EQSL]\r\nPassword=secret\r\n";
    {
        Program p;
        ASSERT_TRUE(p.started);
        const frmQsoEntry& contact = p.St().QsoEntry();
        EXPECT_TRUE(contact.txtNombre->text().isEmpty() && contact.txtQTH->text().isEmpty() &&
                    contact.txtLocator->text().isEmpty());
        EXPECT_TRUE(contact.chkEQSL->isChecked());
        EXPECT_EQ(contact.x(), 120);
    }
    Program again;
    ASSERT_TRUE(again.started);
    EXPECT_TRUE(again.St().QsoEntry().chkEQSL->isChecked());
    EXPECT_EQ(again.St().QsoEntry().y(), 300);
}

// --- against a real rigctld ---

using test::Rigctld;

void EnableCat(Program& p, const std::string& endpoint) {
    frmRig& rig = p.St().rig.Window();
    rig.RigReplyTimeoutMs = 500;
    rig.RigPollIntervalMs = 100;
    rig.txtRigctld1->setText(QString::fromStdString(endpoint));
    rig.chkDisableCAT->setChecked(false);
    rig.chkDisableCAT_Click();
}

// Waits until every request the program queued for the rig before now has reached rigctld: a mode
// change queued behind them has arrived.
bool RigQueueDone(Program& p, Rigctld& rigctld, int32_t mode, const std::string& name) {
    p.St().rig.Window().CurrentRig()->SetMode(mode);
    return RunUntil([&] { return rigctld.Ask("m") == name; }, 5);
}

TEST_F(BandsAndMenus, ScanRetunesTheRigThroughTheTickedEntries) {
    if (!Rigctld::Installed()) GTEST_SKIP() << "no rigctld";
    Rigctld rigctld;
    Program p;
    ASSERT_TRUE(p.started);
    frmMain& f = *p.form;
    Station& st = p.St();
    EnableCat(p, rigctld.Endpoint());
    ASSERT_TRUE(RunUntil([&] { return st.rig.CurrentRigOnline(); }, 8));

    frmScan& scan = st.settings.Scan();
    scan.chkFrecuencias(3)->setChecked(true);
    scan.chkFrecuencias(12)->setChecked(true);
    scan.vsbScan->setValue(290);  // 11 s on each entry
    f.imgScanOFF_Click();
    EXPECT_TRUE(f.PictureShown("imgScanON") && !f.PictureShown("imgScanOFF"));
    ASSERT_TRUE(f.tmrScan.Enabled());
    f.tmrScan.SetEnabled(false);  // its seconds are given here
    EXPECT_TRUE(RunUntil([&] { return rigctld.Ask("f") == "1837000"; }, 5));
    EXPECT_TRUE(RunUntil([&] { return p.Box() == "1837.0"; }, 5)) << "the box follows the rig";
    EXPECT_TRUE(f.mnuFrequenciesList[3]->isChecked());

    for (int second = 10; second >= 1; --second) {
        f.tmrScan_Timer();
        EXPECT_EQ(f.txtTemporizadorScan->text(), QString("Scan: %1").arg(second));
    }
    EXPECT_TRUE(f.PictureShown("txtTemporizadorScan"));
    EXPECT_EQ(f.Scan.ScanIndex, 3);
    f.tmrScan_Timer();
    EXPECT_EQ(f.txtTemporizadorScan->text(), "Scan: 0");
    EXPECT_EQ(f.Scan.ScanIndex, 12);
    EXPECT_TRUE(RunUntil([&] { return rigctld.Ask("f") == "14078000"; }, 5));

    // A frame being received holds the scan for one more dwell.
    for (int second = 10; second >= 1; --second)
        f.tmrScan_Timer();
    st.receiver.RxLocked = 1;
    f.tmrScan_Timer();
    st.receiver.RxLocked = 0;
    EXPECT_EQ(f.Scan.ScanIndex, 12);
    for (int second = 11; second >= 1; --second)
        f.tmrScan_Timer();
    EXPECT_EQ(f.Scan.ScanIndex, 3);
    EXPECT_TRUE(RunUntil([&] { return rigctld.Ask("f") == "1837000"; }, 5));

    // Stopped, it keeps its place; it does not start while transmitting.
    f.imgScanON_Click();
    EXPECT_FALSE(f.tmrScan.Enabled() || f.PictureShown("txtTemporizadorScan"));
    st.shared.TxRxState = 1;
    f.imgScanOFF_Click();
    EXPECT_FALSE(f.tmrScan.Enabled() || f.PictureShown("imgScanON"));
    st.shared.TxRxState = 0;
    f.imgScanOFF_Click();
    EXPECT_EQ(f.Scan.ScanIndex, 12);
    EXPECT_TRUE(RunUntil([&] { return rigctld.Ask("f") == "14078000"; }, 5));
    f.imgScanON_Click();
}

TEST_F(BandsAndMenus, QuickArrowStepsRetuneOnceAndABadBoxNeverRetunes) {
    if (!Rigctld::Installed()) GTEST_SKIP() << "no rigctld";
    Rigctld rigctld;
    Program p;
    ASSERT_TRUE(p.started);
    frmMain& f = *p.form;
    Station& st = p.St();
    EnableCat(p, rigctld.Endpoint());
    ASSERT_TRUE(RunUntil([&] { return st.rig.CurrentRigOnline(); }, 8));
    f.mnuFrequenciesList_Click(8);
    ASSERT_TRUE(RunUntil([&] { return rigctld.Ask("f") == "7042000" && p.Box() == "7042.0"; }, 5));

    // Three steps: the box moves at once, the rig once, when the retune's time comes.
    f.pctFlechaArriba_Click();
    f.pctFlechaArriba_Click();
    f.pctFlechaArriba_Click();
    EXPECT_EQ(p.Box(), "10145.0");
    EXPECT_TRUE(f.tmrCambiarFrecuenciaCAT.Enabled());
    EXPECT_EQ(f.PendingCatFrequency, 10145000);
    ASSERT_TRUE(RigQueueDone(p, rigctld, rigctl::PM_SSB_L, "LSB"));
    EXPECT_EQ(rigctld.Ask("f"), "7042000");
    f.tmrCambiarFrecuenciaCAT_Timer();
    EXPECT_FALSE(f.tmrCambiarFrecuenciaCAT.Enabled());
    EXPECT_EQ(f.tmrCambiarFrecuenciaCAT.Interval(), 0);
    EXPECT_TRUE(RunUntil([&] { return rigctld.Ask("f") == "10145000"; }, 5));

    // The transmit button tunes the rig to the box: never to a box that holds no frequency. The keying
    // fails here (a DDS box without a port), so nothing is sent.
    st.rig.Window().optDDS->setChecked(true);
    int32_t mode = rigctl::PM_SSB_U;
    for (const char* text : {"", "abc", "7042abc", "2000000", "-14101", "0"}) {
        f.txtFrecuencia->setText(text);
        f.cmdTX_RX_Click();
        ASSERT_EQ(st.shared.TxRxState, 0);
        ASSERT_TRUE(RigQueueDone(p, rigctld, mode, mode == rigctl::PM_SSB_U ? "USB" : "LSB")) << text;
        EXPECT_EQ(rigctld.Ask("f"), "10145000") << '"' << text << '"';
        mode = mode == rigctl::PM_SSB_U ? rigctl::PM_SSB_L : rigctl::PM_SSB_U;
    }
    f.txtFrecuencia->setText("14101.5");
    f.cmdTX_RX_Click();
    EXPECT_TRUE(RunUntil([&] { return rigctld.Ask("f") == "14101500"; }, 5));
    EXPECT_EQ(p.boxes.shown.back().text, "Select a COM Port");
}

}  // namespace
}  // namespace muv
