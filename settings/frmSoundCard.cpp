#include "settings/frmSoundCard.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <algorithm>
#include <utility>

#include "common/colour.h"
#include "common/profile_store.h"
#include "common/timer.h"
#include "common/vb.h"
#include "settings/settings_window.h"

namespace muv {

namespace {

void Fill(QComboBox* list, const std::vector<std::string>& names) {
    list->clear();
    for (const std::string& name : names)
        list->addItem(QString::fromStdString(name));
}

QStringList Items(const QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items.append(list->itemText(i));
    return items;
}

// A list whose devices have changed since `before`, with the device chosen there (the entry `chosen`)
// still in it: that device is chosen again, wherever it now stands (among devices of the same name, the
// one at the same rank). True when the selection moved.
bool KeepChosen(QComboBox* list, const QStringList& before, int chosen) {
    const QStringList now = Items(list);
    if (now == before || chosen < 0 || chosen >= before.size()) return false;
    const QString& name = before[chosen];
    const qsizetype rank = before.mid(0, chosen).count(name);
    qsizetype seen = 0;
    for (int i = 0; i < now.size(); ++i) {
        if (now[i] != name || seen++ != rank) continue;
        if (i == list->currentIndex()) return false;
        list->setCurrentIndex(i);
        return true;
    }
    return false;
}

// A stored index selects that entry when it names one; otherwise, and when nothing is stored, the
// first entry.
void SelectStored(QComboBox* list, const std::optional<std::string>& stored) {
    int index = 0;
    if (stored) {
        // Rounded before the range check, so that a value just under the count cannot round past it.
        const double v = RoundHalfEven(Val(*stored));
        if (v >= 0 && v < list->count()) index = static_cast<int>(v);
    }
    list->setCurrentIndex(index);
}

}  // namespace

frmSoundCard::frmSoundCard(SoundCardWindowHost& host, ProfileStore& store, DeviceNameSource captureDevices,
                           DeviceNameSource playbackDevices, QWidget* parent)
    : QDialog(parent),
      host_(host),
      store_(store),
      captureDevices_(std::move(captureDevices)),
      playbackDevices_(std::move(playbackDevices)) {
    setObjectName("frmSoundCard");
    // English captions until the interface language is applied.
    setWindowTitle("Sound Card");
    lblDeviceInput = new QLabel("Input Device", this);
    lblDeviceInput->setObjectName("lblDeviceInput");
    cboTarjetaSonidoEntrada = new QComboBox(this);
    lblDeviceOutput = new QLabel("Output Device", this);
    lblDeviceOutput->setObjectName("lblDeviceOutput");
    cboTarjetaSonidoSalida = new QComboBox(this);
    fraEntradaDeAudio = new QGroupBox("Audio Input", this);
    optLineIN = new QRadioButton("Line IN", fraEntradaDeAudio);
    optMic = new QRadioButton("Mic", fraEntradaDeAudio);
    cmdOK = new QPushButton("OK", this);
    cboTarjetaSonidoEntrada->setObjectName("cboTarjetaSonidoEntrada");
    cboTarjetaSonidoSalida->setObjectName("cboTarjetaSonidoSalida");
    cmdOK->setObjectName("cmdOK");

    auto* frame = new QHBoxLayout(fraEntradaDeAudio);
    frame->addWidget(optLineIN);
    frame->addWidget(optMic);
    auto* grid = new QGridLayout(this);
    grid->addWidget(lblDeviceInput, 0, 0);
    grid->addWidget(cboTarjetaSonidoEntrada, 0, 1);
    grid->addWidget(lblDeviceOutput, 1, 0);
    grid->addWidget(cboTarjetaSonidoSalida, 1, 1);
    grid->addWidget(fraEntradaDeAudio, 2, 0, 1, 2);
    grid->addWidget(cmdOK, 3, 1, Qt::AlignRight);

    // Only the operator's choice runs the handler; selections made by the code call it themselves.
    connect(cboTarjetaSonidoEntrada, &QComboBox::activated, this,
            [this] { cboTarjetaSonidoentrada_Click(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    // OK accepts; every other way of closing rejects.
    connect(this, &QDialog::rejected, this, [this] { GiveBackStoredChoice(); });
}

void frmSoundCard::Form_Load() {
    PaintOkButton(cmdOK);
    Fill(cboTarjetaSonidoEntrada, captureDevices_ ? captureDevices_() : std::vector<std::string>{});
    const std::vector<std::string> outputs =
        playbackDevices_ ? playbackDevices_() : std::vector<std::string>{};
    Fill(cboTarjetaSonidoSalida, outputs);
    if (OutputDevicesListed) OutputDevicesListed(outputs);
    LoadSoundCards();
    SelectedInputDevice = OpenedDevice();
}

void frmSoundCard::Reload() {
    const QStringList inputsBefore = Items(cboTarjetaSonidoEntrada);
    const QStringList outputsBefore = Items(cboTarjetaSonidoSalida);
    const int inputBefore = InputListIndex();
    const int outputBefore = OutputListIndex();
    const auto load = [&] {
        Form_Load();
        const bool inputMoved = KeepChosen(cboTarjetaSonidoEntrada, inputsBefore, inputBefore);
        const bool outputMoved = KeepChosen(cboTarjetaSonidoSalida, outputsBefore, outputBefore);
        if (inputMoved || outputMoved) {
            stored_ = {InputListIndex(), OutputListIndex()};
            SelectedInputDevice = OpenedDevice();  // the input is closed: it opens on this device next
        }
    };
    if (host_.SoundInputOpen())
        RestartInput(load);
    else
        load();
}

uint8_t frmSoundCard::OpenedDevice() const {
    // After a failed open the input falls back to device 0 and the list shows it.
    return static_cast<uint8_t>(std::max(InputListIndex(), 0));
}

void frmSoundCard::cboTarjetaSonidoentrada_Click() {
    const int i = InputListIndex();
    if (i < 0) return;
    if (!host_.SoundInputOpen()) {
        // Nothing to restart now, but the next opening uses this device: remember it as the device
        // the input is on, or picking the previous device afterwards would not move the input back.
        SelectedInputDevice = static_cast<uint8_t>(i);
        return;
    }
    if (i == SelectedInputDevice) return;
    host_.CloseSoundInput();
    host_.OpenSoundInput();
    SelectedInputDevice = OpenedDevice();
}

void frmSoundCard::RestartInput(const std::function<void()>& whileClosed) {
    host_.CancelFrame();
    Timer& tmrRX = host_.ReceivePumpTimer();
    tmrRX.SetEnabled(false);
    host_.CloseSoundInput();
    whileClosed();
    host_.OpenSoundInput();
    SelectedInputDevice = OpenedDevice();
    tmrRX.SetEnabled(true);
}

void frmSoundCard::cmdOK_Click() {
    RestartInput([this] { SaveSoundCards(); });
    accept();
}

void frmSoundCard::GiveBackStoredChoice() {
    SetOutputListIndex(stored_.output);
    SetInputListIndex(stored_.input);
    // Moves the input back when a pick has moved it; with the input closed, its next opening uses it.
    cboTarjetaSonidoentrada_Click();
}

void frmSoundCard::LoadSoundCards() {
    const std::string section = store_.Section("Tarjeta Sonido");
    if (cboTarjetaSonidoEntrada->count() > 0) {
        SelectStored(cboTarjetaSonidoEntrada, store_.Read(section, "Entrada", 50));
        cboTarjetaSonidoentrada_Click();
    }
    if (cboTarjetaSonidoSalida->count() > 0)
        SelectStored(cboTarjetaSonidoSalida, store_.Read(section, "Salida", 50));
    stored_ = {InputListIndex(), OutputListIndex()};
}

void frmSoundCard::SaveSoundCards() {
    const std::string section = store_.Section("Tarjeta Sonido");
    if (cboTarjetaSonidoEntrada->count() > 0) store_.Write(section, "Entrada", std::to_string(InputListIndex()));
    if (cboTarjetaSonidoSalida->count() > 0) store_.Write(section, "Salida", std::to_string(OutputListIndex()));
    stored_ = {InputListIndex(), OutputListIndex()};
}

int frmSoundCard::InputListIndex() const {
    return cboTarjetaSonidoEntrada->currentIndex();
}

int frmSoundCard::OutputListIndex() const {
    return cboTarjetaSonidoSalida->currentIndex();
}

void frmSoundCard::SetInputListIndex(int index) {
    cboTarjetaSonidoEntrada->setCurrentIndex(index);
}

void frmSoundCard::SetOutputListIndex(int index) {
    cboTarjetaSonidoSalida->setCurrentIndex(index);
}

}  // namespace muv
