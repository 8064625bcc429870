#include "platform/qt/qt_dialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
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
        case BoxButtons::YesNoCancel:
        case BoxButtons::YesNoCancelDefaultNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            box.setDefaultButton(buttons == BoxButtons::YesNoCancel ? QMessageBox::Yes : QMessageBox::No);
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

namespace {

QString Q(const std::string& cp1252) {
    return QString::fromStdString(Cp1252ToUtf8(cp1252));
}
std::optional<std::string> Chosen(const QString& path) {
    if (path.isEmpty()) return std::nullopt;
    return Utf8ToCp1252(path.toStdString());
}

}  // namespace

std::optional<std::string> QtFileDialogs::ChooseFolder(const std::string& title,
                                                       const std::string& startFolder) {
    return Chosen(QFileDialog::getExistingDirectory(parent_, QString::fromStdString(title), Q(startFolder)));
}

std::optional<std::string> QtFileDialogs::ChooseSaveFile(const std::string& title,
                                                         const std::string& startFolder,
                                                         const std::string& filter) {
    // The program asks itself before it overwrites anything; a log file chosen again is appended to.
    return Chosen(QFileDialog::getSaveFileName(parent_, QString::fromStdString(title), Q(startFolder),
                                               Q(filter), nullptr, QFileDialog::DontConfirmOverwrite));
}

std::optional<std::string> QtFileDialogs::ChooseOpenFile(const std::string& title,
                                                         const std::string& startFolder,
                                                         const std::string& filter) {
    return Chosen(
        QFileDialog::getOpenFileName(parent_, QString::fromStdString(title), Q(startFolder), Q(filter)));
}

}  // namespace muv
