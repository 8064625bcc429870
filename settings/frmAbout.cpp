#include "settings/frmAbout.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <string>
#include <utility>

#include "common/message_box.h"
#include "platform/qt/qt_text.h"

namespace muv {

namespace {

// The system-information programs looked for, the first found being started. On this system there is
// no registry entry that names such a tool, so the PATH decides.
const char* const kSystemInformationPrograms[] = {"hardinfo", "hardinfo2", "kinfocenter",
                                                  "gnome-system-monitor"};

}  // namespace

bool StartSystemInformationTool() {
    for (const char* name : kSystemInformationPrograms) {
        const QString program = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!program.isEmpty()) return QProcess::startDetached(program, {});
    }
    return false;
}

frmAbout::frmAbout(AboutWindowLinks links, QWidget* parent) : QDialog(parent), links_(std::move(links)) {
    setObjectName("frmAbout");
    // English captions until the interface language is applied.
    setWindowTitle("About MUV");
    lblTitle = new QLabel("MUV", this);
    QFont titleFont = lblTitle->font();
    titleFont.setPointSize(titleFont.pointSize() * 2);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lblDescription = new QLabel("MF, HF and EME Modem for Ham Radio Operators", this);
    lblVersion = new QLabel(this);
    lblVersion->setObjectName("lblVersion");
    cmdOK = new QPushButton("OK", this);
    cmdOK->setObjectName("cmdOK");
    cmdSysInfo = new QPushButton("&System Info...", this);
    cmdSysInfo->setObjectName("cmdSysInfo");

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    auto* all = new QVBoxLayout(this);
    all->addWidget(lblTitle);
    all->addWidget(lblDescription);
    all->addWidget(lblVersion);
    all->addSpacing(12);
    all->addLayout(buttons);

    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdSysInfo, &QPushButton::clicked, this, [this] { cmdSysInfo_Click(); });
}

void frmAbout::Form_Load() {
    lblVersion->setText(ToQString(std::string(kVersion) + kReleaseDate));
}

void frmAbout::cmdOK_Click() {
    accept();
}

void frmAbout::cmdSysInfo_Click() {
    // The window stays: it closes by its own OK or close box only. Closed behind the operator's back
    // (after the box that tells of a missing tool, or while the tool is still starting), the next click
    // meant for it lands on the main window beneath.
    StartSysInfo();
}

void frmAbout::StartSysInfo() {
    const bool started = links_.startSystemInfo ? links_.startSystemInfo() : StartSystemInformationTool();
    if (!started) links_.boxes.Show(kUnavailableText, "MUV", BoxIcon::None, BoxButtons::Ok);
}

}  // namespace muv
