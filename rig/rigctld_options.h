// The words that rigctld is given ahead of MUV's own "-T 127.0.0.1 -t PORT" (the rig's model, device,
// speed and PTT method, and what a rig file or the rig set-up's "more rigctld arguments" add), read as
// rigctld's option parser (GNU getopt_long, Hamlib 4.5's option table) would read them. Only what that
// reading leaves beyond doubt is taken: a word that could make rigctld read MUV's own options as
// something else, or that rigctld would read in a way of its own, is refused. Plain C++: the rig
// window, the rig server and muv-rig-keeper all use it.
#pragma once

#include <string>
#include <vector>

namespace muv {

struct RigctldWords {
    // Why rigctld must not be started with the words, for the operator ("the option -p needs a
    // value"); empty when they may be used.
    std::string refusal;
    // -o (--vfo): rigctld then wants a VFO in every rig command ("T currVFO 0").
    bool vfoMode = false;
};

RigctldWords CheckRigctldWords(const std::vector<std::string>& words);

}  // namespace muv
