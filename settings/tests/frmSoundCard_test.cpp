#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QPushButton>
#include <string>
#include <vector>

#include "common/timer.h"
#include "settings/frmSoundCard.h"

#include "platform/private_profile.h"
#include "test_support/qt_app.h"

namespace muv {
namespace {

// Records the window's calls into the main window and the receiver, in order.
struct RecordingHost : SoundCardWindowHost, ManualTimer {
    std::vector<std::string> log;
    bool inputOpen = true;
    frmSoundCard* window = nullptr;

    void CancelFrame() override { log.push_back("CancelFrame"); }
    Timer& ReceivePumpTimer() override { return *this; }
    void SetEnabled(bool enabled) override {
        log.push_back(enabled ? "tmrRX on" : "tmrRX off");
        ManualTimer::SetEnabled(enabled);
    }
    bool SoundInputOpen() const override { return inputOpen; }
    void CloseSoundInput() override {
        log.push_back("CloseSoundInput");
        inputOpen = false;
    }
    void OpenSoundInput() override {
        log.push_back("OpenSoundInput " + std::to_string(window->InputListIndex()));
        inputOpen = true;
    }
};

class SoundCardWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::EnsureApplication(); }

    void Make(std::vector<std::string> capture = {"Mic A", "Line B", "USB C"},
              std::vector<std::string> playback = {"Out A", "Out B"}) {
        window = std::make_unique<frmSoundCard>(
            host, store, [capture] { return capture; }, [playback] { return playback; });
        host.window = window.get();
    }

    std::optional<std::string> Stored(const char* key) { return store.Read("Tarjeta Sonido", key, 50); }

    RecordingHost host;
    MemoryProfileStore store;
    std::unique_ptr<frmSoundCard> window;
};

TEST_F(SoundCardWindow, LoadListsTheDevicesAndSelectsTheStoredChoice) {
    Make();
    window->Form_Load();
    ASSERT_EQ(window->cboTarjetaSonidoEntrada->count(), 3);
    EXPECT_EQ(window->cboTarjetaSonidoEntrada->itemText(2).toStdString(), "USB C");
    EXPECT_EQ(window->cboTarjetaSonidoSalida->itemText(1).toStdString(), "Out B");
    EXPECT_EQ(window->InputListIndex(), 0) << "the first device when nothing is stored";
    EXPECT_EQ(window->OutputListIndex(), 0);
    EXPECT_TRUE(host.log.empty()) << "the input is already on the device chosen";

    // A stored index out of range selects the first device; one in range is followed by a reopen.
    const std::vector<std::pair<std::string, int>> cases = {
        {"5", 0}, {"-1", 0}, {"2", 2}, {"2.6", 0}, {"1.4", 1}};
    for (const auto& [stored, expected] : cases) {
        store = MemoryProfileStore();
        store.Write("Tarjeta Sonido", "Entrada", stored);
        store.Write("Tarjeta Sonido", "Salida", stored);
        Make();
        window->Form_Load();
        EXPECT_EQ(window->InputListIndex(), expected) << stored;
        EXPECT_EQ(window->OutputListIndex(), expected < 2 ? expected : 0) << stored;
        EXPECT_EQ(window->SelectedInputDevice, expected) << stored;
    }
    EXPECT_EQ(host.log, (std::vector<std::string>{"CloseSoundInput", "OpenSoundInput 2", "CloseSoundInput",
                                                  "OpenSoundInput 1"}));

    // A choice stored by a device's lasting name is that device wherever the list now puts it; one that
    // the list no longer holds is told. An index stored before devices were stored by name is the device
    // it chose then (here the sound server's "default", which two former names stood for).
    store = MemoryProfileStore();
    store.Write("Tarjeta Sonido", "Dispositivo Entrada", "alsa_input.usb");
    store.Write("Tarjeta Sonido", "Entrada", "0");
    store.Write("Tarjeta Sonido", "Salida", "2");
    const SoundDeviceList inputs{{{"default", "default"}, {"Built-in Audio", "alsa_input.pci"},
                                  {"USB Audio CODEC", "alsa_input.usb"}},
                                 {}};
    const std::string card = "HDA Intel PCH: ALC892 Analog (hw:0,0)";
    const SoundDeviceList outputs{
        {{"default", "default"}, {"USB Audio CODEC", "alsa_output.usb"}, {card, card}},
        {card, "default", "default"}};
    window = std::make_unique<frmSoundCard>(
        host, store, [&] { return inputs; }, [&] { return outputs; });
    host.window = window.get();
    window->Form_Load();
    EXPECT_EQ(window->InputListIndex(), 2);
    EXPECT_EQ(window->OutputListIndex(), 0);
    EXPECT_FALSE(window->MissingInputDevice() || window->MissingOutputDevice());
    window->SetOutputListIndex(1);
    window->SaveSoundCards();
    EXPECT_EQ(Stored("Dispositivo Salida"), "alsa_output.usb");
    store.Write("Tarjeta Sonido", "Dispositivo Salida", "alsa_output.unplugged");
    window->Form_Load();
    EXPECT_EQ(window->MissingOutputDevice(), "alsa_output.unplugged");
    EXPECT_EQ(window->OutputListIndex(), 0);

    // No capture device at all: nothing selected, nothing stored.
    host.log.clear();
    store = MemoryProfileStore();
    Make({}, {"Out A"});
    window->Form_Load();
    EXPECT_EQ(window->InputListIndex(), -1);
    EXPECT_EQ(window->SelectedInputDevice, 0);
    window->cboTarjetaSonidoentrada_Click();
    window->SaveSoundCards();
    EXPECT_FALSE(Stored("Entrada").has_value());
    EXPECT_EQ(Stored("Salida"), "0");
    EXPECT_TRUE(host.log.empty());
}

TEST_F(SoundCardWindow, PickingAnInputDeviceReopensOnlyAnOpenInputOnAnotherDevice) {
    Make();
    window->Form_Load();
    window->SetInputListIndex(0);
    window->cboTarjetaSonidoentrada_Click();
    EXPECT_TRUE(host.log.empty()) << "the device already in use";

    // The operator's pick through the list itself.
    window->cboTarjetaSonidoEntrada->setCurrentIndex(1);
    emit window->cboTarjetaSonidoEntrada->activated(1);
    EXPECT_EQ(host.log, (std::vector<std::string>{"CloseSoundInput", "OpenSoundInput 1"}));
    EXPECT_EQ(window->SelectedInputDevice, 1);

    // While the input is closed (transmitting) a pick only changes the selection; the input then
    // reopens on it, and picking the former device moves it back.
    host.log.clear();
    host.inputOpen = false;
    window->SetInputListIndex(2);
    window->cboTarjetaSonidoentrada_Click();
    EXPECT_TRUE(host.log.empty());
    host.inputOpen = true;
    window->SetInputListIndex(1);
    window->cboTarjetaSonidoentrada_Click();
    EXPECT_EQ(host.log, (std::vector<std::string>{"CloseSoundInput", "OpenSoundInput 1"}));
}

TEST_F(SoundCardWindow, OkRestartsTheInputInOrderAndStoresTheChoice) {
    Make();
    window->Form_Load();
    host.ManualTimer::SetEnabled(true);
    window->show();
    window->SetOutputListIndex(1);
    window->cmdOK->click();
    EXPECT_EQ(host.log, (std::vector<std::string>{"CancelFrame", "tmrRX off", "CloseSoundInput",
                                                  "OpenSoundInput 0", "tmrRX on"}))
        << "even when nothing changed";
    EXPECT_EQ(Stored("Entrada"), "0");
    EXPECT_EQ(Stored("Salida"), "1");

    // Under another profile the choice is kept in that profile's own section.
    store.SetProfileSuffix("4");
    window->SetInputListIndex(2);
    window->SaveSoundCards();
    EXPECT_EQ(store.Read("Tarjeta Sonido4", "Entrada", 50), "2");
    EXPECT_EQ(Stored("Entrada"), "0");
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(host.Enabled());
}

// Each opening reads the lists anew with the input closed (the sound system takes in a device plugged in
// since only while none of its devices is open); while a transmission holds the input closed it stays
// so, and a pick then abandoned with the close box is not where the input opens next.
TEST_F(SoundCardWindow, OpeningAgainReadsTheListsWithTheInputClosed) {
    std::vector<std::string> capture = {"Mic A", "USB C"};
    std::vector<bool> readWithInputOpen;
    window = std::make_unique<frmSoundCard>(
        host, store,
        [&] {
            readWithInputOpen.push_back(host.inputOpen);
            return capture;
        },
        [] { return std::vector<std::string>{"Out A"}; });
    host.window = window.get();
    window->Form_Load();
    host.ManualTimer::SetEnabled(true);

    capture.push_back("Headset");
    window->Reload();
    ASSERT_EQ(window->cboTarjetaSonidoEntrada->count(), 3);
    EXPECT_EQ(window->cboTarjetaSonidoEntrada->itemText(2).toStdString(), "Headset");
    EXPECT_EQ(readWithInputOpen, (std::vector<bool>{true, false}));
    EXPECT_EQ(host.log, (std::vector<std::string>{"CancelFrame", "tmrRX off", "CloseSoundInput",
                                                  "OpenSoundInput 0", "tmrRX on"}));

    host.log.clear();
    host.inputOpen = false;
    window->Reload();
    window->show();
    window->SetInputListIndex(2);
    window->cboTarjetaSonidoentrada_Click();
    window->close();
    EXPECT_EQ(window->InputListIndex(), 0);
    EXPECT_EQ(window->SelectedInputDevice, 0);
    EXPECT_TRUE(host.log.empty());
    EXPECT_FALSE(Stored("Entrada").has_value());
}

// The title shows whole in a desktop's title bar, in every language's wording: the bar's bold 11-point
// font, centred between the window menu and three buttons of 28 pixels at its other end.
TEST_F(SoundCardWindow, TheTitleHasRoomInTheTitleBar) {
    Make();
    window->Form_Load();
    window->show();
    for (const char* title : {"SoundCard Configuration", "Configuração da placa de som",
                              "Soundkarten-Konfiguration", "Настройка звуковой карты"}) {
        window->setWindowTitle(QString::fromUtf8(title));
        QApplication::processEvents();
        QFont bar = QApplication::font();
        bar.setBold(true);
        bar.setPointSize(11);
        EXPECT_GE(window->width(), QFontMetrics(bar).horizontalAdvance(QString::fromUtf8(title)) + 2 * 3 * 28)
            << title;
    }
}

}  // namespace
}  // namespace muv
