#include "settings/frmScan.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <optional>
#include <string>

#include "common/profile_store.h"
#include "common/vb.h"
#include "settings/settings_window.h"

namespace muv {

namespace {

constexpr const char* kScanSection = "SCAN";
constexpr const char* kDwellKey = "Segundos";
constexpr size_t kBuffer = 50;
constexpr int kColumns = 5;

std::string TwoDigits(int n) {
    return n < 10 ? "0" + std::to_string(n) : std::to_string(n);
}

}  // namespace

frmScan::frmScan(ScanWindowLinks links, QWidget* parent) : QDialog(parent), links_(links) {
    setObjectName("frmScan");
    // English captions until the interface language is applied.
    setWindowTitle("Scan");
    fraFrequencies = new QGroupBox("Frequencies", this);
    fraFrequencies->setObjectName("fraFrequencies");
    auto* grid = new QGridLayout(fraFrequencies);
    for (int i = 1; i <= links_.frequencyCount; ++i) {
        auto* box = new QCheckBox(QString::number(i), fraFrequencies);
        box->setObjectName(QString("chkFrecuencias%1").arg(i));
        grid->addWidget(box, (i - 1) / kColumns, (i - 1) % kColumns);
        chkFrecuencias.Add(box);
    }
    vsbScan = new QScrollBar(Qt::Vertical, this);
    vsbScan->setObjectName("vsbScan");
    vsbScan->setRange(0, kDwellMax);
    lblScanTime = new QLabel("Scan Time", this);
    lblScanTime->setObjectName("lblScanTime");
    lblScan = new QLabel(this);
    lblScan->setObjectName("lblScan");
    cmdOK = new QPushButton("OK", this);
    cmdOK->setObjectName("cmdOK");

    auto* time = new QVBoxLayout;
    time->addWidget(lblScanTime, 0, Qt::AlignHCenter);
    time->addWidget(vsbScan, 1, Qt::AlignHCenter);
    time->addWidget(lblScan, 0, Qt::AlignHCenter);
    auto* top = new QHBoxLayout;
    top->addWidget(fraFrequencies, 1);
    top->addLayout(time);
    auto* all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addWidget(cmdOK, 0, Qt::AlignRight);

    // A value set by the code shows its time as the operator's does.
    connect(vsbScan, &QScrollBar::valueChanged, this, [this] { vsbScan_Change(); });
    connect(vsbScan, &QScrollBar::sliderMoved, this, [this] { vsbScan_Scroll(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
}

void frmScan::Form_Load() {
    PaintOkButton(cmdOK);
    vsbScan->setRange(0, kDwellMax);
    LoadScanSettings(links_.store, *this);
    // A value equal to the one the bar already had changed nothing: show it all the same.
    ShowScanTime();
}

void frmScan::vsbScan_Change() {
    ShowScanTime();
}

void frmScan::vsbScan_Scroll() {
    ShowScanTime();
}

void frmScan::ShowScanTime() {
    const int t = 300 - vsbScan->value();
    const int m = t / 60;
    const int s = t - 60 * m;
    lblScan->setText(QString::fromStdString(TwoDigits(m) + ":" + TwoDigits(s)));
}

void frmScan::cmdOK_Click() {
    SaveScanSettings(links_.store, *this);
    accept();
}

bool frmScan::FrequencyTicked(int i) const {
    return chkFrecuencias(i)->isChecked();
}

int frmScan::DwellValue() const {
    return vsbScan->value();
}

void LoadScanSettings(ProfileStore& store, frmScan& w) {
    const std::string section = store.Section(kScanSection);
    const int n = w.FrequencyCount();
    for (int i = 1; i <= n; ++i) {
        const std::optional<std::string> value = store.Read(section, std::to_string(i), kBuffer);
        w.chkFrecuencias(i)->setChecked(value && Val(*value) == 1);
    }
    // A missing or unusable value gives the 30-second dwell; a stored 0 is the five-minute dwell and
    // stays, whether the window is loading or the profile has just been switched.
    int dwell = frmScan::kDefaultDwellValue;
    if (const std::optional<std::string> value = store.Read(section, kDwellKey, kBuffer)) {
        const double v = RoundHalfEven(Val(*value));
        if (v >= 0 && v <= frmScan::kDwellMax) dwell = static_cast<int>(v);
    }
    w.vsbScan->setValue(dwell);
}

void SaveScanSettings(ProfileStore& store, frmScan& w) {
    const std::string section = store.Section(kScanSection);
    const int n = w.FrequencyCount();
    for (int i = 1; i <= n; ++i)
        store.Write(section, std::to_string(i), w.FrequencyTicked(i) ? "1" : "0");
    store.Write(section, kDwellKey, Str(w.DwellValue()));
}

}  // namespace muv
