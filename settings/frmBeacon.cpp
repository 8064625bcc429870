#include "settings/frmBeacon.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextDocument>
#include <QVBoxLayout>
#include <optional>
#include <utility>

#include "common/profile_store.h"
#include "common/vb.h"
#include "platform/qt/qt_text.h"
#include "settings/settings_window.h"

namespace muv {

namespace {

constexpr const char* kBeaconSection = "BEACON";
constexpr size_t kModeBuffer = 20;
constexpr size_t kTextBuffer = 200;
constexpr size_t kPeriodBuffer = 50;

// The placeholders a report text may hold, as the window lists them.
constexpr const char* kPlaceholderList[] = {"My Callsign: <MYCALL>",       "Name:............<NAME>",
                                            "Email:.............<EMAIL>",  "QTH:...............<QTH>",
                                            "Locator:..........<LOCATOR>", "Destination:...<DESTINATION>",
                                            "S/N:..............<SN>",      "Version:........<VER>"};

std::string TwoDigits(int n) {
    return n < 10 ? "0" + std::to_string(n) : std::to_string(n);
}

std::string Capitals(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

QLineEdit* TextBox(const char* name, const char* text, QWidget* parent) {
    auto* box = new QLineEdit(QString::fromLatin1(text), parent);
    box->setObjectName(name);
    return box;
}

}  // namespace

frmBeacon::frmBeacon(BeaconWindowLinks links, QWidget* parent) : QDialog(parent), links_(links) {
    setObjectName("frmBeacon");
    // English captions until the interface language is applied.
    setWindowTitle("Beacon");

    fraBeacon = new QGroupBox("Mode", this);
    fraBeacon->setObjectName("fraBeacon");
    optBeaconReportMode = new QRadioButton("Beacon and Report", fraBeacon);
    optBeaconReportMode->setObjectName("optBeaconReportMode");
    optBeaconOnlyMode = new QRadioButton("Beacon Only", fraBeacon);
    optBeaconOnlyMode->setObjectName("optBeaconOnlyMode");
    optReportOnlyMode = new QRadioButton("Report Only", fraBeacon);
    optReportOnlyMode->setObjectName("optReportOnlyMode");
    auto* modes = new QVBoxLayout(fraBeacon);
    modes->addWidget(optBeaconReportMode);
    modes->addWidget(optBeaconOnlyMode);
    modes->addWidget(optReportOnlyMode);

    fraBeaconTimer = new QGroupBox("Beacon Timer", this);
    fraBeaconTimer->setObjectName("fraBeaconTimer");
    hsb16 = new QScrollBar(Qt::Horizontal, this);
    hsb16->setObjectName("hsb16");
    hsb16->setRange(kPeriodMin, kPeriodMax);
    hsb16->setMinimumWidth(180);
    lbl16 = new QLabel(this);
    lbl16->setObjectName("lbl16");
    lbl16->setAlignment(Qt::AlignCenter);
    auto* timer = new QVBoxLayout(fraBeaconTimer);
    timer->addWidget(hsb16);
    timer->addWidget(lbl16);
    timer->addStretch();

    lblReport16y8 = new QLabel("Beacon Report", this);
    lblReport16y8->setObjectName("lblReport16y8");
    txtBeacon16y8Preambulo = TextBox("txtBeacon16y8Preambulo", "Report: QRZ de <MYCALL>  <LOCATOR>", this);
    // It shows how a report begins; the beginning itself is not the operator's to change.
    txtBeacon16y8Preambulo->setReadOnly(true);
    txtBeacon16y8 = TextBox("txtBeacon16y8", "<SN>  <EMAIL>", this);
    // What the settings file gives back: a longer text would come back cut at the next load.
    txtBeacon16y8->setMaxLength(static_cast<int>(kTextBuffer) - 1);
    txtBeacon16y8Final = TextBox("txtBeacon16y8Final", "", this);
    txtBeacon16y8Final->setReadOnly(true);
    txtBeacon16y8Final->setFixedWidth(64);
    txtListaMacros = new QPlainTextEdit(this);
    txtListaMacros->setObjectName("txtListaMacros");
    txtListaMacros->setReadOnly(true);
    // Room for the eight lines of the list.
    txtListaMacros->setFixedHeight(
        txtListaMacros->fontMetrics().lineSpacing() * 8 +
        2 * (txtListaMacros->frameWidth() + static_cast<int>(txtListaMacros->document()->documentMargin())) +
        4);
    cmdOK = new QPushButton("OK", this);
    cmdOK->setObjectName("cmdOK");

    auto* top = new QHBoxLayout;
    top->addWidget(fraBeacon);
    top->addWidget(fraBeaconTimer, 1);
    auto* text = new QHBoxLayout;
    text->addWidget(txtBeacon16y8Preambulo, 3);
    text->addWidget(txtBeacon16y8, 2);
    text->addWidget(txtBeacon16y8Final);
    auto* all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addWidget(lblReport16y8);
    all->addLayout(text);
    all->addWidget(txtListaMacros);
    all->addWidget(cmdOK, 0, Qt::AlignRight);
    setMinimumWidth(520);

    // Options chosen by the code run their handlers as the operator's choice does.
    WhenChosen(optBeaconReportMode, this, [this] { optBeaconReportMode_Click(); });
    WhenChosen(optBeaconOnlyMode, this, [this] { optBeaconOnlyMode_Click(); });
    WhenChosen(optReportOnlyMode, this, [this] { optReportOnlyMode_Click(); });
    connect(hsb16, &QScrollBar::valueChanged, this, [this] { hsb16_Change(); });
    connect(hsb16, &QScrollBar::sliderMoved, this, [this] { hsb16_Scroll(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
}

void frmBeacon::Form_Load() {
    PaintOkButton(cmdOK);
    hsb16->setRange(kPeriodMin, kPeriodMax);
    hsb16->setValue(kPeriodMin);
    // The bar may have had that value already.
    ShowBeaconTimer();
    LoadBeaconSettings(links_.store, *this);
    QStringList list;
    for (const char* line : kPlaceholderList)
        list << QString::fromLatin1(line);
    txtListaMacros->setPlainText(list.join('\n'));
}

void frmBeacon::cmdOK_Click() {
    SaveBeaconSettings(links_.store, *this);
    accept();
}

void frmBeacon::hsb16_Change() {
    ShowBeaconTimer();
}

void frmBeacon::hsb16_Scroll() {
    ShowBeaconTimer();
}

void frmBeacon::ShowBeaconTimer() {
    const int value = hsb16->value();
    const int m = value / 60;
    const int s = value - 60 * m;
    lbl16->setText(QString::fromStdString(TwoDigits(m) + ":" + TwoDigits(s)));
}

void frmBeacon::ChooseMode(uint8_t mode, const char* marker, bool timerShown, bool textShown) {
    // The operator's change of mode stops a running beacon; the first choice after the window has
    // loaded is the stored one, under which the beacon may be running, and stops nothing.
    if (SelectedBeaconMode != 0 && SelectedBeaconMode != mode && links_.host.BeaconOn())
        links_.host.imgONBeacon_Click();
    SelectedBeaconMode = mode;
    for (QWidget* w :
         {static_cast<QWidget*>(hsb16), static_cast<QWidget*>(fraBeaconTimer), static_cast<QWidget*>(lbl16)})
        w->setVisible(timerShown);
    for (QWidget* w : {static_cast<QWidget*>(lblReport16y8), static_cast<QWidget*>(txtBeacon16y8Preambulo),
                       static_cast<QWidget*>(txtBeacon16y8), static_cast<QWidget*>(txtListaMacros),
                       static_cast<QWidget*>(txtBeacon16y8Final)})
        w->setVisible(textShown);
    txtBeacon16y8Final->setText(QString::fromLatin1(marker));
}

void frmBeacon::optBeaconReportMode_Click() {
    ChooseMode(1, " (BRM)", true, true);
}

void frmBeacon::optBeaconOnlyMode_Click() {
    ChooseMode(2, " (BOM)", true, false);
}

void frmBeacon::optReportOnlyMode_Click() {
    ChooseMode(3, " (ROM)", false, true);
}

void frmBeacon::SetBeaconModesAvailable(bool available) {
    optBeaconReportMode->setEnabled(available);
    optBeaconOnlyMode->setEnabled(available);
    if (!available && SelectedBeaconMode != 0 && !optReportOnlyMode->isChecked())
        optReportOnlyMode->setChecked(true);
}

BeaconMode frmBeacon::Mode() const {
    if (optBeaconReportMode->isChecked()) return BeaconMode::BeaconAndReport;
    if (optBeaconOnlyMode->isChecked()) return BeaconMode::BeaconOnly;
    return BeaconMode::ReportOnly;
}

int frmBeacon::Period() const {
    return hsb16->value();
}

uint8_t frmBeacon::ComprobarMensajeCQ() {
    return Capitals(links_.host.RxText()).find(" CQ ") != std::string::npos ? 1 : 0;
}

void frmBeacon::BeaconReport() {
    BeaconHost& host = links_.host;
    int step = 0;
    try {
        const std::string received = host.RxText();
        const std::string head = Capitals(received.substr(0, 6));
        if (optBeaconOnlyMode->isChecked()) SetReportArmed(false);
        step = 1;
        const uint8_t cq = ComprobarMensajeCQ();
        if (ReportArmed() && cq == 1 && head != "REPORT") {
            step = 2;
            SetSavedTxText(host.TxText());
            const std::string call = host.CallsignAfterDe(received);
            step = 3;
            const std::string report = call.empty() ? std::string("Report: QRZ de <MYCALL> <LOCATOR>")
                                                    : "Report: " + call + " de <MYCALL> <LOCATOR>";
            host.SetTxText(host.AplicarMacros(report + " " + FromQString(txtBeacon16y8->text()) +
                                              FromQString(txtBeacon16y8Final->text())));
            step = 4;
            // Start, then end once the report has gone; but only a transmission that started can end.
            host.cmdTX_RX_Click();
            if (host.TxRxState() == 1) {
                host.cmdTX_RX_Click();
            } else {
                // Nothing went on the air: the operator's text is back at once and the answer is over.
                host.SetTxText(SavedTxText());
                SetReportArmed(false);
            }
            step = 5;
            return;
        }
        // A message left unanswered disarms the answer, or the next transmission (the beacon's) would be
        // taken for a report and the put-aside text would replace the operator's.
        SetReportArmed(false);
        if (host.BeaconOn()) {
            step = 6;
            host.HoldBeacon();
            step = 7;
        }
    } catch (const std::exception&) {
        host.ReportTrappedError(21, std::to_string(step) + " ");
    }
}

// ------------------------------------------------------------------ the settings group

void LoadBeaconSettings(ProfileStore& store, frmBeacon& w) {
    const std::string section = store.Section(kBeaconSection);
    QRadioButton* mode = w.optBeaconReportMode;
    if (const std::optional<std::string> v = store.Read(section, "Modo", kModeBuffer)) {
        const double n = Val(*v);
        mode = n == 1 ? w.optBeaconReportMode : n == 2 ? w.optBeaconOnlyMode : w.optReportOnlyMode;
    }
    // Without the processor load the beacon modes cannot be chosen: only the report answer runs.
    if (!mode->isEnabled()) mode = w.optReportOnlyMode;
    mode->setChecked(true);
    if (const std::optional<std::string> v = store.Read(section, "Macro Beacon 16y8", kTextBuffer))
        w.txtBeacon16y8->setText(ToQString(*v));
    // A period outside the bar's range is not one the window can have shown: the bar keeps its own.
    if (const std::optional<std::string> v = store.Read(section, "Timer16", kPeriodBuffer)) {
        const double n = RoundHalfEven(Val(*v));
        if (n >= frmBeacon::kPeriodMin && n <= frmBeacon::kPeriodMax) w.hsb16->setValue(static_cast<int>(n));
    }
}

void SaveBeaconSettings(ProfileStore& store, frmBeacon& w) {
    const std::string section = store.Section(kBeaconSection);
    const char* mode = w.optBeaconReportMode->isChecked() ? "1"
                       : w.optBeaconOnlyMode->isChecked() ? "2"
                                                          : "3";
    store.Write(section, "Modo", mode);
    store.Write(section, "Macro Beacon 16y8", FromQString(w.txtBeacon16y8->text()));
    store.Write(section, "Timer16", Str(w.hsb16->value()));
}

}  // namespace muv
