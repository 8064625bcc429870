// Procedures of the main window that the program's other parts reach: the end of the program, a sound
// card that cannot be used, the processor-load meter, and the alarm switch set by the settings.
#include <QCoreApplication>
#include <QSlider>

#include "session/frmMain.h"
#include "session/station.h"

namespace muv {

void frmMain::EndProgram(int code) {
    programEnded_ = true;
    exitCode_ = code;
    QCoreApplication::exit(code);
}

void frmMain::SoundCardFailure(const std::string& message) {
    // A transmission that cannot play is not left keyed, neither while the message is read nor after.
    if (station_->shared.TxRxState != 0) {
        for (Timer* pump : {&tmrTX, &tmrTXTonoPiloto, &tmrTonoTest})
            pump->SetEnabled(false);
        ReleasePtt();
    }
    Boxes().Show(message, "SoundCard Error", BoxIcon::Critical);
    EndProgram(1);
}

void frmMain::OpenCpuCounter() {
    cpuCounterAvailable_ = station_->processorLoad.Open();
    if (cpuCounterAvailable_) {
        tmrRefrescoCPU.SetInterval(1000);
        tmrRefrescoCPU.SetEnabled(true);
    }
}

// --- DisplaySettingsTarget ---

void frmMain::ShowAlarmOn(bool on) {
    imgONAlarm->setVisible(on);
    imgOFFAlarm->setVisible(!on);
}

}  // namespace muv
