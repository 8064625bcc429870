// The main window: the receive and transmit windows, the status boxes, meters, waterfall and clock, the
// option switches (pairs of ON/OFF pictures at one place), the macro labels, the frequency panel, the
// cluster panel, the menus and the 36 timers. Controls keep their classic names and are public, as the
// rest of the program reads and sets them directly; each control event calls the handler method named
// after the control and the event. The handlers are grouped by feature: frmMain_load (load, unload, clock),
// frmMain_menus, frmMain_bands (band, frequency list, scan), frmMain_options (the switches), frmMain_beacon,
// frmMain_receive, frmMain_transmit, frmMain_macros, frmMain_online (partner box, cluster panel, services),
// frmMain_alarm (the alarm switch, timer and stop picture);
// frmMain_build builds the controls. The modem reaches the window through WindowControls, the layouts
// through ControlGeometry.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/error_trap.h"
#include "common/message_box.h"
#include "common/window_controls.h"
#include "modem/mode_table.h"
#include "platform/qt/qt_timer.h"
#include "platform/qt/qtextedit_window.h"
#include "session/controls.h"
#include "session/frequency_list.h"
#include "settings/display_settings.h"
#include "settings/frmSoundCard.h"
#include "settings/macro_labels.h"
#include "settings/profile_menu.h"
#include "texts/screen_layout.h"

class QAction;
class QMenu;
class QMenuBar;
class QSlider;
class QTextBrowser;

namespace muv {

class KeyboardPoll;
class SoundInputDevice;
class ThreadWake;
class WaterfallImage;
struct Station;

class frmMain : public QWidget,
                public WindowControls,
                public ControlGeometry,
                public DisplaySettingsTarget,
                public ProfileMenu,
                public MacroLabels {
public:
    // The window of the program (the station whose modules its handlers drive; they are reached once
    // the station has attached itself, after it has built them) with its message boxes (null: the
    // program's own).
    explicit frmMain(MessageBoxes* boxes = nullptr, QWidget* parent = nullptr);
    ~frmMain() override;

    // The program whose modules the window drives: receiver, transmitter, shared state, session text.
    Station& Modules() { return *station_; }

    // --- WindowControls ---
    std::string Text(Control c) const override;
    void SetText(Control c, const std::string& text) override;
    ColorRef BackColor(Control c) const override;
    void SetBackColor(Control c, ColorRef colour) override;
    bool Visible(Control c) const override;
    void SetVisible(Control c, bool visible) override;
    bool Enabled(Control c) const override;
    void SetEnabled(Control c, bool enabled) override;
    void DrawMeterNeedle(MeterId meter, float value) override;
    Timer& GetTimer(TimerId id) override;

    // --- ControlGeometry (pixels of the window's client area; twips inside frames and the clock) ---
    float Left(std::string_view control) const override;
    float Top(std::string_view control) const override;
    float Width(std::string_view control) const override;
    float Height(std::string_view control) const override;
    void SetLeft(std::string_view control, float value) override;
    void SetTop(std::string_view control, float value) override;
    void SetWidth(std::string_view control, float value) override;
    void SetHeight(std::string_view control, float value) override;
    void SetWindowState(int state) override;
    void SetClientSize(float width, float height) override;
    int16_t WaterfallTopPixels() const override { return waterfallTopPixels_; }
    void SetWaterfallTopPixels(int16_t pixels) override { waterfallTopPixels_ = pixels; }

    // --- helpers ---
    // The receive and transmit windows as text windows (positions count a line end as CR LF).
    TextWindow& RxWindow() { return *rxWindow_; }
    TextWindow& TxWindow() { return *txWindow_; }
    // The cluster panel's text boxes as text windows: row 1 the DX-cluster spot, row 2 the chat line.
    TextWindow& ClusterCommentWindow(int row) { return row == 2 ? *clusterWindow2_ : *clusterWindow_; }
    // The five controls of a cluster row: frequency, text and time boxes, the clear button and the link
    // picture.
    std::array<QWidget*, 5> ClusterRowControls(int row) const;
    // The waterfall picture shows this image (the receiver's); RefreshWaterfall redraws it.
    void AttachWaterfall(const WaterfallImage* image);
    void RefreshWaterfall();
    // The clock's four digit images: hour and minute, two digits each.
    void ShowClockDigits(int hour, int minute);
    // The receive mode whose buffer size and centre frequency the cursor read-out uses (mode 1 of the
    // standard table until a source is given).
    void SetReceiveModeSource(std::function<const ModeRecord&()> source) { receiveMode_ = std::move(source); }
    // A control by its name ("txtModo", "imgFondo(2)"); nullptr for an unknown name.
    QWidget* FindControl(std::string_view name) const;
    // The name of a control id; the meter picture of a meter number (nullptr for none).
    static std::string_view ControlName(Control c);
    MeterBox* Meter(MeterId meter) const;
    // The client area, below the menu bar, in which the controls stand.
    QWidget* ClientArea() const { return client_; }

    // --- menus (control arrays keep element 0 unused) ---
    QMenuBar* MenuBar = nullptr;
    QMenu* mnuConfigure = nullptr;
    QAction *mnuOperator = nullptr, *mnuMacros = nullptr, *mnuEmail = nullptr, *mnuLog = nullptr,
            *mnuEQSL = nullptr, *mnuRig = nullptr, *mnuTarjetaSonido = nullptr, *mnuAlarma = nullptr,
            *mnuUserProfiles = nullptr;
    QMenu *mnuGUI = nullptr, *mnuPantalla = nullptr, *mnuTamano = nullptr, *mnuColor = nullptr,
          *mnuMenuStyle = nullptr, *mnuLanguage = nullptr;
    std::array<QAction*, 8> mnuResolucion{};
    std::array<QAction*, 4> mnuFont{};
    std::array<QAction*, 8> mnuColour{};
    std::array<QAction*, 3> mnuEstiloMenu{};
    std::array<QAction*, 12> mnuTipoIdioma{};
    QAction *mnuBeacon = nullptr, *mnuScan = nullptr;
    QMenu* mnuFrequencies = nullptr;
    std::array<QAction*, 26> mnuFrequenciesList{};
    QMenu* mnuSkeds = nullptr;
    std::array<QAction*, 6> mnuSkedsOpcion{};
    QAction* mnuEstadisticas = nullptr;
    QMenu* mnuUsuario = nullptr;
    std::array<QAction*, 9> mnuListaUsuarios{};
    QMenu* mnuHelp = nullptr;
    QAction *mnuShortcuts = nullptr, *mnuMuvSite = nullptr, *mnuMuvFacebook = nullptr, *mnuAbout = nullptr;
    QAction* mnuDonate = nullptr;

    // --- the named controls, from the one list of them ---
#define MUV_DECLARE_CONTROL(Kind, name) Kind* name = nullptr;
    MUV_MAIN_WINDOW_CONTROLS(MUV_DECLARE_CONTROL)
#undef MUV_DECLARE_CONTROL
    // The clock: 0 to 3 the digits, 8 "UTC", 9 the bezel, 11 the colon; and the digits' images.
    std::array<PictureBox*, 12> imgFondo{};
    std::array<QPixmap, 10> imgNumeros;

    // --- window events ---
    void Form_Load();
    void Form_Unload();
    // Closes the window for a shut-down that nobody watches (asked for by a signal: a log-out, kill,
    // Ctrl+C), which must end by itself: from now on no box waits for an operator. What a message box
    // would say goes to standard error and, as a line of its own, to the session text (which is then
    // saved last, when the session log is saved on closing); the box takes its default answer, and a
    // file picker is taken as cancelled.
    void CloseUnattended();

    // --- menu events ---
    void mnuOperator_Click();
    void mnuMacros_Click();
    void mnuEmail_Click();
    void mnuLog_Click();
    void mnuEQSL_Click();
    void mnuRig_Click();
    void mnuTarjetaSonido_Click();
    void mnuAlarma_Click();
    void mnuUserProfiles_Click();
    void mnuResolucion_Click(int index) override;
    void mnuFont_Click(int index) override;
    void mnuColour_Click(int index) override;
    void mnuEstiloMenu_Click(int index) override;
    void mnuTipoIdioma_Click(int index) override;
    void mnuBeacon_Click();
    void mnuScan_Click();
    void mnuFrequenciesList_Click(int index) override;
    void mnuSkedsOpcion_Click(int index);
    void mnuEstadisticas_Click();
    void mnuListaUsuarios_Click(int index);
    void mnuShortcuts_Click();
    void mnuMuvSite_Click();
    void mnuMuvFacebook_Click();
    void mnuAbout_Click();
    void mnuDonate_Click();

    // --- switch pictures ---
    void imgRXOFF1_Click() override;
    void imgRXOFF2_Click() override;
    void imgRXOFF3_Click() override;
    void imgRXOFF1MF_Click() override;
    void imgRXOFF2MF_Click() override;
    void imgRXOFF3MF_Click() override;
    void imgBaudOFF1_Click() override;
    void imgBaudOFF2_Click() override;
    void imgBaudOFF3_Click() override;
    void imgBaudOFF2MF_Click() override;
    void imgBaudOFF3MF_Click() override;
    void imgAFC200_Click() override;
    void imgAFC50_Click() override;
    void imgONWaterFall_Click() override;
    void imgOFFWaterFall_Click() override;
    void imgONAlarm_Click();
    void imgOFFAlarm_Click();
    void imgONBeacon_Click();
    void imgOFFBeacon_Click();
    void imgTuneON_Click();
    void imgTuneOFF_Click();
    void imgScanON_Click();
    void imgScanOFF_Click();

    // --- picture buttons ---
    void pctCancelFrame_Click();
    void pctDetenerAlarma_Click();
    void pctFlechaArriba_Click();
    void pctFlechaArriba_DblClick();
    void pctFlechaAbajo_Click();
    void pctFlechaAbajo_DblClick();
    void pctADIF_Click();
    void imgQRZ_Click();
    void imgQRZ_MouseMove(int Button, int Shift, float X, float Y);
    void pctClusterLink_Click();
    void pctClusterLink2_Click();
    void pctBorrarMensaje_Click();
    void pctBorrarMensaje2_Click();

    // --- buttons, boxes and the slider ---
    void cmdTX_RX_Click();
    void cmdClearScreen_Click();
    void cmdClearVentanaTX_Click();
    void cmdClearVentanaTX_MouseMove(int Button, int Shift, float X, float Y);
    void txtFrecuencia_Change();
    void txtFrecuencia_Click();
    void txtDestination_Change();
    void txtDestination_Click();
    void txtMute_Click();
    void sldVolumen_Change();
    void sldVolumen_Scroll();

    // --- channel boxes of the frequency panel (txt3583 to txt21114), told which (1 to 15) ---
    void ChannelBox_Click(int index);

    // --- macro labels, 16 in two rows (lblCQ to lblCustom, then lblCQDX to lblRepeat): their click, their
    // tool tip (mouse move) and their menu (right button down), told which label (1 to 16) ---
    void MacroLabel_Click(int index);
    void MacroLabel_MouseMove(int index, int Button, int Shift, float X, float Y);
    void MacroLabel_MouseDown(int index, int Button, int Shift, float X, float Y);
    // A macro text with its placeholders replaced by the operator's data, the version, the last S/N and
    // the partner's callsign, and one blank after it (UTF-8, the program's text).
    std::string AplicarMacros(const std::string& text);
    // --- MacroLabels: the labels as the macros window paints them, by their numbers ---
    void SetLabelColour(int label, ColorRef colour) override;
    void SetLabelCaption(int label, const std::string& caption) override;
    void SetLabelVisible(int label, bool visible) override;

    // A data transmission is running (not receiving, not the tune tone), taking the transmit window's
    // text; and the characters it has taken so far (0 when none runs): nothing edits them any more.
    bool SendingText() const;
    int32_t SentTxCharacters() const;
    // The slowest MF speed and EME send the reduced, upper-case character set.
    bool ReducedCharacterSet() const;

    // --- text windows: KeyDown may set KeyCode to 0, KeyPress may change or drop KeyAscii ---
    void rtfVentanaRX_KeyDown(int& KeyCode, int Shift);
    void rtfVentanaRX_KeyUp(int& KeyCode, int Shift);
    void rtfVentanaRX_MouseUp(int Button, int Shift, float X, float Y);
    void rtfVentanaTX_KeyDown(int& KeyCode, int Shift);
    void rtfVentanaTX_KeyPress(int& KeyAscii);
    void rtfClusterComentario_MouseUp(int Button, int Shift, float X, float Y);
    void rtfClusterComentario2_MouseUp(int Button, int Shift, float X, float Y);

    // --- timer ticks: name_Timer for every timer of the list ---
#define MUV_DECLARE_TIMER_HANDLER(name) void name##_Timer();
    MUV_MAIN_WINDOW_TIMERS(MUV_DECLARE_TIMER_HANDLER)
#undef MUV_DECLARE_TIMER_HANDLER

    // --- procedures of the window that the rest of the program calls ---
    // The UTC clock: UtcNow from the system clock, and the clock's digits.
    void UpdateUtcClock();
    // The processor-load reading, and the meter timer when it works.
    void OpenCpuCounter();
    // Band class (1 MF, 2 HF, 3 EME), HF bandwidth, and the end of the slow-mode pause.
    void CambiarModo(int16_t newClass);
    void BW500();
    void BW2000();
    void PararTemporizadorMargen();
    // The frequency list's menu ticks and the band plan for a frequency in Hz.
    void ChequearMenuFrecuencias(int32_t hz);
    uint8_t PendingFrequencyChange = 0;  // a finished message asks for the box to be re-read
    // The scan: the entry it tuned last and the seconds to its next step; the step itself.
    ScanPosition Scan;
    void ScanNextFrequency();
    // 1 while Ctrl is held down in the receive window (a word clicked then goes to the QTH).
    uint8_t CtrlHeld = 0;
    // The web pages the window opens: the desktop's browser unless others are given.
    WebPages& Pages();
    void SetWebPages(WebPages* pages) {
        webPages_ = pages;
    }
    uint8_t LanguageIndex = 0;

    // The end of a data transmission: the queued sound played out, the end mark, the key released,
    // back to receiving (TransmitterHost).
    void EndTransmission();

    // The beacon: its countdown begun again while it runs in a beacon mode (180 s in the first, yellow
    // phase, else the period); its message in the chosen mode, as the modem's text; sending it (the message
    // into an empty transmit window, then TX/RX to start, and again to end once it has gone).
    void RestartBeaconCountdown();
    std::string BeaconMessage();
    void SendBeacon();

    // Transmit state of the window: the blink phase of the transmit indicator, the slow-mode pause
    // after a transmission, the beacon's countdown, the last text sent (the modem's), a transmit text filled
    // by a macro (kept after the transmission), the frequency of a deferred rig retune.
    uint8_t BlinkPhase = 0;
    int16_t SlowModeCountdown = 0;
    int16_t BeaconCountdown = 0;
    std::string LastTxText;
    uint8_t MacroClearedTx = 0;
    int32_t PendingCatFrequency = 0;
    // The keyboard shortcuts act only while this says that MUV is the active program (unset: the
    // application's state says so).
    std::function<bool()> ApplicationActive;

    // The message boxes the window shows.
    MessageBoxes& Boxes() {
        return *boxes_;
    }
    // Ends the program with an exit code: leaves the event loop (or keeps it from starting).
    void EndProgram(int code);
    bool ProgramEnded() const {
        return programEnded_;
    }
    int ExitCode() const {
        return exitCode_;
    }
    // Told the name of each shut-down step as it runs.
    std::function<void(const std::string& step)> StepObserver;

    // --- what the modules ask of the window (through the station's adapters) ---
    // Neither the chosen sound device nor device 0 opens: the transmitter is not left keyed, the
    // operator is told, and the program ends.
    void SoundCardFailure(const std::string& message);
    bool CpuCounterAvailable() const {
        return cpuCounterAvailable_;
    }
    // The end of the tune tone, around the transmitter's own steps.
    void TestToneStopping();
    void TestToneStopped();
    // Releases whatever keying keyed; what could not be released is told in a "Port Error" box.
    void ReleasePtt();
    // After a failed keying, and the rig window's requests.
    void SetFrequencyBoxLocked(bool locked);
    void SetScanMenuEnabled(bool enabled);
    void FocusTransmitWindow();
    void ShowTuneIdle();
    // The rig is online and its frequency has just been read while receiving: the first time after a
    // start that found the rig not yet online, the start's rig check runs now.
    void RigFrequencyRead();
    // The rig refused the key that the running transmission or tune tone started on: the indicator stops
    // claiming PTT ON and the transmission ends at its next tick, leaving the receive window, the session
    // text and the transmit window (all of it unsent, in black) as they were before it started.
    void StopUnkeyedTransmission();
    // The transmitter lost its key during the transmission and cannot get it back: the transmission ends
    // at its next tick as cut, and the transmit window keeps its text, in black, to be sent again.
    void StopKeyLostTransmission();
    // The indicator says "PTT ON" while the rig is on the air and "PTT OFF" while it has lost the key.
    void ShowPttKeyed(bool keyed);
    // The DDS box would not take a line: the transmission is cut and the operator told, once the tick that
    // found it has returned.
    void DdsBoxFailed(const std::string& why);
    // The waterfall picture follows the receiver's image at the picture's height.
    void FitWaterfallImage();
    // The switches that the modem follows take what the switch pictures show; every handler that shows or
    // hides a switch picture runs it before the modem acts on the change.
    void SyncSwitches();
    // The station's modules become reachable to the handlers.
    void Attach(Station& station) {
        station_ = &station;
    }
    // The receive pump runs its tick when the sound input says that a buffer is full, if the device
    // can say so (asked before its first Open); the pump timer then only looks when the notices stop.
    // False for a device that must be polled: the timer polls it every millisecond.
    bool WakeReceivePumpOn(SoundInputDevice& device);
    int ReceivePumpInterval() const;

    // --- DisplaySettingsTarget: the alarm switch, set without its handler, and what the savers read ---
    void ShowAlarmOn(bool on) override;
    int FirstTickedItem(SettingsMenu menu) const override;
    bool PictureShown(std::string_view name) const override;
    std::string FrequencyBoxText() const override;
    void SetFrequencyBoxText(const std::string& text) override;

    // --- ProfileMenu: the user profiles' menu ---
    void SetProfileItemCaption(int item, const std::string& name) override;
    bool ProfileItemTicked(int item) const override;
    void TickProfileItem(int item) override;
    void SetProfileMenuCaption(const std::string& name) override;

    // --- timers, one per TimerId, each calling its handler ---
#define MUV_DECLARE_TIMER(name) QtTimer name{[this] { name##_Timer(); }};
    MUV_MAIN_WINDOW_TIMERS(MUV_DECLARE_TIMER)
#undef MUV_DECLARE_TIMER

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Children of frames and of the clock picture are placed in twips of their container.
    static constexpr int kTwipsPerPixel = 15;

    void BuildMenus();
    void BuildTextWindows();
    void BuildStatusBoxes();
    void BuildMeters();
    void BuildFrequencyPanel();
    void BuildClusterPanel();
    void BuildOptionFrames();
    void BuildMacroLabels();
    void BuildPictureButtons();
    void SetDesignTimers();
    // Names a control for the layouts and the modem's face.
    template <class W>
    W* Register(W* widget, std::string_view name);
    QWidget& Require(std::string_view name) const;
    // The control by its id, found by its name once.
    QWidget& Require(Control c) const;
    VbControl& RequireControl(Control c) const;
    // Children of frames and of the clock picture measure in twips of their container.
    bool InContainer(const QWidget& w) const;
    // A plain click on a word of a cluster row that reads as a callsign makes it the partner's.
    void PickClusterWord(TextWindow& box);
    // Hides one row of the cluster panel.
    void HideClusterRow(int row);
    // Opens the internal-spot window with the dial frequency and a callsign.
    void OpenInternalSpot(const std::string& callsign);
    // The e-mail result box, for 4 s.
    void ShowEmailResult();

    // The switch rows: a receive option (HF or MF row, 1 to 3), a symbol rate (by its ON picture), the
    // AFC range (the clicked picture goes, the other shows).
    bool ReceiveOptionMayChange() const;
    void SelectReceiveOption(bool mf, int option);
    void SelectSymbolRate(PictureBox* chosenOn);
    void SwitchShiftRange(PictureBox* clicked, PictureBox* other);
    // Untick every item of a menu array, then tick item index when the array has it.
    template <size_t N>
    static void TickOnly(std::array<QAction*, N>& items, int index);
    // Transmitting: the frequency menu's entries on or off, the frequency box in Hz (0 for no number
    // a rig can take), the sound still queued played out, the Esc confirmation, and the keyed CAT
    // rig given the moment its release needs.
    void SetFrequencyMenuEnabled(bool enabled);
    int32_t DisplayedFrequencyHz() const;
    void WaitForQueuedSound();
    // A shortcut key went down: the keyboard timer's handler runs from the event loop (not inside the
    // key's event filter), once for the presses that come before it, while the timer is on.
    void AskForShortcuts();
    void RunShortcuts();
    void ConfirmEmergencyStop();
    // The transmit indicator ("PTT ON") stops blinking and goes.
    void StopTransmitIndicator();
    // The start's rig check for a rig that is online: a rig on 20 m is tuned to the start frequency, and
    // the frequency box shows the rig's frequency.
    void CheckOnlineRigAtStart(int32_t startHz);
    // The program is ending: from now on no transmission starts (the TX/RX switch refuses), and the
    // transmit pumps and every timer that presses TX/RX stop.
    void StopTransmittingForGood();
    // The HF bandwidth, not while transmitting or receiving a frame.
    void SetBandwidth(int16_t hz);
    // The sound input says a buffer is full: the pump's tick, while the pump timer is on.
    void ReceivePumpWoken();

    QWidget* client_ = nullptr;
    std::map<std::string, QWidget*, std::less<>> controls_;
    std::unique_ptr<QTextEditWindow> rxWindow_, txWindow_, clusterWindow_, clusterWindow2_;
    int16_t waterfallTopPixels_ = 0;
    std::function<const ModeRecord&()> receiveMode_;
    // The boxes the window shows: those given (or its own), or, once the shut-down goes unattended,
    // notices in their place.
    class WindowBoxes : public MessageBoxes {
    public:
        WindowBoxes(frmMain& window, MessageBoxes& shown) : window_(window), shown_(shown) {}
        BoxAnswer Show(const std::string& text, const std::string& title, BoxIcon icon,
                       BoxButtons buttons) override;

    private:
        frmMain& window_;
        MessageBoxes& shown_;
    };
    std::unique_ptr<MessageBoxes> ownBoxes_;
    std::unique_ptr<WindowBoxes> windowBoxes_;
    MessageBoxes* boxes_ = nullptr;
    bool unattended_ = false;
    bool cpuCounterAvailable_ = false;
    bool unloaded_ = false;
    bool closing_ = false;  // StopTransmittingForGood has run
    bool inReceiveTick_ = false;
    bool programEnded_ = false;
    int exitCode_ = 0;
    std::unique_ptr<KeyboardPoll> keyboard_;
    std::unique_ptr<ThreadWake> receiveWake_;
    bool shortcutsAsked_ = false;
    bool emergencyBoxUp_ = false;
    bool endingTransmission_ = false;
    uint32_t transmissionsStarted_ = 0;
    // Why the transmission under way will end, besides the operator and the end of its text.
    enum class StopCause { kNone, kKeyRefused, kKeyLost };
    StopCause stopCause_ = StopCause::kNone;
    // Where the receive window and the session text stood before the transmission wrote its header.
    int32_t rxLengthBeforeTx_ = 0;
    size_t sessionLengthBeforeTx_ = 0;
    uint8_t sessionDirtyBeforeTx_ = 0;
    // Shows a box from the event loop, never inside the tick or handler that asks for it.
    void ShowBoxLater(std::string text, std::string title);
    // What a transmission that never went out wrote is taken back.
    void UndoUnsentTransmission();
    // The start frequency picked at the load, while the rig check waits for the rig to come online.
    std::optional<int32_t> startRigCheckHz_;
    Station* station_ = nullptr;
    WebPages* webPages_ = nullptr;
};

}  // namespace muv
