#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/message_box.h"
#include "common/shared_state.h"
#include "common/window_controls.h"
#include "platform/private_profile.h"
#include "rig/frmRig.h"
#include "rig/frmRigSetup.h"
#include "rig/tests/rig_peers.h"
#include "test_support/recording_fakes.h"

namespace muv {
namespace {

using namespace rigctl;

struct RecordingHost : RigWindowHost {
    int scanStops = 0, failureTails = 0;
    bool locked = false, scanMenu = true;
    void imgScanON_Click() override { ++scanStops; }
    void SetFrequencyBoxLocked(bool value) override { locked = value; }
    void SetScanMenuEnabled(bool value) override { scanMenu = value; }
    void KeyingFailureTail() override { ++failureTails; }
    void RigFrequencyRead() override {}
    void StopUnkeyedTransmission() override {}
    void StopKeyLostTransmission() override {}
    void ShowPttKeyed(bool) override {}
};

using test::RecordingBoxes;
using test::RecordingPages;

class RigWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureApplication(); }
    void SetUp() override {
        window =
            std::make_unique<frmRig>(RigWindowLinks{controls, shared, host, boxes, pages, store, &texts});
        window->RigPollIntervalMs = 100;
        window->RigReplyTimeoutMs = 1000;
    }
    std::string Status() const { return window->Label8->text().toStdString(); }
    std::string FrequencyBox() const { return controls.Text(Control::txtFrecuencia); }
    // Loads with CAT on, rig 1 selected and keying by CAT.
    void LoadWithCat(const std::string& rig1, const std::string& rig2) {
        store.Write("RIG", "Rigctld1", rig1);
        store.Write("RIG", "Rigctld2", rig2);
        store.Write("RIG", "Enable CAT", "0");
        store.Write("RIG", "PTT", "1");
        window->Form_Load();
    }
    void ExpectKeyingFails(const std::string& text, const std::string& title) {
        boxes.shown.clear();
        const int tails = host.failureTails;
        EXPECT_EQ(window->CAT_PTT_TX(), 0);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, text);
        EXPECT_EQ(boxes.shown[0].title, title);
        EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Critical);
        EXPECT_EQ(host.failureTails, tails + 1);
    }

    MemoryProfileStore store;
    MemoryWindowControls controls;
    SharedState shared;
    RecordingHost host;
    RecordingBoxes boxes;
    RecordingPages pages;
    InterfaceTexts texts;
    std::unique_ptr<frmRig> window;
};

TEST_F(RigWindow, OnlineRigDrivesTheFrequencyBoxAndIsKeyedAndTuned) {
    if (!Rigctld::Installed()) GTEST_SKIP() << "/usr/bin/rigctld is not installed";
    Rigctld rig1, rig2;
    LoadWithCat(rig1.Endpoint(), rig2.Endpoint());
    ASSERT_TRUE(WaitFor([&] { return Status() == " Rig online"; })) << Status();
    EXPECT_EQ(window->Label8BackColor(), kStatusGreen);
    EXPECT_TRUE(controls.Visible(Control::fraScan));
    EXPECT_TRUE(host.locked);
    EXPECT_TRUE(host.scanMenu);
    EXPECT_TRUE(WaitFor([&] { return FrequencyBox() == "145000.0"; }));
    EXPECT_EQ(window->CatFrequencyHz, 145000000);
    EXPECT_TRUE(WaitFor([&] { return window->optRig1->text() == "Hamlib Dummy"; }));
    // The other rig follows only once it is online too (a rigctld may take a moment to listen).
    ASSERT_TRUE(WaitFor([&] { return window->OmniRigEngine()->Rig2().Status() == ST_ONLINE; }));

    EXPECT_EQ(window->CAT_PTT_TX(), 1);
    EXPECT_TRUE(WaitFor([&] { return window->CurrentRig()->Tx() == PM_TX; }));
    window->CAT_PTT_RX();
    EXPECT_TRUE(WaitFor([&] { return window->CurrentRig()->Tx() == PM_RX; }));
    EXPECT_TRUE(boxes.shown.empty());

    // One decimal of kHz, rounded; the other rig follows.
    int32_t hz = 14070040;
    window->CambiarFrecuencia(hz);
    EXPECT_TRUE(WaitFor([&] { return FrequencyBox() == "14070.0"; })) << FrequencyBox();
    EXPECT_TRUE(WaitFor([&] { return window->OmniRigEngine()->Rig2().Freq() == 14070040; }));
    hz = 14070060;
    window->CambiarFrecuencia(hz);
    EXPECT_TRUE(WaitFor([&] { return FrequencyBox() == "14070.1"; })) << FrequencyBox();

    // While transmitting the box and CatFrequencyHz stay; the end of the transmission re-reads.
    shared.TxRxState = 1;
    window->ProtejerOpcionesRig();
    EXPECT_FALSE(window->cboCOM->isEnabled());
    hz = 7074000;
    window->CambiarFrecuencia(hz);
    EXPECT_TRUE(WaitFor([&] { return window->CurrentRig()->Freq() == 7074000; }));
    RunEvents(300);
    EXPECT_EQ(FrequencyBox(), "14070.1");
    EXPECT_EQ(window->CatFrequencyHz, 14070060);
    shared.TxRxState = 0;
    window->ActivarOpcionesRig();
    EXPECT_TRUE(window->cboCOM->isEnabled());
    EXPECT_EQ(FrequencyBox(), "7074.0");

    // A report while a deferred retune is pending is not shown.
    controls.Manual(TimerId::tmrCambiarFrecuenciaCAT).SetInterval(300);
    hz = 3573000;
    window->CambiarFrecuencia(hz);
    EXPECT_TRUE(WaitFor([&] { return window->CurrentRig()->Freq() == 3573000; }));
    RunEvents(300);
    EXPECT_EQ(FrequencyBox(), "7074.0");
}

TEST_F(RigWindow, OfflineRigFailsKeyingWithItsStatusAndNeverTunesTheOtherRigToZero) {
    if (!Rigctld::Installed()) GTEST_SKIP() << "/usr/bin/rigctld is not installed";
    Rigctld rig2;
    const std::string nothing = Loopback(FreePort());
    LoadWithCat(nothing, rig2.Endpoint());
    const std::string offline = "rigctld not running on " + nothing;
    ASSERT_TRUE(WaitFor([&] { return Status() == " " + offline; })) << Status();
    EXPECT_EQ(window->Label8BackColor(), kStatusRed);
    EXPECT_FALSE(controls.Visible(Control::fraScan));
    EXPECT_FALSE(host.locked);
    ExpectKeyingFails(offline, "CAT Error");

    RigEngine* engine = window->OmniRigEngine();
    ASSERT_TRUE(WaitFor([&] { return engine->Rig2().Status() == ST_ONLINE; }));
    int32_t hz = 0;  // what an empty frequency box gives
    window->CambiarFrecuencia(hz);
    RunEvents(500);
    EXPECT_EQ(engine->Rig2().Freq(), 145000000);
    EXPECT_EQ(window->CatFrequencyHz, 0);
}

TEST_F(RigWindow, CatDisabledByDefault) {
    window->Form_Load();
    EXPECT_EQ(window->cboCOM->count(), 21);
    EXPECT_EQ(window->cboCOM->itemText(0), "NO COM");
    EXPECT_EQ(window->cboCOM->itemText(20), "COM20");
    EXPECT_TRUE(window->chkDisableCAT->isChecked());
    EXPECT_EQ(window->OmniRigEngine(), nullptr);
    EXPECT_EQ(Status(), " CAT DISABLED");
    EXPECT_EQ(window->Label8BackColor(), kStatusGrey);
    EXPECT_GE(host.scanStops, 1);
    EXPECT_TRUE(window->optDDSManual->isChecked());
    EXPECT_FALSE(window->optDDSCAT->isEnabled());
    EXPECT_TRUE(window->optNOCAT->isChecked());
    EXPECT_EQ(window->fraPTTNOCAT->title(), "PTT Via pin COM");
    ExpectKeyingFails("CAT disabled", "PTT Error");
    window->CAT_PTT_RX();
    int32_t hz = 14070000;
    window->CambiarFrecuencia(hz);
    EXPECT_EQ(window->CatFrequencyHz, 0);
}

TEST_F(RigWindow, PeerOutsideTheRigctldProtocolLeavesNoEngine) {
    LoopbackPeer foreign("HTTP/1.0 400 Bad Request\r\n");
    LoadWithCat(foreign.Endpoint(), "");
    ASSERT_TRUE(WaitFor([&] { return window->OmniRigEngine() == nullptr; }));
    EXPECT_EQ(window->CurrentRig(), nullptr);
    // The status names what MUV uses and what to change.
    const std::string why =
        foreign.Endpoint() + " does not answer the rigctld protocol: correct the rig's rigctld address";
    EXPECT_EQ(Status(), " " + why);
    EXPECT_EQ(window->Label8BackColor(), kStatusRed);
    // The rig set-up is MUV's own and needs no engine.
    EXPECT_TRUE(window->cmdConfigureRig->isEnabled());
    ExpectKeyingFails(why, "CAT Error");
    window->CAT_PTT_RX();  // no rig to release: nothing happens
    int32_t hz = 14070000;
    window->CambiarFrecuencia(hz);
    RunEvents(100);

    // The corrected address is taken at once, without switching CAT off and on; the rig online is told
    // in the interface language.
    if (!Rigctld::Installed()) return;
    Rigctld rigctld;
    texts.TxtRigOnline = "TRX verbunden";
    window->txtRigctld1->setText(QString::fromStdString(rigctld.Endpoint()));
    window->txtRigctld_Change(1);
    EXPECT_TRUE(WaitFor([&] { return Status() == " TRX verbunden"; })) << Status();
    EXPECT_EQ(window->Label8BackColor(), kStatusGreen);
}

TEST_F(RigWindow, SettingsRoundTripAndAnInvalidDdsFrequency) {
    // As the program on Windows writes the section (another profile's sections do not matter: the rig
    // is shared by all); a damaged "PTT" selects the DDS box, as any value other than 1 to 3 does.
    store = MemoryProfileStore(
        "[RIG2]\r\nPTT=1\r\n[RIG]\r\nEmisora1=Main rig\r\nFrecuencia USB=14o70000\r\nPTT=7\r\n"
        "Rig Number=2\r\nPuerto COM= 3\r\nPin=2\r\nModo=1\r\nEnable CAT=1\r\n");
    store.SetProfileSuffix("2");
    window->Form_Load();
    EXPECT_EQ(window->cboCOM->count(), 21);
    EXPECT_TRUE(window->optDDS->isChecked());
    EXPECT_EQ(window->fraPTTNOCAT->title(), "DDS Setup");
    EXPECT_TRUE(window->fraPin->isHidden());
    EXPECT_TRUE(window->optRig2->isChecked());
    EXPECT_EQ(window->optRig1->text(), "Main rig");
    window->cmdOK_Click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "DDS Frequency not valid");
    EXPECT_EQ(boxes.shown[0].title, "DDS Frequency Error");
    auto stored = [this](const char* key) { return store.Read("RIG", key, 50).value_or(""); };
    EXPECT_EQ(stored("Frecuencia USB"), "");
    EXPECT_EQ(stored("PTT"), "4");
    EXPECT_EQ(stored("Rig Number"), "2");
    EXPECT_EQ(stored("Puerto COM"), "3");
    EXPECT_EQ(stored("Pin"), "2");
    EXPECT_EQ(stored("Modo"), "1");
    EXPECT_EQ(stored("DDS Option"), "2");
    EXPECT_EQ(stored("Rigctld1"), "localhost:4532");
    EXPECT_EQ(store.Read("RIG2", "PTT", 50), "1");
    // The two links open their pages when clicked.
    QTest::mouseClick(window->Image1, Qt::LeftButton);
    QTest::mouseClick(window->Label2, Qt::LeftButton);
    EXPECT_EQ(pages.opened.size(), 2u);
}

// Clicks the rig window's "Configure CAT" and works the set-up dialog it opens; the dialog is closed by
// Esc if the work leaves it open.
void WorkRigSetup(frmRig& window, const std::function<void(frmRigSetup&)>& work) {
    bool opened = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = dynamic_cast<frmRigSetup*>(QApplication::activeModalWidget());
        if (!dialog) return;
        opened = true;
        work(*dialog);
        if (dialog->isVisible()) QTest::keyClick(dialog, Qt::Key_Escape);
    });
    QTest::mouseClick(window.cmdConfigureRig, Qt::LeftButton);
    EXPECT_TRUE(opened);
}

// Rig 1 set up as Hamlib's dummy keyed by CAT (arguments that rigctld must not be given are not taken),
// with CAT still off; once CAT is on, the rig is reached and keyed through the rigctld that MUV starts for
// it, and that rigctld goes with the window.
TEST_F(RigWindow, ARigSetUpInTheDialogIsReachedThroughTheRigctldMuvStarts) {
    if (!Rigctld::Installed() || !QFile::exists("/usr/bin/rigctl")) GTEST_SKIP() << "Hamlib is not installed";
    const uint16_t port = FreePort();
    store.Write("RIG", "Rigctld1", Loopback(port));
    window->Form_Load();
    window->show();
    WorkRigSetup(*window, [](frmRigSetup& dialog) {
        const frmRigSetup::RigTab& rig = dialog.Rig[0];
        QTest::keyClicks(rig.txtFilter, "dummy");
        QListWidgetItem* dummy = nullptr;
        for (int i = 0; i < rig.lstRig->count(); ++i) {
            QListWidgetItem* item = rig.lstRig->item(i);
            if (item->isHidden()) continue;
            EXPECT_TRUE(i == 0 || item->text().contains("dummy", Qt::CaseInsensitive))
                << item->text().toStdString();
            if (item->text() == "Hamlib Dummy (#1)") dummy = item;
        }
        ASSERT_NE(dummy, nullptr);
        rig.lstRig->scrollToItem(dummy);
        QTest::mouseClick(rig.lstRig->viewport(), Qt::LeftButton, {},
                          rig.lstRig->visualItemRect(dummy).center());
        ASSERT_EQ(rig.lstRig->currentItem(), dummy);
        ASSERT_EQ(rig.cboPtt->currentText(), "CAT (RIG)");  // keyed as its rig file keys it
        // A value left out: rigctld would take MUV's own options for it.
        QTest::keyClicks(rig.txtArguments, "-p");
        QTest::mouseClick(dialog.cmdOK, Qt::LeftButton);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.lblRefused->text().toStdString(),
                  "Rig 1: rigctld would not be started: the option -p needs a value");
        rig.txtArguments->clear();
        QTest::mouseClick(dialog.cmdOK, Qt::LeftButton);
    });
    auto stored = [this](const char* key) { return store.Read("RIG", key, 260).value_or(""); };
    EXPECT_EQ(stored("Rig1Model"), "1");
    EXPECT_EQ(stored("Rig1Ptt"), "RIG");
    EXPECT_EQ(stored("Rig1Device"), "");
    EXPECT_EQ(stored("Rig2Model"), "");
    EXPECT_EQ(window->txtRigctld1->text().toStdString(), Loopback(port));

    QTest::mouseClick(window->chkDisableCAT, Qt::LeftButton);
    ASSERT_FALSE(window->chkDisableCAT->isChecked());
    ASSERT_TRUE(WaitFor([&] { return Status() == " Rig online"; })) << Status();
    EXPECT_EQ(window->CAT_PTT_TX(), 1);
    EXPECT_TRUE(WaitFor([&] { return RigctldPtt(port) == 1; }, 3000));
    window->CAT_PTT_RX();
    EXPECT_TRUE(WaitFor([&] { return RigctldPtt(port) == 0; }, 3000));

    // Opened again, the dialog shows the rig as set up.
    WorkRigSetup(*window, [](frmRigSetup& dialog) {
        EXPECT_EQ(dialog.Rig[0].lstRig->currentItem()->text(), "Hamlib Dummy (#1)");
        EXPECT_EQ(dialog.Rig[0].cboPtt->currentText(), "CAT (RIG)");
        EXPECT_EQ(dialog.Rig[0].cboDevice->currentText(), "(none)");
        EXPECT_EQ(dialog.Rig[1].lstRig->currentItem()->text(), "(no rig)");
        QTest::mouseClick(dialog.cmdCancel, Qt::LeftButton);
    });

    window.reset();
    EXPECT_TRUE(WaitFor([&] { return test::AskRigctld(port, "t") == "no answer"; }, 5000));
}

// rigctld goes away right after the transmitter was keyed: the release cannot be confirmed, and the
// operator is told that the radio may still be on the air.
TEST_F(RigWindow, AnUnconfirmedReleaseIsToldToTheOperator) {
    if (!Rigctld::Installed()) GTEST_SKIP() << "/usr/bin/rigctld is not installed";
    Rigctld rig1;
    LoadWithCat(rig1.Endpoint(), "");
    ASSERT_TRUE(WaitFor([&] { return Status() == " Rig online"; })) << Status();
    window->OmniRigEngine()->SetReleaseConfirmTimeout(300);
    EXPECT_EQ(window->CAT_PTT_TX(), 1);
    ASSERT_TRUE(WaitFor([&] { return window->CurrentRig()->Tx() == PM_TX; }));
    rig1.Stop();
    window->CAT_PTT_RX();
    ASSERT_TRUE(WaitFor([&] { return !boxes.shown.empty(); }, 3000));
    EXPECT_EQ(boxes.shown[0].title, "CAT Error");
    EXPECT_NE(boxes.shown[0].text.find("The transmitter may still be keyed"), std::string::npos)
        << boxes.shown[0].text;
    EXPECT_TRUE(window->CurrentRig()->ReleasePending());
    // Back, it takes the release that was owed.
    rig1.Start();
    EXPECT_TRUE(WaitFor([&] { return !window->CurrentRig()->ReleasePending(); }, 5000));
}

// The PTT box keeps its height whatever else the window shows: the keying frame hidden by a keying
// that needs none, a status long enough to take several lines. The window takes the size its contents
// need, the whole status included.
TEST_F(RigWindow, ThePttBoxKeepsItsHeightAndTheWindowFollowsItsContents) {
    window->Form_Load();
    window->show();
    RunEvents(50);
    const int ptt = window->fraSeleccionarPTT->height();
    const int high = window->height();
    QTest::mouseClick(window->optCAT, Qt::LeftButton);
    RunEvents(50);
    EXPECT_EQ(window->fraSeleccionarPTT->height(), ptt);
    EXPECT_LT(window->height(), high);

    LoopbackPeer foreign("HTTP/1.0 400 Bad Request\r\n");
    window->txtRigctld1->setText(QString::fromStdString(foreign.Endpoint()));
    QTest::mouseClick(window->chkDisableCAT, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return window->OmniRigEngine() == nullptr && Status().size() > 60; }))
        << Status();
    RunEvents(50);
    EXPECT_EQ(window->fraSeleccionarPTT->height(), ptt);
    EXPECT_GE(window->Label8->height(), window->Label8->heightForWidth(window->Label8->width()));
    EXPECT_GT(window->Label8->height(), window->Label8->fontMetrics().height()) << "the status takes lines";

    QTest::mouseClick(window->optNOCAT, Qt::LeftButton);
    QTest::mouseClick(window->chkDisableCAT, Qt::LeftButton);
    RunEvents(50);
    EXPECT_EQ(Status(), " CAT DISABLED");
    EXPECT_EQ(window->fraSeleccionarPTT->height(), ptt);
    EXPECT_EQ(window->height(), high);
}

}  // namespace
}  // namespace muv
