#include "settings/frmOperator.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <optional>
#include <utility>

#include "common/message_box.h"
#include "common/profile_store.h"
#include "logbook/locator.h"
#include "platform/qt/qt_text.h"

namespace muv {

namespace {

constexpr size_t kOperatorBuffer = 50;

// Capitals, character by character, so the text keeps its length (and the caret its place): a letter
// whose capital is more than one letter ("ß") stays as it is.
QString UpperCase(const QString& text) {
    QString upper = text;
    for (QChar& c : upper)
        c = c.toUpper();
    return upper;
}

ClickClearsLineEdit* OperatorBox(const char* name, QWidget* parent) {
    auto* box = new ClickClearsLineEdit(parent);
    box->setObjectName(name);
    // What the settings file gives back: a longer text would come back cut at the next load.
    box->setMaxLength(static_cast<int>(kOperatorBuffer) - 1);
    return box;
}

}  // namespace

frmOperator::frmOperator(OperatorWindowLinks links, QWidget* parent)
    : QDialog(parent), links_(std::move(links)) {
    setObjectName("frmOperator");
    // English captions until the interface language is applied.
    setWindowTitle("Operator");
    txtCallsign = OperatorBox("txtCallsign", this);
    txtName = OperatorBox("txtName", this);
    txtEmail = OperatorBox("txtEmail", this);
    txtQTH = OperatorBox("txtQTH", this);
    txtLocator = OperatorBox("txtLocator", this);
    lblCallSign = new QLabel("Callsign", this);
    lblCallSign->setObjectName("lblCallSign");
    lblName = new QLabel("Name", this);
    lblName->setObjectName("lblName");
    Label3 = new QLabel("E-mail", this);
    Label5 = new QLabel("QTH", this);
    Label6 = new QLabel("Locator", this);
    cmdOK = new QPushButton("OK", this);
    cmdOK->setObjectName("cmdOK");

    auto* grid = new QGridLayout(this);
    int row = 0;
    for (auto [label, box] : {std::pair<QLabel*, QLineEdit*>{lblCallSign, txtCallsign},
                              {lblName, txtName},
                              {Label3, txtEmail},
                              {Label5, txtQTH},
                              {Label6, txtLocator}}) {
        grid->addWidget(label, row, 0);
        grid->addWidget(box, row, 1);
        ++row;
    }
    grid->addWidget(cmdOK, row, 1, Qt::AlignRight);

    // Every change of the callsign, typed or loaded, passes through the handler.
    connect(txtCallsign, &QLineEdit::textChanged, this, [this] { txtCallsign_Change(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
}

void frmOperator::Form_Load() {
    LoadOperator(links_.store, *this);
    const std::string locator = Locator();
    if (IsValidLocator(locator) == 1) txtLocator->setText(ToQString(NormaliseLocator(locator)));
    PaintOkButton(cmdOK);
}

void frmOperator::txtCallsign_Change() {
    const QString text = txtCallsign->text();
    const QString upper = UpperCase(text);
    if (upper != text) txtCallsign->setText(upper);  // runs this handler once more, with nothing to change
    txtCallsign->setCursorPosition(static_cast<int>(txtCallsign->text().size()));
}

void frmOperator::cmdOK_Click() {
    txtCallsign->setText(UpperCase(txtCallsign->text()));
    const std::string locator = Locator();
    if (!locator.empty() && IsValidLocator(locator) != 1) {
        links_.boxes.Show("Locator not valid", "Locator Error", BoxIcon::Critical);
        return;
    }
    txtLocator->setText(ToQString(NormaliseLocator(locator)));
    if (links_.clusterConnect) links_.clusterConnect();
    if (links_.callsignServerLogin) links_.callsignServerLogin();
    SaveOperator(links_.store, *this);
    accept();
}

std::string frmOperator::Callsign() const {
    return FromQString(txtCallsign->text());
}

std::string frmOperator::Name() const {
    return FromQString(txtName->text());
}

std::string frmOperator::Email() const {
    return FromQString(txtEmail->text());
}

std::string frmOperator::QTH() const {
    return FromQString(txtQTH->text());
}

std::string frmOperator::Locator() const {
    return FromQString(txtLocator->text());
}

namespace {

struct OperatorKey {
    const char* key;
    ClickClearsLineEdit* frmOperator::*box;
};
constexpr OperatorKey kOperatorKeys[] = {{"Callsign", &frmOperator::txtCallsign},
                                         {"Name", &frmOperator::txtName},
                                         {"E-mail", &frmOperator::txtEmail},
                                         {"QTH", &frmOperator::txtQTH},
                                         {"Locator", &frmOperator::txtLocator}};

}  // namespace

void LoadOperator(ProfileStore& store, frmOperator& w) {
    const std::string section = store.Section("Operador");
    for (const OperatorKey& k : kOperatorKeys) {
        const std::optional<std::string> value = store.Read(section, k.key, kOperatorBuffer);
        (w.*k.box)->setText(value ? ToQString(*value) : QString());
    }
}

void SaveOperator(ProfileStore& store, frmOperator& w) {
    const std::string section = store.Section("Operador");
    for (const OperatorKey& k : kOperatorKeys)
        store.Write(section, k.key, FromQString((w.*k.box)->text()));
}

}  // namespace muv
