#include "platform/qt/qt_dialogs.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

#include "common/cp1252.h"

namespace muv {

BoxAnswer QtMessageBoxes::Show(const std::string& text, const std::string& title, BoxIcon icon,
                               BoxButtons buttons) {
    QMessageBox box(parent_);
    box.setText(QString::fromStdString(Cp1252ToUtf8(text)));
    box.setWindowTitle(QString::fromStdString(Cp1252ToUtf8(title)));
    switch (icon) {
        case BoxIcon::Critical:
            box.setIcon(QMessageBox::Critical);
            break;
        case BoxIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case BoxIcon::Exclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case BoxIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case BoxIcon::None:
            break;
    }
    switch (buttons) {
        case BoxButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case BoxButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        case BoxButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Yes:
            return BoxAnswer::Yes;
        case QMessageBox::No:
            return BoxAnswer::No;
        case QMessageBox::Cancel:
            return BoxAnswer::Cancel;
        default:
            return BoxAnswer::Ok;
    }
}

bool DesktopWebPages::Open(const std::string& address) {
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(Cp1252ToUtf8(address))));
}

}  // namespace muv
