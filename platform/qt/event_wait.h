// Waiting without a nested event loop: events other than the operator's input run meanwhile (timers,
// sockets, the sound device's progress). A nested loop would return at once once the program has been
// asked to quit; this does not.
#pragma once

namespace muv {

void LetEventsRun(int milliseconds);

}  // namespace muv
