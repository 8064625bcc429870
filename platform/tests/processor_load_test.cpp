#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/processor_load.h"
#include "test_support/scratch_folder.h"

namespace muv {
namespace {

using test::TempFolderTest;

// A /proc/stat text: the total line, then one line per processor with busy and idle times given as
// user and idle (plus the fields that must count: iowait as idle, steal and irq as busy).
std::string Stat(const std::vector<std::pair<int, std::pair<int, int>>>& cpus) {
    std::string s = "cpu  1 2 3 4 5 6 7 8 9 10\n";
    for (const auto& [n, t] : cpus)
        s += "cpu" + std::to_string(n) + " " + std::to_string(t.first) + " 0 0 " + std::to_string(t.second) +
             " 0 0 0 0 0 0\n";
    return s + "intr 5 6 7\nctxt 99\nbtime 1\nprocs_running 2\n";
}

TEST(ProcessorLoad, ParsesTheProcessorLines) {
    const auto t = ParseProcStat("cpu  9 9 9 9\ncpu0 10 1 2 100 4 5 6 7 50 60\ncpu12 1 0 0 3\nintr 1\n");
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t.at(0).total, 135u) << "guest time is inside user time already";
    EXPECT_EQ(t.at(0).busy, 31u) << "iowait is idle";
    EXPECT_EQ(t.at(12).busy, 1u);
    EXPECT_TRUE(ParseProcStat("intr 1\n").empty());
}

TEST(ProcessorLoad, PeakOfTheFirstFourAndMissingProcessorsCountZero) {
    // Eight processors; processor 5 is the busiest but is not measured.
    std::vector<std::pair<int, std::pair<int, int>>> a, b;
    for (int n = 0; n < 8; ++n) {
        a.push_back({n, {0, 0}});
        b.push_back({n, {n == 5 ? 100 : 10 * n, n == 5 ? 0 : 100 - 10 * n}});
    }
    EXPECT_FLOAT_EQ(PeakProcessorLoad(ParseProcStat(Stat(a)), ParseProcStat(Stat(b)), 4), 30.0f);
    // Processor 3 went offline between the readings: the peak comes from processor 2.
    b.erase(b.begin() + 3);
    EXPECT_FLOAT_EQ(PeakProcessorLoad(ParseProcStat(Stat(a)), ParseProcStat(Stat(b)), 4), 20.0f);
    EXPECT_FLOAT_EQ(PeakProcessorLoad(ParseProcStat(Stat(b)), ParseProcStat(Stat(b)), 4), 0.0f)
        << "no time passed";
}

class ProcessorLoadFile : public TempFolderTest {};

TEST_F(ProcessorLoadFile, OpensOnlyAReadableListOfProcessors) {
    EXPECT_FALSE(ProcessorLoad(Path("missing")).Open());
    std::ofstream(Path("empty")) << "intr 1\n";
    EXPECT_FALSE(ProcessorLoad(Path("empty")).Open());

    const std::string path = Path("stat");
    std::ofstream(path) << Stat(
        {{0, {0, 0}}, {1, {0, 0}}, {2, {0, 0}}, {3, {0, 0}}, {4, {0, 0}}, {5, {0, 0}}});
    ProcessorLoad load(path);
    ASSERT_TRUE(load.Open());
    EXPECT_EQ(load.ProcessorCount(), 4);
    EXPECT_EQ(load.Read(), 0.0f) << "the first reading only sets the baseline";
    std::ofstream(path) << Stat({{0, {25, 75}}, {1, {0, 0}}, {2, {0, 0}}, {3, {0, 0}}});
    EXPECT_FLOAT_EQ(load.Read(), 25.0f);

    std::ofstream(path) << Stat({{0, {0, 0}}, {1, {0, 0}}});
    ASSERT_TRUE(load.Open());
    EXPECT_EQ(load.ProcessorCount(), 2);
}

}  // namespace
}  // namespace muv
