// The modem benchmark: for every mode, the share of messages decoded exactly and the character error
// rate against the S/N in 2500 Hz, the S/N at which half and nine tenths of the messages decode, false
// locks per hour of pure noise, and for each receive tick the seconds of audio processed per second of
// one core. Writes a table, a CSV file and an SVG plot. It can also decode a WAV file.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iomanip>
#include <iostream>
#include <map>
#include <mutex>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/channel_sim.h"
#include "common/cp1252.h"
#include "modem/mode_table.h"
#include "platform/wav_file.h"
#include "receiver/offline_receiver.h"
#include "transmitter/offline_transmitter.h"

namespace {

using namespace muv;

struct Options {
    std::vector<int> modes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    int messages = 20;          // per S/N point
    int messageLength = 30;     // characters
    double noiseMinutes = 20;   // per receive tick, for the false-lock count
    double speedSeconds = 120;  // audio per receive tick, for the speed measurement
    double above = 16;          // first S/N point, dB above the mode's threshold (the S/N readout's floor)
    double below = -6;          // the sweep never goes lower than this, relative to the threshold
    int threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    std::string out = ".";
    uint64_t seed = 1;
    bool quick = false;
};

struct Point {
    double snr = 0;
    int sent = 0;
    int exact = 0;
    double errors = 0;  // character errors, summed
    double characters = 0;
    double readoutSum = 0;  // the receiver's own S/N readout, summed over the messages it ended
    int readouts = 0;
    double Rate() const { return sent ? static_cast<double>(exact) / sent : 0; }
};

struct ModeResult {
    int mode = 0;
    std::vector<Point> points;  // from high S/N down
    double sn50 = NAN;
    double sn90 = NAN;
    double falseLocksPerHour = NAN;
};

int TxModeOf(int mode) {
    return mode == 8 ? 7 : mode;
}

std::string RandomText(std::mt19937_64& rng, int mode, int length) {
    static const std::string reduced = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 ?/.,-+=!()@:";
    const bool small = StandardModeTables()[mode].CharsetKind == 2;
    std::string text;
    for (int i = 0; i < length; ++i) {
        if (small) {
            text.push_back(reduced[rng() % reduced.size()]);
        } else {
            text.push_back(static_cast<char>(32 + rng() % 95));  // printable ASCII
        }
    }
    return text;
}

size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t next =
                std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = row[j];
            row[j] = next;
        }
    }
    return row[b.size()];
}

// One message through the channel and the receiver.
void RunMessage(int mode, double snr, uint64_t seed, Point& point, std::mutex& lock) {
    std::mt19937_64 rng(seed);
    const std::string text = RandomText(rng, mode, Options{}.messageLength);
    ChannelSpec channel;
    channel.snrDb2500 = snr;
    const OffsetRange range = SearchableOffsets(mode);
    channel.frequencyOffsetHz = std::uniform_real_distribution<double>(range.low, range.high)(rng);
    channel.leadSamples = std::uniform_int_distribution<int>(0, 2 * 48000)(rng);
    const std::vector<int16_t> audio = MakeChannel(TransmitToSamples(TxModeOf(mode), text), channel, rng);
    OfflineReceiver receiver(SettingsForMode(mode));
    receiver.Decode(audio);
    // The message that ended with the end pattern; a frame that never ended counts as nothing received.
    std::string received;
    double readout = NAN;
    for (const ReceivedMessage& m : receiver.Messages()) {
        if (m.endReason == "STOP") {
            received = m.text;
            readout = m.snDb;
        }
    }
    const size_t errors = std::min(EditDistance(text, received), text.size());
    std::lock_guard<std::mutex> guard(lock);
    if (!std::isnan(readout)) {
        point.readoutSum += readout;
        ++point.readouts;
    }
    ++point.sent;
    if (received == text) ++point.exact;
    point.errors += static_cast<double>(errors);
    point.characters += static_cast<double>(text.size());
}

// Runs jobs on all threads.
template <typename Job>
void RunParallel(std::vector<Job>& jobs, int threads) {
    std::atomic<size_t> next{0};
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t) {
        pool.emplace_back([&] {
            for (size_t i = next++; i < jobs.size(); i = next++)
                jobs[i]();
        });
    }
    for (std::thread& t : pool)
        t.join();
}

// The S/N at which the decode rate first reaches target, interpolated between points (high to low).
double Crossing(const std::vector<Point>& points, double target) {
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        const double a = points[i].Rate();
        const double b = points[i + 1].Rate();
        if (a >= target && b < target)
            return points[i + 1].snr + (target - b) / (a - b) * (points[i].snr - points[i + 1].snr);
    }
    if (!points.empty() && points.back().Rate() >= target) {
        return -INFINITY;  // never fell below within the range
    }
    return NAN;
}

std::string DescribeCrossing(double snr) {
    if (std::isnan(snr)) return "no point";
    if (std::isinf(snr)) return "below the lowest point";
    std::ostringstream text;
    text << std::fixed << std::setprecision(1) << snr << " dB";
    return text.str();
}

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9;
}

struct TickSpeed {
    std::string name;
    double audioPerCpuSecond = 0;
    double falseLocksPerHour = 0;
};

// Each receive tick with every mode of its group searching: speed on one core, and false locks in noise.
std::vector<TickSpeed> MeasureTicks(const Options& o) {
    const struct {
        const char* name;
        OfflineReceiverSettings settings;
    } ticks[] = {
        {"HF 2000 (M1, M2, M3)", {2, 2000, 1, false}}, {"HF 500 (M4, M5, M6)", {2, 500, 1, false}},
        {"MF (M9, M10)", {1, 2000, 1, false}},         {"EME narrow (M7)", {3, 2000, 1, false}},
        {"EME wide (M8)", {3, 2000, 1, true}},
    };
    std::vector<TickSpeed> results(5);
    std::vector<std::function<void()>> jobs;
    for (int i = 0; i < 5; ++i) {
        jobs.push_back([&, i] {
            std::mt19937_64 rng(o.seed * 7919 + i);
            OfflineReceiver speed(ticks[i].settings);
            const std::vector<int16_t> noise =
                MakeNoise(static_cast<size_t>(o.speedSeconds * 48000), 2000, rng);
            const double start = CpuSeconds();
            speed.Decode(noise);
            const double cpu = CpuSeconds() - start;
            OfflineReceiver locks(ticks[i].settings);
            const double minutes = o.noiseMinutes;
            // In pieces of one minute, to keep memory small.
            for (int m = 0; m < static_cast<int>(std::ceil(minutes)); ++m) {
                locks.Decode(MakeNoise(48000 * 60, 2000, rng));
            }
            results[i] = {ticks[i].name, speed.AudioSeconds() / cpu,
                          locks.Locks() / (locks.AudioSeconds() / 3600.0)};
        });
    }
    RunParallel(jobs, o.threads);
    return results;
}

bool WriteSvg(const std::string& path, const std::vector<ModeResult>& results) {
    const int width = 900, height = 520, left = 70, right = 200, top = 30, bottom = 60;
    double lo = 1e9, hi = -1e9;
    for (const ModeResult& r : results) {
        for (const Point& p : r.points) {
            lo = std::min(lo, p.snr);
            hi = std::max(hi, p.snr);
        }
    }
    if (lo > hi) return true;  // no sweep, no plot
    auto x = [&](double snr) { return left + (snr - lo) / std::max(1.0, hi - lo) * (width - left - right); };
    auto y = [&](double rate) { return top + (1 - rate) * (height - top - bottom); };
    const char* colours[] = {"#1f77b4", "#ff7f0e", "#2ca02c", "#d62728", "#9467bd",
                             "#8c564b", "#e377c2", "#7f7f7f", "#bcbd22", "#17becf"};
    std::ofstream svg(path);
    svg << "<svg xmlns='http://www.w3.org/2000/svg' width='" << width << "' height='" << height
        << "' font-family='sans-serif' font-size='12'>\n<rect width='100%' height='100%' fill='white'/>\n";
    svg << "<text x='" << left
        << "' y='18' font-size='14'>Messages decoded exactly against S/N in 2500 Hz</text>\n";
    for (int db = static_cast<int>(std::ceil(lo)); db <= static_cast<int>(std::floor(hi)); ++db) {
        if (db % 2 != 0) continue;
        svg << "<line x1='" << x(db) << "' y1='" << top << "' x2='" << x(db) << "' y2='" << height - bottom
            << "' stroke='#ddd'/><text x='" << x(db) << "' y='" << height - bottom + 16
            << "' text-anchor='middle'>" << db << "</text>\n";
    }
    for (int pct = 0; pct <= 100; pct += 25) {
        svg << "<line x1='" << left << "' y1='" << y(pct / 100.0) << "' x2='" << width - right << "' y2='"
            << y(pct / 100.0) << "' stroke='#ddd'/><text x='" << left - 6 << "' y='" << y(pct / 100.0) + 4
            << "' text-anchor='end'>" << pct << " %</text>\n";
    }
    svg << "<text x='" << (left + width - right) / 2 << "' y='" << height - 20
        << "' text-anchor='middle'>S/N (dB in 2500 Hz)</text>\n";
    for (size_t i = 0; i < results.size(); ++i) {
        const ModeResult& r = results[i];
        const char* colour = colours[i % 10];
        svg << "<polyline fill='none' stroke='" << colour << "' stroke-width='2' points='";
        for (const Point& p : r.points)
            svg << x(p.snr) << ',' << y(static_cast<double>(p.exact) / p.sent) << ' ';
        svg << "'/>\n";
        const std::string name = StandardModeTables()[r.mode].DisplayName + (r.mode == 8 ? " (wide)" : "");
        svg << "<text x='" << width - right + 12 << "' y='" << top + 16 * (i + 1) << "' fill='" << colour
            << "'>M" << r.mode << " " << name << "</text>\n";
    }
    svg << "</svg>\n";
    svg.close();
    return static_cast<bool>(svg);
}

// The output folder is made when missing and tried before the run, so that hours of sweep are not lost
// to a folder that cannot be written.
bool PrepareOutputFolder(const std::string& folder, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec || !std::filesystem::is_directory(folder)) {
        error = "cannot make the folder " + folder + (ec ? ": " + ec.message() : "");
        return false;
    }
    const std::string probe = folder + "/muv_bench.csv";
    std::ofstream test(probe, std::ios::app);
    if (!test) {
        error = "cannot write " + probe;
        return false;
    }
    return true;
}

std::vector<int> ParseModes(const std::string& list) {
    std::vector<int> modes;
    std::stringstream in(list);
    std::string item;
    while (std::getline(in, item, ',')) {
        const int m = std::atoi(item.c_str());
        if (m < 1 || m > kModeCount) throw std::runtime_error("mode must be 1 to 10: '" + item + "'");
        modes.push_back(m);
    }
    return modes;
}

int DecodeWav(const std::string& path, int mode) {
    std::vector<int16_t> samples;
    std::string error;
    if (!ReadWav48k(path, samples, error)) {
        std::cerr << "muv_bench: " << error << '\n';
        return 1;
    }
    OfflineReceiver receiver(SettingsForMode(mode));
    receiver.Decode(samples);
    for (const ReceivedMessage& m : receiver.Messages()) {
        std::cout << std::fixed << std::setprecision(1) << m.lockSeconds << " s  "
                  << StandardModeTables()[m.mode].DisplayName << "  " << m.frequencyShiftHz << " Hz  S/N "
                  << m.snDb << " dB  <" << m.endReason << ">  " << Cp1252ToUtf8(m.text) << '\n';
    }
    if (receiver.Messages().empty()) std::cout << "nothing decoded (" << receiver.Locks() << " locks)\n";
    return 0;
}

void Usage() {
    std::cerr << "usage: muv_bench [--quick] [--modes 1,2,...] [--messages N] [--noise-minutes M]\n"
                 "                 [--above DB] [--below DB] [--threads T] [--out DIR] [--seed S]\n"
                 "  --above, --below: the S/N sweep's ends in dB relative to the mode's threshold\n"
                 "       muv_bench --decode FILE.wav --mode N\n";
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    std::string decodePath;
    int decodeMode = 0;
    try {
        for (int i = 1; i < argc; ++i) {
            const std::string a = argv[i];
            auto value = [&]() -> std::string {
                if (i + 1 >= argc) throw std::runtime_error(a + " needs a value");
                return argv[++i];
            };
            if (a == "--quick") {
                o.quick = true;
            } else if (a == "--modes") {
                o.modes = ParseModes(value());
            } else if (a == "--messages") {
                o.messages = std::max(1, std::atoi(value().c_str()));
            } else if (a == "--noise-minutes") {
                o.noiseMinutes = std::max(1.0, std::atof(value().c_str()));
            } else if (a == "--above") {
                o.above = std::atof(value().c_str());
            } else if (a == "--below") {
                o.below = std::atof(value().c_str());
            } else if (a == "--threads") {
                o.threads = std::max(1, std::atoi(value().c_str()));
            } else if (a == "--out") {
                o.out = value();
            } else if (a == "--seed") {
                o.seed = std::strtoull(value().c_str(), nullptr, 10);
            } else if (a == "--decode") {
                decodePath = value();
            } else if (a == "--mode") {
                decodeMode = std::atoi(value().c_str());
            } else {
                Usage();
                return 2;
            }
        }
    } catch (const std::exception& e) {
        std::cerr << "muv_bench: " << e.what() << '\n';
        Usage();
        return 2;
    }
    if (!decodePath.empty()) {
        if (decodeMode < 1 || decodeMode > kModeCount) {
            std::cerr << "muv_bench: --decode needs --mode 1 to 10\n";
            return 2;
        }
        return DecodeWav(decodePath, decodeMode);
    }
    if (o.quick) {
        o.modes = {1, 9};
        o.messages = 2;
        o.noiseMinutes = 1;
        o.speedSeconds = 10;
        o.above = 30;  // one batch of clean points
        o.below = 28;
    }
    std::string outError;
    if (!PrepareOutputFolder(o.out, outError)) {
        std::cerr << "muv_bench: " << outError << '\n';
        return 1;
    }

    const auto wallStart = std::chrono::steady_clock::now();
    std::vector<ModeResult> results;
    std::mutex lock;
    for (int mode : o.modes) {
        const ModeRecord& r = StandardModeTables()[mode];
        ModeResult result;
        result.mode = mode;
        // Points run in batches of three. The sweep starts high enough that every message decodes and
        // goes down until two points in a row decode nothing.
        auto runBatch = [&](double first) {
            std::vector<Point> batch;
            for (int i = 0; i < 3; ++i)
                batch.push_back({first - i});
            std::vector<std::function<void()>> jobs;
            for (size_t p = 0; p < batch.size(); ++p) {
                for (int m = 0; m < o.messages; ++m) {
                    const uint64_t seed = o.seed * 1000003ULL + static_cast<uint64_t>(mode) * 100003ULL +
                                          static_cast<uint64_t>((batch[p].snr + 100) * 1009) + m;
                    jobs.push_back([&, p, seed] { RunMessage(mode, batch[p].snr, seed, batch[p], lock); });
                }
            }
            RunParallel(jobs, o.threads);
            return batch;
        };
        double top = std::round(r.SnThresholdDb + o.above);
        result.points = runBatch(top);
        for (int guard = 0; guard < 4 && result.points.front().Rate() < 1.0; ++guard) {
            top += 3;
            std::vector<Point> higher = runBatch(top);
            result.points.insert(result.points.begin(), higher.begin(), higher.end());
        }
        while (result.points.size() < 40 && result.points.back().snr - 1 >= r.SnThresholdDb + o.below) {
            const size_t n = result.points.size();
            if (n >= 2 && result.points[n - 1].Rate() == 0 && result.points[n - 2].Rate() == 0) break;
            std::vector<Point> lower = runBatch(result.points.back().snr - 1);
            result.points.insert(result.points.end(), lower.begin(), lower.end());
        }
        result.sn50 = Crossing(result.points, 0.5);
        result.sn90 = Crossing(result.points, 0.9);
        results.push_back(result);

        std::cout << "\nM" << mode << " " << r.DisplayName
                  << (mode == 8 ? " (wide EME search, M7 signal)" : "")
                  << "\n  S/N dB   decoded   char errors   S/N readout\n";
        for (const Point& p : result.points) {
            std::cout << std::setw(8) << std::fixed << std::setprecision(0) << p.snr << std::setw(9)
                      << std::setprecision(0) << 100.0 * p.Rate() << " %" << std::setw(11)
                      << std::setprecision(1) << 100.0 * p.errors / std::max(1.0, p.characters) << " %";
            if (p.readouts) std::cout << std::setw(11) << p.readoutSum / p.readouts << " dB";
            std::cout << '\n';
        }
        std::cout << "  50 % decode at " << DescribeCrossing(result.sn50) << ", 90 % at "
                  << DescribeCrossing(result.sn90) << "\n"
                  << std::flush;
    }

    const std::vector<TickSpeed> ticks = MeasureTicks(o);
    std::cout << "\nReceive tick (all its modes searching)   audio s per CPU s   false locks per hour\n";
    for (const TickSpeed& t : ticks) {
        std::cout << "  " << std::left << std::setw(38) << t.name << std::right << std::setw(12) << std::fixed
                  << std::setprecision(1) << t.audioPerCpuSecond << std::setw(20) << t.falseLocksPerHour
                  << '\n';
    }

    const std::string csvPath = o.out + "/muv_bench.csv";
    std::ofstream csv(csvPath);
    csv << "kind,mode,name,snr_db,messages,decoded_share,char_error_rate,mean_readout_db,sn50_db,sn90_db,"
           "audio_per_cpu_s,false_locks_per_hour\n";
    for (const ModeResult& r : results) {
        for (const Point& p : r.points) {
            csv << "point," << r.mode << ',' << StandardModeTables()[r.mode].KeyName << ',' << p.snr << ','
                << p.sent << ',' << static_cast<double>(p.exact) / p.sent << ','
                << p.errors / std::max(1.0, p.characters) << ',';
            if (p.readouts) csv << p.readoutSum / p.readouts;
            csv << ",,,,\n";
        }
        csv << "mode," << r.mode << ',' << StandardModeTables()[r.mode].KeyName << ",,,,,," << r.sn50 << ','
            << r.sn90 << ",,\n";
    }
    for (const TickSpeed& t : ticks) {
        csv << "tick,,\"" << t.name << "\",,,,,,,," << t.audioPerCpuSecond << ',' << t.falseLocksPerHour
            << '\n';
    }
    csv.close();
    const std::string svgPath = o.out + "/muv_bench.svg";
    const bool svgWritten = !results.empty();
    if (!csv || !WriteSvg(svgPath, results)) {
        std::cerr << "muv_bench: could not write " << (csv ? svgPath : csvPath) << '\n';
        return 1;
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    std::cout << "\nwrote " << csvPath << (svgWritten ? " and " + svgPath : std::string()) << " ("
              << std::fixed << std::setprecision(0) << wall << " s on " << o.threads << " threads)\n";
    return 0;
}
