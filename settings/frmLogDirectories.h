// The log locations window: the folder of the daily session log files, the ADIF log file, and whether
// the session log is written when the program closes. The session-log writer, the ADIF reader and
// writer and the main window read these choices here at run time. Choosing an ADIF file hands it at once
// to the logbook (which creates it with its header when it does not exist, and loads it).
#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace muv {

class FileDialogs;
class MessageBoxes;
class ProfileStore;

struct LogDirectoriesWindowLinks {
    ProfileStore& store;
    MessageBoxes& boxes;
    FileDialogs& dialogs;
    // The session-log folder until another is stored (a folder the user can write to).
    std::string programFolder;
    // After an ADIF file was chosen: the logbook creates it when missing and loads it.
    std::function<void()> adifChosen;
};

class frmLogDirectories : public QDialog {
public:
    explicit frmLogDirectories(LogDirectoriesWindowLinks links, QWidget* parent = nullptr);

    // The window's load: the OK colour, the stored locations, then a word to the operator when the
    // session-log folder is not there.
    void Form_Load();
    // The folder picker for the session logs; cancelling keeps the folder.
    void cmdPathLog_Click();
    // The file picker for the ADIF log (the contact window uses it too when no log file is set);
    // cancelling keeps the file and leaves the logbook alone.
    void cmdPathADIF_Click();
    // Stores the group and closes the window.
    void cmdOK_Click();

    // The pickers: the chosen folder, or the chosen file name ending in ".adi" (any case); empty when
    // the operator cancelled.
    std::string SeleccionarDirectorio();
    std::string ChooseAdifFile();

    // --- what the log writers and the main window read (UTF-8 texts) ---
    std::string SessionLogFolder() const;
    std::string AdifPath() const;
    // Whether the log is the profile's default one rather than a file the operator chose.
    bool AdifPathIsDefault() const;
    bool AutoSaveLogClose() const;

    QGroupBox* fraDirectorioLog;
    QLabel* lblDirectorioLog;
    QPushButton* cmdPathLog;
    QGroupBox* fraDirectorioADIF;
    QLabel* lblDirectorioADIF;
    QPushButton* cmdPathADIF;
    QCheckBox* chkAutoSaveLogClose;
    QPushButton* cmdOK;

private:
    friend void LoadLogSettings(ProfileStore& store, frmLogDirectories& w);

    LogDirectoriesWindowLinks links_;
};

// The "Log" group of the current profile. The saver writes every key each time.
void LoadLogSettings(ProfileStore& store, frmLogDirectories& w);
// The log of a profile that has none chosen: MUV.adi (MUV2.adi for the second profile …) in the folder
// where the session logs go by default.
std::string DefaultAdifPath(const ProfileStore& store, const LogDirectoriesWindowLinks& links);
void SaveLogSettings(ProfileStore& store, frmLogDirectories& w);

}  // namespace muv
