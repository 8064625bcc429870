#include "settings/frmLogDirectories.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>
#include <utility>

#include "common/file_dialogs.h"
#include "common/message_box.h"
#include "common/profile_store.h"
#include "common/vb.h"
#include "platform/private_profile.h"
#include "platform/qt/qt_text.h"
#include "settings/settings_window.h"

namespace muv {

namespace {

QLabel* PathLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setFrameShape(QFrame::StyledPanel);
    label->setMinimumWidth(320);
    return label;
}

std::string Trimmed(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

}  // namespace

frmLogDirectories::frmLogDirectories(LogDirectoriesWindowLinks links, QWidget* parent)
    : QDialog(parent), links_(std::move(links)) {
    setObjectName("frmLogDirectories");
    // English captions until the interface language is applied.
    setWindowTitle("Log Directories");
    fraDirectorioLog = new QGroupBox("Log Directory", this);
    lblDirectorioLog = PathLabel(fraDirectorioLog);
    cmdPathLog = new QPushButton("...", fraDirectorioLog);
    fraDirectorioADIF = new QGroupBox("ADIF File", this);
    lblDirectorioADIF = PathLabel(fraDirectorioADIF);
    cmdPathADIF = new QPushButton("...", fraDirectorioADIF);
    chkAutoSaveLogClose = new QCheckBox("Auto Save Log on Close", this);
    cmdOK = new QPushButton("OK", this);
    fraDirectorioLog->setObjectName("fraDirectorioLog");
    lblDirectorioLog->setObjectName("lblDirectorioLog");
    cmdPathLog->setObjectName("cmdPathLog");
    fraDirectorioADIF->setObjectName("fraDirectorioADIF");
    lblDirectorioADIF->setObjectName("lblDirectorioADIF");
    cmdPathADIF->setObjectName("cmdPathADIF");
    chkAutoSaveLogClose->setObjectName("chkAutoSaveLogClose");
    cmdOK->setObjectName("cmdOK");

    auto* logRow = new QHBoxLayout(fraDirectorioLog);
    logRow->addWidget(lblDirectorioLog, 1);
    logRow->addWidget(cmdPathLog);
    auto* adifRow = new QHBoxLayout(fraDirectorioADIF);
    adifRow->addWidget(lblDirectorioADIF, 1);
    adifRow->addWidget(cmdPathADIF);
    auto* page = new QVBoxLayout(this);
    page->addWidget(fraDirectorioLog);
    page->addWidget(fraDirectorioADIF);
    page->addWidget(chkAutoSaveLogClose);
    page->addWidget(cmdOK, 0, Qt::AlignRight);

    connect(cmdPathLog, &QPushButton::clicked, this, [this] { cmdPathLog_Click(); });
    connect(cmdPathADIF, &QPushButton::clicked, this, [this] { cmdPathADIF_Click(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
}

void frmLogDirectories::Form_Load() {
    PaintOkButton(cmdOK);
    LoadLogSettings(links_.store, *this);
    // The operator hears of a missing folder here; the session-log writer has its own fallback.
    const std::string folder = SessionLogFolder();
    if (!QFileInfo::exists(ToQString(folder)))
        links_.boxes.Show("Path '" + folder + "' not found", "Log Error", BoxIcon::Exclamation);
}

void frmLogDirectories::cmdPathLog_Click() {
    const std::string folder = SeleccionarDirectorio();
    if (!folder.empty()) lblDirectorioLog->setText(ToQString(folder));
}

void frmLogDirectories::cmdPathADIF_Click() {
    const std::string path = ChooseAdifFile();
    if (path.empty()) return;
    lblDirectorioADIF->setText(ToQString(path));
    if (links_.adifChosen) links_.adifChosen();
}

void frmLogDirectories::cmdOK_Click() {
    SaveLogSettings(links_.store, *this);
    accept();
}

std::string frmLogDirectories::SeleccionarDirectorio() {
    return links_.dialogs.ChooseFolder("", SessionLogFolder()).value_or(std::string());
}

std::string frmLogDirectories::ChooseAdifFile() {
    // The picker opens where the current log file is, else in the home folder.
    std::string start;
    if (const std::string current = AdifPath(); !current.empty())
        start = FromQString(QFileInfo(ToQString(current)).absolutePath());
    if (start.empty()) start = FromQString(QDir::homePath());
    const std::optional<std::string> chosen =
        links_.dialogs.ChooseSaveFile("ADI File", start, "ADIF Files (*.adi *.ADI);;Todos los archivos (*)");
    if (!chosen) return {};
    std::string path = Trimmed(*chosen);
    if (path.empty()) return {};
    if (path.size() < 4 || Upper(path.substr(path.size() - 4)) != ".ADI") path += ".adi";
    return path;
}

std::string frmLogDirectories::SessionLogFolder() const {
    return FromQString(lblDirectorioLog->text());
}

std::string frmLogDirectories::AdifPath() const {
    return FromQString(lblDirectorioADIF->text());
}

bool frmLogDirectories::AdifPathIsDefault() const {
    return AdifPath() == DefaultAdifPath(links_.store, links_);
}

bool frmLogDirectories::AutoSaveLogClose() const {
    return chkAutoSaveLogClose->isChecked();
}

std::string DefaultAdifPath(const ProfileStore& store, const LogDirectoriesWindowLinks& links) {
    return links.programFolder + "/MUV" + store.ProfileSuffix() + ".adi";
}

void LoadLogSettings(ProfileStore& store, frmLogDirectories& w) {
    const std::string section = store.Section("Log");
    const std::optional<std::string> folder = store.Read(section, "Directorio Log", kPathBuffer);
    w.lblDirectorioLog->setText(ToQString(folder.value_or(w.links_.programFolder)));
    // A profile without a log of its own chosen gets one in the data folder; it is made with the first
    // contact logged in it.
    const std::optional<std::string> adif = store.Read(section, "Directorio ADIF", kPathBuffer);
    w.lblDirectorioADIF->setText(
        ToQString(adif && !adif->empty() ? *adif : DefaultAdifPath(store, w.links_)));
    const std::optional<std::string> autoSave = store.Read(section, "Auto Save Log Close", 200);
    w.chkAutoSaveLogClose->setChecked(!autoSave || Val(*autoSave) == 1);
}

void SaveLogSettings(ProfileStore& store, frmLogDirectories& w) {
    const std::string section = store.Section("Log");
    // Both paths are written even when they are the default folder, so that choosing the default again
    // replaces an earlier choice.
    store.Write(section, "Directorio Log", w.SessionLogFolder());
    store.Write(section, "Directorio ADIF", w.AdifPath());
    store.Write(section, "Auto Save Log Close", w.AutoSaveLogClose() ? "1" : "0");
}

}  // namespace muv
