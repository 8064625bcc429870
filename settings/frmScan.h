// The scan window: which entries of the main window's frequency list the scan visits, and how long it
// stays on each. The main window's scan reads the ticks and the dwell value from here while it runs.
#pragma once

#include <QDialog>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QScrollBar;

namespace muv {

class ProfileStore;

struct ScanWindowLinks {
    ProfileStore& store;
    int frequencyCount;  // the highest index of the main window's frequency list
};

// The check boxes of the frequency-list entries, indexed 1 to Count() as the list is.
class CheckBoxArray {
public:
    QCheckBox* operator()(int i) const { return boxes_.at(static_cast<size_t>(i - 1)); }
    int Count() const { return static_cast<int>(boxes_.size()); }
    void Add(QCheckBox* box) { boxes_.push_back(box); }

private:
    std::vector<QCheckBox*> boxes_;
};

class frmScan : public QDialog {
public:
    // The scroll bar's range: the dwell is 300 - value seconds, five minutes down to five seconds.
    static constexpr int kDwellMax = 295;
    // The value that stands for 30 seconds, the dwell of a profile that has none stored.
    static constexpr int kDefaultDwellValue = 270;

    explicit frmScan(ScanWindowLinks links, QWidget* parent = nullptr);

    // Paints OK, sets the scroll bar's range and loads the stored choice.
    void Form_Load();
    void vsbScan_Change();
    void vsbScan_Scroll();
    // Shows the dwell as mm:ss in lblScan.
    void ShowScanTime();
    // Stores the choice and closes the window.
    void cmdOK_Click();

    int FrequencyCount() const { return links_.frequencyCount; }
    // Whether the scan visits entry i (1 to FrequencyCount()).
    bool FrequencyTicked(int i) const;
    // The scroll bar's value v; the scan dwells 300 - v seconds on each entry.
    int DwellValue() const;

    CheckBoxArray chkFrecuencias;
    QGroupBox* fraFrequencies;
    QScrollBar* vsbScan;
    QLabel* lblScan;
    QLabel* lblScanTime;
    QPushButton* cmdOK;

private:
    ScanWindowLinks links_;
};

// The "SCAN" group of the current profile: a tick for each frequency-list entry ("1" to the highest
// index) and the dwell value ("Segundos").
void LoadScanSettings(ProfileStore& store, frmScan& w);
void SaveScanSettings(ProfileStore& store, frmScan& w);

}  // namespace muv
