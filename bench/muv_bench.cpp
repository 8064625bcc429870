// The modem benchmark: for every mode, the share of messages decoded exactly and the character error
// rate against the S/N in 2500 Hz, the error of the receiver's own S/N read-out against the true S/N,
// the S/N at which half and nine tenths of the messages decode, false locks per hour of pure noise, and
// for each receive tick the seconds of audio processed per second of one core. Writes a table, a CSV
// file and an SVG plot. It can also decode a WAV file.
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

// The receive option's AFC range. In EME the mode is the choice (7 narrow, 8 wide), so only the HF and
// MF modes follow it.
enum class Afc { modeDefault, narrow, wide };

struct Options {
    std::vector<int> modes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    Afc afc = Afc::modeDefault;
    // Strong signals, above the sweep, where the S/N read-out matters most to the other station.
    std::vector<double> strongPoints{30, 20, 10, 0};
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
    std::vector<double> readoutErrors;  // read-out minus true S/N, dB, one for each message it ended
    double Rate() const { return sent ? static_cast<double>(exact) / sent : 0; }
};

// The q-quantile (0 to 1) of the values, interpolated between neighbouring ranks; NAN when empty.
double Quantile(std::vector<double> values, double q) {
    if (values.empty()) return NAN;
    std::sort(values.begin(), values.end());
    const double rank = q * static_cast<double>(values.size() - 1);
    const size_t below = static_cast<size_t>(std::floor(rank));
    const size_t above = std::min(below + 1, values.size() - 1);
    return values[below] + (rank - static_cast<double>(below)) * (values[above] - values[below]);
}

struct ReadoutError {
    double median = NAN;
    double p10 = NAN;
    double p90 = NAN;
};

ReadoutError ErrorOf(const Point& p) {
    return {Quantile(p.readoutErrors, 0.5), Quantile(p.readoutErrors, 0.1), Quantile(p.readoutErrors, 0.9)};
}

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

bool IsEme(int mode) {
    return mode == 7 || mode == 8;
}

// The receiver as the program sets it up for the mode, with the AFC range asked for.
OfflineReceiverSettings ReceiverSettings(int mode, Afc afc) {
    OfflineReceiverSettings s = SettingsForMode(mode);
    if (!IsEme(mode) && afc != Afc::modeDefault) s.wideAfc = afc == Afc::wide;
    return s;
}

// The frequency offsets that the AFC range searches, one bin inside each edge: the narrow window's as
// SearchableOffsets gives them, or the wide window's.
OffsetRange AfcOffsets(int mode, bool wide) {
    const ModeRecord& r = StandardModeTables()[mode];
    if (!wide || IsEme(mode)) return SearchableOffsets(mode);
    const double bin = r.SymbolRate / 2;
    const double nominal = r.BaseToneBin + NominalShiftHz(mode) / bin;
    return {(r.WideWindowLow + 1 - nominal) * bin, (r.WideWindowHigh - 1 - nominal) * bin};
}

std::string AfcName(int mode, const OfflineReceiverSettings& s) {
    return s.wideAfc || mode == 8 ? "wide" : "narrow";
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
void RunMessage(int mode, Afc afc, double snr, uint64_t seed, Point& point, std::mutex& lock) {
    std::mt19937_64 rng(seed);
    const std::string text = RandomText(rng, mode, Options{}.messageLength);
    ChannelSpec channel;
    channel.snrDb2500 = snr;
    const OfflineReceiverSettings settings = ReceiverSettings(mode, afc);
    const OffsetRange range = AfcOffsets(mode, settings.wideAfc);
    channel.frequencyOffsetHz = std::uniform_real_distribution<double>(range.low, range.high)(rng);
    channel.leadSamples = std::uniform_int_distribution<int>(0, 2 * 48000)(rng);
    const std::vector<int16_t> audio = MakeChannel(TransmitToSamples(TxModeOf(mode), text), channel, rng);
    OfflineReceiver receiver(settings);
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
        point.readoutErrors.push_back(readout - snr);
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
            // The HF and MF ticks search the AFC range asked for.
            OfflineReceiverSettings settings = ticks[i].settings;
            if (settings.BandClass != 3 && o.afc != Afc::modeDefault) settings.wideAfc = o.afc == Afc::wide;
            OfflineReceiver speed(settings);
            const std::vector<int16_t> noise =
                MakeNoise(static_cast<size_t>(o.speedSeconds * 48000), 2000, rng);
            const double start = CpuSeconds();
            speed.Decode(noise);
            const double cpu = CpuSeconds() - start;
            OfflineReceiver locks(settings);
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

// Two charts over one S/N axis: the share of messages decoded exactly, and the S/N read-out's error
// (its median as a line, the 10th to 90th percentile as a bar at each point).
bool WriteSvg(const std::string& path, const std::vector<ModeResult>& results) {
    const int width = 900, left = 70, right = 200, top = 30, chart = 430, gap = 90, bottom = 60;
    const int height = top + chart + gap + chart + bottom;
    double lo = 1e9, hi = -1e9, errLo = 1e9, errHi = -1e9;
    for (const ModeResult& r : results) {
        for (const Point& p : r.points) {
            lo = std::min(lo, p.snr);
            hi = std::max(hi, p.snr);
            const ReadoutError e = ErrorOf(p);
            if (!std::isnan(e.median)) {
                errLo = std::min(errLo, e.p10);
                errHi = std::max(errHi, e.p90);
            }
        }
    }
    if (lo > hi) return true;  // no sweep, no plot
    if (errLo > errHi) errLo = errHi = 0;
    errLo = 5 * std::floor(std::min(errLo, 0.0) / 5);
    errHi = 5 * std::ceil(std::max(errHi, 0.0) / 5);
    if (errHi - errLo < 10) errHi = errLo + 10;
    const int errTop = top + chart + gap;
    auto x = [&](double snr) { return left + (snr - lo) / std::max(1.0, hi - lo) * (width - left - right); };
    auto y = [&](double rate) { return top + (1 - rate) * chart; };
    auto yErr = [&](double db) { return errTop + (errHi - db) / (errHi - errLo) * chart; };
    const char* colours[] = {"#1f77b4", "#ff7f0e", "#2ca02c", "#d62728", "#9467bd",
                             "#8c564b", "#e377c2", "#7f7f7f", "#bcbd22", "#17becf"};
    std::ofstream svg(path);
    svg << "<svg xmlns='http://www.w3.org/2000/svg' width='" << width << "' height='" << height
        << "' font-family='sans-serif' font-size='12'>\n<rect width='100%' height='100%' fill='white'/>\n";
    svg << "<text x='" << left
        << "' y='18' font-size='14'>Messages decoded exactly against S/N in 2500 Hz</text>\n";
    svg << "<text x='" << left << "' y='" << errTop - 12
        << "' font-size='14'>S/N read-out minus true S/N (median; bars 10th to 90th percentile)</text>\n";
    // Vertical grid and S/N labels under both charts; the labels thin out on a wide axis.
    const int labelStep = hi - lo > 40 ? 10 : 2;
    for (int db = static_cast<int>(std::ceil(lo)); db <= static_cast<int>(std::floor(hi)); ++db) {
        if (db % labelStep != 0) continue;
        for (const int chartTop : {top, errTop}) {
            svg << "<line x1='" << x(db) << "' y1='" << chartTop << "' x2='" << x(db) << "' y2='"
                << chartTop + chart << "' stroke='#ddd'/><text x='" << x(db) << "' y='"
                << chartTop + chart + 16 << "' text-anchor='middle'>" << db << "</text>\n";
        }
    }
    for (int pct = 0; pct <= 100; pct += 25) {
        svg << "<line x1='" << left << "' y1='" << y(pct / 100.0) << "' x2='" << width - right << "' y2='"
            << y(pct / 100.0) << "' stroke='#ddd'/><text x='" << left - 6 << "' y='" << y(pct / 100.0) + 4
            << "' text-anchor='end'>" << pct << " %</text>\n";
    }
    const int errStep = errHi - errLo > 40 ? 10 : 5;
    for (int db = static_cast<int>(errLo); db <= static_cast<int>(errHi); db += errStep) {
        svg << "<line x1='" << left << "' y1='" << yErr(db) << "' x2='" << width - right << "' y2='"
            << yErr(db) << "' stroke='" << (db == 0 ? "#888" : "#ddd") << "'/><text x='" << left - 6
            << "' y='" << yErr(db) + 4 << "' text-anchor='end'>" << db << " dB</text>\n";
    }
    for (const int chartTop : {top, errTop}) {
        svg << "<text x='" << (left + width - right) / 2 << "' y='" << chartTop + chart + 36
            << "' text-anchor='middle'>S/N (dB in 2500 Hz)</text>\n";
    }
    for (size_t i = 0; i < results.size(); ++i) {
        const ModeResult& r = results[i];
        const char* colour = colours[i % 10];
        svg << "<polyline fill='none' stroke='" << colour << "' stroke-width='2' points='";
        for (const Point& p : r.points)
            svg << x(p.snr) << ',' << y(static_cast<double>(p.exact) / p.sent) << ' ';
        svg << "'/>\n";
        // The error chart: each mode's bars a little apart from the others'.
        const double nudge = (static_cast<double>(i) - (results.size() - 1) / 2.0) * 1.5;
        svg << "<polyline fill='none' stroke='" << colour << "' stroke-width='2' points='";
        for (const Point& p : r.points) {
            const ReadoutError e = ErrorOf(p);
            if (!std::isnan(e.median)) svg << x(p.snr) + nudge << ',' << yErr(e.median) << ' ';
        }
        svg << "'/>\n";
        for (const Point& p : r.points) {
            const ReadoutError e = ErrorOf(p);
            if (std::isnan(e.median)) continue;
            svg << "<line x1='" << x(p.snr) + nudge << "' y1='" << yErr(e.p10) << "' x2='" << x(p.snr) + nudge
                << "' y2='" << yErr(e.p90) << "' stroke='" << colour << "' stroke-width='1'/>\n";
        }
        const std::string name = StandardModeTables()[r.mode].DisplayName + (r.mode == 8 ? " (wide)" : "");
        for (const int chartTop : {top, errTop}) {
            svg << "<text x='" << width - right + 12 << "' y='" << chartTop + 16 * (i + 1) << "' fill='"
                << colour << "'>M" << r.mode << " " << name << "</text>\n";
        }
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

Afc ParseAfc(const std::string& value) {
    if (value == "narrow") return Afc::narrow;
    if (value == "wide") return Afc::wide;
    throw std::runtime_error("--afc must be narrow or wide: '" + value + "'");
}

int DecodeWav(const std::string& path, int mode, Afc afc) {
    std::vector<int16_t> samples;
    std::string error;
    if (!ReadWav48k(path, samples, error)) {
        std::cerr << "muv_bench: " << error << '\n';
        return 1;
    }
    OfflineReceiver receiver(ReceiverSettings(mode, afc));
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
                 "                 [--above DB] [--below DB] [--afc narrow|wide] [--threads T] [--out DIR]\n"
                 "                 [--seed S]\n"
                 "  --above, --below: the S/N sweep's ends in dB relative to the mode's threshold\n"
                 "  --afc: the receive option's AFC range (narrow unless told); in EME the mode is the\n"
                 "         choice, 7 narrow and 8 wide\n"
                 "       muv_bench --decode FILE.wav --mode N [--afc narrow|wide]\n";
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
            } else if (a == "--afc") {
                o.afc = ParseAfc(value());
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
        if (IsEme(decodeMode) && o.afc != Afc::modeDefault && (o.afc == Afc::wide) != (decodeMode == 8)) {
            std::cerr << "muv_bench: in EME the mode is the AFC range: 7 narrow, 8 wide\n";
            return 2;
        }
        return DecodeWav(decodePath, decodeMode, o.afc);
    }
    if (o.quick) {
        o.modes = {1, 9};
        o.messages = 2;
        o.noiseMinutes = 1;
        o.speedSeconds = 10;
        o.above = 30;  // one batch of clean points
        o.below = 28;
        o.strongPoints = {20};
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
        auto runPoints = [&](const std::vector<double>& snrs) {
            std::vector<Point> batch;
            for (double snr : snrs) {
                Point point;
                point.snr = snr;
                batch.push_back(point);
            }
            std::vector<std::function<void()>> jobs;
            for (size_t p = 0; p < batch.size(); ++p) {
                for (int m = 0; m < o.messages; ++m) {
                    const uint64_t seed = o.seed * 1000003ULL + static_cast<uint64_t>(mode) * 100003ULL +
                                          static_cast<uint64_t>((batch[p].snr + 100) * 1009) + m;
                    jobs.push_back(
                        [&, p, seed] { RunMessage(mode, o.afc, batch[p].snr, seed, batch[p], lock); });
                }
            }
            RunParallel(jobs, o.threads);
            return batch;
        };
        auto runBatch = [&](double first) { return runPoints({first, first - 1, first - 2}); };
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
        // Strong signals above the sweep, for the S/N read-out; they leave the crossings alone.
        std::vector<double> strong;
        for (double snr : o.strongPoints)
            if (snr > result.points.front().snr) strong.push_back(snr);
        std::sort(strong.rbegin(), strong.rend());
        if (!strong.empty()) {
            std::vector<Point> above = runPoints(strong);
            result.points.insert(result.points.begin(), above.begin(), above.end());
        }
        results.push_back(result);

        // In EME the mode is the AFC range.
        std::string afcNote = ", " + AfcName(mode, ReceiverSettings(mode, o.afc)) + " AFC";
        if (mode == 7) afcNote.clear();
        if (mode == 8) afcNote = " (wide EME search, M7 signal)";
        std::cout << "\nM" << mode << " " << r.DisplayName << afcNote
                  << "\n  S/N dB   decoded   char errors   S/N read-out error: median, 10-90 %\n";
        for (const Point& p : result.points) {
            std::cout << std::setw(8) << std::fixed << std::setprecision(0) << p.snr << std::setw(9)
                      << std::setprecision(0) << 100.0 * p.Rate() << " %" << std::setw(11)
                      << std::setprecision(1) << 100.0 * p.errors / std::max(1.0, p.characters) << " %";
            const ReadoutError e = ErrorOf(p);
            if (!std::isnan(e.median)) {
                std::cout << std::showpos << std::setw(11) << e.median << " dB   " << e.p10 << " to " << e.p90
                          << std::noshowpos;
            }
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
    csv << "kind,mode,name,afc,snr_db,messages,decoded_share,char_error_rate,mean_readout_db,"
           "readout_error_median_db,readout_error_p10_db,readout_error_p90_db,sn50_db,sn90_db,"
           "audio_per_cpu_s,false_locks_per_hour\n";
    for (const ModeResult& r : results) {
        const std::string head = std::to_string(r.mode) + ',' + StandardModeTables()[r.mode].KeyName + ',' +
                                 AfcName(r.mode, ReceiverSettings(r.mode, o.afc)) + ',';
        for (const Point& p : r.points) {
            csv << "point," << head << p.snr << ',' << p.sent << ',' << static_cast<double>(p.exact) / p.sent
                << ',' << p.errors / std::max(1.0, p.characters) << ',';
            if (p.readouts) {
                const ReadoutError e = ErrorOf(p);
                csv << p.readoutSum / p.readouts << ',' << e.median << ',' << e.p10 << ',' << e.p90;
            } else {
                csv << ",,,";
            }
            csv << ",,,,\n";
        }
        csv << "mode," << head << ",,,,,,,," << r.sn50 << ',' << r.sn90 << ",,\n";
    }
    for (const TickSpeed& t : ticks) {
        csv << "tick,,\"" << t.name << "\",,,,,,,,,,,," << t.audioPerCpuSecond << ',' << t.falseLocksPerHour
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
