// The operator's words for rigctld, read as rigctld's option parser reads them: what would swallow or
// override MUV's own "-T 127.0.0.1 -t PORT" that follows them, or be read in rigctld's own way, is
// refused with a reason the operator can act on.
#include "rig/rigctld_options.h"

#include <gtest/gtest.h>

namespace muv {
namespace {

TEST(RigctldWords, WhatCouldTakeMuvsOwnOptionsIsRefused) {
    const struct {
        std::vector<std::string> words;
        std::string refusal;
    } cases[] = {
        // Values glued, in the next word and after "="; switches in a cluster.
        {{"-m", "1", "-s9600", "-vvL", "--set-conf=a=b", "--civaddr", "0x58", "-vC", "x=1"}, ""},
        // A value left out at the end would be MUV's "-T".
        {{"-m", "1", "-p"}, "the option -p needs a value"},
        {{"-vvp"}, "the option -p needs a value"},
        {{"--dcd-file"}, "the option --dcd-file needs a value"},
        {{"--ptt-file="}, "the option --ptt-file needs a value"},
        {{"-p", "-v"}, "the option -p needs a value, not \"-v\""},
        // MUV's own, alone, glued or in a cluster.
        {{"-vT0.0.0.0"},
         "the option -T is MUV's own (rigctld is reached on this computer, at the rig's address)"},
        {{"--port=4533"},
         "the option --port is MUV's own (rigctld is reached on this computer, at the rig's address)"},
        // getopt_long would take a shortening of a name, "--listen" for --listen-addr.
        {{"--listen=0.0.0.0"}, "rigctld does not take the option --listen"},
        {{"--"}, "\"--\" would hide MUV's own options from rigctld"},
        {{"-m", "1", "2"}, "\"2\" is not a rigctld option"},
        {{"-q"}, "rigctld does not take the option -q"},
        {{"--vfo=1"}, "the option --vfo takes no value"},
        {{"-l"}, "the option -l makes rigctld end at once"},
    };
    for (const auto& c : cases) {
        std::string words;
        for (const std::string& w : c.words)
            words += " " + w;
        EXPECT_EQ(CheckRigctldWords(c.words).refusal, c.refusal) << words;
    }
    EXPECT_TRUE(CheckRigctldWords({"-m", "1", "-vo"}).vfoMode);
    EXPECT_TRUE(CheckRigctldWords({"--vfo"}).vfoMode);
    EXPECT_FALSE(CheckRigctldWords({"-C", "o=1"}).vfoMode);
}

}  // namespace
}  // namespace muv
