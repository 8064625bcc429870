// A cluster host for the tests: the operator's data, the panel's two rows in memory, the Skeds items, a
// small table of countries and logged calls, and a record of alarms and web requests.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/memory_text_window.h"
#include "online/cluster_link.h"

namespace muv::test {

class FakeClusterHost : public ClusterHost {
public:
    struct Row {
        MemoryTextWindow comment{kBlack, 10};
        std::string frequency;
        ColorRef frequencyColour = -1;
        std::string time;
        bool visible = false;
        int shows = 0;  // times the row was laid out and shown
    };
    struct SkedsItem {
        std::string caption;
        bool enabled = true;
    };

    std::string OperatorCallsign() override { return callsign; }
    std::string OperatorQth() override { return qth; }
    ServerAddress ClusterServer() override { return server; }
    std::string SpotWebBase() override { return "http://spots.test"; }

    TextWindow& ClusterComment(int row) override { return rows.at(row).comment; }
    void SetClusterFrequency(int row, const std::string& text, ColorRef colour) override {
        rows.at(row).frequency = text;
        rows.at(row).frequencyColour = colour;
    }
    void SetClusterTime(int row, const std::string& text) override { rows.at(row).time = text; }
    void ShowClusterRow(int row) override {
        rows.at(row).visible = true;
        ++rows.at(row).shows;
    }

    bool SkedsItemEnabled(int index) override { return skeds.at(index).enabled; }
    void SetSkedsItem(int index, const std::string& caption, bool enabled) override {
        skeds.at(index) = {caption, enabled};
        captionLog.push_back(caption);
    }

    // Callsigns by their first two letters: EA Spain, DL Germany, G4 England, K1 United States.
    std::string CountryOfCallsign(const std::string& call, uint8_t withContinent) override {
        static const std::map<std::string, std::pair<std::string, std::string>> countries = {
            {"EA", {"Spain", "EU"}},
            {"DL", {"Fed. Rep. of Germany", "EU"}},
            {"G4", {"England", "EU"}},
            {"K1", {"United States", "NA"}}};
        const auto it = countries.find(call.substr(0, 2));
        if (call.size() < 4 || it == countries.end()) return {};
        return withContinent == 1 ? it->second.first + " (" + it->second.second + ")" : it->second.first;
    }
    std::string PrimaryPrefixOfCountry(const std::string& country) override {
        static const std::map<std::string, std::string> prefixes = {
            {"Spain", "EA"}, {"Fed. Rep. of Germany", "DL"}, {"England", "G"}, {"United States", "K"}};
        const auto it = prefixes.find(country);
        return it == prefixes.end() ? std::string() : it->second;
    }
    uint8_t CountryInLog(const std::string& country) override {
        for (const std::string& c : loggedCountries)
            if (country.starts_with(c)) return 1;
        return 0;
    }
    uint8_t CallInLog(const std::string& call) override { return loggedCalls.count(call) ? 1 : 0; }

    bool ClusterSpotAlarmWanted() override { return alarmWanted; }
    void AlarmaClusterSpot() override { ++alarms; }
    void SendWebRequest(const std::string& address) override { webRequests.push_back(address); }
    double RandomUnit() override { return random; }
    UtcTime UtcNow() override { return now; }

    std::string callsign = "EA4XYZ";
    std::string qth = "Madrid";
    ServerAddress server{"cluster.test", 8000};
    std::map<int, Row> rows{{1, Row{}}, {2, Row{}}};
    std::map<int, SkedsItem> skeds{{4, {"Cluster Spot", true}}, {5, {"ISS", false}}};
    std::vector<std::string> captionLog;
    std::set<std::string> loggedCountries{"Spain"};
    std::set<std::string> loggedCalls;
    bool alarmWanted = true;
    int alarms = 0;
    std::vector<std::string> webRequests;
    double random = 0.5;
    UtcTime now{2024, 6, 11, 9, 5, 0, 0};
};

}  // namespace muv::test
