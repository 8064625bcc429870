#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <array>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "platform/private_profile.h"
#include "platform/qt/qt_text.h"
#include "settings/frmMacros.h"
#include "settings/settings_window.h"
#include "test_support/qt_app.h"

namespace muv {
namespace {

// The main window's sixteen labels as the macros window paints them.
struct FakeLabels : MacroLabels {
    struct Label {
        ColorRef colour = -1;
        std::string caption = "(design)";
        bool visible = true;
    };
    std::array<Label, kMacroCount + 1> labels;
    int calls = 0;
    void SetLabelColour(int label, ColorRef colour) override { labels.at(label).colour = colour, ++calls; }
    void SetLabelCaption(int label, const std::string& caption) override {
        labels.at(label).caption = caption, ++calls;
    }
    void SetLabelVisible(int label, bool visible) override { labels.at(label).visible = visible, ++calls; }
};

// The colour picker: answers from a queue (nothing chosen when it is empty) and records where it opened.
struct FakeChooser : ColourChooser {
    std::optional<ColorRef> ChooseColour(ColorRef current, QPoint at, QWidget*) override {
        offered.push_back(current);
        where = at;
        if (answers.empty()) return std::nullopt;
        const auto a = answers.front();
        answers.pop_front();
        return a;
    }
    std::deque<std::optional<ColorRef>> answers;
    std::vector<ColorRef> offered;
    QPoint where;
};

std::string Text(const QLineEdit* box) {
    return FromQString(box->text());
}

class MacrosWindow : public test::QtAppTest {
protected:
    std::unique_ptr<frmMacros> Make() {
        return std::make_unique<frmMacros>(MacrosWindowLinks{store, &labels, &chooser});
    }
    std::unique_ptr<frmMacros> Loaded() {
        auto w = Make();
        w->Form_Load();
        return w;
    }
    // A key of the current profile's section, as the store reads it (trimmed).
    std::string Stored(const std::string& key) {
        return store.Read(store.Section("Macros"), key, 400).value_or("(missing)");
    }

    MemoryProfileStore store;
    FakeLabels labels;
    FakeChooser chooser;
};

TEST_F(MacrosWindow, AFreshFileShowsTheDefaultsAndPaintsTheMainWindowsLabels) {
    auto w = Loaded();
    EXPECT_EQ(w->windowTitle(), "Macros");
    EXPECT_EQ(Text(w->txtCQ), "CQ  CQ  de  <MYCALL>  <MYCALL>");
    EXPECT_EQ(Text(w->txtCALL2), "<DESTINATION>  de  <MYCALL>  <MYCALL>");
    EXPECT_EQ(Text(w->txtBye2),
              "Gracias compa\xC3\xB1"
              "ero, 73 y buena suerte. <DESTINATION> de <MYCALL> sk");
    EXPECT_EQ(Text(w->txtQRZ), "QRZ? QRZ? de <MYCALL> pse agn");
    EXPECT_TRUE(Text(w->txtStation).empty() && Text(w->txtCustom).empty());
    // Ticked: CQ, CQ DX, CALLx2 and QRZ.
    for (int m = 1; m < kMacroCount; ++m)
        EXPECT_EQ(w->ClearFirst(m), m == kMacroCQ || m == kMacroCQDX || m == kMacroCall2 || m == kMacroQRZ)
            << m;
    EXPECT_EQ(w->ClearFirstBox(kMacroRepeat), nullptr);
    EXPECT_EQ(Text(w->txtTituloQRZ), "QRZ?");
    EXPECT_EQ(Text(w->txtTituloRepeat), "RPT");
    EXPECT_EQ(w->MacroColour(kMacroCQ), RGB(255, 102, 0));
    EXPECT_EQ(w->MacroColour(kMacroBye2), 13408767);
    EXPECT_EQ(w->MacroColour(kMacroSN), 65535);
    EXPECT_EQ(w->MacroColour(kMacroRepeat), 16776960);
    EXPECT_EQ(w->lblSN->styleSheet(), "background-color: #ffff00");
    EXPECT_EQ(w->cmdColoresPorDefecto->styleSheet(), "background-color: rgb(56, 176, 222)");

    // The affixes, and the texts a click sends.
    EXPECT_TRUE(w->txtCQFinal->isReadOnly() && w->txtStationPreambulo->isReadOnly());
    EXPECT_EQ(w->MacroText(kMacroCQ), "CQ  CQ  de  <MYCALL>  <MYCALL> in<LOCATOR>");
    EXPECT_EQ(w->MacroText(kMacroStation), "Station: <VER>. ");
    EXPECT_EQ(w->MacroText(kMacroEmail), "<LOCATOR> <EMAIL>");
    EXPECT_EQ(w->MacroText(kMacroSN), "<SN>");
    EXPECT_EQ(w->MacroText(kMacroRepeat), "");
    EXPECT_EQ(w->txtListaMacros->toPlainText().split('\n').size(), 9);
    EXPECT_EQ(frmMacros::MacroListText().substr(0, 23), "My Callsign: <MYCALL>\r\n");

    // The labels by the main window's numbers: lblCQDX is its 9th, lblRepeat its 16th.
    EXPECT_EQ(labels.labels[1].colour, 26367);
    EXPECT_EQ(labels.labels[9].colour, 26367);
    EXPECT_EQ(labels.labels[6].colour, 65535);
    EXPECT_EQ(labels.labels[16].colour, 16776960);
    EXPECT_EQ(labels.labels[10].caption, "CALLx2");
    EXPECT_EQ(labels.labels[15].caption, "QRZ?");
    EXPECT_EQ(labels.labels[16].caption, "RPT");
    // The five fixed labels keep their own captions.
    for (int label : {1, 5, 6, 9, 13})
        EXPECT_EQ(labels.labels[label].caption, "(design)") << label;
    for (int label = 1; label <= kMacroCount; ++label)
        EXPECT_TRUE(labels.labels[label].visible) << label;
    EXPECT_TRUE(store.Text().empty()) << "loading writes nothing";
}

TEST_F(MacrosWindow, StoredMacrosRoundTripPerProfileAndMissingKeysKeepWhatTheWindowHolds) {
    {
        auto w = Loaded();
        w->txtCustom->setText("tnx <DESTINATION>");
        w->chkCustom->setChecked(true);
        w->chkCQ->setChecked(false);
        w->txtTituloCustom->setText("Thanks");
        w->txtTituloMe->clear();
        w->SetMacroColour(kMacroCustom, RGB(1, 2, 3));
        w->SetMacroColour(kMacroStation, RGB(10, 20, 30));
        w->txtStation->setText(QString::fromUtf8("Rig: FT-817, 5 W, dipole · QRP"));
        SaveMacros(store, *w);

        store.SetProfileSuffix("2");
        w->txtCustom->setText("second profile");
        w->txtTituloMe->setText("*");  // a title that really is a star
        SaveMacros(store, *w);
    }
    // Numbers are written with a blank before them.
    for (const char* line :
         {"ValorCustom1= 1\r\n", "ValorCQ= 0\r\n", "ColorCustom1= 197121\r\n", "ColorCQ= 26367\r\n"})
        EXPECT_NE(store.Text().find(line), std::string::npos) << line;
    EXPECT_EQ(Stored("TituloMe"), "*");
    store.SetProfileSuffix("");
    EXPECT_EQ(Stored("TituloMe"), "*");
    EXPECT_EQ(Stored("ColorCQ"), "26367");
    EXPECT_EQ(Stored("CQ16y8"), "CQ  CQ  de  <MYCALL>  <MYCALL>");
    EXPECT_EQ(Stored("CALL3"), "<DESTINATION>  de  <MYCALL>  <MYCALL>");
    EXPECT_EQ(Stored("ME"), "My name is <NAME>, my QTH is <QTH>, Locator:<LOCATOR>");
    EXPECT_EQ(Stored("Custom16y8"), "tnx <DESTINATION>");
    EXPECT_NE(store.Text().find("[Macros]"), std::string::npos);
    EXPECT_NE(store.Text().find("[Macros2]"), std::string::npos);
    EXPECT_EQ(store.Text().find("txtCQFinal"), std::string::npos);

    auto w = Loaded();
    EXPECT_EQ(Text(w->txtCustom), "tnx <DESTINATION>");
    EXPECT_TRUE(w->chkCustom->isChecked());
    EXPECT_FALSE(w->chkCQ->isChecked());
    EXPECT_EQ(Text(w->txtTituloCustom), "Thanks");
    EXPECT_TRUE(w->txtTituloMe->text().isEmpty());
    EXPECT_EQ(w->MacroColour(kMacroCustom), RGB(1, 2, 3));
    EXPECT_EQ(w->MacroColour(kMacroStation), RGB(10, 20, 30));
    EXPECT_EQ(Text(w->txtStation), "Rig: FT-817, 5 W, dipole · QRP");
    EXPECT_EQ(labels.labels[8].caption, "Thanks");
    EXPECT_FALSE(labels.labels[3].visible) << "an empty title hides lblMe";

    // A profile switch loads into the window as it stands: profile 2's keys replace, and its star
    // title is empty too.
    store.SetProfileSuffix("2");
    LoadMacros(store, *w);
    EXPECT_EQ(Text(w->txtCustom), "second profile");
    EXPECT_TRUE(w->txtTituloMe->text().isEmpty());
    // A profile without the section leaves the window as it was.
    store.SetProfileSuffix("5");
    LoadMacros(store, *w);
    EXPECT_EQ(Text(w->txtCustom), "second profile");
    EXPECT_EQ(w->MacroColour(kMacroCustom), RGB(1, 2, 3));
}

TEST_F(MacrosWindow, StoredValuesAreReadAsTheyComeWithinTheBuffers) {
    const std::string longText(250, 'a');
    store.Write("Macros", "QSL16y8", longText);
    store.Write("Macros", "Custom16y8", longText);
    store.Write("Macros", "ValorQSL", "1");  // without the blank
    store.Write("Macros", "ValorCQ", "0");
    store.Write("Macros", "ValorQRZ", "7");    // no state of a check box
    store.Write("Macros", "ColorQSL", "abc");  // not a number: black
    store.Write("Macros", "ColorQRZ", "-5");   // no colour: ignored
    store.Write("Macros", "TituloQSL", "A title of thirty characters..");
    store.Write("Macros", "TituloRepeat", "");  // empty counts as missing
    auto w = Loaded();
    EXPECT_EQ(Text(w->txtQSL), longText.substr(0, 199));
    EXPECT_EQ(Text(w->txtCustom), longText);
    EXPECT_TRUE(w->chkQSL->isChecked());
    EXPECT_FALSE(w->chkCQ->isChecked());
    EXPECT_TRUE(w->chkQRZ->isChecked());
    EXPECT_EQ(w->MacroColour(kMacroQSL), 0);
    EXPECT_EQ(w->MacroColour(kMacroQRZ), 10092492);
    EXPECT_EQ(Text(w->txtTituloQSL), "A title of thirty c");
    EXPECT_EQ(Text(w->txtTituloRepeat), "RPT");
}

TEST_F(MacrosWindow, TextsThatCallCqAreStoredOnlyForTheCqAndStationMacros) {
    EXPECT_EQ(MacroHasNoCq("tnx QSO cq test"), 0);
    EXPECT_EQ(MacroHasNoCq("73 es cq"), 0) << "a last word cq in small letters";
    EXPECT_EQ(MacroHasNoCq("CQ de EA4ABC"), 1) << "no blank before a CQ at the very start";
    EXPECT_EQ(MacroHasNoCq("QRZ CQDX de EA4ABC"), 1);
    EXPECT_EQ(MacroHasNoCq("de EA1CQ k"), 1);
    EXPECT_EQ(MacroHasNoCq(""), 1);

    auto w = Loaded();
    w->txtBye->setText("73 and CQ CQ");
    w->txtCustom->setText("call cq again");
    w->txtStation->setText("Station for CQ contests");
    w->txtCQ->setText("CQ CQ CQ de <MYCALL>");
    w->txtCQDX->setText("DX only CQ DX");
    SaveMacros(store, *w);
    EXPECT_EQ(Stored("BYE16y8"), "(missing)");
    EXPECT_EQ(Stored("Custom16y8"), "(missing)");
    EXPECT_EQ(Stored("Station"), "Station for CQ contests");
    EXPECT_EQ(Stored("CQ16y8"), "CQ CQ CQ de <MYCALL>");
    EXPECT_EQ(Stored("CQ DX"), "DX only CQ DX");

    // The text stored before stays; the window keeps the new one until it is loaded again.
    w->txtBye->setText("tnx QSO 73");
    SaveMacros(store, *w);
    w->txtBye->setText("tnx QSO 73 CQ again");
    SaveMacros(store, *w);
    EXPECT_EQ(Stored("BYE16y8"), "tnx QSO 73");
    EXPECT_EQ(Text(w->txtBye), "tnx QSO 73 CQ again");
    EXPECT_EQ(Text(Loaded()->txtBye), "tnx QSO 73");
}

TEST_F(MacrosWindow, DefaultsAndPickedColoursChangeOnlyTheWindowUntilOk) {
    auto w = Loaded();
    const int paintedAtLoad = labels.calls;
    w->txtCQ->setText("changed");
    w->chkCQ->setChecked(false);
    w->txtTituloCall->setText("X");
    w->cmdMacrosPorDefecto_Click();
    EXPECT_EQ(Text(w->txtCQ), "CQ  CQ  de  <MYCALL>  <MYCALL>");
    EXPECT_TRUE(w->chkCQ->isChecked());
    EXPECT_EQ(Text(w->txtTituloCall), "CALL");

    // A picker pops up below its holder, from the holder's colour; cancelling changes nothing.
    chooser.answers = {std::nullopt, RGB(9, 8, 7)};
    w->ShowColourPicker(kMacroMe);
    EXPECT_EQ(w->MacroColour(kMacroMe), 8421376);
    EXPECT_EQ(w->OpenPickerNumber, kMacroMe);
    EXPECT_EQ(chooser.where, w->txtTituloMe->mapToGlobal(QPoint(0, w->txtTituloMe->height())));
    // The release of a mouse button over a holder opens its picker.
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(3, 3), w->lblSN->mapToGlobal(QPointF(3, 3)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w->lblSN, &release);
    EXPECT_EQ(chooser.offered.back(), 65535);
    EXPECT_EQ(w->MacroColour(kMacroSN), RGB(9, 8, 7));
    EXPECT_EQ(w->OpenPickerNumber, kMacroSN);
    // A colour for another picker than the one opened last is ignored.
    w->ApplyPickedColour(kMacroCQ, RGB(1, 1, 1));
    EXPECT_EQ(w->MacroColour(kMacroCQ), 26367);
    w->ApplyPickedColour(kMacroSN, RGB(1, 1, 1));
    EXPECT_EQ(w->MacroColour(kMacroSN), RGB(1, 1, 1));

    w->cmdColoresPorDefecto_Click();
    EXPECT_EQ(w->MacroColour(kMacroSN), 65535);
    EXPECT_EQ(labels.calls, paintedAtLoad) << "the labels change at OK only";
    EXPECT_TRUE(store.Text().empty());

    // OK stores, paints and closes; the emptied title hides its label.
    w->SetMacroColour(kMacroQSL, RGB(0, 0, 200));
    w->txtTituloQSL->clear();
    bool closed = false;
    QObject::connect(w.get(), &QDialog::accepted, [&] { closed = true; });
    w->cmdOK_Click();
    EXPECT_TRUE(closed);
    EXPECT_EQ(labels.labels[7].colour, RGB(0, 0, 200));
    EXPECT_FALSE(labels.labels[7].visible);
    EXPECT_EQ(Stored("TituloQSL"), "*");
    EXPECT_EQ(Stored("ColorQSL"), "13107200");

    // A title given again brings the label back.
    auto again = Loaded();
    EXPECT_FALSE(labels.labels[7].visible);
    again->txtTituloQSL->setText("QSL");
    again->cmdOK_Click();
    EXPECT_TRUE(labels.labels[7].visible);
    EXPECT_EQ(labels.labels[7].caption, "QSL");
}

TEST_F(MacrosWindow, ClosingWithoutOkStoresAndPaintsNothing) {
    WindowSlot<frmMacros> slot([this] { return Make(); });
    frmMacros& w = slot.Get();
    const int painted = labels.calls;
    w.txtCQ->setText("lost");
    w.SetMacroColour(kMacroCQ, RGB(0, 0, 0));
    w.reject();
    QApplication::processEvents();
    EXPECT_FALSE(slot.Loaded());
    EXPECT_TRUE(store.Text().empty());
    EXPECT_EQ(labels.calls, painted);
    EXPECT_EQ(Text(slot.Get().txtCQ), "CQ  CQ  de  <MYCALL>  <MYCALL>");
}

// The window as the operator sees it, saved for a look (build folder, frmMacros.png).
TEST_F(MacrosWindow, Screenshot) {
    auto w = Loaded();
    w->txtStation->setText("Rig: 100 W, dipole at 12 m");
    w->resize(w->sizeHint());
    w->show();
    QApplication::processEvents();
    const QString path = QDir(QStringLiteral(MUV_SCREENSHOT_DIR)).filePath(QStringLiteral("frmMacros.png"));
    const QPixmap shot = w->grab();
    EXPECT_GT(shot.width(), 600);
    EXPECT_TRUE(shot.save(path)) << path.toStdString();
}

}  // namespace
}  // namespace muv
