// The About window: the program's name, what it is, its version, and a button that starts a system
// information program.
#pragma once

#include <QDialog>
#include <functional>
#include "common/version.h"

class QLabel;
class QPushButton;

namespace muv {

class MessageBoxes;

// Starts the first system-information program found on the PATH, without waiting for it; false when
// none is there or it could not be started.
bool StartSystemInformationTool();

struct AboutWindowLinks {
    MessageBoxes& boxes;
    // Starts the system-information program; StartSystemInformationTool when empty.
    std::function<bool()> startSystemInfo;
};

class frmAbout : public QDialog {
public:
    static constexpr const char* kVersion = kVersionText;
    static constexpr const char* kReleaseDate = "  -  11 October, 2010";
    static constexpr const char* kUnavailableText = "System Information Is Unavailable At This Time";

    explicit frmAbout(AboutWindowLinks links, QWidget* parent = nullptr);

    // Sets the version label.
    void Form_Load();
    void cmdOK_Click();
    // Starts the system-information program; the window stays open.
    void cmdSysInfo_Click();
    // Starts the system-information program or tells the operator that there is none.
    void StartSysInfo();

    QLabel* lblTitle;
    QLabel* lblDescription;
    QLabel* lblVersion;
    QPushButton* cmdOK;
    QPushButton* cmdSysInfo;

private:
    AboutWindowLinks links_;
};

}  // namespace muv
