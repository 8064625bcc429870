// Where the program keeps what it reads and writes on this system: the user's settings folder
// ($XDG_CONFIG_HOME/MUV, normally ~/.config/MUV), the program's own data folder (the seed settings
// file, the country file and flags an installation brings: <prefix>/share/muv beside an installed
// program, else the source tree's data folder), and the places a country file may be found.
#pragma once

#include <string>
#include <vector>

namespace muv {

// The user's configuration folder for MUV ("" when neither XDG_CONFIG_HOME nor HOME is set).
std::string SettingsFolder();
// The user's data folder for MUV ($XDG_DATA_HOME/MUV, normally ~/.local/share/MUV): where the session
// logs go unless the operator chose a folder.
std::string UserDataFolder();
// Makes one of the user's folders of the program (the settings folder) with the parents it lacks, with
// the mode the program gives its folders (0777 less the umask, as mkdir makes them). True when the
// folder is there afterwards.
bool MakeUserFolder(const std::string& folder);
// The program's data folder.
std::string ProgramDataFolder();
// The country flags folder: "Flags" in the data folder of an installed program, else the one that the
// build makes in the build tree's data folder.
std::string ProgramFlagsFolder();
// The country file's places, the first present one wins: the user's settings folder, the program's data
// folder, the copy that the system's hamradio-files package installs.
std::vector<std::string> CountryFileCandidates(const std::string& settingsFolder,
                                               const std::string& dataFolder);
constexpr const char* kSystemCountryFile = "/usr/share/hamradio-files/cty.dat";

}  // namespace muv
