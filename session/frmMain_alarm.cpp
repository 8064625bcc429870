// The alarm: its switch, the alarms window on the menu, the alarm timer that sounds the general alarm
// when a received message begins, and the picture that stops an alarm file.
#include "session/frmMain.h"
#include "session/station.h"
#include "settings/frmAlarms.h"

namespace muv {

void frmMain::mnuAlarma_Click() {
    station_->settings.ShowAlarms();
}

void frmMain::imgONAlarm_Click() {
    imgONAlarm->setVisible(false);
    imgOFFAlarm->setVisible(true);
    SyncSwitches();
}

void frmMain::imgOFFAlarm_Click() {
    imgOFFAlarm->setVisible(false);
    imgONAlarm->setVisible(true);
    SyncSwitches();
}

void frmMain::tmrAlarma_Timer() {
    // Off before the alarm sounds: one alarm for each arming, whatever runs while it sounds (the box
    // of a missing file lets the timers run).
    tmrAlarma.SetEnabled(false);
    station_->settings.Alarms().SoundAlarm();
}

void frmMain::pctDetenerAlarma_Click() {
    station_->settings.Alarms().StopAlarmFile();
    FocusTransmitWindow();
}

}  // namespace muv
