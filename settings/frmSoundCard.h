// The sound-card window: the capture and playback device lists are the live device choice (the
// sound input opens the input list's index, the transmitter and the mixer use the output list's).
// Picking another input device, or OK, restarts the sound input on the chosen device. Closing the window
// without OK gives back the stored choice; opening it again reads the device lists anew.
#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace muv {

class ProfileStore;
class Timer;

// What the window needs of the main window and the receiver.
class SoundCardWindowHost {
public:
    virtual ~SoundCardWindowHost() = default;
    // Abandons the frame being received.
    virtual void CancelFrame() = 0;
    // The receive pump timer tmrRX.
    virtual Timer& ReceivePumpTimer() = 0;
    virtual bool SoundInputOpen() const = 0;
    virtual void CloseSoundInput() = 0;
    // Opens the device chosen in cboTarjetaSonidoEntrada (falling back to device 0 on its own).
    virtual void OpenSoundInput() = 0;
};

// The device names in device-index order.
using DeviceNameSource = std::function<std::vector<std::string>()>;

class frmSoundCard : public QDialog {
public:
    // store: where the choice is kept ("Tarjeta Sonido" of the current profile).
    frmSoundCard(SoundCardWindowHost& host, ProfileStore& store, DeviceNameSource captureDevices,
                 DeviceNameSource playbackDevices, QWidget* parent = nullptr);

    // The window's load: fills both lists, selects the stored choice and follows it with the input
    // list's click handler. Run when the window is first used.
    void Form_Load();
    // The window opened again after it was closed: loaded anew, so that the lists offer the devices
    // there are now (a card plugged in since) with the stored choice selected; a chosen device that the
    // new lists show at another place stays chosen. The sound system takes in new devices only while
    // none of its devices is open, so an open input is closed around the reading (the frame being
    // received is abandoned) and opened again on the chosen device.
    void Reload();
    // Reopens the sound input when the operator picked another input device while it is open.
    void cboTarjetaSonidoentrada_Click();
    // Restarts the sound input on the chosen device, stores the choice and closes the window.
    void cmdOK_Click();

    // The stored choice: LoadSoundCards selects it (and follows the input list's choice), SaveSoundCards
    // stores the lists' indexes. A list without devices is neither read nor stored.
    void LoadSoundCards();
    void SaveSoundCards();
    // Closing the window without OK (its close box, Escape): the lists go back to the stored choice, and
    // with them the devices the program uses; an input that a pick has moved goes back too.
    void GiveBackStoredChoice();

    // The lists' ListIndex: the chosen device, -1 when none. Setting one runs no handler.
    int InputListIndex() const;
    int OutputListIndex() const;
    void SetInputListIndex(int index);
    void SetOutputListIndex(int index);

    // The input device the sound input is on, or opens on next when it is closed.
    uint8_t SelectedInputDevice = 0;
    // Run with the playback devices' names each time the output list is filled.
    std::function<void(const std::vector<std::string>&)> OutputDevicesListed;

    QLabel* lblDeviceInput;
    QComboBox* cboTarjetaSonidoEntrada;
    QLabel* lblDeviceOutput;
    QComboBox* cboTarjetaSonidoSalida;
    QGroupBox* fraEntradaDeAudio;
    QRadioButton* optLineIN;
    QRadioButton* optMic;
    QPushButton* cmdOK;

private:
    struct Choice {
        int input = -1;
        int output = -1;
    };

    uint8_t OpenedDevice() const;
    // The input closed, whileClosed run, the input opened on the chosen device, with the receive pump
    // stopped meanwhile and the frame being received abandoned.
    void RestartInput(const std::function<void()>& whileClosed);

    // The stored choice on the lists as they are (what closing without OK gives back).
    Choice stored_;

    SoundCardWindowHost& host_;
    ProfileStore& store_;
    DeviceNameSource captureDevices_;
    DeviceNameSource playbackDevices_;
};

}  // namespace muv
