// The settings groups of the windows that keep their state here as plain values until the windows
// themselves take it over: the statistics window's record and its average frequency shift; the alarms
// wanted and their sound; the spot windows' place. Each group is loaded and saved under the current
// profile.
#pragma once

#include <cstdint>
#include <string>

#include "common/profile_store.h"

namespace muv {

// The statistics window's record (the farthest contact) and the running sum and count of measured
// frequency shifts. The message may hold line breaks; it is stored on one line with "<Return>" for each.
struct StatisticsRecord {
    std::string txtDireccion, txtShift, txtMensaje, txtDistancia, txtFecha, txtSN, txtFrecuencia, txtModo;
    double ShiftSum = 0;
    int32_t ShiftCount = 0;
};
void LoadStatistics(ProfileStore& store, StatisticsRecord& record);
void SaveStatistics(ProfileStore& store, const StatisticsRecord& record);

// The alarms wanted (a cluster spot, a new callsign, a new country, a message calling the operator) and
// the alarm's sound: the speaker tune or a sound file.
struct AlarmChoices {
    bool chkClusterSpot = true;
    bool chkCallsign = false;
    bool chkDXCC = false;
    bool chkMensajeParaMi = false;
    std::string txtArchivoSonido;
    bool optSpeaker = true;  // else the sound file
};
void LoadAlarmSettings(ProfileStore& store, AlarmChoices& alarms);
void SaveAlarmSettings(ProfileStore& store, const AlarmChoices& alarms);

// A window's place on the screen: its left and top edges in pixels.
struct WindowPlace {
    int x = 0, y = 0;
};

// The two spot windows open at one shared place.
void LoadSpotFormPosition(ProfileStore& store, WindowPlace& place);
void SaveSpotFormPosition(ProfileStore& store, const WindowPlace& place);
constexpr WindowPlace kSpotWindowPlace{298, 51};

}  // namespace muv
