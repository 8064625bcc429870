// One run of the whole program on memory sound devices (two capture and two playback devices), with its
// settings file in the test's own configuration folder.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/memory_sound.h"
#include "platform/program_folders.h"
#include "session/frmMain.h"
#include "session/program_start.h"
#include "session/station.h"
#include "settings/frmLogDirectories.h"
#include "test_support/recording_fakes.h"

namespace muv {

inline std::string SettingsPath() {
    return SettingsFolder() + "/MUV.ini";
}

inline std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Something was received, and the session log is saved on closing into a folder that is not there: the
// shut-down shows its "Log Error" box.
inline void SessionLogFolderGone(Station& station, const std::string& folder) {
    frmLogDirectories& folders = station.settings.LogDirectories();
    folders.chkAutoSaveLogClose->setChecked(true);
    folders.lblDirectorioLog->setText(QString::fromStdString(folder));
    station.sessionLog.SessionLogDirty = 1;
}

inline void WriteSettings(const std::string& text) {
    std::filesystem::create_directories(SettingsFolder());
    std::ofstream(SettingsPath(), std::ios::binary) << text;
}

struct ProgramRun {
    enum Start { Started, NotStarted };
    // The program built and, unless told not to, started (its main window loaded and shown). The device
    // names the sound-card window lists, when given, are asked anew at each reading.
    explicit ProgramRun(Start start = Started, const std::vector<std::string>* inputNames = nullptr,
                        const std::vector<std::string>* outputNames = nullptr) {
        auto in = std::make_unique<MemorySoundInput>(std::vector<int16_t>(48000 * 20, 0));
        auto out = std::make_unique<MemorySoundOutput>();
        input = in.get();
        output = out.get();
        const auto names = [](const std::vector<std::string>* given, std::vector<std::string> otherwise) {
            return [given, otherwise] { return given ? *given : otherwise; };
        };
        station = std::make_unique<Station>(
            SoundDevices{std::move(in), std::move(out), names(inputNames, {"Line in", "USB"}),
                         names(outputNames, {"Speakers", "USB"})},
            &boxes);
        form = &station->form;
        mainRan = start == Started;
        if (mainRan) started = Main(*form);
    }
    ~ProgramRun() {
        if (mainRan && !form->ProgramEnded()) form->Form_Unload();
    }
    Station& St() { return *station; }
    static int Ticked(const auto& items) {
        for (size_t i = 1; i < items.size(); ++i)
            if (items[i]->isChecked()) return static_cast<int>(i);
        return 0;
    }

    test::RecordingBoxes boxes;
    MemorySoundInput* input = nullptr;
    MemorySoundOutput* output = nullptr;
    std::unique_ptr<Station> station;
    frmMain* form = nullptr;
    bool started = false;
    bool mainRan = false;
};

}  // namespace muv
