#include "logbook/callsign.h"

#include <gtest/gtest.h>

namespace muv {
namespace {

TEST(Callsign, BaseDropsPortableParts) {
    EXPECT_EQ(BaseCallsign("EA4ABC"), "EA4ABC");
    EXPECT_EQ(BaseCallsign("EA/DL1ABC"), "DL1ABC");   // "/" at position 3: a prefix
    EXPECT_EQ(BaseCallsign("EA8/DL1ABC"), "DL1ABC");  // position 4 still a prefix
    EXPECT_EQ(BaseCallsign("EA8X/DL1ABC"), "EA8X");   // after position 4: a suffix
    EXPECT_EQ(BaseCallsign("DL1ABC/P"), "DL1ABC");    // a suffix
    EXPECT_EQ(BaseCallsign("F/DL1ABC/P"), "DL1ABC");
    EXPECT_EQ(BaseCallsign("A/B/C/D"), "");
}

TEST(Callsign, PlausibleWords) {
    EXPECT_EQ(IsPlausibleCallsign("ea4abc"), "ea4abc");
    EXPECT_EQ(IsPlausibleCallsign("Ea4abc"), "");
    EXPECT_EQ(IsPlausibleCallsign("EA4ABC/QRP"), "EA4ABC/QRP");
    EXPECT_EQ(IsPlausibleCallsign("EA4ABC. K"), "EA4ABC");
    EXPECT_EQ(IsPlausibleCallsign("K1A"), "");      // base too short
    EXPECT_EQ(IsPlausibleCallsign("EA4ABCD"), "");  // base too long
    EXPECT_EQ(IsPlausibleCallsign("HELLO1"), "");   // no digit among the first three
    EXPECT_EQ(IsPlausibleCallsign("error"), "");
    auto none = [](const std::string&) { return false; };
    EXPECT_EQ(IsPlausibleCallsign("EA4ABC", none), "");
    std::string asked;
    auto record = [&](const std::string& base) {
        asked = base;
        return true;
    };
    IsPlausibleCallsign("EA8/DL1ABC", record);
    EXPECT_EQ(asked, "DL1ABC");  // the country is looked up for the base callsign
}

TEST(Callsign, SenderAfterDe) {
    EXPECT_EQ(CallsignAfterDe("cq cq de ea4abc ea4abc k"), "EA4ABC");
    EXPECT_EQ(CallsignAfterDe("CQ DE   DL1ABC/P. PSE K"), "DL1ABC/P");
    EXPECT_EQ(CallsignAfterDe("EA4ABC DE"), "");
    EXPECT_EQ(CallsignAfterDe("CQ DE HELLO"), "");
    EXPECT_EQ(CallsignAfterDe("no sender here"), "");
    EXPECT_EQ(CallsignAfterDe("CODE EA4ABC DE DL1ABC"), "EA4ABC");  // the first "DE " counts
    // A line break, a tab or the end of the text ends the callsign as a blank does.
    EXPECT_EQ(CallsignAfterDe("CQ CQ DE G4XYZ\r\nPSE K"), "G4XYZ");
    EXPECT_EQ(CallsignAfterDe("CQ CQ DE G4XYZ\r"), "G4XYZ");
    EXPECT_EQ(CallsignAfterDe("cq de g4xyz/p\npse k"), "G4XYZ/P");
    EXPECT_EQ(CallsignAfterDe("CQ DE G4XYZ\tK"), "G4XYZ");
    EXPECT_EQ(IsPlausibleCallsign("G4XYZ\r\nPSE"), "G4XYZ");
}

TEST(Callsign, MentionsOfTheOperator) {
    EXPECT_EQ(TextMentionsMyCall("ea4abc de dl1abc k", "EA4ABC/P"), 1);
    EXPECT_EQ(TextMentionsMyCall("QSL XEA4ABC", "EA4ABC"), 1);        // the end of a longer word counts
    EXPECT_EQ(TextMentionsMyCall("EA4ABCD DE DL1ABC", "EA4ABC"), 1);  // and its start
    EXPECT_EQ(TextMentionsMyCall("EA4AB DE DL1ABC", "EA4ABC"), 0);
    EXPECT_EQ(TextMentionsMyCall("CQ DE DL1ABC", ""), 0);
}

}  // namespace
}  // namespace muv
