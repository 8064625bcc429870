#include "rig/frmRig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <utility>

#include "common/message_box.h"
#include "common/profile_store.h"
#include "common/shared_state.h"
#include "common/vb.h"
#include "common/window_controls.h"
#include "platform/qt/qt_text.h"
#include "rig/frmRigSetup.h"

namespace muv {

using namespace rigctl;

namespace {

constexpr ColorRef kOkBackColour = 0xDEB038;
// Where the operator finds help on connecting a rig through rigctld.
constexpr const char* kRigControlPage = "https://hamlib.github.io/";
constexpr const char* kRigControlHelp = "https://github.com/Hamlib/Hamlib/wiki/Documentation";

void SetBackColour(QWidget* w, ColorRef colour) {
    w->setStyleSheet(QString("background-color: rgb(%1, %2, %3)")
                         .arg(RedOf(colour))
                         .arg(GreenOf(colour))
                         .arg(BlueOf(colour)));
}

// Runs a handler when the left button is released over the watched widget.
class ClickFilter : public QObject {
public:
    ClickFilter(std::function<void()> clicked, QObject* parent)
        : QObject(parent), clicked_(std::move(clicked)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            clicked_();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> clicked_;
};

// A label that reads and acts as a link: its words alone, drawn as a link, the handler run by a click.
QLabel* LinkLabel(const char* name, const char* text, QWidget* parent, std::function<void()> clicked) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setStyleSheet("color: palette(link); text-decoration: underline");
    label->setCursor(Qt::PointingHandCursor);
    label->installEventFilter(new ClickFilter(std::move(clicked), label));
    return label;
}

// The number a text holds in full, as a conversion to double takes it: blanks around it allowed,
// anything else (also an empty text) is no number.
bool IsWholeNumber(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return false;
    const std::string t = text.substr(first, text.find_last_not_of(' ') - first + 1);
    if (t.find_first_not_of("0123456789+-.eE") != std::string::npos) return false;
    char* end = nullptr;
    std::strtod(t.c_str(), &end);
    return end == t.c_str() + t.size();
}

}  // namespace

frmRig::frmRig(RigWindowLinks links, QWidget* parent) : QDialog(parent), links_(links) {
    setObjectName("frmRig");
    for (RigServer*& server : servers_) {
        server = new RigServer(this);
        server->StatusChange = [this] { ShowCatStatus(); };
    }
    // English captions until the interface language is applied.
    setWindowTitle("Rig Setup");
    FraCAT = new QGroupBox("CAT", this);
    chkDisableCAT = new QCheckBox("Disable CAT", FraCAT);
    chkDisableCAT->setObjectName("chkDisableCAT");
    chkDigital = new QCheckBox("Digital Mode", FraCAT);
    chkDigital->setObjectName("chkDigital");
    fraRig = new QGroupBox("Rig", FraCAT);
    fraRig->setObjectName("fraRig");
    optRig1 = new QRadioButton("Rig 1", fraRig);
    optRig2 = new QRadioButton("Rig 2", fraRig);
    txtRigctld1 = new QLineEdit(fraRig);
    txtRigctld2 = new QLineEdit(fraRig);
    txtRigctld1->setPlaceholderText("rigctld host:port");
    txtRigctld2->setPlaceholderText("rigctld host:port");
    cmdConfigureRig = new QPushButton("Configure CAT", FraCAT);
    cmdConfigureRig->setObjectName("cmdConfigureRig");
    Label8 = new QLabel(FraCAT);
    Label8->setMinimumWidth(320);
    Label8->setTextFormat(Qt::PlainText);  // rigctld's words are shown, never read as markup
    Label8->setWordWrap(true);             // a long status is read whole
    fraSeleccionarPTT = new QGroupBox("PTT", this);
    optCAT = new QRadioButton("CAT", fraSeleccionarPTT);
    optNOCAT = new QRadioButton("RTS/DTR", fraSeleccionarPTT);
    optVOX = new QRadioButton("VOX", fraSeleccionarPTT);
    optDDS = new QRadioButton("DDS", fraSeleccionarPTT);
    fraPTTNOCAT = new QGroupBox(this);
    fraPort = new QGroupBox("Port", fraPTTNOCAT);
    fraPort->setObjectName("fraPort");
    cboCOM = new QComboBox(fraPort);
    fraPin = new QGroupBox("Pin", fraPTTNOCAT);
    optRTS = new QRadioButton("RTS", fraPin);
    optDTR = new QRadioButton("DTR", fraPin);
    optRTSDTR = new QRadioButton("RTS+DTR", fraPin);
    fraDDS = new QGroupBox("DDS Frequency USB", fraPTTNOCAT);
    fraDDS->setObjectName("fraDDS");
    optDDSCAT = new QRadioButton("CAT", fraDDS);
    optDDSManual = new QRadioButton("Manual (Hz)", fraDDS);
    txtFrecuenciaUSB = new QLineEdit("0", fraDDS);
    cmdOK = new QPushButton("OK", this);
    // Two links to the rig-control pages, in words that the interface language may change.
    Image1 = LinkLabel("Image1", "Rig control help", this, [this] { Image1_Click(); });
    Label2 = LinkLabel("Label2", "Hamlib documentation", this, [this] { Label2_Click(); });

    auto* rigGrid = new QGridLayout(fraRig);
    rigGrid->addWidget(optRig1, 0, 0);
    rigGrid->addWidget(txtRigctld1, 0, 1);
    rigGrid->addWidget(optRig2, 1, 0);
    rigGrid->addWidget(txtRigctld2, 1, 1);
    auto* catGrid = new QGridLayout(FraCAT);
    catGrid->addWidget(chkDisableCAT, 0, 0);
    catGrid->addWidget(chkDigital, 0, 1);
    catGrid->addWidget(fraRig, 1, 0, 1, 2);
    catGrid->addWidget(cmdConfigureRig, 2, 0);
    catGrid->addWidget(Label8, 3, 0, 1, 2);
    auto* pttBox = new QHBoxLayout(fraSeleccionarPTT);
    for (QRadioButton* b : {optCAT, optNOCAT, optVOX, optDDS})
        pttBox->addWidget(b);
    (new QHBoxLayout(fraPort))->addWidget(cboCOM);
    auto* pinBox = new QVBoxLayout(fraPin);
    for (QRadioButton* b : {optRTS, optDTR, optRTSDTR})
        pinBox->addWidget(b);
    auto* ddsBox = new QVBoxLayout(fraDDS);
    for (QWidget* w : std::initializer_list<QWidget*>{optDDSCAT, optDDSManual, txtFrecuenciaUSB})
        ddsBox->addWidget(w);
    auto* portBox = new QHBoxLayout(fraPTTNOCAT);
    portBox->addWidget(fraPort);
    portBox->addWidget(fraPin);
    portBox->addWidget(fraDDS);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Image1);
    bottom->addWidget(Label2);
    bottom->addStretch();
    bottom->addWidget(cmdOK);
    auto* main = new QVBoxLayout(this);
    main->addWidget(FraCAT);
    main->addWidget(fraSeleccionarPTT);
    main->addWidget(fraPTTNOCAT);
    main->addLayout(bottom);
    // The window is as large as what it shows: it shrinks when the keying frame goes and grows to show a
    // long status whole, and no box takes the room that something else left.
    main->setSizeConstraint(QLayout::SetFixedSize);

    // Only the operator's clicks run the handlers here; choices made by the code call them itself.
    connect(chkDisableCAT, &QCheckBox::clicked, this, [this] { chkDisableCAT_Click(); });
    connect(chkDigital, &QCheckBox::clicked, this, [this] { chkDigital_Click(); });
    connect(optRig1, &QRadioButton::clicked, this, [this] { optRig1_Click(); });
    connect(optRig2, &QRadioButton::clicked, this, [this] { optRig2_Click(); });
    connect(optCAT, &QRadioButton::clicked, this, [this] { optCAT_Click(); });
    connect(optNOCAT, &QRadioButton::clicked, this, [this] { optNOCAT_Click(); });
    connect(optVOX, &QRadioButton::clicked, this, [this] { optVOX_Click(); });
    connect(optDDS, &QRadioButton::clicked, this, [this] { optDDS_Click(); });
    connect(cmdConfigureRig, &QPushButton::clicked, this, [this] { cmdConfigureRig_Click(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(txtRigctld1, &QLineEdit::editingFinished, this, [this] { txtRigctld_Change(1); });
    connect(txtRigctld2, &QLineEdit::editingFinished, this, [this] { txtRigctld_Change(2); });
}

frmRig::~frmRig() {
    // A box losing the focus while the window is torn down must not reach the handlers.
    for (QLineEdit* box : {txtRigctld1, txtRigctld2})
        QObject::disconnect(box, nullptr, this, nullptr);
    if (engine_) engine_->Shutdown();  // the engine goes with the window, as its child
}

void frmRig::Form_Load() {
    SetBackColour(cmdOK, kOkBackColour);
    LoadRigSettings();
    chkDisableCAT_Click();
    if (optCAT->isChecked())
        optCAT_Click();
    else if (optNOCAT->isChecked())
        optNOCAT_Click();
    else if (optVOX->isChecked())
        optVOX_Click();
    else
        optDDS_Click();
}

// ------------------------------------------------------------------ settings

namespace {

// A choice made by the settings runs the control's click handler, as the operator's click would.
void Choose(frmRig& w, QRadioButton* option, void (frmRig::*handler)()) {
    if (option->isChecked()) return;
    option->setChecked(true);
    if (handler) (w.*handler)();
}
void Tick(frmRig& w, QCheckBox* box, bool ticked, void (frmRig::*handler)()) {
    if (box->isChecked() == ticked) return;
    box->setChecked(ticked);
    (w.*handler)();
}
}  // namespace

void frmRig::LoadRigSettings() {
    ProfileStore& store = links_.settings;
    auto read = [&store](const char* key, size_t buffer = 50) { return store.Read("RIG", key, buffer); };
    auto number = [&read](const char* key, size_t buffer = 50) -> std::optional<double> {
        const std::optional<std::string> v = read(key, buffer);
        if (!v) return std::nullopt;
        return Val(*v);
    };
    // A list loaded again starts afresh.
    cboCOM->clear();
    cboCOM->addItem("NO COM");
    for (int i = 1; i <= 20; ++i)
        cboCOM->addItem(QString("COM%1").arg(i));
    // The addresses first: the CAT switch below may start the engine on them.
    txtRigctld1->setText(
        ToQString(read("Rigctld1", 200).value_or("localhost:" + std::to_string(kRigctldDefaultPort))));
    txtRigctld2->setText(ToQString(read("Rigctld2", 200).value_or("")));
    if (const auto v = read("Emisora1")) optRig1->setText(ToQString(*v));
    if (const auto v = read("Emisora2")) optRig2->setText(ToQString(*v));
    if (const auto v = read("Frecuencia USB")) txtFrecuenciaUSB->setText(ToQString(*v));
    Choose(*this, number("DDS Option") == 1.0 ? optDDSCAT : optDDSManual, nullptr);
    const std::optional<double> ptt = number("PTT");
    if (!ptt || *ptt == 2)
        Choose(*this, optNOCAT, &frmRig::optNOCAT_Click);
    else if (*ptt == 1)
        Choose(*this, optCAT, &frmRig::optCAT_Click);
    else if (*ptt == 3)
        Choose(*this, optVOX, &frmRig::optVOX_Click);
    else
        Choose(*this, optDDS, &frmRig::optDDS_Click);
    const std::optional<double> cat = number("Enable CAT");
    Tick(*this, chkDisableCAT, !cat || *cat == 1, &frmRig::chkDisableCAT_Click);
    const std::optional<double> rig = number("Rig Number");
    if (!rig || *rig == 1)
        Choose(*this, optRig1, &frmRig::optRig1_Click);
    else
        Choose(*this, optRig2, &frmRig::optRig2_Click);
    // A stored port outside the list (a damaged file) falls back to no port.
    const double port = RoundHalfEven(number("Puerto COM").value_or(0));
    cboCOM->setCurrentIndex(port >= 0 && port < cboCOM->count() ? static_cast<int>(port) : 0);
    const std::optional<double> pin = number("Pin");
    Choose(*this, !pin || *pin == 1 ? optRTS : *pin == 2 ? optDTR : optRTSDTR, nullptr);
    Tick(*this, chkDigital, number("Modo", 20) == 1.0, &frmRig::chkDigital_Click);
}

// A rig set up with a Hamlib model and an address on this computer gets its rigctld from MUV.
RigServerSetup frmRig::ServerSetup(int rigNumber, const std::string& endpoint) const {
    RigServerSetup setup;
    const std::string key = "Rig" + std::to_string(rigNumber);
    ProfileStore& store = links_.settings;
    setup.model = static_cast<int>(Val(store.Read("RIG", (key + "Model").c_str(), 50).value_or("0")));
    std::string host;
    uint16_t port = 0;
    if (setup.model <= 0 || !ParseRigctldEndpoint(endpoint, host, port) || !IsLoopbackHost(host)) {
        setup.model = 0;
        return setup;
    }
    setup.port = port;
    setup.device = store.Read("RIG", (key + "Device").c_str(), 260).value_or("");
    setup.speed = static_cast<int>(Val(store.Read("RIG", (key + "Speed").c_str(), 50).value_or("0")));
    setup.ptt = store.Read("RIG", (key + "Ptt").c_str(), 50).value_or("");
    std::istringstream words(store.Read("RIG", (key + "Arguments").c_str(), 260).value_or(""));
    for (std::string word; words >> word;)
        setup.extra.push_back(word);
    return setup;
}

void frmRig::StartRigServers() {
    for (int n = 1; n <= 2; ++n) {
        const std::string endpoint = FromQString((n == 1 ? txtRigctld1 : txtRigctld2)->text());
        const RigServerSetup setup = ServerSetup(n, endpoint);
        std::string host;
        uint16_t port = 0;
        if (setup.model > 0) {
            servers_[n - 1]->Start(setup);
        } else if (ParseRigctldEndpoint(endpoint, host, port)) {
            servers_[n - 1]->Guard(host, port);  // the operator's own rigctld
        } else {
            servers_[n - 1]->Stop();
        }
    }
}

void frmRig::StopRigServers() {
    for (RigServer* server : servers_)
        server->Stop();
}

void frmRig::SaveRigSettings() {
    ProfileStore& store = links_.settings;
    store.Write("RIG", "Rigctld1", FromQString(txtRigctld1->text()));
    store.Write("RIG", "Rigctld2", FromQString(txtRigctld2->text()));
    store.Write("RIG", "Emisora1", FromQString(optRig1->text()));
    store.Write("RIG", "Emisora2", FromQString(optRig2->text()));
    store.Write("RIG", "Frecuencia USB", FromQString(txtFrecuenciaUSB->text()));
    store.Write("RIG", "DDS Option", optDDSCAT->isChecked() ? "1" : "2");
    store.Write("RIG", "PTT",
                optCAT->isChecked()     ? "1"
                : optNOCAT->isChecked() ? "2"
                : optVOX->isChecked()   ? "3"
                                        : "4");
    store.Write("RIG", "Enable CAT", chkDisableCAT->isChecked() ? "1" : "0");
    store.Write("RIG", "Rig Number", optRig1->isChecked() ? "1" : "2");
    store.Write("RIG", "Puerto COM", std::to_string(cboCOM->currentIndex()));
    store.Write("RIG", "Pin", optRTS->isChecked() ? "1" : optDTR->isChecked() ? "2" : "3");
    store.Write("RIG", "Modo", chkDigital->isChecked() ? "1" : "0");
}

// ------------------------------------------------------------------ option handlers

void frmRig::optCAT_Click() {
    fraPTTNOCAT->setVisible(false);
}

void frmRig::optVOX_Click() {
    fraPTTNOCAT->setVisible(false);
}

void frmRig::optNOCAT_Click() {
    fraPTTNOCAT->setTitle("PTT Via pin COM");
    fraPin->setVisible(true);
    fraPTTNOCAT->setVisible(true);
    fraDDS->setVisible(false);
}

void frmRig::optDDS_Click() {
    fraPTTNOCAT->setTitle("DDS Setup");
    fraPin->setVisible(false);
    fraDDS->setVisible(true);
    fraPTTNOCAT->setVisible(true);
}

void frmRig::optRig1_Click() {
    int16_t n = 1;
    SelectRig(n);
}

void frmRig::optRig2_Click() {
    int16_t n = 2;
    SelectRig(n);
}

// ------------------------------------------------------------------ CAT on and off

void frmRig::chkDisableCAT_Click() {
    if (chkDisableCAT->isChecked()) {
        if (engine_) ReleaseEngine();
        SetCatDisabledState();
        return;
    }
    for (QWidget* w : std::initializer_list<QWidget*>{fraRig, chkDigital, optRig1, optRig2, cmdConfigureRig})
        w->setEnabled(true);
    // The DDS box may take its dial from CAT again (without an engine the status display takes
    // this back at once).
    optDDSCAT->setEnabled(true);
    StartOmniRig();
}

void frmRig::SetCatDisabledState() {
    CatFrequencyHz = 0;
    optDDSManual->setChecked(true);
    optDDSCAT->setEnabled(false);
    SetLabel8(kStatusGrey, " CAT DISABLED");
    // The rigs may be set up before CAT is switched on.
    cmdConfigureRig->setEnabled(true);
    StopScanAndUnlock();
    for (QWidget* w : std::initializer_list<QWidget*>{fraRig, chkDigital, optRig1, optRig2})
        w->setEnabled(false);
}

void frmRig::StopScanAndUnlock() {
    links_.host.imgScanON_Click();
    links_.controls.SetVisible(Control::fraScan, false);
    links_.host.SetFrequencyBoxLocked(false);
    links_.host.SetScanMenuEnabled(false);
}

// rigctld has no interface version to check: its place is taken by the handshake each rig makes on
// connecting. A peer that answers outside rigctld's protocol releases the engine, as a rejected
// version did (OmniRigEngine_ProtocolMismatch).
void frmRig::StartOmniRig() {
    if (!engine_) {
        engine_ = new RigEngine(this);
        engine_->SetPollInterval(RigPollIntervalMs);
        engine_->SetReplyTimeout(RigReplyTimeoutMs);
        engine_->StatusChange = [this](int n) { OmniRigEngine_StatusChange(n); };
        engine_->ParamsChange = [this](int n, int32_t params) { OmniRigEngine_ParamsChange(n, params); };
        engine_->RigTypeChange = [this](int n) { OmniRigEngine_RigTypeChange(n); };
        engine_->ProtocolMismatch = [this](int n) { OmniRigEngine_ProtocolMismatch(n); };
        engine_->ReleaseUnconfirmed = [this](int n) { OmniRigEngine_ReleaseUnconfirmed(n); };
        engine_->PttRefused = [this](int n) { OmniRigEngine_PttRefused(n); };
        engine_->KeyStateChange = [this](int n) { OmniRigEngine_KeyStateChange(n); };
        engine_->KeyingFailed = [this](int n) { OmniRigEngine_KeyingFailed(n); };
        engine_->KeyedChange = [this](int n, bool keyed) { servers_[n == 2 ? 1 : 0]->RigKeyed(keyed); };
        StartRigServers();
        engine_->SetEndpoint(1, FromQString(txtRigctld1->text()));
        engine_->SetEndpoint(2, FromQString(txtRigctld2->text()));
    }
    int16_t n = optRig1->isChecked() ? 1 : 2;
    SelectRig(n);
    if (chkDigital->isChecked()) currentRig_->SetMode(PM_DIG_U);
    ShowCatStatus();
    ReadRigFrequency();
}

void frmRig::ReleaseEngine() {
    engine_->Shutdown();
    StopRigServers();  // after the release: the keepers release the rigs again and stop rigctld
    // Later, as this may run inside one of the engine's own events.
    engine_->deleteLater();
    engine_ = nullptr;
    currentRig_ = nullptr;
}

void frmRig::SelectRig(int16_t& n) {
    if (!engine_) return;
    RigNumber = 0;
    currentRig_ = n == 1 ? &engine_->Rig1() : &engine_->Rig2();
    (n == 1 ? optRig1 : optRig2)->setText(ToQString(currentRig_->RigType()));
    RigNumber = n == 1 ? 1 : 2;
    ShowCatStatus();
    ReadRigFrequency();
}

void frmRig::SetLabel8(ColorRef colour, const std::string& caption) {
    label8BackColour_ = colour;
    SetBackColour(Label8, colour);
    Label8->setText(ToQString(caption));
}

void frmRig::ShowCatStatus() {
    if (!engine_) {
        optDDSManual->setChecked(true);
        optDDSCAT->setEnabled(false);
        SetLabel8(kStatusRed, " " + noEngineText_);
        StopScanAndUnlock();
        return;
    }
    if (!currentRig_) return;
    const bool online = currentRig_->Status() == ST_ONLINE;
    links_.controls.SetVisible(Control::fraScan, online);
    links_.host.SetFrequencyBoxLocked(online);
    links_.host.SetScanMenuEnabled(online);
    const std::string& server = servers_[RigNumber == 2 ? 1 : 0]->Status();
    // Green only for a rig that answers and can be keyed, which the interface language words.
    const bool keyable = online && !currentRig_->RefusesPtt() && !currentRig_->KeyLost();
    std::string status = online || server.empty() ? currentRig_->StatusStr() : server;
    if (keyable && links_.texts && !links_.texts->TxtRigOnline.empty()) status = links_.texts->TxtRigOnline;
    SetLabel8(keyable ? kStatusGreen : kStatusRed, " " + status);
}

// The rig whose frequency is corrected by 2 kHz each way: Hamlib's model 1021 (FT-100), which rigctld
// names "Yaesu FT-100".
bool frmRig::IsFt100D() const {
    constexpr int kHamlibFt100 = 1021;
    return currentRig_ && (currentRig_->Model() == kHamlibFt100 || currentRig_->RigType() == "FT-100 D");
}

Rig* frmRig::OtherRig() const {
    if (!engine_) return nullptr;
    if (RigNumber == 1) return &engine_->Rig2();
    if (RigNumber == 2) return &engine_->Rig1();
    return nullptr;
}

void frmRig::ReadRigFrequency() {
    // A deferred retune is pending: the rig still shows the frequency it is about to leave.
    if (links_.controls.GetTimer(TimerId::tmrCambiarFrecuenciaCAT).Interval() > 0) return;
    if (!currentRig_) return;
    const bool receiving = links_.shared.TxRxState == 0;
    int32_t f = receiving ? currentRig_->GetRxFrequency() : currentRig_->GetTxFrequency();
    if (IsFt100D()) f -= 2000;
    // No frequency known (rig offline or not read yet): nothing to show, and nothing to pass on, as
    // the other rig would be tuned to 0 Hz.
    if (f <= 0) return;
    if (receiving) {
        std::string s = Format(f / 1000.0, "0.0");
        std::replace(s.begin(), s.end(), ',', '.');
        if (s != links_.controls.Text(Control::txtFrecuencia))
            links_.controls.SetText(Control::txtFrecuencia, s);
        CatFrequencyHz = f;
    }
    if (Rig* other = OtherRig()) other->SetSimplexMode(f);
    if (receiving && currentRig_->Status() == ST_ONLINE) links_.host.RigFrequencyRead();
}

void frmRig::CambiarFrecuencia(int32_t& hz) {
    if (!engine_ || !currentRig_) return;
    if (IsFt100D()) hz += 2000;
    // A frequency box holding no number gives 0: no rig is tuned there.
    if (hz <= 0) return;
    currentRig_->SetSimplexMode(hz);
    if (Rig* other = OtherRig()) other->SetSimplexMode(hz);
}

void frmRig::chkDigital_Click() {
    if (engine_ && currentRig_ && chkDigital->isChecked() && currentRig_->Mode() != PM_DIG_U)
        currentRig_->SetMode(PM_DIG_U);
}

// The rig set-up dialog; what it sets applies at once. A rig given a model whose address is not on this
// computer gets the address of MUV's rigctld for it.
void frmRig::cmdConfigureRig_Click() {
    frmRigSetup setup(links_.settings, {FromQString(txtRigctld1->text()), FromQString(txtRigctld2->text())},
                      this);
    if (setup.exec() != QDialog::Accepted) return;
    for (int n = 1; n <= 2; ++n) {
        QLineEdit* box = n == 1 ? txtRigctld1 : txtRigctld2;
        if (setup.Address(n) == FromQString(box->text())) continue;
        box->setText(ToQString(setup.Address(n)));
        links_.settings.Write("RIG", n == 1 ? "Rigctld1" : "Rigctld2", setup.Address(n));
    }
    ApplyRigSetup();
}

void frmRig::ApplyRigSetup() {
    // Without an engine while CAT is on (the last address did not speak rigctld), the new set-up starts
    // one; with CAT off it is taken up when CAT starts.
    if (!engine_) {
        if (!chkDisableCAT->isChecked()) StartOmniRig();
        return;
    }
    StartRigServers();
    engine_->SetEndpoint(1, FromQString(txtRigctld1->text()));
    engine_->SetEndpoint(2, FromQString(txtRigctld2->text()));
}

void frmRig::txtRigctld_Change(int rigNumber) {
    if (!engine_) {
        if (!chkDisableCAT->isChecked()) StartOmniRig();  // a corrected address is tried at once
        return;
    }
    const std::string text = FromQString((rigNumber == 1 ? txtRigctld1 : txtRigctld2)->text().trimmed());
    Rig& rig = rigNumber == 1 ? engine_->Rig1() : engine_->Rig2();
    if (text == rig.Endpoint()) return;
    StartRigServers();  // MUV's rigctld for the rig moves with it
    engine_->SetEndpoint(rigNumber, text);
}

// ------------------------------------------------------------------ engine events

void frmRig::OmniRigEngine_StatusChange(int rigNumber) {
    if (rigNumber == RigNumber) ShowCatStatus();
}

void frmRig::OmniRigEngine_ParamsChange(int rigNumber, int32_t) {
    if (rigNumber == RigNumber) ReadRigFrequency();
}

void frmRig::OmniRigEngine_RigTypeChange(int rigNumber) {
    if (!engine_) return;
    if (rigNumber == 1)
        optRig1->setText(ToQString(engine_->Rig1().RigType()));
    else
        optRig2->setText(ToQString(engine_->Rig2().RigType()));
}

void frmRig::OmniRigEngine_ProtocolMismatch(int rigNumber) {
    if (rigNumber != RigNumber || !engine_) return;
    noEngineText_ = currentRig_->StatusStr() + ": correct the rig's rigctld address";
    ReleaseEngine();
    ShowCatStatus();
}

// The engine keeps sending the release; the operator must know that the radio may still be on the air.
void frmRig::OmniRigEngine_ReleaseUnconfirmed(int rigNumber) {
    if (!engine_) return;
    const Rig& rig = rigNumber == 1 ? engine_->Rig1() : engine_->Rig2();
    if (!rig.ReleasePending()) return;
    links_.boxes.Show("The transmitter may still be keyed: " + rig.RigType() +
                          " has not confirmed PTT off (" + rig.StatusStr() +
                          "). MUV keeps asking; check the radio.",
                      "CAT Error", BoxIcon::Critical);
}

// The key that started the transmission under way did not key the rig: the transmission is stopped and
// the operator told, as when keying fails at once.
void frmRig::OmniRigEngine_PttRefused(int rigNumber) {
    if (rigNumber != RigNumber || !currentRig_ || !currentRig_->RefusesPtt()) return;
    links_.host.StopUnkeyedTransmission();
    links_.boxes.Show(RefusalText(), "CAT Error", BoxIcon::Critical);
    links_.host.KeyingFailureTail();
}

void frmRig::OmniRigEngine_KeyStateChange(int rigNumber) {
    if (rigNumber != RigNumber || !currentRig_) return;
    links_.host.ShowPttKeyed(!currentRig_->KeyLost());
    ShowCatStatus();
}

// The rig lost the key during the transmission and could not be keyed again: the transmission is cut,
// the rig released (the release is owed until it confirms it) and the operator told.
void frmRig::OmniRigEngine_KeyingFailed(int rigNumber) {
    if (rigNumber != RigNumber || !currentRig_) return;
    if (links_.shared.TxRxState == 0) {
        CAT_PTT_RX();
        return;
    }
    const std::string why = currentRig_->RefusesPtt() ? RefusalText() : currentRig_->StatusStr();
    if (currentRig_->KeyTaken()) {
        links_.host.StopKeyLostTransmission();
        links_.boxes.Show("The transmission was stopped: " + currentRig_->RigType() +
                              " lost its PTT and could not be keyed again.\n" + why,
                          "CAT Error", BoxIcon::Critical);
    } else {
        links_.host.StopUnkeyedTransmission();  // it never went on the air
        links_.boxes.Show(
            "The transmission was stopped: " + currentRig_->RigType() + " could not be keyed.\n" + why,
            "CAT Error", BoxIcon::Critical);
    }
    links_.host.KeyingFailureTail();
}

std::string frmRig::RefusalText() const {
    const RigServer::State state = servers_[RigNumber == 2 ? 1 : 0]->GetState();
    const bool ours = state == RigServer::State::kRunning;
    return currentRig_->StatusStr() + "\n" +
           (ours ? "Choose the rig's PTT method in Configure CAT."
                 : "Set up the rig's PTT in the rigctld at " + currentRig_->Endpoint() + " (its -P option).");
}

// ------------------------------------------------------------------ keying and transmit freeze

uint8_t frmRig::CAT_PTT_TX() {
    std::string text, title = "CAT Error";
    if (chkDisableCAT->isChecked()) {
        text = "CAT disabled";
        title = "PTT Error";
    } else if (!engine_) {
        text = noEngineText_;
    } else if (currentRig_ && currentRig_->Status() == ST_ONLINE && !currentRig_->RefusesPtt()) {
        currentRig_->SetTx(PM_TX);
        return 1;
    } else if (currentRig_ && currentRig_->RefusesPtt()) {
        text = RefusalText();
    } else {
        text = currentRig_ ? currentRig_->StatusStr() : std::string();
    }
    links_.boxes.Show(text, title, BoxIcon::Critical);
    links_.host.KeyingFailureTail();
    return 0;
}

void frmRig::CAT_PTT_RX() {
    // Without an engine there is no rig to release.
    if (currentRig_) currentRig_->SetTx(PM_RX);
}

void frmRig::ProtejerOpcionesRig() {
    for (QWidget* w :
         std::initializer_list<QWidget*>{FraCAT,        fraRig,       optRig1,         optRig2,
                                         chkDisableCAT, chkDigital,   cmdConfigureRig, fraSeleccionarPTT,
                                         optCAT,        optNOCAT,     optVOX,          optDDS,
                                         fraPTTNOCAT,   fraPort,      cboCOM,          fraPin,
                                         optRTS,        optDTR,       optRTSDTR,       fraDDS,
                                         optDDSCAT,     optDDSManual, txtFrecuenciaUSB})
        w->setEnabled(false);
}

void frmRig::ActivarOpcionesRig() {
    chkDisableCAT_Click();
    for (QWidget* w : std::initializer_list<QWidget*>{
             chkDisableCAT, fraSeleccionarPTT, optCAT, optNOCAT, optVOX, optDDS, FraCAT, fraPTTNOCAT, fraPort,
             cboCOM, fraPin, optRTS, optDTR, optRTSDTR, fraDDS, optDDSCAT, optDDSManual, txtFrecuenciaUSB})
        w->setEnabled(true);
}

// ------------------------------------------------------------------ OK and links

void frmRig::cmdOK_Click() {
    GetDdsUsbFrequency();
    SaveRigSettings();
    accept();
}

void frmRig::GetDdsUsbFrequency() {
    if (IsWholeNumber(FromQString(txtFrecuenciaUSB->text()))) return;
    txtFrecuenciaUSB->clear();
    links_.boxes.Show("DDS Frequency not valid", "DDS Frequency Error", BoxIcon::Critical);
}

void frmRig::Image1_Click() {
    links_.pages.Open(kRigControlPage);
}

void frmRig::Label2_Click() {
    links_.pages.Open(kRigControlHelp);
}

}  // namespace muv
