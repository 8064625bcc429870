// The encoder's framing: the sets in their order, each padded to four bytes, the length announced equal
// to the bytes written, the templates only when asked for, strings cut to what one length byte carries.
// The meaning of the records is checked by a real decoder in psk_reporter_decoder_test.cpp.
#include <gtest/gtest.h>

#include "online/ipfix_report.h"
#include "online/tests/ipfix_sets.h"

namespace muv {
namespace {

using test::BigEndian;
using test::ReadIpfixFrame;

ReportMessage Sample() {
    ReportMessage m;
    m.exportTime = 1700000300;
    m.sequenceNumber = 7;
    m.observationDomain = 0xA1B2C3D4;
    m.withTemplates = true;
    m.receiver = {"EA4xyz", "IN80DD", "MUV v5.8.4+CAT", "MUV16_2000_|||||~~~"};
    m.senders.push_back({"K1ABC", 14070300, "MUV", 1, "FN42hn", 1700000010});
    m.senders.push_back({"G4AAA/P", 10368100000ULL, "MUV", 1, "", 1700000020});
    return m;
}

TEST(IpfixReportTest, AMessageIsFramedPaddedAndSizedAsAnnounced) {
    const ReportMessage m = Sample();
    const std::string bytes = EncodeReportMessage(m);
    EXPECT_EQ(bytes.size(), EncodedReportSize(m));
    const test::IpfixFrame f = ReadIpfixFrame(bytes);
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.exportTime, 1700000300u);
    EXPECT_EQ(f.sequenceNumber, 7u);
    EXPECT_EQ(f.observationDomain, 0xA1B2C3D4u);
    ASSERT_EQ(f.sets.size(), 5u);
    const uint16_t ids[] = {3, 2, kReceiverTemplateId, kSenderTemplateId, kSenderNoLocatorTemplateId};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(f.sets[i].id, ids[i]);
        EXPECT_EQ((f.sets[i].body.size() + 4) % 4, 0u) << "set " << i;
    }
    // The receiver template's first field, the receiver's callsign, is its scope (decoders refuse an
    // options template without one).
    const std::string& options = f.sets[0].body;
    EXPECT_EQ(BigEndian(options, 0, 4), 0x99920004u);
    EXPECT_EQ(BigEndian(options, 4, 2), 1u);
    EXPECT_EQ(DataRecordCount(m), 3u);

    // Without templates the receiver's data set comes first.
    ReportMessage plain = m;
    plain.withTemplates = false;
    const test::IpfixFrame g = ReadIpfixFrame(EncodeReportMessage(plain));
    ASSERT_TRUE(g.ok);
    EXPECT_EQ(g.sets.size(), 3u);
    EXPECT_EQ(g.sets[0].id, kReceiverTemplateId);
    EXPECT_EQ(g.length, EncodedReportSize(plain));
}

TEST(IpfixReportTest, StringsAreCutToWhatTheirLengthByteCarriesAndCharactersStayWhole) {
    EXPECT_EQ(CutUtf8(std::string(300, 'A'), kMaxReportString).size(), 254u);
    std::string accents;
    for (int i = 0; i < 200; ++i)
        accents += "\xC3\xA9";  // é
    EXPECT_EQ(CutUtf8(accents, 254), accents.substr(0, 254));
    std::string euros;
    for (int i = 0; i < 100; ++i)
        euros += "\xE2\x82\xAC";  // €
    EXPECT_EQ(CutUtf8(euros, 254).size(), 252u);
    EXPECT_EQ(CutUtf8("", 254), "");

    ReportMessage m = Sample();
    m.withTemplates = false;
    m.receiver = {std::string(300, 'C'), "", euros, ""};
    const std::string bytes = EncodeReportMessage(m);
    const test::IpfixFrame f = ReadIpfixFrame(bytes);
    ASSERT_TRUE(f.ok);
    const std::string& receiver = f.sets[0].body;
    EXPECT_EQ(static_cast<unsigned char>(receiver[0]), 254u);
    EXPECT_EQ(receiver[255], '\0');  // the empty locator
    EXPECT_EQ(static_cast<unsigned char>(receiver[256]), 252u);
    EXPECT_EQ(receiver.substr(257, 252), euros.substr(0, 252));
    EXPECT_EQ(receiver[509], '\0');  // the empty antenna text
}

TEST(IpfixReportTest, AMessageBeyondWhatTheLengthFieldHoldsIsNotWritten) {
    ReportMessage m = Sample();
    SenderReport big{std::string(254, 'K'), 14070000, std::string(254, 'M'), 1, "", 0};
    for (int i = 0; i < 200; ++i)
        m.senders.push_back(big);
    EXPECT_GT(EncodedReportSize(m), 65535u);
    EXPECT_EQ(EncodeReportMessage(m), "");
}

}  // namespace
}  // namespace muv
