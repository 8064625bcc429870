// rigctld's refusals of a PTT command that say CAT cannot work the PTT at all: an invalid parameter, a
// set-up without CAT PTT, a command the backend lacks, a feature the rig has not. Another refusal (a rig
// busy for the moment, say) is no answer: the command is told again. Both the program and the rig
// keeper go by this one list.
#pragma once

namespace muv {

inline bool CannotWorkPtt(int rprt) {
    return rprt == -1 || rprt == -2 || rprt == -4 || rprt == -11;
}

}  // namespace muv
