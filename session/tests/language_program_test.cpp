// The interface languages in the whole program: the language menu puts every text of the chosen language
// on every window and into the messages, a text a language leaves out keeps the one before, English comes
// back exactly, the choice is there at the next start, and every caption fits its control.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "rig/frmRig.h"
#include "session/interface_language.h"
#include "session/tests/program_run.h"
#include "settings/frmAbout.h"
#include "settings/frmAlarms.h"
#include "settings/frmOperator.h"
#include "settings/frmProfiles.h"
#include "settings/frmScan.h"
#include "test_support/qt_app.h"
#include "texts/text_table.h"

namespace muv {
namespace {

class LanguageProgram : public test::QtAppTest {};

QString Utf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string KeyOf(const char* window, const char* control) {
    return *control ? std::string(window) + "." + control : std::string(window);
}

// The control a key names, the window loaded first; nullptr for a message.
QObject* ControlOf(Station& st, const std::string& key) {
    const TextKey k = SplitTextKey(key);
    if (k.message) return nullptr;
    return CaptionControl(st.LanguageWindow(k.window), k.control);
}

// What the program shows of every key of the table, messages included.
std::map<std::string, QString> Shown(Station& st) {
    std::map<std::string, QString> shown;
    for (const auto& [key, text] : BuiltInLanguage(1).rows) {
        const TextKey k = SplitTextKey(key);
        if (k.message)
            shown[key] = Utf8(*MessageOf(st.texts, k.control));
        else
            shown[key] = CaptionOf(ControlOf(st, key));
    }
    for (const CopiedCaption& copy : kCopiedCaptions)
        shown[KeyOf(copy.targetWindow, copy.targetControl)] =
            CaptionOf(CaptionControl(st.LanguageWindow(copy.targetWindow), copy.targetControl));
    return shown;
}

void ExpectCopiesHold(Station& st, const std::string& when) {
    for (const CopiedCaption& copy : kCopiedCaptions) {
        const QObject* target = CaptionControl(st.LanguageWindow(copy.targetWindow), copy.targetControl);
        const QObject* source = CaptionControl(st.LanguageWindow(copy.sourceWindow), copy.sourceControl);
        ASSERT_TRUE(target && source) << copy.targetWindow << "." << copy.targetControl;
        EXPECT_EQ(CaptionOf(target), CaptionOf(source))
            << when << ": " << copy.targetWindow << "." << copy.targetControl;
    }
}

TEST_F(LanguageProgram, EveryLanguageReachesEveryControlAndEnglishComesBackExactly) {
    ProgramRun run;
    ASSERT_TRUE(run.started);
    Station& st = run.St();
    frmMain& f = *run.form;
    EXPECT_EQ(f.LanguageIndex, 1);
    EXPECT_EQ(ProgramRun::Ticked(f.mnuTipoIdioma), 1);

    // Every key of every language names a control or a message of the program.
    for (int index = 1; index <= 11; ++index)
        for (const auto& [key, text] : BuiltInLanguage(index).rows) {
            const TextKey k = SplitTextKey(key);
            if (k.message)
                EXPECT_NE(MessageOf(st.texts, k.control), nullptr) << key;
            else
                EXPECT_NE(ControlOf(st, key), nullptr) << kLanguageCodes[index - 1] << ": " << key;
        }

    const std::map<std::string, QString> english = Shown(st);
    for (const auto& [key, text] : BuiltInLanguage(1).rows)
        if (key != "frmAlarms") {
            EXPECT_EQ(english.at(key), Utf8(text)) << key;
        }
    ExpectCopiesHold(st, "en");
    // The alarm window's own title gives way to the menu's.
    EXPECT_EQ(st.settings.Alarms().windowTitle(), "Alarm / Sounds");

    // Through the menu, one language after another: each key shows its language's text, or the text it
    // showed before where the language leaves it out.
    std::map<std::string, QString> expected = english;
    for (int index = 2; index <= 11; ++index) {
        f.mnuTipoIdioma[static_cast<size_t>(index)]->trigger();
        EXPECT_EQ(f.LanguageIndex, index);
        EXPECT_EQ(ProgramRun::Ticked(f.mnuTipoIdioma), index);
        for (const auto& [key, text] : BuiltInLanguage(index).rows)
            expected[key] = Utf8(text);
        for (const CopiedCaption& copy : kCopiedCaptions)
            expected[KeyOf(copy.targetWindow, copy.targetControl)] =
                expected.at(KeyOf(copy.sourceWindow, copy.sourceControl));
        const std::map<std::string, QString> shown = Shown(st);
        for (const auto& [key, text] : shown)
            EXPECT_EQ(text, expected.at(key)) << kLanguageCodes[index - 1] << ": " << key;
        ExpectCopiesHold(st, kLanguageCodes[index - 1]);
        // The menu's own items are never translated.
        EXPECT_EQ(f.mnuTipoIdioma[2]->text(), QString::fromUtf8("Español"));
    }
    // French after Spanish kept Spanish where French sets nothing; Russian kept the spot window's labels.
    f.mnuTipoIdioma[2]->trigger();
    f.mnuTipoIdioma[3]->trigger();
    EXPECT_EQ(st.rig.Window().chkDigital->text(), "Modo Digital");
    EXPECT_EQ(st.settings.Alarms().windowTitle(), "Alarme / Sons");
    f.mnuTipoIdioma[1]->trigger();
    f.mnuTipoIdioma[9]->trigger();
    const QObject* call = ControlOf(st, "frmInternalSpot.lblCall");
    EXPECT_EQ(CaptionOf(call), "Callsign");
    EXPECT_EQ(st.texts.TxtFinalAcquisition, " Конец захвата: ");

    f.mnuTipoIdioma[1]->trigger();
    EXPECT_EQ(Shown(st), english);
    EXPECT_EQ(st.texts.TxtCpuUnavailable, "CPU Usage: Not avaiable");
    // The same language again changes nothing.
    f.mnuTipoIdioma[1]->trigger();
    EXPECT_EQ(Shown(st), english);
}

TEST_F(LanguageProgram, AWindowThatComesLaterShowsTheLanguageAtOnce) {
    ProgramRun run;
    ASSERT_TRUE(run.started);
    Station& st = run.St();
    run.form->mnuTipoIdioma[5]->trigger();
    const LanguageTexts& german = BuiltInLanguage(5);

    // A settings window closed goes; the next one comes back in German, copies included.
    st.settings.Operator().reject();
    st.settings.Profiles().reject();
    QApplication::processEvents();
    EXPECT_EQ(st.settings.Operator().windowTitle(), Utf8(*german.Find("frmOperator")));
    EXPECT_EQ(st.settings.Operator().lblCallSign->text(), Utf8(*german.Find("frmOperator.lblCallSign")));
    ExpectCopiesHold(st, "de, windows again");

    // So does the spot window, which the program opens and closes as spots come and go.
    st.InternalSpot().reject();
    QApplication::processEvents();
    EXPECT_EQ(CaptionOf(ControlOf(st, "frmInternalSpot.lblComentario")),
              Utf8(*german.Find("frmInternalSpot.lblComentario")));
    ExpectCopiesHold(st, "de, spot window again");
}

TEST_F(LanguageProgram, TheChosenLanguageComesBackAtTheNextStart) {
    {
        ProgramRun run;
        ASSERT_TRUE(run.started);
        run.form->mnuTipoIdioma[9]->trigger();
        run.form->Form_Unload();
    }
    const LanguageTexts& russian = BuiltInLanguage(9);
    ProgramRun run;
    ASSERT_TRUE(run.started);
    Station& st = run.St();
    EXPECT_EQ(run.form->LanguageIndex, 9);
    EXPECT_EQ(ProgramRun::Ticked(run.form->mnuTipoIdioma), 9);
    EXPECT_EQ(run.form->mnuAbout->text(), Utf8(*russian.Find("frmMain.mnuAbout")));
    EXPECT_EQ(st.settings.About().windowTitle(), Utf8(*russian.Find("frmAbout")));
    EXPECT_EQ(st.texts.TxtVolume, *russian.Find("TxtVolume"));
    // The frequency-shift box took its prefix in the language at the window's load.
    const QString shift = CaptionOf(run.form->FindControl("txtAFC"));
    EXPECT_TRUE(shift.startsWith(Utf8(*russian.Find("TxtFrequencyShift")))) << shift.toStdString();
}

TEST_F(LanguageProgram, EachUserProfileKeepsItsOwnLanguage) {
    WriteSettings("[Idioma5]\r\nIdioma= 5\r\n");
    ProgramRun run;
    ASSERT_TRUE(run.started);
    EXPECT_EQ(run.form->LanguageIndex, 1);
    run.form->mnuListaUsuarios_Click(5);
    EXPECT_EQ(run.form->LanguageIndex, 5);
    EXPECT_EQ(run.form->mnuConfigure->title(), Utf8(*BuiltInLanguage(5).Find("frmMain.mnuConfigure")));
    run.form->mnuListaUsuarios_Click(1);
    EXPECT_EQ(run.form->mnuConfigure->title(), "Configure");
}

TEST_F(LanguageProgram, FrenchFirstLeavesTheTextsItDoesNotSet) {
    WriteSettings("[User Profiles]\r\nNumeroUsuario=2\r\n[Idioma2]\r\nIdioma= 3\r\n");
    ProgramRun run;
    ASSERT_TRUE(run.started);
    Station& st = run.St();
    EXPECT_EQ(run.form->LanguageIndex, 3);
    EXPECT_EQ(st.rig.Window().chkDigital->text(), "Digital Mode");
    EXPECT_EQ(st.settings.Scan().windowTitle(), "Scan");
    EXPECT_EQ(st.settings.Alarms().windowTitle(), "Alarme / Sons");
}

TEST_F(LanguageProgram, BeforeAnyLanguageTheMessagesAreEmptyAndTheCopiesHold) {
    ProgramRun run(ProgramRun::NotStarted);
    Station& st = run.St();
    EXPECT_EQ(run.form->LanguageIndex, 0);
    st.ApplyLanguage();
    for (const auto& [key, text] : BuiltInLanguage(1).rows) {
        const TextKey k = SplitTextKey(key);
        if (k.message) {
            EXPECT_TRUE(MessageOf(st.texts, k.control)->empty()) << key;
        }
    }
    ExpectCopiesHold(st, "no language");
    // The windows keep the texts they were made with.
    EXPECT_EQ(st.settings.Alarms().fraSonidos->title(), "Sounds");
    EXPECT_EQ(st.settings.Alarms().windowTitle(), run.form->mnuAlarma->text());
}

// The room a caption lacks on its control, in pixels, measured with the control's own font: 0 when it
// fits. A menu entry of a drop-down menu always fits (the menu takes the width of its longest entry); a
// menu of the bar must lie wholly on the bar. A window title shares the title bar with the window
// menu's icon and three buttons, in the title bar's font.
int Shortfall(const QObject* control) {
    const QString text = CaptionOf(control);
    QString shown = text;
    shown.remove(QLatin1Char('&'));
    if (const auto* menu = qobject_cast<const QMenu*>(control)) control = menu->menuAction();
    if (const auto* item = qobject_cast<const QAction*>(control)) {
        for (QObject* owner : item->associatedObjects())
            if (auto* bar = qobject_cast<QMenuBar*>(owner)) {
                const QRect place = bar->actionGeometry(const_cast<QAction*>(item));
                if (place.isEmpty()) return 1;
                return std::max(0, place.right() + 1 - bar->width());
            }
        return 0;
    }
    const auto* widget = qobject_cast<const QWidget*>(control);
    if (!widget) return 0;
    const QFontMetrics fm(widget->font());
    const int advance = fm.horizontalAdvance(shown);
    const QStyle* style = widget->style();
    if (widget->isWindow()) return std::max(0, TitleBarWidth(text) - widget->width());
    if (const auto* frame = qobject_cast<const QGroupBox*>(widget)) {
        // Where the frame's style puts the title.
        QStyleOptionGroupBox option;
        option.initFrom(frame);
        option.text = frame->title();
        option.textAlignment = frame->alignment();
        option.lineWidth = 1;
        option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        const QRect title =
            style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, frame);
        return std::max({0, title.left() + advance - frame->width(), title.right() + 1 - frame->width()});
    }
    if (qobject_cast<const QCheckBox*>(widget))
        return std::max(0, advance + style->pixelMetric(QStyle::PM_IndicatorWidth) +
                               style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing) - widget->width());
    if (qobject_cast<const QRadioButton*>(widget))
        return std::max(0, advance + style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                               style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing) - widget->width());
    if (qobject_cast<const QPushButton*>(widget))
        return std::max(0, advance + 2 * style->pixelMetric(QStyle::PM_ButtonMargin) - widget->width());
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        const QRect room = label->contentsRect().adjusted(label->margin(), label->margin(), -label->margin(),
                                                          -label->margin());
        if (label->wordWrap())
            return std::max(0, fm.boundingRect(room, Qt::TextWordWrap, shown).height() - room.height());
        return std::max(0, advance - room.width());
    }
    return std::max(0, advance - widget->contentsRect().width());
}

// The same for a control that its window hides at times (a frame for one keying method, a box shown
// with CAT only): measured shown, as it is when it shows its caption.
// Lets the layouts settle: a change inside a frame reaches the window's layout a few events later.
void Settle() {
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

int ShortfallShown(const QObject* control) {
    const auto* widget = qobject_cast<const QWidget*>(control);
    std::vector<QWidget*> hidden;
    for (auto* w = const_cast<QWidget*>(widget); w && !w->isWindow(); w = w->parentWidget())
        if (w->isHidden()) hidden.push_back(w);
    for (QWidget* w : hidden)
        w->show();
    if (!hidden.empty()) Settle();
    const int lack = Shortfall(control);
    for (QWidget* w : hidden)
        w->hide();
    return lack;
}

TEST_F(LanguageProgram, EveryCaptionFitsItsControlInEveryLanguage) {
    ProgramRun run;
    ASSERT_TRUE(run.started);
    Station& st = run.St();
    std::vector<std::string> tooLong;
    for (int index = 1; index <= 11; ++index) {
        run.form->mnuTipoIdioma[static_cast<size_t>(index)]->trigger();
        std::set<std::string> windows;
        for (const auto& [key, text] : BuiltInLanguage(1).rows) {
            const TextKey k = SplitTextKey(key);
            if (!k.message) windows.insert(std::string(k.window));
        }
        windows.insert("frmEqslAccount");
        for (const std::string& name : windows) {
            QWidget* window = st.LanguageWindow(name);
            const bool wasShown = window->isVisible();
            window->show();
            Settle();
            for (const auto& [key, text] : BuiltInLanguage(1).rows) {
                const TextKey k = SplitTextKey(key);
                if (k.message || k.window != name) continue;
                if (const int lack = ShortfallShown(ControlOf(st, key)); lack > 0)
                    tooLong.push_back(std::string(kLanguageCodes[index - 1]) + " " + key + " \"" +
                                      CaptionOf(ControlOf(st, key)).toStdString() + "\" lacks " +
                                      std::to_string(lack) + " px");
            }
            for (const CopiedCaption& copy : kCopiedCaptions) {
                if (name != copy.targetWindow) continue;
                const QObject* target = CaptionControl(window, copy.targetControl);
                if (const int lack = ShortfallShown(target); lack > 0)
                    tooLong.push_back(std::string(kLanguageCodes[index - 1]) + " " +
                                      KeyOf(copy.targetWindow, copy.targetControl) + " \"" +
                                      CaptionOf(target).toStdString() + "\" lacks " + std::to_string(lack) +
                                      " px");
            }
            if (!wasShown) window->hide();
        }
    }
    std::string list;
    for (const std::string& line : tooLong)
        list += line + "\n";
    EXPECT_TRUE(tooLong.empty()) << list;
}

}  // namespace
}  // namespace muv
