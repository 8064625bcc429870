// The servers come from the settings file where it names them, and keep the services' own values where
// it does not or where a value is unusable.
#include <gtest/gtest.h>

#include "online/online_servers.h"
#include "platform/private_profile.h"

namespace muv {
namespace {

TEST(OnlineServersTest, SettingsNameTheServersAndBadPortsKeepTheDefaults) {
    MemoryProfileStore none;
    const OnlineServers defaults = ReadOnlineServers(none);
    EXPECT_EQ(defaults.cluster.port, 8000);
    EXPECT_EQ(defaults.pskReporter.port, 4739);
    EXPECT_EQ(defaults.smtpPort, 25);
    EXPECT_EQ(defaults.webmailSmtp.port, 465);

    MemoryProfileStore store(
        "[Servers]\r\nCluster=127.0.0.1\r\nClusterPort=40001\r\nCallsignServerPort=0\r\n"
        "PskReporterPort=70000\r\nSmtpPort=2525x\r\nMailTimeout=5\r\nEqsl=http://127.0.0.1:8080\r\n");
    const OnlineServers s = ReadOnlineServers(store);
    EXPECT_EQ(s.cluster.host, "127.0.0.1");
    EXPECT_EQ(s.cluster.port, 40001);
    EXPECT_EQ(s.callsignServerName.port, 8000);  // 0 is no port
    EXPECT_EQ(s.pskReporter.port, 4739);         // beyond the range
    EXPECT_EQ(s.smtpPort, 25);                   // not a number
    EXPECT_EQ(s.mailTimeoutSeconds, 5);
    EXPECT_EQ(s.eqsl, "http://127.0.0.1:8080");
    EXPECT_EQ(s.callsignServerName.host, defaults.callsignServerName.host);
}

}  // namespace
}  // namespace muv
