// The statistics window: how many contacts the log holds and how many different callsigns and countries
// they reach, the average frequency shift of the signals received, and the farthest station ever
// received with the details of that reception. The end of every received message feeds it
// (ComprobarRecord, ComputarShift); its record and shift figures are kept per profile in "Estadisticas".
#pragma once

#include <QDialog>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "common/utc_time.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace muv {

class ProfileStore;

// What the window reads of the rest of the program, each when it needs it.
struct StatisticsWindowLinks {
    ProfileStore& store;
    std::function<const std::string&()> LogText;  // the whole log as the look-ups search it
    std::function<std::string()> RxText;          // the message just received (Windows-1252)
    std::function<float()> SnDb;                  // its S/N in dB, referred to 2500 Hz
    std::function<std::string()> ModeName;        // the receive mode's display name
    std::function<int32_t()> CatFrequencyHz;      // the rig's frequency over CAT; below 1 when there is none
    std::function<UtcTime()> UtcNow;              // the clock's last tick
};

// The counts of a log: contacts (records with a country field), different base callsigns and different
// countries. A contact whose country or base callsign is empty adds no country or callsign.
struct LogCounts {
    size_t contacts = 0;
    size_t callsigns = 0;
    size_t countries = 0;
};
LogCounts CountLog(std::string_view logText);

class frmStatistics : public QDialog {
public:
    explicit frmStatistics(StatisticsWindowLinks links, QWidget* parent = nullptr);

    // Loads the record and the shift figures, paints OK, shows the record's frequency only with CAT,
    // and counts the log.
    void Form_Load();
    // Makes the reception just ended the record when it came from farther than the record's station
    // (distance: whole kilometres as text; bearing in degrees), and saves.
    void ComprobarRecord(const std::string& distance, double bearing);
    // Adds a measured frequency shift to the average, shows it and saves.
    void ComputarShift(float shiftHz);
    // Saves and closes the window.
    void cmdOK_Click();
    // Clears the shown average; the sum and the count go on.
    void cmdResetShift_Click();
    // Clears the record's boxes, without saving.
    void cmdResetMensaje_Click();
    // The three counts of the log, shown; an empty log counts nothing.
    void CountLogStatistics();

    // The running count and sum of the measured shifts.
    int32_t ShiftCount = 0;
    double ShiftSum = 0;

    QGroupBox* fraQSOs;
    QLineEdit* txtMUVQSOs;
    QGroupBox* fraIndicativos;
    QLineEdit* txtIndicativos;
    QGroupBox* fraCountries;
    QLineEdit* txtPaises;
    QGroupBox* fraShift;
    QLineEdit* txtShift;
    QPushButton* cmdResetShift;
    QGroupBox* fraLejano;
    QLabel* lblDistancia;
    QLineEdit* txtDistancia;
    QLabel* lblDireccion;
    QLineEdit* txtDireccion;
    QLabel* lblMensaje;
    QPlainTextEdit* txtMensaje;
    QLabel* lblFecha;
    QLineEdit* txtFecha;
    QLabel* lblSN;
    QLineEdit* txtSN;
    QLabel* lblModo;
    QLineEdit* txtModo;
    QLabel* lblFrecuencia;
    QLineEdit* txtFrecuencia;
    QPushButton* cmdResetMensaje;
    QPushButton* cmdOK;

private:
    StatisticsWindowLinks links_;
};

// The "Estadisticas" group of the current profile: the record's boxes and the shift figures. The message
// is kept on one line, each of its line breaks (of any kind) written as "<Return>". A key that is missing
// leaves its box empty and its figure 0, so that no profile takes over another's record; a count outside
// 0 to 2147483647, or a sum that is not a finite number, is taken as missing, and without a count the
// sum goes too.
void LoadStatistics(ProfileStore& store, frmStatistics& w);
void SaveStatistics(ProfileStore& store, frmStatistics& w);

}  // namespace muv
