// The program's start: prepares the shared data, lets the main window load, sets the pump timers, opens
// sound input and shows the window. From then on the program lives on the window's events.
#pragma once

namespace muv {

class frmMain;

// False when the program ended during the start (a sound input that cannot be opened): the window then
// has shown why, and nothing after that point has run.
bool Main(frmMain& form);

}  // namespace muv
