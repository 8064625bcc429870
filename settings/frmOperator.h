// The operator window: the station's own callsign, name, e-mail address, QTH and locator. Its boxes are
// the live operator data that the macros, the log, the cluster link, the callsign server and the reports
// read. OK accepts an empty or valid locator only; it then reconnects the cluster, logs in to the
// callsign server and stores the five fields in the current profile.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "settings/settings_window.h"

class QLabel;
class QPushButton;

namespace muv {

class MessageBoxes;
class ProfileStore;

struct OperatorWindowLinks {
    ProfileStore& store;
    MessageBoxes& boxes;
    // Closes and reopens the DX-cluster connection (whose login takes the callsign now in the window).
    std::function<void()> clusterConnect;
    // Logs in to the callsign server.
    std::function<void()> callsignServerLogin;
};

class frmOperator : public QDialog {
public:
    explicit frmOperator(OperatorWindowLinks links, QWidget* parent = nullptr);

    // The window's load: the stored operator data, with a valid locator shown as IM98jm.
    void Form_Load();
    // Keeps the callsign in capitals, the caret at its end.
    void txtCallsign_Change();
    // Checks the locator; when it is empty or valid, reconnects, logs in, stores and closes.
    void cmdOK_Click();

    // The live operator data.
    std::string Callsign() const;
    std::string Name() const;
    std::string Email() const;
    std::string QTH() const;
    std::string Locator() const;

    ClickClearsLineEdit* txtCallsign;
    ClickClearsLineEdit* txtName;
    ClickClearsLineEdit* txtEmail;
    ClickClearsLineEdit* txtQTH;
    ClickClearsLineEdit* txtLocator;
    QLabel* lblCallSign;
    QLabel* lblName;
    QLabel* Label3;
    QLabel* Label5;
    QLabel* Label6;
    QPushButton* cmdOK;

private:
    OperatorWindowLinks links_;
};

// The "Operador" group of the current profile: the five boxes, each emptied when nothing is stored.
void LoadOperator(ProfileStore& store, frmOperator& w);
void SaveOperator(ProfileStore& store, frmOperator& w);

}  // namespace muv
