// The macro labels: one handler each for their click, their tool tip (mouse move) and their menu (mouse
// down), told which label.
#include "session/frmMain.h"

namespace muv {
void frmMain::MacroLabel_Click(int) {}
void frmMain::MacroLabel_MouseMove(int, int, int, float, float) {}
void frmMain::MacroLabel_MouseDown(int, int, int, float, float) {}

}  // namespace muv
