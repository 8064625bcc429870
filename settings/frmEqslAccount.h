// The eQSL account window: the user name and password of the operator's account at the eQSL site, read
// by the contact entry and the eQSL upload. The user name is the operator's callsign until one is stored.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "settings/settings_window.h"

class QLabel;
class QPushButton;

namespace muv {

class ProfileStore;
class WebPages;

struct EqslAccountWindowLinks {
    ProfileStore& store;
    WebPages& pages;
    // The operator's callsign.
    std::function<std::string()> operatorCallsign;
};

class frmEqslAccount : public QDialog {
public:
    static constexpr const char* kEqslSite = "https://www.eqsl.cc/";

    explicit frmEqslAccount(EqslAccountWindowLinks links, QWidget* parent = nullptr);

    // The window's load: the stored account.
    void Form_Load();
    // Opens the eQSL site in the user's browser.
    void imgEQSL_Click();
    // Stores the account and closes.
    void cmdOK_Click();

    // The live account.
    std::string User() const;
    std::string Password() const;

    ClickClearsLineEdit* txtUsuarioEQSL;
    ClickClearsLineEdit* txtPasswordEQSL;
    QLabel* lblUser;
    QLabel* lblPasswordGmail;
    QPushButton* imgEQSL;
    QPushButton* cmdOK;

private:
    friend void LoadEqslAccount(ProfileStore& store, frmEqslAccount& w);
    EqslAccountWindowLinks links_;
};

// The "EQSL" group of the current profile: "Usuario" (the operator's callsign when nothing is stored)
// and "Password" (empty when nothing is stored).
void LoadEqslAccount(ProfileStore& store, frmEqslAccount& w);
void SaveEqslAccount(ProfileStore& store, frmEqslAccount& w);

}  // namespace muv
