#include "session/program_start.h"

#include <string>

#include "logbook/session_log_file.h"
#include "platform/program_folders.h"
#include "platform/qt/qt_dialogs.h"
#include "session/frmMain.h"
#include "session/station.h"

namespace muv {

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
