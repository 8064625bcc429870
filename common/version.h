// The program's version text, as the windows show it and every report and mail writes it.
#pragma once

namespace muv {

inline constexpr const char* kVersionText = "MUV v5.8.4 Beta";
// The version alone, as a command line's --version gives it after the program's name.
inline constexpr const char* kVersionNumber = "5.8.4 Beta";

}  // namespace muv
