#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "rig_engine.h"
#include "rig_peers.h"

namespace muv {
namespace {

using namespace rigctl;

class RigEngineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureApplication(); }
    void SetUp() override {
        engine.SetPollInterval(100);
        engine.StatusChange = [this](int n) { statusEvents.push_back(n); };
        engine.ParamsChange = [this](int n, int32_t params) { paramsEvents.emplace_back(n, params); };
        engine.RigTypeChange = [this](int n) { rigTypeEvents.push_back(n); };
        engine.ProtocolMismatch = [this](int n) { mismatchEvents.push_back(n); };
    }
    bool SawParams(int rig, int32_t bit) const {
        for (const auto& [n, params] : paramsEvents)
            if (n == rig && (params & bit) != 0) return true;
        return false;
    }

    RigEngine engine;
    std::vector<int> statusEvents, rigTypeEvents, mismatchEvents;
    std::vector<std::pair<int, int32_t>> paramsEvents;
};

TEST_F(RigEngineTest, FollowsARealRigctldThroughItsLifetime) {
    if (!Rigctld::Installed()) GTEST_SKIP() << "/usr/bin/rigctld is not installed";
    Rigctld rigctld;
    Rig& rig = engine.Rig1();
    engine.SetEndpoint(1, rigctld.Endpoint());
    ASSERT_TRUE(WaitFor([&] { return rig.Status() == ST_ONLINE; })) << rig.StatusStr();
    EXPECT_EQ(rig.StatusStr(), "Rig online");
    EXPECT_EQ(rig.GetRxFrequency(), 145000000);  // where the dummy rig starts
    EXPECT_EQ(rig.RigType(), "Hamlib Dummy");
    EXPECT_EQ(engine.Rig2().Status(), ST_NOTCONFIGURED);
    EXPECT_TRUE(
        WaitFor([&] { return SawParams(1, PM_FREQ) && !rigTypeEvents.empty() && !statusEvents.empty(); }));

    // Settings go out without waiting: the rig's values change only when the read-back comes.
    rig.SetSimplexMode(7074000);
    EXPECT_EQ(rig.GetRxFrequency(), 145000000);
    EXPECT_TRUE(WaitFor([&] { return rig.GetRxFrequency() == 7074000; }));
    EXPECT_EQ(rig.GetTxFrequency(), 7074000);

    rig.SetTx(PM_TX);
    EXPECT_TRUE(WaitFor([&] { return rig.Tx() == PM_TX; }));
    EXPECT_TRUE(SawParams(1, PM_TX));
    rig.SetTx(PM_RX);
    EXPECT_TRUE(WaitFor([&] { return rig.Tx() == PM_RX; }));
    rig.SetMode(PM_DIG_U);
    EXPECT_TRUE(WaitFor([&] { return rig.Mode() == PM_DIG_U; }));

    // rigctld gone: the rig goes offline and nothing is known of it; back again: online again.
    rigctld.Stop();
    EXPECT_TRUE(WaitFor([&] { return rig.Status() == ST_PORTBUSY; })) << rig.StatusStr();
    EXPECT_EQ(rig.StatusStr(), "rigctld not running on " + rigctld.Endpoint());
    EXPECT_EQ(rig.GetRxFrequency(), 0);
    rig.SetSimplexMode(3573000);  // dropped: no rig to take it
    rigctld.Start();
    EXPECT_TRUE(WaitFor([&] { return rig.Status() == ST_ONLINE; })) << rig.StatusStr();
    EXPECT_EQ(rig.GetRxFrequency(), 145000000);  // a new dummy rig
}

TEST_F(RigEngineTest, SilentPeersTimeOutAndForeignPeersFailTheHandshake) {
    engine.SetReplyTimeout(300);
    LoopbackPeer silent;
    LoopbackPeer foreign("SSH-2.0-Test\r\n");
    engine.SetEndpoint(1, silent.Endpoint());
    engine.SetEndpoint(2, foreign.Endpoint());
    EXPECT_EQ(engine.Rig1().StatusStr(), "Connecting to rigctld on " + silent.Endpoint());
    EXPECT_TRUE(WaitFor(
        [&] { return engine.Rig1().StatusStr() == "rigctld on " + silent.Endpoint() + " does not answer"; }));
    EXPECT_EQ(engine.Rig1().Status(), ST_NOTRESPONDING);
    EXPECT_TRUE(WaitFor([&] { return !mismatchEvents.empty(); }));
    EXPECT_EQ(mismatchEvents.front(), 2);
    EXPECT_EQ(engine.Rig2().StatusStr(), foreign.Endpoint() + " does not answer the rigctld protocol");

    engine.SetEndpoint(2, "somewhere:99999");
    EXPECT_EQ(engine.Rig2().Status(), ST_NOTCONFIGURED);
    engine.SetEndpoint(2, "");
    EXPECT_EQ(engine.Rig2().StatusStr(), "Rig 2: no rigctld address set");
}

}  // namespace
}  // namespace muv
