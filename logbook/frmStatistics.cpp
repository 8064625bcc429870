#include "logbook/frmStatistics.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>
#include <optional>
#include <set>
#include <utility>

#include "common/profile_store.h"
#include "common/vb.h"
#include "logbook/callsign.h"
#include "platform/private_profile.h"
#include "platform/qt/qt_text.h"
#include "settings/settings_window.h"

namespace muv {

namespace {

constexpr const char* kSection = "Estadisticas";
constexpr const char* kLineBreak = "<Return>";

// A whole number, with "+" in front when what is shown is above 0.
std::string SignedWhole(double value) {
    const std::string text = Format(value, "0");
    return Val(text) > 0 ? "+" + text : text;
}

// Line breaks of any kind (CR LF, CR, LF) as "<Return>", so that the value stays on its line.
std::string JoinLines(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += kLineBreak;
        } else {
            out += text[i];
        }
    }
    return out;
}

// "<Return>" back as the line break of the window's text.
std::string SplitLines(std::string_view text) {
    std::string out;
    const std::string_view mark(kLineBreak);
    for (size_t i = 0; i < text.size();) {
        if (text.substr(i, mark.size()) == mark) {
            out += '\n';
            i += mark.size();
        } else {
            out += text[i++];
        }
    }
    return out;
}

// A received text (the modem's Windows-1252) as the window shows it: every line break one LF.
QString WindowText(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += '\n';
        } else {
            out += text[i];
        }
    }
    return Cp1252ToQString(out);
}

std::string TextOf(const QLineEdit* box) {
    return FromQString(box->text());
}

QLineEdit* Box(const char* name, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    return box;
}

QLabel* Label(const char* name, const char* caption, QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    return label;
}

QGroupBox* Frame(const char* name, const char* caption, QWidget* parent) {
    auto* frame = new QGroupBox(caption, parent);
    frame->setObjectName(name);
    return frame;
}

QPushButton* Button(const char* name, const char* caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}

// The value after the tag that starts at `at`: from after the tag's ">" up to the next "<" or line end.
std::string_view ValueAfter(std::string_view text, size_t at) {
    const size_t close = text.find('>', at);
    if (close == std::string_view::npos) return {};
    const size_t begin = close + 1;
    const size_t end = text.find_first_of("<\r\n", begin);
    return text.substr(begin, (end == std::string_view::npos ? text.size() : end) - begin);
}

}  // namespace

LogCounts CountLog(std::string_view logText) {
    LogCounts counts;
    std::set<std::string_view> countries;
    const std::string_view countryTag = "<COUNTRY:";
    for (size_t at = logText.find(countryTag); at != std::string_view::npos;
         at = logText.find(countryTag, at + countryTag.size())) {
        ++counts.contacts;
        const std::string_view country = ValueAfter(logText, at);
        if (!country.empty()) countries.insert(country);
    }
    std::set<std::string> callsigns;
    const std::string_view callTag = "<CALL:";
    for (size_t at = logText.find(callTag); at != std::string_view::npos;
         at = logText.find(callTag, at + callTag.size())) {
        std::string base = BaseCallsign(ValueAfter(logText, at));
        if (!base.empty()) callsigns.insert(std::move(base));
    }
    counts.countries = countries.size();
    counts.callsigns = callsigns.size();
    return counts;
}

frmStatistics::frmStatistics(StatisticsWindowLinks links, QWidget* parent)
    : QDialog(parent), links_(std::move(links)) {
    setObjectName("frmStatistics");
    // English captions until the interface language is applied.
    setWindowTitle("Stats");

    fraQSOs = Frame("fraQSOs", "QSOs", this);
    txtMUVQSOs = Box("txtMUVQSOs", fraQSOs);
    fraIndicativos = Frame("fraIndicativos", "Callsigns", this);
    txtIndicativos = Box("txtIndicativos", fraIndicativos);
    fraCountries = Frame("fraCountries", "Countries", this);
    txtPaises = Box("txtPaises", fraCountries);
    for (auto [frame, box] : {std::pair{fraQSOs, txtMUVQSOs}, std::pair{fraIndicativos, txtIndicativos},
                              std::pair{fraCountries, txtPaises}}) {
        auto* inside = new QVBoxLayout(frame);
        inside->addWidget(box);
    }

    fraShift = Frame("fraShift", "Mean Frequency Shift (Hz)", this);
    txtShift = Box("txtShift", fraShift);
    cmdResetShift = Button("cmdResetShift", "Reset", fraShift);
    auto* shift = new QHBoxLayout(fraShift);
    shift->addWidget(txtShift, 1);
    shift->addWidget(cmdResetShift);

    fraLejano = Frame("fraLejano", "Farthest Contact", this);
    lblDistancia = Label("lblDistancia", "Distance (Km)", fraLejano);
    txtDistancia = Box("txtDistancia", fraLejano);
    lblDireccion = Label("lblDireccion", "Heading (\u00BA)", fraLejano);
    txtDireccion = Box("txtDireccion", fraLejano);
    lblMensaje = Label("lblMensaje", "Message", fraLejano);
    txtMensaje = new QPlainTextEdit(fraLejano);
    txtMensaje->setObjectName("txtMensaje");
    lblFecha = Label("lblFecha", "Date", fraLejano);
    txtFecha = Box("txtFecha", fraLejano);
    lblSN = Label("lblSN", "S/N (dB)", fraLejano);
    txtSN = Box("txtSN", fraLejano);
    lblModo = Label("lblModo", "Mode", fraLejano);
    txtModo = Box("txtModo", fraLejano);
    lblFrecuencia = Label("lblFrecuencia", "Frequency (Mhz)", fraLejano);
    txtFrecuencia = Box("txtFrecuencia", fraLejano);
    cmdResetMensaje = Button("cmdResetMensaje", "Reset", fraLejano);
    auto* record = new QGridLayout(fraLejano);
    int row = 0;
    for (auto [label, box] : {std::pair{lblDistancia, txtDistancia}, std::pair{lblDireccion, txtDireccion},
                              std::pair{lblFecha, txtFecha}, std::pair{lblSN, txtSN},
                              std::pair{lblModo, txtModo}, std::pair{lblFrecuencia, txtFrecuencia}}) {
        record->addWidget(label, row, 0);
        record->addWidget(box, row, 1);
        ++row;
    }
    record->addWidget(lblMensaje, row++, 0, 1, 2);
    record->addWidget(txtMensaje, row++, 0, 1, 2);
    record->addWidget(cmdResetMensaje, row, 1, Qt::AlignRight);

    cmdOK = Button("cmdOK", "OK", this);

    auto* counts = new QHBoxLayout;
    counts->addWidget(fraQSOs);
    counts->addWidget(fraIndicativos);
    counts->addWidget(fraCountries);
    auto* all = new QVBoxLayout(this);
    all->addLayout(counts);
    all->addWidget(fraShift);
    all->addWidget(fraLejano, 1);
    all->addWidget(cmdOK, 0, Qt::AlignRight);

    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdResetShift, &QPushButton::clicked, this, [this] { cmdResetShift_Click(); });
    connect(cmdResetMensaje, &QPushButton::clicked, this, [this] { cmdResetMensaje_Click(); });
}

void frmStatistics::Form_Load() {
    LoadStatistics(links_.store, *this);
    PaintOkButton(cmdOK);
    const bool cat = links_.CatFrequencyHz() > 0;
    lblFrecuencia->setVisible(cat);
    txtFrecuencia->setVisible(cat);
    CountLogStatistics();
}

void frmStatistics::ComprobarRecord(const std::string& distance, double bearing) {
    if (!(Val(distance) > Val(TextOf(txtDistancia)))) return;
    txtDistancia->setText(ToQString(distance));
    txtDireccion->setText(ToQString(Format(bearing, "000")));
    txtMensaje->setPlainText(WindowText(links_.RxText()));
    const UtcTime now = links_.UtcNow();
    txtFecha->setText(ToQString(Format(now.year, "0000") + "/" + Format(now.month, "00") + "/" +
                                Format(now.day, "00") + " " + Format(now.hour, "00") + ":" +
                                Format(now.minute, "00")));
    txtSN->setText(ToQString(SignedWhole(links_.SnDb())));
    txtModo->setText(ToQString(links_.ModeName()));
    const int32_t hz = links_.CatFrequencyHz();
    if (hz > 0) txtFrecuencia->setText(ToQString(Format(hz / 1000000.0, "0.000000")));
    SaveStatistics(links_.store, *this);
}

void frmStatistics::ComputarShift(float shiftHz) {
    // A measurement that is not a number would spoil the average for good.
    if (!std::isfinite(shiftHz)) return;
    ++ShiftCount;
    ShiftSum += static_cast<double>(shiftHz);
    txtShift->setText(ToQString(SignedWhole(ShiftSum / ShiftCount)));
    SaveStatistics(links_.store, *this);
}

void frmStatistics::cmdOK_Click() {
    SaveStatistics(links_.store, *this);
    accept();
}

void frmStatistics::cmdResetShift_Click() {
    txtShift->setText("0");
}

void frmStatistics::cmdResetMensaje_Click() {
    for (QLineEdit* box : {txtDistancia, txtDireccion, txtFecha, txtSN, txtModo, txtFrecuencia})
        box->clear();
    txtMensaje->clear();
}

void frmStatistics::CountLogStatistics() {
    const LogCounts counts = CountLog(links_.LogText());
    txtMUVQSOs->setText(QString::number(counts.contacts));
    txtPaises->setText(QString::number(counts.countries));
    txtIndicativos->setText(QString::number(counts.callsigns));
}

void LoadStatistics(ProfileStore& store, frmStatistics& w) {
    const std::string section = store.Section(kSection);
    // Each value comes back whole: a received message of any length, a number in whatever form Str gave
    // it ("1.20000004244503E-05"), whatever the operator typed into a box.
    auto read = [&](const char* key) { return store.Read(section, key, kWholeText).value_or(""); };
    w.txtDireccion->setText(ToQString(read("Direccion")));
    double sum = 0;
    if (const auto v = store.Read(section, "Suma Shift", kWholeText)) sum = Val(*v);
    int32_t count = 0;
    if (const auto v = store.Read(section, "Contador Shift", 20)) {
        const double n = RoundHalfEven(Val(*v));
        if (n >= 0 && n <= 2147483647.0) count = static_cast<int32_t>(n);
    }
    // The sum means nothing without its count.
    w.ShiftSum = count > 0 && std::isfinite(sum) ? sum : 0;
    w.ShiftCount = std::isfinite(sum) ? count : 0;
    w.txtShift->setText(ToQString(read("Shift")));
    w.txtMensaje->setPlainText(ToQString(SplitLines(read("Mensaje"))));
    w.txtDistancia->setText(ToQString(read("Distancia")));
    w.txtFecha->setText(ToQString(read("Fecha")));
    w.txtSN->setText(ToQString(read("SN")));
    w.txtFrecuencia->setText(ToQString(read("Frecuencia")));
    w.txtModo->setText(ToQString(read("Modo")));
}

void SaveStatistics(ProfileStore& store, frmStatistics& w) {
    const std::string section = store.Section(kSection);
    store.Write(section, "Direccion", TextOf(w.txtDireccion));
    store.Write(section, "Contador Shift", std::to_string(w.ShiftCount));
    // "." as the decimal point whatever the locale: the value is read back with Val.
    std::string sum = Str(w.ShiftSum);
    if (!sum.empty() && sum.front() == ' ') sum.erase(0, 1);
    store.Write(section, "Suma Shift", sum);
    store.Write(section, "Shift", TextOf(w.txtShift));
    store.Write(section, "Mensaje", JoinLines(FromQString(w.txtMensaje->toPlainText())));
    store.Write(section, "Distancia", TextOf(w.txtDistancia));
    store.Write(section, "Fecha", TextOf(w.txtFecha));
    store.Write(section, "SN", TextOf(w.txtSN));
    store.Write(section, "Frecuencia", TextOf(w.txtFrecuencia));
    store.Write(section, "Modo", TextOf(w.txtModo));
}

}  // namespace muv
