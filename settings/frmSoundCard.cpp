#include "settings/frmSoundCard.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
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
}

void frmSoundCard::Form_Load() {
    PaintOkButton(cmdOK);
    Fill(cboTarjetaSonidoEntrada, captureDevices_ ? captureDevices_() : std::vector<std::string>{});
    Fill(cboTarjetaSonidoSalida, playbackDevices_ ? playbackDevices_() : std::vector<std::string>{});
    LoadSoundCards();
    SelectedInputDevice = OpenedDevice();
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

void frmSoundCard::cmdOK_Click() {
    host_.CancelFrame();
    Timer& tmrRX = host_.ReceivePumpTimer();
    tmrRX.SetEnabled(false);
    host_.CloseSoundInput();
    SaveSoundCards();
    host_.OpenSoundInput();
    SelectedInputDevice = OpenedDevice();
    tmrRX.SetEnabled(true);
    accept();
}

void frmSoundCard::LoadSoundCards() {
    const std::string section = store_.Section("Tarjeta Sonido");
    if (cboTarjetaSonidoEntrada->count() > 0) {
        SelectStored(cboTarjetaSonidoEntrada, store_.Read(section, "Entrada", 50));
        cboTarjetaSonidoentrada_Click();
    }
    if (cboTarjetaSonidoSalida->count() > 0)
        SelectStored(cboTarjetaSonidoSalida, store_.Read(section, "Salida", 50));
}

void frmSoundCard::SaveSoundCards() {
    const std::string section = store_.Section("Tarjeta Sonido");
    if (cboTarjetaSonidoEntrada->count() > 0) store_.Write(section, "Entrada", std::to_string(InputListIndex()));
    if (cboTarjetaSonidoSalida->count() > 0) store_.Write(section, "Salida", std::to_string(OutputListIndex()));
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
