// The tests' own reading of an IPFIX message's outer frame: the header and the list of sets, checked
// for consistent lengths. What the records inside mean is left to the real decoder (ipfixDump).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace muv::test {

struct IpfixSet {
    uint16_t id = 0;
    std::string body;  // after the set header, padding included
};

struct IpfixFrame {
    bool ok = false;  // version 10, the length field equal to the size, sets that fill it exactly
    uint16_t length = 0;
    uint32_t exportTime = 0;
    uint32_t sequenceNumber = 0;
    uint32_t observationDomain = 0;
    std::vector<IpfixSet> sets;

    bool HasSet(uint16_t id) const {
        for (const IpfixSet& s : sets)
            if (s.id == id) return true;
        return false;
    }
};

inline uint32_t BigEndian(const std::string& bytes, size_t at, size_t count) {
    uint32_t v = 0;
    for (size_t i = 0; i < count; ++i)
        v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
    return v;
}

inline IpfixFrame ReadIpfixFrame(const std::string& bytes) {
    IpfixFrame f;
    if (bytes.size() < 16) return f;
    if (BigEndian(bytes, 0, 2) != 10) return f;
    f.length = static_cast<uint16_t>(BigEndian(bytes, 2, 2));
    f.exportTime = BigEndian(bytes, 4, 4);
    f.sequenceNumber = BigEndian(bytes, 8, 4);
    f.observationDomain = BigEndian(bytes, 12, 4);
    if (f.length != bytes.size()) return f;
    size_t at = 16;
    while (at + 4 <= bytes.size()) {
        const uint16_t id = static_cast<uint16_t>(BigEndian(bytes, at, 2));
        const size_t length = BigEndian(bytes, at + 2, 2);
        if (length < 4 || at + length > bytes.size()) return f;
        f.sets.push_back({id, bytes.substr(at + 4, length - 4)});
        at += length;
    }
    f.ok = at == bytes.size();
    return f;
}

// The records of the sender data sets (0x9993 with a locator, 0x9994 without) and the first receiver
// record, read by the layout the encoder writes.
struct ReadSender {
    std::string callsign;
    uint64_t frequencyHz = 0;
    std::string mode;
    int source = 0;
    std::string locator;
    uint32_t flowStart = 0;
};

inline std::vector<ReadSender> ReadSenders(const IpfixFrame& f) {
    std::vector<ReadSender> out;
    for (const IpfixSet& s : f.sets) {
        if (s.id != 0x9993 && s.id != 0x9994) continue;
        const std::string& b = s.body;
        size_t at = 0;
        auto text = [&](std::string& into) {
            if (at >= b.size()) return false;
            const size_t n = static_cast<unsigned char>(b[at]);
            if (at + 1 + n > b.size()) return false;
            into = b.substr(at + 1, n);
            at += 1 + n;
            return true;
        };
        while (b.size() - at >= 12) {
            ReadSender r;
            if (!text(r.callsign) || at + 5 > b.size()) break;
            for (int i = 0; i < 5; ++i)
                r.frequencyHz = (r.frequencyHz << 8) | static_cast<unsigned char>(b[at++]);
            if (!text(r.mode) || at >= b.size()) break;
            r.source = static_cast<unsigned char>(b[at++]);
            if (s.id == 0x9993 && !text(r.locator)) break;
            if (at + 4 > b.size()) break;
            r.flowStart = BigEndian(b, at, 4);
            at += 4;
            out.push_back(r);
        }
    }
    return out;
}

// Callsign, locator, software and antenna of the receiver record.
inline std::vector<std::string> ReadReceiver(const IpfixFrame& f) {
    std::vector<std::string> out;
    for (const IpfixSet& s : f.sets) {
        if (s.id != 0x9992) continue;
        size_t at = 0;
        for (int i = 0; i < 4 && at < s.body.size(); ++i) {
            const size_t n = static_cast<unsigned char>(s.body[at]);
            out.push_back(s.body.substr(at + 1, n));
            at += 1 + n;
        }
        break;
    }
    return out;
}

}  // namespace muv::test
