#include "settings/frmEmailReport.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <initializer_list>
#include <optional>
#include <utility>

#include "common/profile_store.h"
#include "common/vb.h"
#include "platform/private_profile.h"
#include "platform/qt/qt_text.h"
#include "settings/settings_window.h"

namespace muv {

namespace {

std::string TextOf(const QLineEdit* box) {
    return FromQString(box->text());
}

void SetText(QLineEdit* box, const std::optional<std::string>& value) {
    box->setText(ToQString(value.value_or(std::string())));
}

void SetEnabled(std::initializer_list<QWidget*> controls, bool enabled) {
    for (QWidget* c : controls)
        c->setEnabled(enabled);
}

// Selecting an option runs its handler, as the operator's click does, also when it was selected already
// (a reload must apply the rule again after the authentication box has set its fields).
template <class Handler>
void Select(QRadioButton* option, Handler handler) {
    if (option->isChecked())
        handler();
    else
        option->setChecked(true);
}

}  // namespace

frmEmailReport::frmEmailReport(EmailReportWindowLinks links, QWidget* parent)
    : QDialog(parent), links_(std::move(links)) {
    setObjectName("frmEmailReport");
    // English captions until the interface language is applied.
    setWindowTitle("Email Report");

    fraAccount = new QGroupBox("Account", this);
    optSMTP = new QRadioButton("SMTP", fraAccount);
    optGmail = new QRadioButton("Webmail", fraAccount);
    optNoInternet = new QRadioButton("No Internet", fraAccount);
    lblServer = new QLabel("SMTP Server", fraAccount);
    txtServidorSMTP = new QLineEdit(fraAccount);
    lblEmailAddress = new QLabel("Email Address", fraAccount);
    txtEmailAddress = new QLineEdit(fraAccount);
    chkAuthentication = new QCheckBox("Authentication", fraAccount);
    lblUsuarioSMTP = new QLabel("User", fraAccount);
    txtUsuarioSMTP = new QLineEdit(fraAccount);
    lblPasswordSMTP = new QLabel("Password", fraAccount);
    txtPasswordSMTP = new QLineEdit(fraAccount);
    lblUser = new QLabel("User", fraAccount);
    txtUsuarioGmail = new QLineEdit(fraAccount);
    lblGmail = new QLabel("(before the @)", fraAccount);
    lblPasswordGmail = new QLabel("Password", fraAccount);
    txtPasswordGmail = new QLineEdit(fraAccount);

    fraOptions = new QGroupBox("Report", this);
    Label1 = new QLabel("QSL File", fraOptions);
    txtQSL = new QLineEdit(fraOptions);
    lblMensajeFinal = new QLabel("Final Message", fraOptions);
    txtFinalMessage = new QLineEdit(fraOptions);
    optReportUltimo = new QRadioButton("Last Message", fraOptions);
    optReportTodo = new QRadioButton("All RX Window", fraOptions);

    cmdOK = new QPushButton("OK", this);

    txtPasswordSMTP->setEchoMode(QLineEdit::Password);
    txtPasswordGmail->setEchoMode(QLineEdit::Password);

    // Two groups of options: the way of sending, and what a report carries. None is selected until the
    // load selects the stored ones.
    wayGroup_ = new QButtonGroup(this);
    wayGroup_->addButton(optSMTP);
    wayGroup_->addButton(optGmail);
    wayGroup_->addButton(optNoInternet);
    reportGroup_ = new QButtonGroup(this);
    reportGroup_->addButton(optReportUltimo);
    reportGroup_->addButton(optReportTodo);

    fraAccount->setObjectName("fraAccount");
    optSMTP->setObjectName("optSMTP");
    optGmail->setObjectName("optGmail");
    optNoInternet->setObjectName("optNoInternet");
    lblServer->setObjectName("lblServer");
    txtServidorSMTP->setObjectName("txtServidorSMTP");
    lblEmailAddress->setObjectName("lblEmailAddress");
    txtEmailAddress->setObjectName("txtEmailAddress");
    chkAuthentication->setObjectName("chkAuthentication");
    lblUsuarioSMTP->setObjectName("lblUsuarioSMTP");
    txtUsuarioSMTP->setObjectName("txtUsuarioSMTP");
    lblPasswordSMTP->setObjectName("lblPasswordSMTP");
    txtPasswordSMTP->setObjectName("txtPasswordSMTP");
    lblUser->setObjectName("lblUser");
    txtUsuarioGmail->setObjectName("txtUsuarioGmail");
    lblGmail->setObjectName("lblGmail");
    lblPasswordGmail->setObjectName("lblPasswordGmail");
    txtPasswordGmail->setObjectName("txtPasswordGmail");
    fraOptions->setObjectName("fraOptions");
    Label1->setObjectName("Label1");
    txtQSL->setObjectName("txtQSL");
    lblMensajeFinal->setObjectName("lblMensajeFinal");
    txtFinalMessage->setObjectName("txtFinalMessage");
    optReportUltimo->setObjectName("optReportUltimo");
    optReportTodo->setObjectName("optReportTodo");
    cmdOK->setObjectName("cmdOK");

    auto* ways = new QHBoxLayout;
    ways->addWidget(optSMTP);
    ways->addWidget(optGmail);
    ways->addWidget(optNoInternet);
    auto* account = new QGridLayout(fraAccount);
    account->addLayout(ways, 0, 0, 1, 3);
    account->addWidget(lblServer, 1, 0);
    account->addWidget(txtServidorSMTP, 1, 1, 1, 2);
    account->addWidget(lblEmailAddress, 2, 0);
    account->addWidget(txtEmailAddress, 2, 1, 1, 2);
    account->addWidget(chkAuthentication, 3, 0, 1, 3);
    account->addWidget(lblUsuarioSMTP, 4, 0);
    account->addWidget(txtUsuarioSMTP, 4, 1, 1, 2);
    account->addWidget(lblPasswordSMTP, 5, 0);
    account->addWidget(txtPasswordSMTP, 5, 1, 1, 2);
    account->addWidget(lblUser, 6, 0);
    account->addWidget(txtUsuarioGmail, 6, 1);
    account->addWidget(lblGmail, 6, 2);
    account->addWidget(lblPasswordGmail, 7, 0);
    account->addWidget(txtPasswordGmail, 7, 1, 1, 2);

    auto* reportWays = new QHBoxLayout;
    reportWays->addWidget(optReportUltimo);
    reportWays->addWidget(optReportTodo);
    auto* options = new QGridLayout(fraOptions);
    options->addWidget(Label1, 0, 0);
    options->addWidget(txtQSL, 0, 1);
    options->addWidget(lblMensajeFinal, 1, 0);
    options->addWidget(txtFinalMessage, 1, 1);
    options->addLayout(reportWays, 2, 0, 1, 2);

    auto* page = new QVBoxLayout(this);
    page->addWidget(fraAccount);
    page->addWidget(fraOptions);
    page->addWidget(cmdOK, 0, Qt::AlignRight);

    // An option's rule runs when it becomes selected, by the operator or by the loader; the box's rule
    // runs at each change.
    WhenChosen(optSMTP, this, [this] { optSMTP_Click(); });
    WhenChosen(optGmail, this, [this] { optGmail_Click(); });
    WhenChosen(optNoInternet, this, [this] { optNoInternet_Click(); });
    connect(chkAuthentication, &QCheckBox::toggled, this, [this] { chkAuthentication_Click(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
}

void frmEmailReport::Form_Load() {
    PaintOkButton(cmdOK);
    LoadEmailSettings(links_.store, *this);
}

void frmEmailReport::optSMTP_Click() {
    SetEnabled({lblUser, lblGmail, lblPasswordGmail, txtUsuarioGmail, txtPasswordGmail}, false);
    SetEnabled({lblServer, txtServidorSMTP, txtEmailAddress, lblEmailAddress, chkAuthentication}, true);
    chkAuthentication_Click();
}

void frmEmailReport::optGmail_Click() {
    SetEnabled({lblUser, lblGmail, lblPasswordGmail, txtUsuarioGmail, txtPasswordGmail}, true);
    SetEnabled({lblServer, txtServidorSMTP, txtEmailAddress, lblEmailAddress, chkAuthentication,
                lblUsuarioSMTP, txtUsuarioSMTP, lblPasswordSMTP, txtPasswordSMTP},
               false);
}

void frmEmailReport::optNoInternet_Click() {
    SetEnabled({lblUser, lblGmail, lblPasswordGmail, txtUsuarioGmail, txtPasswordGmail, lblServer,
                txtServidorSMTP, txtEmailAddress, lblEmailAddress, chkAuthentication, lblUsuarioSMTP,
                txtUsuarioSMTP, lblPasswordSMTP, txtPasswordSMTP},
               false);
}

void frmEmailReport::chkAuthentication_Click() {
    SetEnabled({lblPasswordSMTP, txtPasswordSMTP, lblUsuarioSMTP, txtUsuarioSMTP},
               chkAuthentication->isChecked());
}

void frmEmailReport::cmdOK_Click() {
    SaveEmailSettings(links_.store, *this);
    accept();
}

bool frmEmailReport::NoInternet() const {
    return optNoInternet->isChecked();
}
bool frmEmailReport::SmtpSelected() const {
    return optSMTP->isChecked();
}
bool frmEmailReport::GmailSelected() const {
    return optGmail->isChecked();
}
bool frmEmailReport::AuthenticationChecked() const {
    return chkAuthentication->isChecked();
}
bool frmEmailReport::ReportLastMessage() const {
    return optReportUltimo->isChecked();
}
std::string frmEmailReport::ServidorSMTP() const {
    return TextOf(txtServidorSMTP);
}
std::string frmEmailReport::EmailAddress() const {
    return TextOf(txtEmailAddress);
}
std::string frmEmailReport::UsuarioSMTP() const {
    return TextOf(txtUsuarioSMTP);
}
std::string frmEmailReport::PasswordSMTP() const {
    return TextOf(txtPasswordSMTP);
}
std::string frmEmailReport::UsuarioGmail() const {
    return TextOf(txtUsuarioGmail);
}
std::string frmEmailReport::PasswordGmail() const {
    return TextOf(txtPasswordGmail);
}
std::string frmEmailReport::QSL() const {
    return TextOf(txtQSL);
}
std::string frmEmailReport::FinalMessage() const {
    return TextOf(txtFinalMessage);
}

void LoadEmailSettings(ProfileStore& store, frmEmailReport& w) {
    const std::string section = store.Section("Email");
    // Every text comes back whole, as long as it was typed.
    SetText(w.txtQSL, store.Read(section, "QSL", kWholeText));

    std::optional<std::string> address = store.Read(section, "Email Address", kWholeText);
    if (!address && w.links_.operatorEmail) address = w.links_.operatorEmail();
    SetText(w.txtEmailAddress, address);

    SetText(w.txtUsuarioSMTP, store.Read(section, "Usuario SMTP", kWholeText));
    SetText(w.txtPasswordSMTP, store.Read(section, "Password SMTP", kWholeText));

    // Only 1 ticks the box; any other stored value leaves it clear.
    const std::optional<std::string> authentication = store.Read(section, "Authentication", 50);
    w.chkAuthentication->setChecked(authentication && Val(*authentication) == 1);
    w.chkAuthentication_Click();

    SetText(w.txtFinalMessage, store.Read(section, "Final Message", kWholeText));

    const std::optional<std::string> report = store.Read(section, "Report Option", 50);
    if (!report || Val(*report) == 1)
        w.optReportUltimo->setChecked(true);
    else
        w.optReportTodo->setChecked(true);

    const std::optional<std::string> option = store.Read(section, "Option", 50);
    const double way = option ? Val(*option) : 3;
    if (way == 1)
        Select(w.optSMTP, [&w] { w.optSMTP_Click(); });
    else if (way == 2)
        Select(w.optGmail, [&w] { w.optGmail_Click(); });
    else
        Select(w.optNoInternet, [&w] { w.optNoInternet_Click(); });

    SetText(w.txtServidorSMTP, store.Read(section, "Servidor SMTP", kWholeText));
    SetText(w.txtUsuarioGmail, store.Read(section, "Usuario Gmail", kWholeText));
    SetText(w.txtPasswordGmail, store.Read(section, "Password", kWholeText));
}

void SaveEmailSettings(ProfileStore& store, frmEmailReport& w) {
    const std::string section = store.Section("Email");
    // An empty attachment is stored, and shown, as "http://", which stands for none.
    if (w.txtQSL->text().isEmpty()) w.txtQSL->setText("http://");
    store.Write(section, "QSL", w.QSL());
    store.Write(section, "Email Address", w.EmailAddress());
    store.Write(section, "Usuario SMTP", w.UsuarioSMTP());
    store.Write(section, "Password SMTP", w.PasswordSMTP());
    store.Write(section, "Authentication", w.AuthenticationChecked() ? "1" : "0");
    store.Write(section, "Final Message", w.FinalMessage());
    store.Write(section, "Report Option", w.ReportLastMessage() ? "1" : "2");
    store.Write(section, "Option", w.SmtpSelected() ? "1" : w.GmailSelected() ? "2" : "3");
    store.Write(section, "Servidor SMTP", w.ServidorSMTP());
    store.Write(section, "Usuario Gmail", w.UsuarioGmail());
    store.Write(section, "Password", w.PasswordGmail());
}

}  // namespace muv
