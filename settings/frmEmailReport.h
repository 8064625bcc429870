// The e-mail report settings window: how the program sends its mail (the operator's own SMTP server, the
// webmail provider, or no mail at all), the account data for either way, the file attached to report
// mails, the closing text of the reports, and whether a report carries the last received message or the
// whole receive window. The mail builder and the sender read the choice here at run time.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace muv {

class ProfileStore;

struct EmailReportWindowLinks {
    ProfileStore& store;
    // The operator window's e-mail address: the account address until one is stored.
    std::function<std::string()> operatorEmail;
};

class frmEmailReport : public QDialog {
public:
    explicit frmEmailReport(EmailReportWindowLinks links, QWidget* parent = nullptr);

    // The window's load: the OK colour, then the stored choice (which applies its enabling rules).
    void Form_Load();
    // The enabling rules of the three ways of sending, and of the SMTP account's user name and password.
    void optSMTP_Click();
    void optGmail_Click();
    void optNoInternet_Click();
    void chkAuthentication_Click();
    // Stores the group and closes the window.
    void cmdOK_Click();

    // --- what the mail builder and the sender read (UTF-8 texts) ---
    bool NoInternet() const;
    bool SmtpSelected() const;
    bool GmailSelected() const;
    bool AuthenticationChecked() const;
    bool ReportLastMessage() const;  // else the whole receive window
    std::string ServidorSMTP() const;
    std::string EmailAddress() const;
    std::string UsuarioSMTP() const;
    std::string PasswordSMTP() const;
    std::string UsuarioGmail() const;
    std::string PasswordGmail() const;
    std::string QSL() const;  // the attachment; "http://" stands for none
    std::string FinalMessage() const;

    QGroupBox* fraAccount;
    QRadioButton* optSMTP;
    QRadioButton* optGmail;
    QRadioButton* optNoInternet;
    QLabel* lblServer;
    QLineEdit* txtServidorSMTP;
    QLabel* lblEmailAddress;
    QLineEdit* txtEmailAddress;
    QCheckBox* chkAuthentication;
    QLabel* lblUsuarioSMTP;
    QLineEdit* txtUsuarioSMTP;
    QLabel* lblPasswordSMTP;
    QLineEdit* txtPasswordSMTP;
    QLabel* lblUser;
    QLineEdit* txtUsuarioGmail;
    QLabel* lblGmail;
    QLabel* lblPasswordGmail;
    QLineEdit* txtPasswordGmail;

    QGroupBox* fraOptions;
    QLabel* Label1;
    QLineEdit* txtQSL;
    QLabel* lblMensajeFinal;
    QLineEdit* txtFinalMessage;
    QRadioButton* optReportUltimo;
    QRadioButton* optReportTodo;

    QPushButton* cmdOK;

private:
    friend void LoadEmailSettings(ProfileStore& store, frmEmailReport& w);

    EmailReportWindowLinks links_;
    QButtonGroup* wayGroup_;
    QButtonGroup* reportGroup_;
};

// The "Email" group of the current profile: the loader sets each control as the operator would (so the
// chosen way of sending applies its enabling rules); the saver writes every key.
void LoadEmailSettings(ProfileStore& store, frmEmailReport& w);
void SaveEmailSettings(ProfileStore& store, frmEmailReport& w);

}  // namespace muv
