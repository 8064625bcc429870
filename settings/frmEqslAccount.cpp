#include "settings/frmEqslAccount.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <optional>
#include <utility>

#include "common/message_box.h"
#include "common/profile_store.h"
#include "platform/qt/qt_text.h"

namespace muv {

namespace {

constexpr size_t kEqslBuffer = 50;

ClickClearsLineEdit* AccountBox(const char* name, QWidget* parent) {
    auto* box = new ClickClearsLineEdit(parent);
    box->setObjectName(name);
    // What the settings file gives back: a longer text would come back cut at the next load.
    box->setMaxLength(static_cast<int>(kEqslBuffer) - 1);
    return box;
}

}  // namespace

frmEqslAccount::frmEqslAccount(EqslAccountWindowLinks links, QWidget* parent)
    : QDialog(parent), links_(std::move(links)) {
    setObjectName("frmEqslAccount");
    // English captions until the interface language is applied.
    setWindowTitle("eQSL");
    txtUsuarioEQSL = AccountBox("txtUsuarioEQSL", this);
    txtPasswordEQSL = AccountBox("txtPasswordEQSL", this);
    txtPasswordEQSL->setEchoMode(QLineEdit::Password);
    lblUser = new QLabel("Username:", this);
    lblUser->setObjectName("lblUser");
    lblPasswordGmail = new QLabel("Password:", this);
    imgEQSL = new QPushButton("eQSL.cc", this);
    imgEQSL->setObjectName("imgEQSL");
    imgEQSL->setFlat(true);
    imgEQSL->setCursor(Qt::PointingHandCursor);
    imgEQSL->setToolTip(kEqslSite);
    cmdOK = new QPushButton("OK", this);
    cmdOK->setObjectName("cmdOK");

    auto* grid = new QGridLayout(this);
    grid->addWidget(imgEQSL, 0, 0, 1, 2);
    grid->addWidget(lblUser, 1, 0);
    grid->addWidget(txtUsuarioEQSL, 1, 1);
    grid->addWidget(lblPasswordGmail, 2, 0);
    grid->addWidget(txtPasswordEQSL, 2, 1);
    grid->addWidget(cmdOK, 3, 1, Qt::AlignRight);

    connect(imgEQSL, &QPushButton::clicked, this, [this] { imgEQSL_Click(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
}

void frmEqslAccount::Form_Load() {
    LoadEqslAccount(links_.store, *this);
    PaintOkButton(cmdOK);
}

void frmEqslAccount::imgEQSL_Click() {
    links_.pages.Open(kEqslSite);
}

void frmEqslAccount::cmdOK_Click() {
    SaveEqslAccount(links_.store, *this);
    accept();
}

std::string frmEqslAccount::User() const {
    return FromQString(txtUsuarioEQSL->text());
}

std::string frmEqslAccount::Password() const {
    return FromQString(txtPasswordEQSL->text());
}

void LoadEqslAccount(ProfileStore& store, frmEqslAccount& w) {
    const std::string section = store.Section("EQSL");
    std::optional<std::string> user = store.Read(section, "Usuario", kEqslBuffer);
    if (!user && w.links_.operatorCallsign) user = w.links_.operatorCallsign();
    w.txtUsuarioEQSL->setText(ToQString(user.value_or("")));
    const std::optional<std::string> password = store.Read(section, "Password", kEqslBuffer);
    w.txtPasswordEQSL->setText(ToQString(password.value_or("")));
}

void SaveEqslAccount(ProfileStore& store, frmEqslAccount& w) {
    const std::string section = store.Section("EQSL");
    store.Write(section, "Usuario", FromQString(w.txtUsuarioEQSL->text()));
    store.Write(section, "Password", FromQString(w.txtPasswordEQSL->text()));
}

}  // namespace muv
