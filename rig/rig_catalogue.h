// The rigs the operator chooses from in the rig set-up dialog: Hamlib's own model list (what
// `rigctl -l` prints) and the rig files, each a few '#' comment lines followed by one line of rigctld
// arguments. Both are read from text that may be anything: the results are bounded.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace muv {

// One row of Hamlib's model list.
struct HamlibModel {
    int number = 0;
    std::string maker;
    std::string model;
    std::string version;
    std::string status;
};

// The rows of `rigctl -l`'s table, each model number once (its first row), in the order printed. The
// columns are aligned with blanks, and a maker or model may hold blanks itself: the model column is
// found by the header line (" Rig #  Mfg  Model  Version  Status  Macro"), else by a wider gap.
std::vector<HamlibModel> ParseRigctlList(std::string_view text);

// What a rig file gives rigctld: the model, serial device, speed and PTT method (empty: the model's
// own), and the other arguments as they are. The address and port are MUV's to choose, so -T and -t
// are left out.
struct RigArguments {
    int model = 0;
    std::string device;
    int speed = 0;
    std::string ptt;  // "RIG", "RTS", "DTR" or "NONE"; another method stays among the extra arguments
    std::vector<std::string> extra;

    bool operator==(const RigArguments&) const = default;
};

// The most the settings hold of the device and of the extra arguments (as one text).
constexpr size_t kRigArgumentsTextMax = 259;

// rigctld's arguments on one line; none without a model or with an option lacking its value.
std::optional<RigArguments> ParseRigArguments(std::string_view line);

struct RigFile {
    std::string name;         // the file's name
    std::string description;  // its first comment line
    RigArguments arguments;
};

// A rig file's text: its first line that is neither blank nor a comment holds the arguments.
std::optional<RigFile> ParseRigFile(const std::string& name, std::string_view text);

// The rig files of the folders, sorted by name; a name found in an earlier folder hides the later
// ones (the user's folder comes before the program's), also when that copy cannot be read.
std::vector<RigFile> ReadRigFiles(const std::vector<std::string>& folders);

}  // namespace muv
