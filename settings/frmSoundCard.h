// The sound-card window: the capture and playback device lists are the live device choice (the
// sound input opens the input list's index, the transmitter and the mixer use the output list's).
// Picking another input device, or OK, restarts the sound input on the chosen device. Closing the window
// without OK gives back the stored choice; opening it again reads the device lists anew. The choice is
// stored by the devices' lasting names, so that it names the same device at the next start wherever the
// lists then put it.
#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/sound_device.h"

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

// The devices in device-index order: a SoundDeviceList, or plain names, each then stored by itself.
class DeviceNameSource {
public:
    DeviceNameSource() = default;
    template <class F, class = std::enable_if_t<std::is_invocable_v<F&> &&
                                                !std::is_same_v<std::decay_t<F>, DeviceNameSource>>>
    DeviceNameSource(F source) {  // NOLINT: a function of either kind stands for the source
        if constexpr (std::is_convertible_v<std::invoke_result_t<F&>, SoundDeviceList>) {
            source_ = std::move(source);
        } else if constexpr (std::is_convertible_v<std::invoke_result_t<F&>, std::vector<std::string>>) {
            source_ = [names = std::move(source)]() mutable {
                SoundDeviceList list;
                for (std::string& name : static_cast<std::vector<std::string>>(names()))
                    list.devices.push_back({name, name});
                return list;
            };
        } else {
            // a device-name source gives a SoundDeviceList or a list of names
            static_assert(std::is_convertible_v<std::invoke_result_t<F&>, SoundDeviceList>);
        }
    }
    explicit operator bool() const { return static_cast<bool>(source_); }
    SoundDeviceList operator()() const { return source_ ? source_() : SoundDeviceList{}; }

private:
    std::function<SoundDeviceList()> source_;
};

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
    // stores it, each device by its lasting name beside its list index. A list without devices is
    // neither read nor stored. A choice stored by an index alone (before devices were stored by name) is
    // the device that index chose then.
    void LoadSoundCards();
    void SaveSoundCards();
    // The lasting name of a device stored as chosen that the list did not hold at the last
    // LoadSoundCards (a sound card unplugged): the list then shows its first device in its place.
    const std::optional<std::string>& MissingInputDevice() const { return missing_.input; }
    const std::optional<std::string>& MissingOutputDevice() const { return missing_.output; }
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
    struct Missing {
        std::optional<std::string> input;
        std::optional<std::string> output;
    };

    uint8_t OpenedDevice() const;
    // The input closed, whileClosed run, the input opened on the chosen device, with the receive pump
    // stopped meanwhile and the frame being received abandoned.
    void RestartInput(const std::function<void()>& whileClosed);

    // The stored choice on the lists as they are (what closing without OK gives back).
    Choice stored_;
    Missing missing_;
    // What an index stored before devices were stored by name meant, for each list.
    std::vector<std::string> formerInputs_;
    std::vector<std::string> formerOutputs_;

    SoundCardWindowHost& host_;
    ProfileStore& store_;
    DeviceNameSource captureDevices_;
    DeviceNameSource playbackDevices_;
};

}  // namespace muv
