// The macro labels of the main window: what each puts into the transmit window and where, the own
// locator's check, the repeat macro, the keys F1 to F10, the labels as the macros window paints them,
// and a macro used while a transmission takes its text from the window.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

#include "common/memory_text_window.h"
#include "platform/memory_sound.h"
#include "platform/wav_sound.h"
#include "receiver/offline_receiver.h"
#include "session/frmMain.h"
#include "session/macro_text.h"
#include "session/program_start.h"
#include "session/station.h"
#include "settings/frmMacros.h"
#include "settings/frmOperator.h"
#include "test_support/qt_app.h"
#include "test_support/recording_fakes.h"
#include "test_support/scratch_folder.h"

namespace muv {
namespace {

using test::RunUntil;

// --- the expansion and the insertion, on their own ---

TEST(MacroText, PlaceholdersAreReplacedInOrderCaseSensitivelyWithABlankAfter) {
    MacroValues v;
    v.callsign = "EA4ABC";
    v.name = "<QTH>";  // a later placeholder in a value is replaced by its own step
    v.email = "ea4abc@example.org";
    v.qth = "Madrid <MYCALL>";  // an earlier one is not
    v.locator = "IN80dk";
    v.version = "MUV v5.8.4 Beta";
    v.destination = "G4XYZ";
    EXPECT_EQ(ExpandMacroText("<NAME>, <mycall> <MYCALL><MYCALL>", v),
              "Madrid <MYCALL>, <mycall> EA4ABCEA4ABC ");
    EXPECT_EQ(ExpandMacroText("QTH <LOCATOR>", v), "QTH  IN80dk ");
    EXPECT_EQ(ExpandMacroText("<SN>", v), "S/N: x dB, Marge: x dB ");
    EXPECT_EQ(ExpandMacroText("<DESTINATION> de <MYCALL> <VER> <EMAIL>", v),
              "G4XYZ de EA4ABC MUV v5.8.4 Beta ea4abc@example.org ");
    v.snText = "+7";
    v.marginText = "-3";
    v.destination = "<SN>";  // replaced after the S/N: stays
    EXPECT_EQ(ExpandMacroText("<SN> <DESTINATION>", v), "S/N: +7 dB, Marge: -3 dB <SN> ");
    EXPECT_EQ(ExpandMacroText("", v), " ");
}

TEST(MacroText, TextSentAlreadyIsNeverChanged) {
    MemoryTextWindow tx;
    const auto reset = [&](const std::string& text, int start, int length) {
        tx.SetText(text);
        tx.SetSelStart(start);
        tx.SetSelLength(length);
    };
    // Three characters taken: emptying keeps them, the caret and the selection start after them.
    reset("abcdef", 1, 0);
    EXPECT_TRUE(PutMacroText(tx, "X ", MacroPlace::Caret, true, 3));
    EXPECT_EQ(tx.Text(), "abcX ");
    reset("abcdef", 1, 3);
    PutMacroText(tx, "X", MacroPlace::Caret, false, 3);
    EXPECT_EQ(tx.Text(), "abcXef") << "only the unsent part of the selection is replaced";
    reset("abcdef", 4, 0);
    PutMacroText(tx, "X", MacroPlace::Caret, false, 3);
    EXPECT_EQ(tx.Text(), "abcdXef");
    // A send position beyond the text (the operator cut it) protects the whole text.
    reset("ab", 0, 0);
    PutMacroText(tx, "X", MacroPlace::Caret, true, 9);
    EXPECT_EQ(tx.Text(), "abX");

    // Sent text is red; the macro's is black.
    reset("abc", 0, 3);
    tx.SetSelColor(kRed);
    tx.SetSelStart(3);
    PutMacroText(tx, "X", MacroPlace::Caret, false, 3);
    tx.SetSelStart(3);
    tx.SetSelLength(1);
    EXPECT_EQ(tx.SelColor(), kBlack);
}

// --- on the program ---

struct Program {
    explicit Program(std::unique_ptr<SoundOutputDevice> out = std::make_unique<MemorySoundOutput>()) {
        auto in = std::make_unique<MemorySoundInput>(std::vector<int16_t>(10 * kSampleRate, 0));
        station = std::make_unique<Station>(
            SoundDevices{std::move(in), std::move(out), [] { return std::vector<std::string>{"Line in"}; },
                         [] { return std::vector<std::string>{"Speakers"}; }},
            &boxes);
        form = &station->form;
        EXPECT_TRUE(Main(*form));
        form->ApplicationActive = [] { return true; };
    }
    ~Program() {
        if (form && !form->ProgramEnded()) form->Form_Unload();
    }
    Station& St() { return *station; }
    frmMacros& Macros() { return St().settings.Macros(); }
    // The operator's data and the partner.
    void SetOperator() {
        frmOperator& op = St().settings.Operator();
        op.txtCallsign->setText("EA4ABC");
        op.txtName->setText("Jose");
        op.txtEmail->setText("ea4abc@example.org");
        op.txtQTH->setText("Madrid");
        op.txtLocator->setText("IN80dk");
        form->txtDestination->setText("G4XYZ");
    }
    // The transmit window holds text, with the caret and selection given.
    void SetTx(const std::string& text, int start = 0, int length = 0) {
        TextWindow& tx = form->TxWindow();
        tx.SetText(text);
        tx.SetSelStart(start);
        tx.SetSelLength(length);
    }
    std::string Tx() { return form->TxWindow().Text(); }
    void Key(int key, bool autoRepeat = false) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(), autoRepeat);
        QApplication::sendEvent(form->rtfVentanaTX, &press);
    }

    test::RecordingBoxes boxes;
    std::unique_ptr<Station> station;
    frmMain* form = nullptr;
};

// What each label (by its number) puts in with the default macros and the data of SetOperator().
const char* const kExpanded[17] = {
    nullptr,
    "CQ  CQ  de  EA4ABC  EA4ABC in IN80dk ",
    "G4XYZ de EA4ABC ",
    "My name is Jose, my QTH is Madrid, Locator: IN80dk ",
    "tnx fer MUV QSO, 73. G4XYZ de EA4ABC sk ",
    "Station: MUV v5.8.4 Beta. 100 W, dipole ",
    "S/N: x dB, Marge: x dB ",
    "QSL via e-qsl or direct ",
    " ",
    "CQ DX CQ DX more than 4000 Kms de  EA4ABC  EA4ABC in IN80dk ",
    "G4XYZ  de  EA4ABC  EA4ABC in IN80dk ",
    "Mi nombre es Jose, mi QTH es Madrid, Locator: IN80dk ",
    "Gracias compa\xF1"
    "ero, 73 y buena suerte. G4XYZ de EA4ABC sk ",
    " IN80dk ea4abc@example.org ",
    "RST 599 599 ",
    "QRZ? QRZ? de EA4ABC pse agn ",
    nullptr,
};

const char* const kNames[17] = {nullptr,   "lblCQ",    "lblCall",   "lblMe",   "lblBye",   "lblStation",
                                "lblSN",   "lblQSL",   "lblCustom", "lblCQDX", "lblCALL2", "lblMe2",
                                "lblBye2", "lblEmail", "lblRST599", "lblQRZ",  "lblRepeat"};

class Macros : public test::QtAppTest {};

TEST_F(Macros, EveryLabelPutsItsExpandedMacroWhereTheMacroGoes) {
    Program p;
    frmMain& f = *p.form;
    p.SetOperator();
    p.Macros().txtStation->setText("100 W, dipole");
    for (int label = 1; label <= 15; ++label) {
        p.SetTx("hello", 0);
        f.MacroClearedTx = 0;
        f.MacroLabel_Click(label);
        // CQ, CQ DX, CALLx2 and QRZ empty the window first by default; the others add at the end.
        const bool cleared = label == 1 || label == 9 || label == 10 || label == 15;
        EXPECT_EQ(p.Tx(), (cleared ? "" : "hello") + std::string(kExpanded[label])) << "label " << label;
        EXPECT_EQ(f.MacroClearedTx, cleared ? 1 : 0) << "label " << label;
        // The tool tip shows what a click puts in.
        f.MacroLabel_MouseMove(label, 0, 0, 1, 1);
        EXPECT_EQ(QStringToCp1252(f.FindControl(kNames[label])->toolTip()), kExpanded[label])
            << kNames[label];
    }
    EXPECT_EQ(QStringToCp1252(f.lblEmail->toolTip()), kExpanded[13]);
    EXPECT_TRUE(p.boxes.shown.empty());

    // Without "empty first", CQ replaces the selection at the caret; CALL adds at the end and leaves it.
    p.Macros().chkCQ->setChecked(false);
    p.SetTx("hello", 2, 2);
    f.MacroLabel_Click(1);
    EXPECT_EQ(p.Tx(), "he" + std::string(kExpanded[1]) + "o");
    p.SetTx("hello", 2, 2);
    f.MacroLabel_Click(2);
    EXPECT_EQ(p.Tx(), "hello" + std::string(kExpanded[2]));
    // A macro reads the window afresh: an edited text counts at once, unsaved.
    p.Macros().txtCALL->setText("<DESTINATION> <DESTINATION> de <MYCALL> <SN>");
    p.SetTx("");
    f.txtDestination->setText("F5AB");
    f.MacroLabel_Click(2);
    EXPECT_EQ(p.Tx(), "F5AB F5AB de EA4ABC S/N: x dB, Marge: x dB ");

    // Once a message has given an S/N, the receiver's figures stand in.
    f.lblSN->setEnabled(true);
    p.St().receiver.SnDb = 7;
    std::string sn, margin;
    p.St().receiver.FormatSnAndFadeMargin(sn, margin);
    p.SetTx("");
    f.MacroLabel_Click(6);
    EXPECT_EQ(p.Tx(), "S/N: +7 dB, Marge: " + margin + " dB ");
}

TEST_F(Macros, AnInvalidOwnLocatorRefusesTheMacrosAndOpensTheOperatorWindow) {
    Program p;
    frmMain& f = *p.form;
    p.SetOperator();
    p.St().settings.Operator().txtLocator->setText("IN80");
    p.SetTx("hello", 0);
    f.MacroLabel_Click(1);
    f.MacroLabel_Click(13);
    EXPECT_EQ(p.Tx(), "hello");
    ASSERT_EQ(p.boxes.shown.size(), 2u);
    EXPECT_EQ(p.boxes.shown[0].text, "Locator not valid");
    EXPECT_EQ(p.boxes.shown[0].title, "Locator Error");
    EXPECT_EQ(p.boxes.shown[0].icon, BoxIcon::Critical);
    EXPECT_TRUE(p.St().settings.Operator().isVisible());

    // Hovering still shows the text, a right click still opens the macros window, and the repeat
    // macro needs no locator.
    f.MacroLabel_MouseMove(2, 0, 0, 1, 1);
    EXPECT_EQ(FromQString(f.lblCall->toolTip()), kExpanded[2]);
    f.MacroLabel_MouseDown(2, 1, 0, 1, 1);
    EXPECT_FALSE(p.Macros().isVisible());
    f.MacroLabel_MouseDown(2, 2, 0, 1, 1);
    EXPECT_TRUE(p.Macros().isVisible());
    f.LastTxText = "CQ TEST";
    f.MacroLabel_Click(16);
    EXPECT_EQ(p.Tx(), "CQ TEST");
    EXPECT_EQ(p.boxes.shown.size(), 2u);
}

// The operator's data and the macro texts are the program's text, the transmit window holds the modem's:
// a letter that Windows-1252 has goes in as its code; one it lacks (the Hungarian "ő", Cyrillic) has no
// varicode and is left out, rather than sent as a '?' that nobody typed. The tool tip shows what goes in.
TEST_F(Macros, LettersGoInAsTheModemsCodesAndThoseItLacksAreLeftOut) {
    Program p;
    frmMain& f = *p.form;
    p.SetOperator();
    frmOperator& op = p.St().settings.Operator();
    op.txtName->setText(QString::fromUtf8("José"));
    op.txtQTH->setText(QString::fromUtf8("Győr"));
    p.SetTx("");
    QTest::mouseClick(f.lblMe, Qt::LeftButton);
    EXPECT_EQ(p.Tx(), "My name is Jos\xE9, my QTH is Gyr, Locator: IN80dk ");
    f.MacroLabel_MouseMove(3, 0, 0, 1, 1);
    EXPECT_EQ(f.lblMe->toolTip(), QString::fromUtf8("My name is José, my QTH is Gyr, Locator: IN80dk "));

    p.Macros().txtCustom->setText(QString::fromUtf8("73 de Győr € Привет"));
    p.SetTx("");
    QTest::mouseClick(f.lblCustom, Qt::LeftButton);
    EXPECT_EQ(p.Tx(), "73 de Gyr \x80  ");
    EXPECT_TRUE(p.boxes.shown.empty());
}

TEST_F(Macros, RepeatPutsTheLastTransmissionBackButNotWhileTransmitting) {
    Program p;
    frmMain& f = *p.form;
    p.SetTx("hello", 2);
    f.MacroLabel_Click(16);
    EXPECT_EQ(p.Tx(), "") << "nothing sent yet";
    f.LastTxText = "CQ\r\nDE EA4ABC <SN>";
    f.MacroClearedTx = 0;
    f.MacroLabel_Click(16);
    EXPECT_EQ(p.Tx(), "CQ\r\nDE EA4ABC <SN>");
    EXPECT_EQ(f.TxWindow().SelStart(), f.TxWindow().TextLength());
    EXPECT_EQ(f.MacroClearedTx, 0);
    f.MacroLabel_MouseMove(16, 0, 0, 1, 1);
    EXPECT_EQ(f.lblRepeat->toolTip(), QStringLiteral("CQ\nDE EA4ABC <SN>"));

    p.SetTx("being sent");
    p.St().shared.TxRxState = 1;
    f.MacroLabel_Click(16);
    p.St().shared.TxRxState = 0;
    EXPECT_EQ(p.Tx(), "being sent");
}

TEST_F(Macros, TheKeysF1ToF10ActOncePerPress) {
    Program p;
    frmMain& f = *p.form;
    p.SetOperator();
    p.Macros().txtStation->setText("100 W, dipole");
    f.lblSN->setEnabled(true);  // F9 only once an S/N is known
    p.St().receiver.SnDb = 7;
    std::string sn, margin;
    p.St().receiver.FormatSnAndFadeMargin(sn, margin);
    ASSERT_EQ(p.St().shared.BandClass, 2);  // F2 in HF
    const struct {
        int key, label;
    } keys[] = {{Qt::Key_F1, 1}, {Qt::Key_F2, 10}, {Qt::Key_F3, 2},  {Qt::Key_F4, 3}, {Qt::Key_F5, 5},
                {Qt::Key_F6, 4}, {Qt::Key_F7, 8},  {Qt::Key_F8, 13}, {Qt::Key_F9, 6}, {Qt::Key_F10, 7}};
    for (const auto& k : keys) {
        p.SetTx("");
        // A key held down repeats: still one press.
        p.Key(k.key);
        p.Key(k.key, true);
        p.Key(k.key, true);
        f.tmrTeclas_Timer();
        f.tmrTeclas_Timer();
        const std::string expected =
            k.label == 6 ? "S/N: +7 dB, Marge: " + margin + " dB " : std::string(kExpanded[k.label]);
        EXPECT_EQ(p.Tx(), expected) << "F" << k.key - Qt::Key_F1 + 1;
    }
    // Pressed again, it acts again.
    p.SetTx("");
    p.Key(Qt::Key_F3);
    f.tmrTeclas_Timer();
    p.Key(Qt::Key_F3);
    f.tmrTeclas_Timer();
    EXPECT_EQ(p.Tx(), std::string(kExpanded[2]) + kExpanded[2]);
    // F9 waits for an S/N.
    f.lblSN->setEnabled(false);
    p.SetTx("");
    p.Key(Qt::Key_F9);
    f.tmrTeclas_Timer();
    EXPECT_EQ(p.Tx(), "");
}

// Nothing polls the keyboard: a key's own event makes its shortcut act, from the event loop and not
// inside the event's delivery, once per press however long the key is held; keys pressed together act
// one after the other, each once.
TEST_F(Macros, TheShortcutKeysActOnTheirOwnEvents) {
    Program p;
    frmMain& f = *p.form;
    p.SetOperator();
    p.SetTx("");
    p.Key(Qt::Key_F3);
    p.Key(Qt::Key_F3, true);
    EXPECT_EQ(p.Tx(), "") << "not inside the key's event";
    ASSERT_TRUE(RunUntil([&] { return !p.Tx().empty(); }, 5));
    test::RunEvents(50);
    EXPECT_EQ(p.Tx(), kExpanded[2]);

    p.SetTx("");
    p.Key(Qt::Key_F3);
    p.Key(Qt::Key_F1);
    test::RunEvents(50);
    EXPECT_EQ(p.Tx(), std::string(kExpanded[1]) + kExpanded[2]);

    // F11 clears the transmit window; Esc drops the frame being received.
    p.Key(Qt::Key_F11);
    f.SetVisible(Control::pctCancelFrame, true);
    p.Key(Qt::Key_Escape);
    test::RunEvents(50);
    EXPECT_EQ(p.Tx(), "");
    EXPECT_FALSE(f.Visible(Control::pctCancelFrame));
    EXPECT_TRUE(p.boxes.shown.empty());
}

TEST_F(Macros, TheMacrosWindowPaintsTheLabelsAtStartOkAndProfileSwitch) {
    Program p;
    frmMain& f = *p.form;
    Settings& settings = p.St().settings;
    // At start-up (the window loaded with the interface texts).
    EXPECT_EQ(f.lblCQDX->BackColor(), 26367);
    EXPECT_EQ(f.lblBye2->BackColor(), 13408767);
    EXPECT_EQ(f.lblRepeat->BackColor(), 16776960);
    EXPECT_EQ(f.lblRepeat->text(), QStringLiteral("RPT"));
    EXPECT_EQ(f.lblCustom->text(), QStringLiteral("Custom"));
    EXPECT_EQ(f.lblCQ->text(), QStringLiteral("CQ"));
    EXPECT_FALSE(f.Enabled(Control::lblSN)) << "no S/N yet";
    EXPECT_EQ(settings.MacrosSnLabelColor(), 65535);

    // The menu opens the window; OK stores and paints, an empty title hides its label.
    f.mnuMacros_Click();
    frmMacros& w = p.Macros();
    EXPECT_TRUE(w.isVisible());
    w.txtTituloMe->clear();
    w.txtTituloCustom->setText("Rig");
    w.SetMacroColour(kMacroSN, RGB(1, 2, 3));
    w.SetMacroColour(kMacroQRZ, RGB(4, 5, 6));
    w.cmdOK_Click();
    EXPECT_FALSE(f.Visible(Control::lblMe));
    EXPECT_TRUE(f.Visible(Control::lblMe2));
    EXPECT_EQ(f.lblCustom->text(), QStringLiteral("Rig"));
    EXPECT_EQ(f.lblQRZ->BackColor(), RGB(4, 5, 6));
    EXPECT_EQ(settings.MacrosSnLabelColor(), RGB(1, 2, 3));

    // Profile 2 starts from what profile 1 holds (its section is empty), and keeps its own changes.
    f.mnuListaUsuarios_Click(2);
    EXPECT_FALSE(f.Visible(Control::lblMe));
    p.Macros().txtTituloMe->setText("Me!");
    p.Macros().SetMacroColour(kMacroQRZ, RGB(7, 8, 9));
    p.Macros().cmdOK_Click();
    EXPECT_EQ(f.lblMe->text(), QStringLiteral("Me!"));
    EXPECT_TRUE(f.Visible(Control::lblMe));
    f.mnuListaUsuarios_Click(1);
    EXPECT_FALSE(f.Visible(Control::lblMe));
    EXPECT_EQ(f.lblQRZ->BackColor(), RGB(4, 5, 6));
    f.mnuListaUsuarios_Click(2);
    EXPECT_EQ(f.lblQRZ->BackColor(), RGB(7, 8, 9));
    EXPECT_EQ(f.lblMe->text(), QStringLiteral("Me!"));
}

// A macro while a transmission runs: the characters the transmitter has taken stay as they are.
TEST_F(Macros, AMacroDuringATransmissionLeavesTheSentTextAlone) {
    Program p;
    frmMain& f = *p.form;
    Transmitter& tx = p.St().transmitter;
    p.SetOperator();
    p.St().shared.TxRxState = 1;
    tx.TestToneFlag = 0;
    tx.TxSentPosition = 5;

    p.SetTx("CQ DE EA4ABC", 0);
    f.MacroLabel_Click(1);  // empties first
    EXPECT_EQ(p.Tx(), "CQ DE" + std::string(kExpanded[1]));
    EXPECT_EQ(f.MacroClearedTx, 1);
    p.Macros().chkCQ->setChecked(false);
    p.SetTx("CQ DE EA4ABC", 1, 3);
    f.MacroLabel_Click(1);  // at a caret in the sent text
    EXPECT_EQ(p.Tx(), "CQ DE" + std::string(kExpanded[1]) + " EA4ABC");
    // The tune tone sends no text: the window is the operator's.
    tx.TestToneFlag = 1;
    p.SetTx("CQ DE EA4ABC", 0);
    f.MacroLabel_Click(15);
    EXPECT_EQ(p.Tx(), kExpanded[15]);
    tx.TestToneFlag = 0;
    p.St().shared.TxRxState = 0;
}

// The same on the air: what the transmitter sends is the text taken before the macro and then the
// macro's text.
TEST_F(Macros, AMacroThatEmptiesTheWindowDuringATransmissionSendsOnAfterTheSentText) {
    test::ScratchFolder scratch("muv_macros");
    const std::string wav = scratch.Path("macro_tx.wav");
    Program p(std::make_unique<WavFileSoundOutput>(wav, false));
    frmMain& f = *p.form;
    Transmitter& tx = p.St().transmitter;
    p.SetOperator();
    p.Macros().txtCustom->setText("DE <MYCALL>");
    p.Macros().chkCustom->setChecked(true);
    p.SetTx("CQ CQ CQ TEST");
    f.cmdTX_RX_Click();
    ASSERT_EQ(p.St().shared.TxRxState, 1);
    ASSERT_TRUE(RunUntil([&] { return tx.TxSentPosition >= 4; }, 20));
    const int sent = tx.TxSentPosition;
    const std::string taken = p.Tx().substr(0, static_cast<size_t>(sent));
    f.MacroLabel_Click(8);
    const std::string whole = taken + "DE EA4ABC ";
    EXPECT_EQ(p.Tx(), whole);
    ASSERT_TRUE(RunUntil([&] { return tx.TxSentPosition == static_cast<int>(whole.size()); }, 20));
    f.cmdTX_RX_Click();
    ASSERT_TRUE(RunUntil([&] { return p.St().shared.TxRxState == 0; }, 30));
    EXPECT_EQ(f.LastTxText, whole);
    EXPECT_EQ(p.Tx(), whole) << "a macro emptied the window: its text stays for the next time";

    std::vector<int16_t> audio;
    std::string error;
    ASSERT_TRUE(ReadWav48k(wav, audio, error)) << error;
    OfflineReceiver rx(SettingsForMode(4));
    rx.Decode(audio);
    ASSERT_EQ(rx.Messages().size(), 1u);
    EXPECT_NE(rx.Messages()[0].text.find(taken + "DE EA4ABC"), std::string::npos) << rx.Messages()[0].text;
}

}  // namespace
}  // namespace muv
