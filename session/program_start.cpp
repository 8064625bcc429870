#include "session/program_start.h"

#include <optional>
#include <string>
#include <utility>

#include "logbook/session_log_file.h"
#include "platform/program_folders.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/sound_device.h"
#include "session/frmMain.h"
#include "session/station.h"

namespace muv {

namespace {

// A device chosen in the sound-card window that is not there (a USB sound card unplugged) is told as a
// device that does not open, and never replaced by another: false after the message.
bool ChosenSoundDevicesThere(frmMain& form) {
    frmSoundCard& card = form.Modules().SoundCard();
    const std::pair<const std::optional<std::string>&, const char*> chosen[] = {
        {card.MissingInputDevice(), "Audio Device Input not available"},
        {card.MissingOutputDevice(), "Audio Device Output not available"}};
    for (const auto& [gone, message] : chosen) {
        if (!gone) continue;
        form.SoundCardFailure(WithDeviceReason(message, *gone + ": no such device"));
        return false;
    }
    return true;
}

}  // namespace

bool Main(frmMain& form) {
    Station& st = form.Modules();
    st.logbook.LoadCountryFile();
    st.receiver.Viterbi().TracebackDepth = 24;
    if (!st.settings.CheckInstalledFiles()) {
        form.EndProgram(1);
        return false;
    }
    st.OpenSettings();  // the main window loads here
    st.LoadLogBook();
    // What the session log's save had to say when the program last closed with nobody at the window.
    if (!QtMessageBoxes::Unattended()) {
        const std::string note = TakeSessionLogNote(SettingsFolder());
        if (!note.empty()) form.Boxes().Show(note, kSessionLogErrorTitle, BoxIcon::Exclamation);
    }
    // A request to end that came while a box of the start waited has closed the window already: the
    // program ends here, as the event loop that would have ended it has not started.
    if (form.ProgramEnded()) return false;

    for (Timer* pump : {&form.tmrTX, &form.tmrTXTonoPiloto, &form.tmrTonoTest})
        pump->SetInterval(1);
    form.tmrRX.SetInterval(form.ReceivePumpInterval());
    form.tmrResetTarjetaSonido.SetInterval(100);

    st.receiver.ResetRxDisplay();
    st.transmitter.Output().SoundOutputOpen = 0;
    st.receiver.Input().SoundInputOpen = 0;
    // The receiver's tables (filter coefficients, trellis, varicode) are built with the receiver.
    form.OpenCpuCounter();
    st.shared.TxRxState = 0;
    if (!ChosenSoundDevicesThere(form)) return false;
    if (!st.receiver.OpenSoundInput()) return false;

    form.DrawMeterNeedle(kMeterViterbi, 100);
    form.show();
    form.rtfVentanaTX->setFocus();
    form.SetText(Control::txtViterbi, "Viterbi: 0%");
    form.cmdClearScreen_Click();
    form.PendingFrequencyChange = 0;
    return true;
}

}  // namespace muv
