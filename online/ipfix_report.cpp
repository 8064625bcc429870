#include "online/ipfix_report.h"

#include <array>

#include "common/cp1252.h"

namespace muv {

namespace {

constexpr uint16_t kTemplateSetId = 2;
constexpr uint16_t kOptionsTemplateSetId = 3;
constexpr size_t kMessageHeaderSize = 16;
constexpr size_t kSetHeaderSize = 4;
constexpr uint16_t kVariableLength = 0xFFFF;
constexpr uint16_t kEnterpriseBit = 0x8000;
constexpr uint16_t kFlowStartSeconds = 150;  // IANA element, no enterprise number
constexpr size_t kFrequencyBytes = 5;

// The service's information elements.
enum Element : uint16_t {
    kSenderCallsign = 1,
    kReceiverCallsign = 2,
    kSenderLocator = 3,
    kReceiverLocator = 4,
    kFrequency = 5,
    kDecodingSoftware = 8,
    kAntennaInformation = 9,
    kMode = 10,
    kInformationSource = 11,
};

struct FieldSpecifier {
    uint16_t element;
    uint16_t length;
    bool enterprise;
};

constexpr std::array<FieldSpecifier, 4> kReceiverFields = {{
    {kReceiverCallsign, kVariableLength, true},
    {kReceiverLocator, kVariableLength, true},
    {kDecodingSoftware, kVariableLength, true},
    {kAntennaInformation, kVariableLength, true},
}};

constexpr std::array<FieldSpecifier, 6> kSenderFields = {{
    {kSenderCallsign, kVariableLength, true},
    {kFrequency, kFrequencyBytes, true},
    {kMode, kVariableLength, true},
    {kInformationSource, 1, true},
    {kSenderLocator, kVariableLength, true},
    {kFlowStartSeconds, 4, false},
}};

constexpr std::array<FieldSpecifier, 5> kSenderNoLocatorFields = {{
    {kSenderCallsign, kVariableLength, true},
    {kFrequency, kFrequencyBytes, true},
    {kMode, kVariableLength, true},
    {kInformationSource, 1, true},
    {kFlowStartSeconds, 4, false},
}};

size_t Padded(size_t length) {
    return (length + 3) / 4 * 4;
}

size_t StringSize(std::string_view text) {
    return 1 + CutUtf8(text, kMaxReportString).size();
}

template <size_t N>
size_t FieldSpecifiersSize(const std::array<FieldSpecifier, N>& fields) {
    size_t size = 0;
    for (const FieldSpecifier& f : fields)
        size += f.enterprise ? 8 : 4;
    return size;
}

size_t OptionsTemplateSetSize() {
    return Padded(kSetHeaderSize + 6 + FieldSpecifiersSize(kReceiverFields));
}

size_t TemplateSetSize() {
    return Padded(kSetHeaderSize + 4 + FieldSpecifiersSize(kSenderFields) + 4 +
                  FieldSpecifiersSize(kSenderNoLocatorFields));
}

size_t ReceiverRecordSize(const ReceiverInfo& r) {
    return StringSize(r.callsign) + StringSize(r.locator) + StringSize(r.software) + StringSize(r.antenna);
}

size_t SenderRecordSize(const SenderReport& s) {
    size_t size = StringSize(s.callsign) + kFrequencyBytes + StringSize(s.mode) + 1 + 4;
    if (!s.locator.empty()) size += StringSize(s.locator);
    return size;
}

// The records' total size for the senders with (or without) a locator; 0 when there are none.
size_t SenderSetSize(const std::vector<SenderReport>& senders, bool withLocator) {
    size_t body = 0;
    bool any = false;
    for (const SenderReport& s : senders) {
        if (s.locator.empty() == withLocator) continue;
        any = true;
        body += SenderRecordSize(s);
    }
    return any ? Padded(kSetHeaderSize + body) : 0;
}

class Writer {
public:
    void U8(uint8_t v) { out_.push_back(static_cast<char>(v)); }
    void U16(uint16_t v) {
        U8(static_cast<uint8_t>(v >> 8));
        U8(static_cast<uint8_t>(v));
    }
    void U32(uint32_t v) {
        U16(static_cast<uint16_t>(v >> 16));
        U16(static_cast<uint16_t>(v));
    }
    void Unsigned(uint64_t v, size_t bytes) {
        for (size_t i = bytes; i-- > 0;)
            U8(static_cast<uint8_t>(v >> (8 * i)));
    }
    void String(std::string_view text) {
        const std::string cut = CutUtf8(text, kMaxReportString);
        U8(static_cast<uint8_t>(cut.size()));
        out_ += cut;
    }
    template <size_t N>
    void Fields(const std::array<FieldSpecifier, N>& fields) {
        for (const FieldSpecifier& f : fields) {
            U16(static_cast<uint16_t>(f.element | (f.enterprise ? kEnterpriseBit : 0)));
            U16(f.length);
            if (f.enterprise) U32(kReportEnterpriseNumber);
        }
    }
    // Starts a set; EndSet pads it and writes its length.
    size_t BeginSet(uint16_t id) {
        const size_t start = out_.size();
        U16(id);
        U16(0);
        return start;
    }
    void EndSet(size_t start) {
        while ((out_.size() - start) % 4 != 0)
            U8(0);
        PutU16At(start + 2, static_cast<uint16_t>(out_.size() - start));
    }
    void PutU16At(size_t at, uint16_t v) {
        out_[at] = static_cast<char>(v >> 8);
        out_[at + 1] = static_cast<char>(v);
    }
    std::string& Bytes() { return out_; }

private:
    std::string out_;
};

void WriteSenders(Writer& w, const std::vector<SenderReport>& senders, bool withLocator) {
    if (SenderSetSize(senders, withLocator) == 0) return;
    const size_t set = w.BeginSet(withLocator ? kSenderTemplateId : kSenderNoLocatorTemplateId);
    for (const SenderReport& s : senders) {
        if (s.locator.empty() == withLocator) continue;
        w.String(s.callsign);
        w.Unsigned(s.frequencyHz, kFrequencyBytes);
        w.String(s.mode);
        w.U8(s.informationSource);
        if (withLocator) w.String(s.locator);
        w.U32(s.flowStartSeconds);
    }
    w.EndSet(set);
}

}  // namespace

std::string CutUtf8(std::string_view text, size_t maxBytes) {
    return Utf8Head(text, maxBytes);
}

size_t EncodedReportSize(const ReportMessage& message) {
    size_t size = kMessageHeaderSize;
    if (message.withTemplates) size += OptionsTemplateSetSize() + TemplateSetSize();
    size += Padded(kSetHeaderSize + ReceiverRecordSize(message.receiver));
    size += SenderSetSize(message.senders, true) + SenderSetSize(message.senders, false);
    return size;
}

uint32_t DataRecordCount(const ReportMessage& message) {
    return static_cast<uint32_t>(1 + message.senders.size());
}

std::string EncodeReportMessage(const ReportMessage& message) {
    const size_t size = EncodedReportSize(message);
    if (size > 0xFFFF) return {};
    Writer w;
    w.U16(kIpfixVersion);
    w.U16(static_cast<uint16_t>(size));
    w.U32(message.exportTime);
    w.U32(message.sequenceNumber);
    w.U32(message.observationDomain);

    if (message.withTemplates) {
        size_t set = w.BeginSet(kOptionsTemplateSetId);
        w.U16(kReceiverTemplateId);
        w.U16(static_cast<uint16_t>(kReceiverFields.size()));
        w.U16(1);  // scope: the receiver's callsign
        w.Fields(kReceiverFields);
        w.EndSet(set);

        set = w.BeginSet(kTemplateSetId);
        w.U16(kSenderTemplateId);
        w.U16(static_cast<uint16_t>(kSenderFields.size()));
        w.Fields(kSenderFields);
        w.U16(kSenderNoLocatorTemplateId);
        w.U16(static_cast<uint16_t>(kSenderNoLocatorFields.size()));
        w.Fields(kSenderNoLocatorFields);
        w.EndSet(set);
    }

    const size_t set = w.BeginSet(kReceiverTemplateId);
    w.String(message.receiver.callsign);
    w.String(message.receiver.locator);
    w.String(message.receiver.software);
    w.String(message.receiver.antenna);
    w.EndSet(set);

    WriteSenders(w, message.senders, true);
    WriteSenders(w, message.senders, false);
    return std::move(w.Bytes());
}

}  // namespace muv
