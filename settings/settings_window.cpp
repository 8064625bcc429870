#include "settings/settings_window.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <algorithm>
#include <climits>

namespace muv {

void PaintOkButton(QPushButton* button) {
    button->setStyleSheet(QString("background-color: rgb(%1, %2, %3)")
                              .arg(RedOf(kSettingsOkColour))
                              .arg(GreenOf(kSettingsOkColour))
                              .arg(BlueOf(kSettingsOkColour)));
}

QPoint PlaceOnScreen(int x, int y, QSize size) {
    const QPoint stored(x, y);
    QRect best;
    long long bestDistance = LLONG_MAX;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->availableGeometry();
        if (area.contains(stored)) {
            best = area;
            break;
        }
        const long long dx = std::max({area.left() - x, 0, x - area.right()});
        const long long dy = std::max({area.top() - y, 0, y - area.bottom()});
        if (dx * dx + dy * dy < bestDistance) {
            bestDistance = dx * dx + dy * dy;
            best = area;
        }
    }
    if (best.isNull()) return stored;
    // The whole window on the screen where it fits, its top-left corner at least.
    const int right = std::max(best.left(), best.right() + 1 - size.width());
    const int bottom = std::max(best.top(), best.bottom() + 1 - size.height());
    return {std::clamp(x, best.left(), right), std::clamp(y, best.top(), bottom)};
}

void WhenChosen(QRadioButton* option, QObject* context, std::function<void()> handler) {
    QObject::connect(option, &QRadioButton::toggled, context, [handler = std::move(handler)](bool on) {
        if (on) handler();
    });
}

void ClickClearsLineEdit::mousePressEvent(QMouseEvent* event) {
    clear();
    QLineEdit::mousePressEvent(event);
}

}  // namespace muv
