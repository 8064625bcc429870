#include "logbook/frmQsoEntry.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <exception>
#include <optional>

#include "common/cp1252.h"
#include "common/message_box.h"
#include "common/profile_store.h"
#include "common/vb.h"
#include "logbook/adif_bands.h"
#include "logbook/adif_record.h"
#include "logbook/contact_text.h"
#include "logbook/locator.h"
#include "platform/qt/qt_text.h"
#include "settings/settings_window.h"

namespace muv {

namespace {

// What the settings file gives back of a text (its read buffer less one): a longer text would come back
// cut at the next load.
constexpr int kKeptText = 49;
constexpr int kDefaultX = 90;
constexpr int kDefaultY = 273;

std::string Text(const QLineEdit* box) {
    return FromQString(box->text());
}

void SetText(QLineEdit* box, const std::string& text) {
    box->setText(ToQString(text));
}

std::string HourMinute(const UtcTime& t) {
    return Format(t.hour, "00") + ":" + Format(t.minute, "00");
}

QsoEntryBox* Box(const char* name, QWidget* parent, bool readOnly = false) {
    auto* box = new QsoEntryBox(parent);
    box->setObjectName(name);
    box->setReadOnly(readOnly);
    return box;
}

QLabel* Caption(const char* name, const char* text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QLabel* Lamp(const char* name, ColorRef colour, QWidget* parent) {
    auto* lamp = new QLabel(parent);
    lamp->setObjectName(name);
    lamp->setFixedSize(12, 12);
    lamp->setStyleSheet(QString("background-color: rgb(%1, %2, %3); border-radius: 6px;")
                            .arg(RedOf(colour))
                            .arg(GreenOf(colour))
                            .arg(BlueOf(colour)));
    return lamp;
}

// A locator of four characters, the square without its sub-square ("JO60"), in capitals; "" for any
// other text. ADIF takes it as a grid square as it takes six characters.
std::string SquareLocator(std::string_view text) {
    if (text.size() != 4) return "";
    std::string square(text);
    for (size_t i = 0; i < 2; ++i) {
        if (square[i] >= 'a' && square[i] <= 'r') square[i] = static_cast<char>(square[i] - 'a' + 'A');
        if (square[i] < 'A' || square[i] > 'R') return "";
    }
    for (size_t i = 2; i < 4; ++i)
        if (square[i] < '0' || square[i] > '9') return "";
    return square;
}

// A stored place's edge: a whole number of pixels; the default when missing or beyond any screen.
int PlaceValue(ProfileStore& store, const std::string& section, const char* key, int missing) {
    const std::optional<std::string> v = store.Read(section, key, 50);
    if (!v) return missing;
    const double n = RoundHalfEven(Val(*v));
    return n >= -100000 && n <= 100000 ? static_cast<int>(n) : missing;
}

}  // namespace

void QsoEntryBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && Click) Click();
    QLineEdit::mousePressEvent(event);
}

frmQsoEntry::frmQsoEntry(QsoEntryLinks links, QWidget* parent) : QDialog(parent), links_(links) {
    setObjectName("frmQsoEntry");
    setWindowTitle("QSO");
    // It stays above the other windows, as the operator works in the main window beside it.
    setWindowFlag(Qt::WindowStaysOnTopHint);

    // English captions until the interface language is applied.
    lblCall = Caption("lblCall", "Callsign", this);
    lblNombre = Caption("lblNombre", "Name", this);
    lblQTH = Caption("lblQTH", "QTH", this);
    lblLocator = Caption("lblLocator", "Locator", this);
    lblDistancia = Caption("lblDistancia", "Distance", this);
    lblFrecuencia = Caption("lblFrecuencia", "Frequency", this);
    lblFecha = Caption("lblFecha", "Date", this);
    lblHoraON = Caption("lblHoraON", "Time ON", this);
    lblHoraOFF = Caption("lblHoraOFF", "Time OFF", this);
    lblRST = Caption("lblRST", "RST", this);
    lblNotas = Caption("lblNotas", "Notes", this);

    txtCallsign = Box("txtCallsign", this);
    txtNombre = Box("txtNombre", this);
    txtQTH = Box("txtQTH", this);
    txtLocator = Box("txtLocator", this);
    for (QLineEdit* kept : {txtNombre, txtQTH, txtLocator})
        kept->setMaxLength(kKeptText);
    txtDistancia = Box("txtDistancia", this);
    txtFrecuencia = Box("txtFrecuencia", this);
    txtFrecuencia->setAutoFillBackground(true);
    txtFecha = Box("txtFecha", this, true);
    txtTimeON = Box("txtTimeON", this, true);
    txtTimeOFF = Box("txtTimeOFF", this, true);
    txtRST = Box("txtRST", this);
    txtRST->setText("599");
    txtNotas = Box("txtNotas", this);

    fraUltimoContacto = new QGroupBox("Last contact", this);
    fraUltimoContacto->setObjectName("fraUltimoContacto");
    lblFechaHistorial = Caption("lblFechaHistorial", "Date", fraUltimoContacto);
    lblBandaHistorial = Caption("lblBandaHistorial", "Band", fraUltimoContacto);
    txtUltimaFecha = Box("txtUltimaFecha", fraUltimoContacto, true);
    txtUltimaBanda = Box("txtUltimaBanda", fraUltimoContacto, true);
    auto* history = new QHBoxLayout(fraUltimoContacto);
    history->addWidget(lblFechaHistorial);
    history->addWidget(txtUltimaFecha);
    history->addWidget(lblBandaHistorial);
    history->addWidget(txtUltimaBanda);

    chkEQSL = new QCheckBox("eQSL", this);
    chkEQSL->setObjectName("chkEQSL");
    imgLedRojo = Lamp("imgLedRojo", RGB(255, 0, 0), this);
    imgLedAmarillo = Lamp("imgLedAmarillo", RGB(255, 255, 0), this);
    imgLedVerde = Lamp("imgLedVerde", RGB(0, 192, 0), this);
    imgLedAmarillo->setVisible(false);
    imgLedVerde->setVisible(false);
    cmdGenerarADIF = new QPushButton("EXPORT QSO", this);
    cmdGenerarADIF->setObjectName("cmdGenerarADIF");
    cmdGenerarADIF->setAutoDefault(false);

    auto* grid = new QGridLayout(this);
    const std::pair<QLabel*, QLineEdit*> left[] = {{lblCall, txtCallsign},
                                                   {lblNombre, txtNombre},
                                                   {lblQTH, txtQTH},
                                                   {lblLocator, txtLocator},
                                                   {lblDistancia, txtDistancia}};
    const std::pair<QLabel*, QLineEdit*> right[] = {{lblFrecuencia, txtFrecuencia},
                                                    {lblFecha, txtFecha},
                                                    {lblHoraON, txtTimeON},
                                                    {lblHoraOFF, txtTimeOFF},
                                                    {lblRST, txtRST}};
    for (int row = 0; row < 5; ++row) {
        grid->addWidget(left[row].first, row, 0);
        grid->addWidget(left[row].second, row, 1);
        grid->addWidget(right[row].first, row, 2);
        grid->addWidget(right[row].second, row, 3);
    }
    grid->addWidget(lblNotas, 5, 0);
    grid->addWidget(txtNotas, 5, 1, 1, 3);
    grid->addWidget(fraUltimoContacto, 6, 0, 1, 4);
    auto* lamps = new QHBoxLayout;
    lamps->addWidget(chkEQSL);
    lamps->addStretch();
    lamps->addWidget(imgLedRojo);
    lamps->addWidget(imgLedAmarillo);
    lamps->addWidget(imgLedVerde);
    grid->addLayout(lamps, 7, 0, 1, 2);
    grid->addWidget(cmdGenerarADIF, 7, 2, 1, 2);
    adjustSize();

    txtCallsign->Click = [this] { txtCallsign_Click(); };
    txtNombre->Click = [this] { txtNombre_Click(); };
    txtQTH->Click = [this] { txtQTH_Click(); };
    txtLocator->Click = [this] { txtLocator_Click(); };
    txtRST->Click = [this] { txtRST_Click(); };
    // A change by the program is a change as much as the operator's typing.
    connect(txtCallsign, &QLineEdit::textChanged, this, [this] { txtCallsign_Change(); });
    connect(txtFrecuencia, &QLineEdit::textChanged, this, [this] { txtFrecuencia_Change(); });
    connect(txtLocator, &QLineEdit::textChanged, this, [this] { txtLocator_Change(); });
    connect(chkEQSL, &QCheckBox::toggled, this, [this] { chkEQSL_Click(); });
    connect(cmdGenerarADIF, &QPushButton::clicked, this, [this] { cmdGenerarADIF_Click(); });
}

// --- public procedures ---

void frmQsoEntry::ActualizarCamposADIF() {
    const std::string partner = links_.host.PartnerCallsign();
    if (Utf8ToUpper(partner) != Utf8ToUpper(Text(txtCallsign))) SetText(txtCallsign, partner);
    SetText(txtTimeON, HourMinute(links_.host.QsoStartUtc()));
}

void frmQsoEntry::CargarNombreYQTHAutomaticamente(const std::string& callsign) {
    try {
        // The receive window's text is Windows-1252: the callsign is looked for in it as that set writes
        // it (one the set cannot hold is never received), and what is found comes back as UTF-8.
        if (callsign.empty() || !FitsCp1252(callsign)) return;
        const ContactDetails found = FindContactDetails(links_.host.RxText(), Utf8ToCp1252(callsign));
        if (!found.name.empty() && txtNombre->text().isEmpty()) SetText(txtNombre, Cp1252ToUtf8(found.name));
        if (!found.qth.empty() && txtQTH->text().isEmpty()) SetText(txtQTH, Cp1252ToUtf8(found.qth));
        if (!found.locator.empty() && txtLocator->text().isEmpty())
            SetText(txtLocator, Cp1252ToUtf8(found.locator));
    } catch (const std::exception&) {
        links_.host.ReportTrappedError(6, callsign);
    }
}

uint8_t frmQsoEntry::ValidarNombre(const std::string& text) const {
    return muv::ValidarNombre(text);
}

// --- window events ---

void frmQsoEntry::Form_Load() {
    try {
        LoadQsoFormSettings(links_.store, *this);
        PaintOkButton(cmdGenerarADIF);
        ActualizarCamposADIF();
    } catch (const std::exception&) {
        links_.host.ReportTrappedError(16, "");
    }
}

void frmQsoEntry::Form_Unload() {
    SaveQsoFormSettings(links_.store, *this);
}

void frmQsoEntry::done(int result) {
    if (!unloaded_) {
        unloaded_ = true;
        Form_Unload();
    }
    QDialog::done(result);
}

void frmQsoEntry::ShowWindow() {
    show();
    raise();
    activateWindow();
}

// --- control events ---

void frmQsoEntry::chkEQSL_Click() {
    if (!chkEQSL->isChecked() || !links_.host.EqslPassword().empty()) return;
    links_.boxes.Show("Enter your eQSL Personal Info", "eQSL Error", BoxIcon::Exclamation);
    links_.host.ShowEqslAccount();
    chkEQSL->setChecked(false);
}

void frmQsoEntry::StartContact() {
    UtcTime& start = links_.host.QsoStartUtc();
    start = links_.host.UtcNow();
    SetText(txtTimeON, HourMinute(start));
}

void frmQsoEntry::txtCallsign_Click() {
    for (QLineEdit* box : {txtCallsign, txtNombre, txtQTH, txtLocator})
        box->clear();
    StartContact();
}

void frmQsoEntry::txtCallsign_Change() {
    try {
        const std::string text = Text(txtCallsign);
        const std::string upper = Utf8ToUpper(text);
        if (text != upper) {
            // The change runs this handler again, which takes the callsign.
            SetText(txtCallsign, upper);
            txtCallsign->setCursorPosition(txtCallsign->text().size());
            return;
        }
        if (text.empty()) return;
        StartContact();
        const PreviousContact previous = links_.host.PreviousContactWith(text);
        SetText(txtUltimaFecha, previous.Callsign.empty() ? "" : previous.Date);
        SetText(txtUltimaBanda, previous.Band);
        for (QLineEdit* box : {txtNombre, txtQTH, txtLocator})
            box->clear();
        links_.host.RestartCallsignLookup();
    } catch (const std::exception&) {
        links_.host.ReportTrappedError(17, "");
    }
}

void frmQsoEntry::txtFrecuencia_Change() {
    QPalette palette = txtFrecuencia->palette();
    palette.setColor(QPalette::Base, ToQColor(links_.host.FrequencyBoxColour()));
    txtFrecuencia->setPalette(palette);
}

void frmQsoEntry::txtLocator_Change() {
    try {
        const std::string locator = Text(txtLocator);
        const std::string own = links_.host.OperatorLocator();
        if (IsValidLocator(locator) == 1 && IsValidLocator(own) == 1)
            SetText(txtDistancia, LocatorDistanceKm(own, locator));
    } catch (const std::exception&) {
        links_.host.ReportTrappedError(14, "");
    }
}

void frmQsoEntry::txtNombre_Click() {
    txtNombre->clear();
}

void frmQsoEntry::txtQTH_Click() {
    txtQTH->clear();
}

void frmQsoEntry::txtLocator_Click() {
    txtLocator->clear();
}

void frmQsoEntry::txtRST_Click() {
    txtRST->clear();
}

std::string frmQsoEntry::BuildRecord() {
    QsoEntryHost& host = links_.host;
    AdifContact c;
    c.txtCallsign = Text(txtCallsign);
    c.txtNombre = Text(txtNombre);
    c.txtQTH = Text(txtQTH);
    c.txtFrecuencia = Text(txtFrecuencia);
    c.Band = AdifBandOfFrequency(Val(c.txtFrecuencia) / 1000);
    c.QsoStartUtc = host.QsoStartUtc();
    c.UtcNow = host.UtcNow();
    c.OperatorCallsign = host.OperatorCallsign();
    c.OperatorLocator = host.OperatorLocator();
    c.txtNotas = Text(txtNotas);
    c.CountryWithContinent = host.CountryOfCallsign(c.txtCallsign, 1);
    c.txtRST = Text(txtRST);
    c.MyCountry = host.CountryOfCallsign(c.OperatorCallsign, 0);
    c.txtLocator = Text(txtLocator);
    // A distance is written only as the six characters of a locator give it: a square's is off by up to
    // a hundred kilometres, and whatever the box still shows belongs to another locator.
    c.txtDistancia = IsValidLocator(c.txtLocator) == 1 ? Text(txtDistancia) : "";
    c.chkEQSL = chkEQSL->isChecked();
    return BuildAdifRecord(c);
}

void frmQsoEntry::cmdGenerarADIF_Click() {
    const std::string callsign = Text(txtCallsign);
    // Closed as unloaded, shown or not.
    if (callsign.empty()) {
        done(QDialog::Rejected);
        return;
    }
    // A square of four characters is a locator too; anything else that is no locator is dropped.
    const std::string locator = Text(txtLocator);
    const std::string square = SquareLocator(locator);
    SetText(txtLocator, square.empty() ? NormaliseLocator(locator) : square);
    const std::string frequency = Text(txtFrecuencia);
    LoggedContactMemory& memory = links_.memory;
    if (callsign == memory.LastLoggedCall && frequency == memory.LastLoggedFrequency) {
        links_.boxes.Show("This QSO is duplicated", "ADIF Notification", BoxIcon::Exclamation);
        return;
    }
    const std::string record = BuildRecord();
    switch (links_.host.AppendAdifRecord(record)) {
        case QsoEntryHost::LogAppend::Logged:
            break;
        case QsoEntryHost::LogAppend::NoLogFile:
            // The fields stay for another try once a log file is chosen.
            links_.host.ChooseAdifFile();
            return;
        case QsoEntryHost::LogAppend::NotWritten:
            // The host has told why; the fields stay for another try once the log can take it.
            return;
    }
    if (chkEQSL->isChecked()) links_.host.SendEqslUpload(record, Text(txtNotas));
    memory.LastLoggedCall = callsign;
    memory.LastLoggedFrequency = frequency;
    links_.host.MarkLoggedCall(callsign);
    links_.host.ContactLogged(callsign, Text(txtNombre), Text(txtQTH), Text(txtLocator));
    for (QLineEdit* box : {txtNombre, txtQTH, txtLocator, txtNotas, txtDistancia})
        box->clear();
    done(QDialog::Accepted);
}

// --- the settings group ---

void LoadQsoFormSettings(ProfileStore& store, frmQsoEntry& w) {
    const std::string section = store.Section("ADIF");
    const std::optional<std::string> eqsl = store.Read(section, "EQSL", 10);
    w.chkEQSL->setChecked(eqsl && Val(*eqsl) == 1);
    SetText(w.txtNombre, store.Read(section, "Nombre", 50).value_or(""));
    SetText(w.txtQTH, store.Read(section, "QTH", 50).value_or(""));
    SetText(w.txtLocator, store.Read(section, "Locator", 50).value_or(""));
    const int x = PlaceValue(store, section, "PosicionVentanaX", kDefaultX);
    const int y = PlaceValue(store, section, "PosicionVentanaY", kDefaultY);
    w.move(PlaceOnScreen(x, y, w.frameGeometry().size()));
}

void SaveQsoFormSettings(ProfileStore& store, frmQsoEntry& w) {
    const std::string section = store.Section("ADIF");
    store.Write(section, "EQSL", w.chkEQSL->isChecked() ? "1" : "0");
    store.Write(section, "Nombre", Text(w.txtNombre));
    store.Write(section, "QTH", Text(w.txtQTH));
    store.Write(section, "Locator", Text(w.txtLocator));
    store.Write(section, "PosicionVentanaX", std::to_string(w.x()));
    store.Write(section, "PosicionVentanaY", std::to_string(w.y()));
}

}  // namespace muv
