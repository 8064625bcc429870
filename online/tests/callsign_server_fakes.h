// The callsign server client's surroundings for its tests: the windows and settings it reads (the
// operator's data, the heard callsign, the two addresses) and the contact window's boxes it writes.
#pragma once

#include <string>
#include <vector>

#include "common/timer.h"
#include "logbook/callsign.h"
#include "online/callsign_server.h"

namespace muv::test {

struct PartnerDetails {
    std::string name, qth, locator;
    bool operator==(const PartnerDetails&) const = default;
};

class FakeCallsignServerHost : public CallsignServerHost {
public:
    std::string OperatorCallsign() override { return operatorCallsign; }
    std::string OperatorName() override { return operatorName; }
    std::string OperatorQth() override { return operatorQth; }
    std::string OperatorLocator() override { return operatorLocator; }
    void ShowPartnerDetails(const std::string& name, const std::string& qth,
                            const std::string& locator) override {
        shown.push_back({name, qth, locator});
    }
    std::string IsPlausibleCallsign(const std::string& word) override {
        return muv::IsPlausibleCallsign(word);
    }
    std::string HeardCallsign() override { return heard; }
    ServerAddress CallsignServerAddress(bool byHostName) override { return byHostName ? byName : numeric; }

    std::string operatorCallsign = "EA4ABC", operatorName = "Juan", operatorQth = "Madrid",
                operatorLocator = "IN80do";
    std::string heard;
    ServerAddress byName{"server.example", 8000};
    ServerAddress numeric{"192.0.2.7", 8000};
    std::vector<PartnerDetails> shown;
};

// Lets time pass on the client's three timers together, a millisecond at a time.
inline void AdvanceTogether(int milliseconds, ManualTimer& online, ManualTimer& auxiliary, ManualTimer& quiet) {
    for (int i = 0; i < milliseconds; ++i) {
        online.Advance(1);
        auxiliary.Advance(1);
        quiet.Advance(1);
    }
}

}  // namespace muv::test
