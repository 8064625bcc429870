#include "session/interface_language.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QStyle>
#include <QWidget>
#include <algorithm>
#include <utility>

#include "session/controls.h"
#include "texts/text_table.h"

namespace muv {

namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Depth first through the children, not into another window (a dialog that belongs to this one), but
// into menus, which are windows of their own.
QObject* FindNamed(const QObject* parent, const QString& name) {
    for (QObject* child : parent->children()) {
        if (child->objectName() == name) return child;
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget && widget->isWindow() && !qobject_cast<QMenu*>(widget)) continue;
        if (QObject* found = FindNamed(child, name)) return found;
    }
    return nullptr;
}

// Widens a shown window to show its whole title, when it shows and whenever the title changes. The
// layout keeps its own say on the smallest size; the operator may still narrow the window.
class TitleFit : public QObject {
public:
    static void Keep(QWidget* window) {
        static const char* const kKept = "muvTitleFit";
        if (!window->property(kKept).toBool()) {
            window->setProperty(kKept, true);
            window->installEventFilter(new TitleFit(window));
        }
        Fit(window);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // After the show has placed the window, which sets its size last.
        auto* window = static_cast<QWidget*>(watched);
        if (event->type() == QEvent::Show || event->type() == QEvent::WindowTitleChange)
            QMetaObject::invokeMethod(
                this, [window] { Fit(window); }, Qt::QueuedConnection);
        return false;
    }

private:
    explicit TitleFit(QObject* parent) : QObject(parent) {}
    static void Fit(QWidget* window) {
        // A window never shown takes its size from its layout when it first shows.
        if (!window->isVisible()) return;
        const int needed = std::min(TitleBarWidth(window->windowTitle()), window->maximumWidth());
        if (window->width() < needed) window->resize(needed, window->height());
    }
};

}  // namespace

TextKey SplitTextKey(std::string_view key) {
    const size_t dot = key.find('.');
    if (dot != std::string_view::npos) return {false, key.substr(0, dot), key.substr(dot + 1)};
    if (key.starts_with("frm")) return {false, key, {}};
    return {true, {}, key};
}

std::string* MessageOf(InterfaceTexts& texts, std::string_view name) {
    std::pair<std::string_view, std::string*> const messages[] = {
        {"TxtOpenSoundFile", &texts.TxtOpenSoundFile},
        {"TxtFrameAcquisition", &texts.TxtFrameAcquisition},
        {"TxtFinalAcquisition", &texts.TxtFinalAcquisition},
        {"TxtFrequencyShift", &texts.TxtFrequencyShift},
        {"TxtVolume", &texts.TxtVolume},
        {"TxtCpuUsage", &texts.TxtCpuUsage},
        {"TxtCpuUnavailable", &texts.TxtCpuUnavailable},
        {"TxtEmailSent", &texts.TxtEmailSent},
        {"TxtEmailError", &texts.TxtEmailError},
        {"TxtRigOnline", &texts.TxtRigOnline},
    };
    for (const auto& [key, message] : messages)
        if (key == name) return message;
    return nullptr;
}

QObject* CaptionControl(QWidget* window, std::string_view name) {
    if (!window) return nullptr;
    if (name.empty()) return window;
    return FindNamed(window, FromUtf8(name));
}

QString CaptionOf(const QObject* control) {
    if (const auto* vb = dynamic_cast<const VbControl*>(control); vb && vb->HasCaption())
        return vb->Caption();
    if (const auto* menu = qobject_cast<const QMenu*>(control)) return menu->title();
    if (const auto* item = qobject_cast<const QAction*>(control)) return item->text();
    if (const auto* frame = qobject_cast<const QGroupBox*>(control)) return frame->title();
    if (const auto* label = qobject_cast<const QLabel*>(control)) return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
    if (const auto* widget = qobject_cast<const QWidget*>(control); widget && widget->isWindow())
        return widget->windowTitle();
    return {};
}

void SetCaption(QObject* control, const QString& text) {
    if (auto* vb = dynamic_cast<VbControl*>(control); vb && vb->HasCaption())
        vb->SetCaption(text);
    else if (auto* menu = qobject_cast<QMenu*>(control))
        menu->setTitle(text);
    else if (auto* item = qobject_cast<QAction*>(control))
        item->setText(text);
    else if (auto* frame = qobject_cast<QGroupBox*>(control))
        frame->setTitle(text);
    else if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(text);
    else if (auto* widget = qobject_cast<QWidget*>(control); widget && widget->isWindow()) {
        widget->setWindowTitle(text);
        TitleFit::Keep(widget);
    }
}

int TitleBarWidth(const QString& title) {
    const QStyle* style = QApplication::style();
    const int buttons = 4 * style->pixelMetric(QStyle::PM_TitleBarHeight);
    return QFontMetrics(QApplication::font("QMdiSubWindowTitleBar")).horizontalAdvance(title) + buttons + 16;
}

InterfaceLanguage::InterfaceLanguage(WindowByName windows, InterfaceTexts& texts)
    : windows_(std::move(windows)), texts_(texts) {}

void InterfaceLanguage::Apply(int index) {
    SetRows(index, {});
    CopyCaptions({});
}

void InterfaceLanguage::ApplyTo(int index, const QWidget& window) {
    const std::string name = window.objectName().toStdString();
    if (name.empty()) return;
    SetRows(index, name);
    CopyCaptions(name);
}

QObject* InterfaceLanguage::Target(std::string_view window, std::string_view control) {
    return CaptionControl(windows_(window), control);
}

void InterfaceLanguage::SetRows(int index, std::string_view onlyWindow) {
    // A text the program has no control for (a key mistyped in an edited file) is passed over.
    for (const auto& [key, text] : BuiltInLanguage(index).rows) {
        const TextKey k = SplitTextKey(key);
        if (k.message) {
            if (!onlyWindow.empty()) continue;
            if (std::string* message = MessageOf(texts_, k.control)) *message = text;
            continue;
        }
        if (!onlyWindow.empty() && k.window != onlyWindow) continue;
        if (QObject* control = Target(k.window, k.control)) SetCaption(control, FromUtf8(text));
    }
}

void InterfaceLanguage::CopyCaptions(std::string_view onlyTarget) {
    for (const CopiedCaption& copy : kCopiedCaptions) {
        if (!onlyTarget.empty() && onlyTarget != copy.targetWindow) continue;
        // The target's window is reached first, then the source's.
        QWidget* targetWindow = windows_(copy.targetWindow);
        QObject* source = Target(copy.sourceWindow, copy.sourceControl);
        QObject* target = CaptionControl(targetWindow, copy.targetControl);
        if (source && target) SetCaption(target, CaptionOf(source));
    }
}

}  // namespace muv
