#include "online/psk_reporter.h"

#include <chrono>
#include <cmath>
#include <random>
#include <vector>

#include "common/error_trap.h"
#include "common/vb.h"
#include "logbook/locator.h"

namespace muv {

namespace {

// Frequencies go in five bytes.
constexpr double kFrequencyLimitHz = 1099511627776.0;  // 2^40

void AppendPair(std::string& record, std::string_view key, std::string_view value) {
    record += key;
    record += '\0';
    record += value;
    record += '\0';
}

std::string AsciiUpper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

std::string Field(const ReportRecord& record, std::string_view key) {
    const auto it = record.find(key);
    return it == record.end() ? std::string() : it->second;
}

// The frequency in whole hertz, or 0 when the text holds no usable frequency.
uint64_t FrequencyHz(std::string_view text) {
    const double hz = std::round(Val(text));
    if (!(hz >= 1.0) || !(hz < kFrequencyLimitHz)) return 0;
    return static_cast<uint64_t>(hz);
}

std::string JoinSoftware(const std::string& programId, const std::string& version) {
    if (programId.empty()) return version;
    if (version.empty()) return programId;
    return programId + " " + version;
}

bool SameStation(const ReceiverInfo& a, const ReceiverInfo& b) {
    return a.callsign == b.callsign && a.locator == b.locator && a.software == b.software;
}

uint32_t RandomDomain() {
    std::random_device device;
    uint32_t domain = 0;
    while (domain == 0)
        domain = device();
    return domain;
}

uint32_t Seconds32(int64_t seconds) {
    if (seconds < 0) return 0;
    if (seconds > 0xFFFFFFFFLL) return 0xFFFFFFFFu;
    return static_cast<uint32_t>(seconds);
}

}  // namespace

int64_t SystemReportClock::NowSeconds() const {
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

ReportRecord ParseReportRecord(std::string_view record) {
    ReportRecord pairs;
    if (record.size() > kMaxRecordBytes) record = record.substr(0, kMaxRecordBytes);
    size_t at = 0;
    size_t taken = 0;
    while (at < record.size() && taken < kMaxRecordPairs) {
        const size_t keyEnd = record.find('\0', at);
        if (keyEnd == std::string_view::npos) break;  // a key without its value
        const std::string_view key = record.substr(at, keyEnd - at);
        if (key.empty()) break;  // the record's closing NUL
        const size_t valueStart = keyEnd + 1;
        const size_t valueEnd = record.find('\0', valueStart);
        if (valueEnd == std::string_view::npos) break;  // the value is not closed
        pairs.emplace(std::string(key), std::string(record.substr(valueStart, valueEnd - valueStart)));
        ++taken;
        at = valueEnd + 1;
    }
    return pairs;
}

std::string BuildRemoteRecord(const std::string& heardCallsign, const std::string& heardLocator,
                              const std::string& frequencyHz) {
    std::string record;
    AppendPair(record, "call", heardCallsign);
    AppendPair(record, "mode", "MUV");
    AppendPair(record, "gridsquare", heardLocator.empty() ? std::string("AA") : heardLocator);
    AppendPair(record, "freq", frequencyHz);
    record += '\0';
    return record;
}

std::string BuildLocalRecord(const std::string& ownCallsign, const std::string& ownLocator,
                             const std::string& version, const std::string& antenna) {
    std::string record;
    AppendPair(record, "station_callsign", ownCallsign);
    AppendPair(record, "my_gridsquare", AsciiUpper(ownLocator));
    AppendPair(record, "programid", "MUV");
    AppendPair(record, "programversion", version);
    AppendPair(record, "my_antenna", antenna);
    record += '\0';
    return record;
}

std::string CleanReportedCallsign(std::string_view callsign) {
    std::string clean;
    for (char c : callsign) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/') clean += c;
    }
    return clean;
}

ReceptionReporter::ReceptionReporter(DatagramSender& sender, const ReportClock& clock,
                                     uint32_t observationDomain)
    : sender_(sender),
      clock_(clock),
      observationDomain_(observationDomain ? observationDomain : RandomDomain()),
      random_(observationDomain_) {}

void ReceptionReporter::Initialize(const std::string& host, uint16_t port) {
    sender_.SetDestination(host, port);
    if (!initialized_) nextSend_ = clock_.NowSeconds();
    initialized_ = true;
}

int64_t ReceptionReporter::NextInterval() {
    std::uniform_int_distribution<int64_t> jitter(0, kSendJitterSeconds);
    return kSendIntervalSeconds + jitter(random_);
}

void ReceptionReporter::ForgetOldCallsigns(int64_t now) {
    for (auto it = recentCallsigns_.begin(); it != recentCallsigns_.end();) {
        // An entry from the future means that the clock was set back; it is forgotten as well.
        if (now - it->second >= kRepeatWindowSeconds || it->second > now) {
            it = recentCallsigns_.erase(it);
        } else {
            ++it;
        }
    }
}

void ReceptionReporter::SeenCallsign(std::string_view remote, std::string_view local, int32_t flags) {
    const ReportRecord heard = ParseReportRecord(remote);
    const ReportRecord station = ParseReportRecord(local);
    const int64_t now = clock_.NowSeconds();

    SenderReport report;
    report.callsign = CleanReportedCallsign(Field(heard, "call"));
    if (report.callsign.empty()) return;
    report.frequencyHz = FrequencyHz(Field(heard, "freq"));
    if (report.frequencyHz == 0) return;
    report.mode = Field(heard, "mode");
    const std::string locator = Field(heard, "gridsquare");
    if (IsValidLocator(locator)) report.locator = NormaliseLocator(locator);
    // The low two bits tell where the report comes from (1: decoded text), 0x80 marks a test.
    report.informationSource = static_cast<uint8_t>(flags & 0x83);
    if ((report.informationSource & 0x03) == 0) report.informationSource |= 1;
    report.flowStartSeconds = Seconds32(now);

    ReceiverInfo receiver;
    receiver.callsign = Field(station, "station_callsign");
    if (receiver.callsign.empty()) return;
    receiver.locator = Field(station, "my_gridsquare");
    receiver.software = JoinSoftware(Field(station, "programid"), Field(station, "programversion"));
    receiver.antenna = Field(station, "my_antenna");

    ForgetOldCallsigns(now);
    if (recentCallsigns_.count(report.callsign) != 0) {
        // Reported a short while ago: only a locator learnt since is worth passing on.
        if (!report.locator.empty()) {
            for (Pending& p : pending_) {
                if (p.sender.callsign == report.callsign && p.sender.locator.empty())
                    p.sender.locator = report.locator;
            }
        }
        return;
    }
    if (pending_.size() >= kMaxPendingReports || recentCallsigns_.size() >= kMaxRecentCallsigns) return;
    recentCallsigns_[report.callsign] = now;
    pending_.push_back(Pending{std::move(receiver), std::move(report)});
}

bool ReceptionReporter::TemplatesDue(int64_t now) const {
    return templateDatagramsLeft_ > 0 || now - lastTemplates_ >= kTemplateRefreshSeconds ||
           now < lastTemplates_;
}

void ReceptionReporter::Tickle() {
    if (!initialized_) return;
    const int64_t now = clock_.NowSeconds();
    // A clock set back by more than an interval would hold the reports back for as long.
    if (nextSend_ - now > kSendIntervalSeconds + kSendJitterSeconds) nextSend_ = now + kSendIntervalSeconds;
    // The time has come and there is something to send: it goes, and the next datagram waits its interval
    // from now. With nothing waiting the time stays come, and the next report goes at the next tick.
    if (now >= nextSend_ && !pending_.empty()) {
        SendPending(now, true);
        nextSend_ = now + NextInterval();
        return;
    }
    SendPending(now, false);
}

void ReceptionReporter::Flush() {
    if (!initialized_) return;
    SendPending(clock_.NowSeconds(), true);
}

void ReceptionReporter::SendPending(int64_t now, bool everything) {
    while (!pending_.empty()) {
        // The first waiting station's reports, as many as fit one datagram; the receiver record carries
        // the antenna text of the latest of them.
        ReportMessage message;
        message.exportTime = Seconds32(now);
        message.sequenceNumber = sequenceNumber_;
        message.observationDomain = observationDomain_;
        message.withTemplates = TemplatesDue(now);
        message.receiver = pending_.front().receiver;
        std::vector<bool> taken(pending_.size(), false);
        bool full = false;
        for (size_t i = 0; i < pending_.size(); ++i) {
            if (!SameStation(pending_[i].receiver, message.receiver)) continue;
            const std::string antenna = message.receiver.antenna;
            message.receiver.antenna = pending_[i].receiver.antenna;
            message.senders.push_back(pending_[i].sender);
            // The first report goes whatever its size; the others only while the datagram has room.
            if (message.senders.size() > 1 && EncodedReportSize(message) > kMaxDatagramBytes) {
                message.senders.pop_back();
                message.receiver.antenna = antenna;
                full = true;
                break;
            }
            taken[i] = true;
        }
        if (!everything && !full) return;  // a datagram with room left waits for its time

        std::deque<Pending> rest;
        for (size_t i = 0; i < pending_.size(); ++i) {
            if (!taken[i]) rest.push_back(std::move(pending_[i]));
        }
        pending_.swap(rest);

        const std::string datagram = EncodeReportMessage(message);
        if (datagram.empty() || !sender_.Send(datagram)) continue;  // dropped with its reports
        sequenceNumber_ += DataRecordCount(message);
        if (message.withTemplates) {
            if (templateDatagramsLeft_ > 0) --templateDatagramsLeft_;
            lastTemplates_ = now;
        }
    }
}

PskReporter::PskReporter(DatagramSender& sender, const ReportClock& clock, uint32_t observationDomain)
    : reporter_(sender, clock, observationDomain) {}

void PskReporter::PskReporterStart(const std::string& host, uint16_t port) {
    // A failure here leaves the reports unsent and is not reported.
    RunTrapped(nullptr, 0, {}, [&] { reporter_.Initialize(host, port); });
}

void PskReporter::PskReporterSeen(const std::string& ownCallsign, const std::string& heardCallsign,
                                  const std::string& ownLocator, const std::string& heardLocator,
                                  const std::string& frequencyHz, const std::string& antenna,
                                  const std::string& version) {
    RunTrapped(nullptr, 0, {}, [&] {
        const std::string remote = BuildRemoteRecord(heardCallsign, heardLocator, frequencyHz);
        const std::string local = BuildLocalRecord(ownCallsign, ownLocator, version, antenna);
        reporter_.SeenCallsign(remote, local, 1);
    });
}

void PskReporter::PskReporterTickle() {
    RunTrapped(nullptr, 0, {}, [&] { reporter_.Tickle(); });
}

void PskReporter::PskReporterFlush() {
    RunTrapped(nullptr, 0, {}, [&] { reporter_.Flush(); });
}

}  // namespace muv
