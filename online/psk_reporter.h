// PSK Reporter: every station the program decodes is reported to the reception-report service.
//
// PskReporter is the program's side: it turns a decoded callsign into two text records of key/value
// pairs and hands them to the reporting component, and passes the main window's 5-second tick on to it.
// ReceptionReporter is the component: it reads the two records, keeps the reports, and uploads them in
// IPFIX datagrams over UDP (online/ipfix_report.h) at the pace the service asks for: the first reports
// go at the first tick after they come, and after each datagram the next waits five minutes and a random
// part of a minute (so that stations that heard the same call do not send together, nor on the wall
// clock's minutes), sooner only when a datagram is full; the templates in the first three datagrams and
// then once an hour; a heard callsign at most once in five minutes. At shut-down what still waits goes
// at once, without waiting for its time. Datagrams leave through a DatagramSender, and time is read from
// a ReportClock, so that tests drive both. No timers of its own: the caller's tick is the only driver.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <random>
#include <string>
#include <string_view>

#include "online/datagram_sender.h"
#include "online/ipfix_report.h"

namespace muv {

// Seconds since 1970 (UTC).
class ReportClock {
public:
    virtual ~ReportClock() = default;
    virtual int64_t NowSeconds() const = 0;
};

class SystemReportClock : public ReportClock {
public:
    int64_t NowSeconds() const override;
};

// The key/value pairs of a record: each key and each value followed by one NUL, one more NUL at the
// end. Bounded: a record is read up to kMaxRecordBytes, at most kMaxRecordPairs pairs are taken, a
// repeated key keeps its first value, and a key without a value is dropped. Never fails.
using ReportRecord = std::map<std::string, std::string, std::less<>>;
inline constexpr size_t kMaxRecordBytes = 4096;
inline constexpr size_t kMaxRecordPairs = 32;
ReportRecord ParseReportRecord(std::string_view record);

// The two records of a decoded callsign. Remote: "call", "mode" ("MUV"), "gridsquare" (the heard
// station's locator, "AA" when none is known), "freq" (Hz). Local: "station_callsign", "my_gridsquare",
// "programid" ("MUV"), "programversion", "my_antenna". The values are UTF-8 and go into the datagram as
// they are; what comes from decoded text (the heard callsign and locator) is cleaned to ASCII first.
std::string BuildRemoteRecord(const std::string& heardCallsign, const std::string& heardLocator,
                              const std::string& frequencyHz);
std::string BuildLocalRecord(const std::string& ownCallsign, const std::string& ownLocator,
                             const std::string& version, const std::string& antenna);

// The heard callsign as it may go into a datagram: letters, digits and "/" only, in capitals.
std::string CleanReportedCallsign(std::string_view callsign);

class ReceptionReporter {
public:
    // The shortest time between two datagrams that are not full, and the most that is added to it at
    // random each time.
    static constexpr int64_t kSendIntervalSeconds = 300;
    static constexpr int64_t kSendJitterSeconds = 60;
    static constexpr int64_t kRepeatWindowSeconds = 300;
    static constexpr int64_t kTemplateRefreshSeconds = 3600;
    static constexpr int kTemplateDatagramsAtStart = 3;
    // A datagram is full at this size, which keeps it within one packet on the usual links.
    static constexpr size_t kMaxDatagramBytes = 1400;
    static constexpr size_t kMaxPendingReports = 1000;
    static constexpr size_t kMaxRecentCallsigns = 4096;

    // observationDomain: the random number that tells this run's datagrams from other stations'; 0
    // draws one.
    ReceptionReporter(DatagramSender& sender, const ReportClock& clock, uint32_t observationDomain = 0);

    // Sets the service's address; sending starts on the ticks that follow, the first reports at the
    // first tick after they come.
    void Initialize(const std::string& host, uint16_t port);
    // A decoded station: the remote and the local record; flags 1 marks a report taken automatically
    // from decoded text. A report is not kept when the heard callsign is empty once cleaned, when the
    // station's own callsign is empty, when the frequency is not a positive number of hertz that fits
    // five bytes, when the callsign was already reported in the last five minutes (a locator learnt
    // since is added to the waiting report) or when kMaxPendingReports are waiting. The heard
    // station's locator goes only when it is a valid six-character locator ("AA" means none).
    void SeenCallsign(std::string_view remote, std::string_view local, int32_t flags);
    // Sends what is due: every waiting report when the interval since the last datagram has passed,
    // else only datagrams that are already full.
    void Tickle();
    // Sends every waiting report now, whatever the time (at shut-down). Nothing waits on the network.
    void Flush();

    size_t PendingCount() const { return pending_.size(); }
    uint32_t ObservationDomain() const { return observationDomain_; }

private:
    struct Pending {
        ReceiverInfo receiver;
        SenderReport sender;
    };

    void SendPending(int64_t now, bool everything);
    // The time to the next datagram: the interval and a random part of the jitter.
    int64_t NextInterval();
    bool TemplatesDue(int64_t now) const;
    void ForgetOldCallsigns(int64_t now);

    DatagramSender& sender_;
    const ReportClock& clock_;
    uint32_t observationDomain_;
    bool initialized_ = false;
    int64_t nextSend_ = 0;
    std::mt19937 random_;
    uint32_t sequenceNumber_ = 0;
    int templateDatagramsLeft_ = kTemplateDatagramsAtStart;
    int64_t lastTemplates_ = 0;
    std::deque<Pending> pending_;
    std::map<std::string, int64_t> recentCallsigns_;  // heard callsign -> when it was last kept
};

class PskReporter {
public:
    // The main window's timer calls PskReporterTickle at this interval.
    static constexpr int kTickleIntervalMs = 5000;

    PskReporter(DatagramSender& sender, const ReportClock& clock, uint32_t observationDomain = 0);

    // Once at start-up, with the service's host and port (the "Servers" settings).
    void PskReporterStart(const std::string& host, uint16_t port);
    // For every decoded callsign: the operator's callsign as typed, the heard station's base callsign,
    // the operator's locator, the heard station's locator ("" or "AA" when not known), the frequency in
    // hertz as decimal text, the antenna text and the program's version text.
    void PskReporterSeen(const std::string& ownCallsign, const std::string& heardCallsign,
                         const std::string& ownLocator, const std::string& heardLocator,
                         const std::string& frequencyHz, const std::string& antenna,
                         const std::string& version);
    // Every kTickleIntervalMs: lets the component send what is due.
    void PskReporterTickle();
    // At shut-down: the reports that still wait go now.
    void PskReporterFlush();

    ReceptionReporter& Reporter() { return reporter_; }

private:
    ReceptionReporter reporter_;
};

}  // namespace muv
