#include "settings/frmSoundCard.h"

#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
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

// Where the choice is kept: each list's index, as it always was, and beside it the lasting name of the
// device chosen.
constexpr const char* kInputIndexKey = "Entrada";
constexpr const char* kOutputIndexKey = "Salida";
constexpr const char* kInputNameKey = "Dispositivo Entrada";
constexpr const char* kOutputNameKey = "Dispositivo Salida";
constexpr int kIndexBuffer = 50;
constexpr int kNameBuffer = 256;

// Fills the list with the devices shown, each holding the name it is stored by; returns what an index
// stored before devices were stored by name meant.
std::vector<std::string> Fill(QComboBox* list, const SoundDeviceList& devices) {
    list->clear();
    for (const SoundDeviceName& device : devices.devices)
        list->addItem(QString::fromStdString(device.shown), QString::fromStdString(device.stored));
    return devices.formerIndexes;
}

QStringList StoredNames(const QComboBox* list) {
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names.append(list->itemData(i).toString());
    return names;
}

std::string StoredName(const QComboBox* list, int index) {
    if (index < 0 || index >= list->count()) return {};
    return list->itemData(index).toString().toStdString();
}

// A list whose devices have changed since `before`, with the device chosen there (the entry `chosen`)
// still in it: that device is chosen again, wherever it now stands (among devices of the same name, the
// one at the same rank). True when the selection moved.
bool KeepChosen(QComboBox* list, const QStringList& before, int chosen) {
    const QStringList now = StoredNames(list);
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

// The entry the stored choice selects. A stored name selects its device; a name that the list does not
// hold selects the first entry and is given back in `missing`. Without a name, a stored index selects
// the device it chose then (`former`, or the entry with that index) when the list holds it; otherwise,
// and when nothing is stored, the first entry.
int StoredChoice(const QComboBox* list, const std::optional<std::string>& name,
                 const std::optional<std::string>& index, const std::vector<std::string>& former,
                 std::optional<std::string>& missing) {
    if (name && !name->empty()) {
        const int found = list->findData(QString::fromStdString(*name));
        if (found >= 0) return found;
        missing = *name;
        return 0;
    }
    if (!index) return 0;
    // Rounded before the range check, so that a value just under the count cannot round past it.
    const double v = RoundHalfEven(Val(*index));
    if (former.empty()) return v >= 0 && v < list->count() ? static_cast<int>(v) : 0;
    if (v < 0 || v >= static_cast<double>(former.size())) return 0;
    return std::max(list->findData(QString::fromStdString(former[static_cast<size_t>(v)])), 0);
}

}  // namespace

namespace {

// Keeps the window as wide as its title needs in a desktop's title bar, whatever the language: the bar
// shows the title centred, in a bold font larger than the window's, between the window menu and three
// buttons, each about as wide as the bar is high (two lines of that font). The frame that spans the
// window holds the width.
class TitleRoom : public QObject {
public:
    TitleRoom(QWidget* window, QWidget* spanning) : QObject(window), window_(window), spanning_(spanning) {
        window->installEventFilter(this);
        Keep();
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::WindowTitleChange) Keep();
        return false;
    }

private:
    void Keep() {
        QFont font = window_->font();
        font.setBold(true);
        font.setPointSizeF(font.pointSizeF() * 1.25);
        const QFontMetrics metrics(font);
        const int buttons = 2 * 3 * 2 * metrics.height();
        const QMargins margins = window_->layout()->contentsMargins();
        spanning_->setMinimumWidth(metrics.horizontalAdvance(window_->windowTitle()) + buttons -
                                   margins.left() - margins.right());
    }

    QWidget* window_;
    QWidget* spanning_;
};

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
    new TitleRoom(this, fraEntradaDeAudio);

    // Only the operator's choice runs the handler; selections made by the code call it themselves.
    connect(cboTarjetaSonidoEntrada, &QComboBox::activated, this,
            [this] { cboTarjetaSonidoentrada_Click(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    // OK accepts; every other way of closing rejects.
    connect(this, &QDialog::rejected, this, [this] { GiveBackStoredChoice(); });
}

void frmSoundCard::Form_Load() {
    PaintOkButton(cmdOK);
    formerInputs_ = Fill(cboTarjetaSonidoEntrada, captureDevices_());
    const SoundDeviceList outputs = playbackDevices_();
    formerOutputs_ = Fill(cboTarjetaSonidoSalida, outputs);
    if (OutputDevicesListed) {
        std::vector<std::string> names;
        for (const SoundDeviceName& device : outputs.devices)
            names.push_back(device.shown);
        OutputDevicesListed(names);
    }
    LoadSoundCards();
    SelectedInputDevice = OpenedDevice();
}

void frmSoundCard::Reload() {
    const QStringList inputsBefore = StoredNames(cboTarjetaSonidoEntrada);
    const QStringList outputsBefore = StoredNames(cboTarjetaSonidoSalida);
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
    // What the operator confirms is what the lists show.
    missing_ = {};
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
    missing_ = {};
    if (cboTarjetaSonidoEntrada->count() > 0) {
        cboTarjetaSonidoEntrada->setCurrentIndex(StoredChoice(
            cboTarjetaSonidoEntrada, store_.Read(section, kInputNameKey, kNameBuffer),
            store_.Read(section, kInputIndexKey, kIndexBuffer), formerInputs_, missing_.input));
        cboTarjetaSonidoentrada_Click();
    }
    if (cboTarjetaSonidoSalida->count() > 0) {
        cboTarjetaSonidoSalida->setCurrentIndex(StoredChoice(
            cboTarjetaSonidoSalida, store_.Read(section, kOutputNameKey, kNameBuffer),
            store_.Read(section, kOutputIndexKey, kIndexBuffer), formerOutputs_, missing_.output));
    }
    stored_ = {InputListIndex(), OutputListIndex()};
}

void frmSoundCard::SaveSoundCards() {
    const std::string section = store_.Section("Tarjeta Sonido");
    // A device that was not there when the choice was loaded stays the one stored until another is
    // chosen in its place (a profile switch saves a profile whose card is unplugged as it was).
    const auto save = [&](const QComboBox* list, const char* indexKey, const char* nameKey,
                          const std::optional<std::string>& missing, int loaded) {
        if (list->count() == 0) return;
        const int chosen = list->currentIndex();
        store_.Write(section, indexKey, std::to_string(chosen));
        if (missing && chosen == loaded) {
            store_.Write(section, nameKey, *missing);
        } else if (chosen >= 0) {
            store_.Write(section, nameKey, StoredName(list, chosen));
        }
    };
    save(cboTarjetaSonidoEntrada, kInputIndexKey, kInputNameKey, missing_.input, stored_.input);
    save(cboTarjetaSonidoSalida, kOutputIndexKey, kOutputNameKey, missing_.output, stored_.output);
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
