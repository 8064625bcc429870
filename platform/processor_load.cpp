#include "platform/processor_load.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

namespace muv {

std::map<int, ProcessorTimes> ParseProcStat(const std::string& text) {
    std::map<int, ProcessorTimes> result;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.size() < 4 || line.compare(0, 3, "cpu") != 0 ||
            !std::isdigit(static_cast<unsigned char>(line[3])))
            continue;
        std::istringstream fields(line.substr(3));
        int n = 0;
        fields >> n;
        // user nice system idle iowait irq softirq steal guest guest_nice
        std::vector<unsigned long long> t;
        unsigned long long v = 0;
        while (t.size() < 8 && fields >> v)
            t.push_back(v);
        if (t.size() < 4) continue;
        t.resize(8, 0);
        ProcessorTimes times;
        times.total = t[0] + t[1] + t[2] + t[3] + t[4] + t[5] + t[6] + t[7];
        times.busy = times.total - t[3] - t[4];
        result[n] = times;
    }
    return result;
}

float PeakProcessorLoad(const std::map<int, ProcessorTimes>& before,
                        const std::map<int, ProcessorTimes>& after, int count) {
    double peak = 0;
    for (int n = 0; n < count; ++n) {
        const auto b = before.find(n);
        const auto a = after.find(n);
        if (b == before.end() || a == after.end()) continue;
        // Counts can step back (a processor that went offline and returned, I/O wait on some kernels).
        const double busy = static_cast<double>(a->second.busy) - static_cast<double>(b->second.busy);
        const double total = static_cast<double>(a->second.total) - static_cast<double>(b->second.total);
        if (total <= 0) continue;
        const double load = std::clamp(100.0 * busy / total, 0.0, 100.0);
        if (load > peak) peak = load;
    }
    return static_cast<float>(peak);
}

ProcessorLoad::ProcessorLoad(std::string path) : path_(std::move(path)) {}

bool ProcessorLoad::ReadFile(std::string& text) const {
    std::ifstream file(path_);
    if (!file) return false;
    std::ostringstream content;
    content << file.rdbuf();
    text = content.str();
    return true;
}

bool ProcessorLoad::Open() {
    count_ = 0;
    havePrevious_ = false;
    std::string text;
    if (!ReadFile(text)) return false;
    const auto times = ParseProcStat(text);
    if (times.empty()) return false;
    count_ = std::min(times.rbegin()->first + 1, kMaxProcessors);
    return true;
}

float ProcessorLoad::Read() {
    std::string text;
    if (count_ == 0 || !ReadFile(text)) return 0;
    auto now = ParseProcStat(text);
    const float load = havePrevious_ ? PeakProcessorLoad(previous_, now, count_) : 0.0f;
    previous_ = std::move(now);
    havePrevious_ = true;
    return load;
}

}  // namespace muv
