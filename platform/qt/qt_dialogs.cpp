#include "platform/qt/qt_dialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

#include "platform/qt/qt_text.h"
#include "platform/terminal_boxes.h"

namespace muv {

namespace {
bool unattendedRun = false;
}  // namespace

void QtMessageBoxes::SetUnattended(bool unattended) {
    unattendedRun = unattended;
}

bool QtMessageBoxes::Unattended() {
    return unattendedRun;
}

BoxAnswer QtMessageBoxes::Show(const std::string& text, const std::string& title, BoxIcon icon,
                               BoxButtons buttons) {
    if (unattendedRun) return TerminalMessageBoxes(stderr, stderr, nullptr).Show(text, title, icon, buttons);
    QMessageBox box(parent_);
    // What a box says often comes from outside (a rig's name, a server's words, a file's path): it is
    // shown as it stands, never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(ToQString(text));
    box.setWindowTitle(ToQString(title));
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
    return QDesktopServices::openUrl(QUrl(ToQString(address)));
}

namespace {

std::optional<std::string> Chosen(const QString& path) {
    if (path.isEmpty()) return std::nullopt;
    return FromQString(path);
}

}  // namespace

std::optional<std::string> QtFileDialogs::ChooseFolder(const std::string& title,
                                                       const std::string& startFolder) {
    if (unattendedRun) return std::nullopt;  // as if the picker were cancelled
    return Chosen(QFileDialog::getExistingDirectory(parent_, ToQString(title), ToQString(startFolder)));
}

std::optional<std::string> QtFileDialogs::ChooseSaveFile(const std::string& title,
                                                         const std::string& startFolder,
                                                         const std::string& filter) {
    if (unattendedRun) return std::nullopt;
    // The program asks itself before it overwrites anything; a log file chosen again is appended to.
    return Chosen(QFileDialog::getSaveFileName(parent_, ToQString(title), ToQString(startFolder),
                                               ToQString(filter), nullptr,
                                               QFileDialog::DontConfirmOverwrite));
}

std::optional<std::string> QtFileDialogs::ChooseOpenFile(const std::string& title,
                                                         const std::string& startFolder,
                                                         const std::string& filter) {
    if (unattendedRun) return std::nullopt;
    return Chosen(
        QFileDialog::getOpenFileName(parent_, ToQString(title), ToQString(startFolder), ToQString(filter)));
}

}  // namespace muv
