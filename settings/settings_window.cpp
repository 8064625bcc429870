#include "settings/settings_window.h"

#include <QPushButton>

namespace muv {

void PaintOkButton(QPushButton* button) {
    button->setStyleSheet(QString("background-color: rgb(%1, %2, %3)")
                              .arg(RedOf(kSettingsOkColour))
                              .arg(GreenOf(kSettingsOkColour))
                              .arg(BlueOf(kSettingsOkColour)));
}

void ClickClearsLineEdit::mousePressEvent(QMouseEvent* event) {
    clear();
    QLineEdit::mousePressEvent(event);
}

}  // namespace muv
