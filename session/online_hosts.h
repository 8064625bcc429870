// What the on-line services reach of the program: the operator's data and the e-mail settings (the
// settings windows), the cluster panel, the Skeds menu and the text windows (the main window), the
// contact-entry window's boxes, the country file and the log, the receiver's last message, and the
// servers the settings name.
#pragma once

#include <random>

#include "online/callsign_server.h"
#include "online/cluster_link.h"
#include "online/email_sender.h"
#include "online/online_services.h"
#include "online/spot_window.h"

namespace muv {

struct Station;

class StationOnlineHost : public ClusterHost,
                          public CallsignServerHost,
                          public EmailSenderHost,
                          public OnlineHost,
                          public SpotWindowHost {
public:
    explicit StationOnlineHost(Station& station);

    // --- the operator window ---
    std::string OperatorCallsign() override;
    std::string OperatorQth() override;
    std::string OperatorName() override;
    std::string OperatorLocator() override;

    // --- the cluster link ---
    ServerAddress ClusterServer() override;
    std::string SpotWebBase() override;
    TextWindow& ClusterComment(int row) override;
    void SetClusterFrequency(int row, const std::string& text, ColorRef colour) override;
    void SetClusterTime(int row, const std::string& text) override;
    void ShowClusterRow(int row) override;
    bool SkedsItemEnabled(int index) override;
    void SetSkedsItem(int index, const std::string& caption, bool enabled) override;
    std::string CountryOfCallsign(const std::string& callsign, uint8_t withContinent) override;
    std::string PrimaryPrefixOfCountry(const std::string& country) override;
    uint8_t CountryInLog(const std::string& country) override;
    uint8_t CallInLog(const std::string& callsign) override;
    bool ClusterSpotAlarmWanted() override;
    void AlarmaClusterSpot() override;
    void SendWebRequest(const std::string& address) override;
    double RandomUnit() override;
    UtcTime UtcNow() override;

    // --- the callsign server ---
    void ShowPartnerDetails(const std::string& name, const std::string& qth,
                            const std::string& locator) override;
    std::string IsPlausibleCallsign(const std::string& word) override;
    std::string HeardCallsign() override;
    ServerAddress CallsignServerAddress(bool byHostName) override;

    // --- e-mail ---
    EmailSettings ReadEmailSettings() override;

    // --- the services together ---
    OnlineServers Servers() override;
    HeardStation HeardStationNow(const std::string& partnerLocator) override;
    EmailReportInput EmailReportInputNow(const EmailReportData& figures) override;

    // --- the spot windows ---
    ColorRef FrequencyBoxColour() override;
    WindowPlace LoadSpotPlace() override;
    void SaveSpotPlace(const WindowPlace& place) override;

private:
    Station& station_;
    std::mt19937 random_;
};

}  // namespace muv
