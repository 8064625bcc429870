// The processor load from the kernel's cumulative processor times (/proc/stat): the busiest of the
// first four processors between two readings.
#pragma once

#include <map>
#include <string>

namespace muv {

struct ProcessorTimes {
    unsigned long long busy = 0;
    unsigned long long total = 0;
};

// The "cpuN" lines of /proc/stat's text, by N. Idle time counts idle and I/O wait; guest time is
// already inside user time and is not counted twice.
std::map<int, ProcessorTimes> ParseProcStat(const std::string& text);

// The highest load in percent over processors 0..count-1 between two readings; a processor missing
// from either reading, or whose times did not advance, contributes 0.
float PeakProcessorLoad(const std::map<int, ProcessorTimes>& before,
                        const std::map<int, ProcessorTimes>& after, int count);

class ProcessorLoad {
public:
    static constexpr int kMaxProcessors = 4;

    explicit ProcessorLoad(std::string path = "/proc/stat");

    // False when the file cannot be read or lists no processor.
    bool Open();
    // The highest load in percent over the measured processors since the previous Read; 0 on the
    // first Read after Open, and when the file cannot be read.
    float Read();
    // The processors measured, 0..3 (at most four).
    int ProcessorCount() const { return count_; }

private:
    bool ReadFile(std::string& text) const;

    std::string path_;
    int count_ = 0;
    bool havePrevious_ = false;
    std::map<int, ProcessorTimes> previous_;
};

}  // namespace muv
