// The settings groups of the windows that keep their state here as plain values until the windows
// themselves take it over: the beacon's mode, text and period; the statistics window's record and its
// average frequency shift; the contact-entry window's fields and place; the spot windows' place. Each group
// is loaded and saved under the current profile.
#pragma once

#include <cstdint>
#include <string>

#include "common/profile_store.h"

namespace muv {

// The beacon window's state: its mode (one of the three), its text, its period, and the report answer.
struct BeaconState {
    bool ReportArmed = false;          // a lock armed the answer to a report request
    bool BeaconModesAvailable = true;  // the modes that need the processor load can be chosen
    bool optBeaconReportMode = true;
    bool optBeaconOnlyMode = false;
    bool optReportOnlyMode = false;
    std::string txtBeacon16y8 = "<SN>  <EMAIL>";  // the text after the report
    int hsb16 = 300;                              // the beacon period in seconds, 25 to 600
    std::string SavedTxText;                      // the operator's text that a report answer put aside
};
void LoadBeaconSettings(ProfileStore& store, BeaconState& beacon);
void SaveBeaconSettings(ProfileStore& store, const BeaconState& beacon);

// The statistics window's record (the farthest contact) and the running sum and count of measured
// frequency shifts. The message may hold line breaks; it is stored on one line with "<Return>" for each.
struct StatisticsRecord {
    std::string txtDireccion, txtShift, txtMensaje, txtDistancia, txtFecha, txtSN, txtFrecuencia, txtModo;
    double ShiftSum = 0;
    int32_t ShiftCount = 0;
};
void LoadStatistics(ProfileStore& store, StatisticsRecord& record);
void SaveStatistics(ProfileStore& store, const StatisticsRecord& record);

// A window's place on the screen: its left and top edges in pixels.
struct WindowPlace {
    int x = 0, y = 0;
};

// The contact-entry window's kept fields (eQSL upload, the partner's name, QTH and locator) and place.
struct QsoFormSettings {
    bool chkEQSL = false;
    std::string txtNombre, txtQTH, txtLocator;
    WindowPlace place{90, 273};
};
void LoadQsoFormSettings(ProfileStore& store, QsoFormSettings& form);
void SaveQsoFormSettings(ProfileStore& store, const QsoFormSettings& form);

// The two spot windows open at one shared place.
void LoadSpotFormPosition(ProfileStore& store, WindowPlace& place);
void SaveSpotFormPosition(ProfileStore& store, const WindowPlace& place);
constexpr WindowPlace kSpotWindowPlace{298, 51};

}  // namespace muv
