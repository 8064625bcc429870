// One datagram of the reception-report service's upload protocol: an IPFIX message (version 10) that
// carries the receiving station's information as an options record and the heard stations as data
// records, with the service's own information elements (enterprise number 30351). Pure encoding: no
// clock, no sockets, no state.
//
// Layout of a message: the 16-byte header; when templates are due, an options template set (the
// receiver template, receiverCallsign as its scope) and a template set (the two sender templates, one
// with the sender's locator and one without); then the receiver's data set and one data set for each
// sender template in use. Strings go with a one-byte length in front and are cut to 254 bytes; every
// set is padded with zeros to a multiple of four bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace muv {

inline constexpr uint16_t kIpfixVersion = 10;
inline constexpr uint32_t kReportEnterpriseNumber = 30351;
inline constexpr uint16_t kReceiverTemplateId = 0x9992;
inline constexpr uint16_t kSenderTemplateId = 0x9993;           // with senderLocator
inline constexpr uint16_t kSenderNoLocatorTemplateId = 0x9994;  // without it
// The longest string a one-byte length can carry (255 announces a longer, three-byte length form).
inline constexpr size_t kMaxReportString = 254;

// The receiving station; strings in UTF-8.
struct ReceiverInfo {
    std::string callsign;
    std::string locator;
    std::string software;
    std::string antenna;

    bool operator==(const ReceiverInfo&) const = default;
};

// One heard station; strings in UTF-8.
struct SenderReport {
    std::string callsign;
    uint64_t frequencyHz = 0;  // sent in five bytes: up to 2^40 - 1
    std::string mode;
    uint8_t informationSource = 1;  // 1: taken automatically from decoded text
    std::string locator;            // empty: not known, and the record goes without the field
    uint32_t flowStartSeconds = 0;  // when it was heard, seconds since 1970 (UTC)

    bool operator==(const SenderReport&) const = default;
};

struct ReportMessage {
    uint32_t exportTime = 0;      // seconds since 1970 (UTC)
    uint32_t sequenceNumber = 0;  // data records sent before this message in the session
    uint32_t observationDomain = 0;
    bool withTemplates = false;
    ReceiverInfo receiver;
    std::vector<SenderReport> senders;
};

// The text cut to at most maxBytes bytes without splitting a UTF-8 character.
std::string CutUtf8(std::string_view text, size_t maxBytes);

// The message's length in bytes, as EncodeReportMessage would write it.
size_t EncodedReportSize(const ReportMessage& message);
// The message as bytes. A message longer than 65535 bytes cannot be written and gives "".
std::string EncodeReportMessage(const ReportMessage& message);
// How many data records the message carries (the receiver's and the senders'); the next message's
// sequence number is this one's plus that count.
uint32_t DataRecordCount(const ReportMessage& message);

}  // namespace muv
