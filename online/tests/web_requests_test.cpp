// The eQSL upload and the web spot addresses: the exact request for known values, and no value can cut
// or change the query whatever it holds.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "common/cp1252.h"
#include "online/web_requests.h"

namespace muv {
namespace {

// The query part of an address decoded back into bytes ("" when a "%" is not followed by two hex digits).
std::string PercentDecode(const std::string& text) {
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size() || hex(text[i + 1]) < 0 || hex(text[i + 2]) < 0) return "";
        out += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
        i += 2;
    }
    return out;
}

TEST(EqslUploadUrl, KnownRecordWithEmptyNotes) {
    const std::string record = "<CALL:5>EA4AB <QSO_DATE:8>20240611 <RST_SENT:3>-12 <EOR>\r\n";
    // Every character of these values is one the upload always escaped, so the request is the classic
    // one exactly.
    EXPECT_EQ(BuildEqslUploadUrl("https://www.eqsl.cc", record, "G4XYZ", "secret", ""),
              "https://www.eqsl.cc/qslcard/importADIF.cfm?ADIFData=Test%20upload%20"
              "%3CADIF%5FVERS%3A4%3E2%2E00%20"
              "%3CEQSL%5FUSER%3A5%3EG4XYZ%20"
              "%3CEQSL%5FPSWD%3A6%3Esecret%20"
              "%3CEOH%3E%20"
              "%3CQSL%5FCOMMENT%3A0%3E%20"
              "%3CCALL%3A5%3EEA4AB%20%3CQSO%5FDATE%3A8%3E20240611%20%3CRST%5FSENT%3A3%3E-12%20%3CEOR%3E%20");
}

TEST(EqslUploadUrl, EveryOtherCharacterIsEncodedToo) {
    // The notes in UTF-8 go as the log file holds them: "é" as its Windows-1252 byte, counted as one.
    const std::string notes = "QRV daily & #1 at 100% +/- ?\xC3\xA9";
    const std::string url = BuildEqslUploadUrl("http://127.0.0.1:8080", "<EOR>\r\n", "us=er", "p&ss#", notes);
    const std::string prefix = "http://127.0.0.1:8080/qslcard/importADIF.cfm?ADIFData=Test%20upload%20";
    ASSERT_EQ(url.rfind(prefix, 0), 0u);
    const std::string query = url.substr(prefix.size());
    EXPECT_NE(query.find("%3CEQSL%5FUSER%3A5%3Eus%3Der%20"), std::string::npos);
    EXPECT_NE(query.find("%3CEQSL%5FPSWD%3A5%3Ep%26ss%23%20"), std::string::npos);
    EXPECT_NE(
        query.find("%3CQSL%5FCOMMENT%3A29%3EQRV%20daily%20%26%20%231%20at%20100%25%20%2B%2F-%20%3F%E9%20"),
        std::string::npos)
        << query;
    EXPECT_EQ(query.find_first_of("&#+?/ =\r\n"), std::string::npos) << query;
    // Decoded, the upload is the text as built, each CR LF a blank.
    EXPECT_EQ(PercentDecode(query),
              "<ADIF_VERS:4>2.00 <EQSL_USER:5>us=er <EQSL_PSWD:5>p&ss# <EOH> <QSL_COMMENT:29>" +
                  Utf8ToCp1252(notes) + " <EOR> ");

    // Notes that Windows-1252 cannot hold go as UTF-8, the length counting their bytes.
    const std::string czech = BuildEqslUploadUrl("https://e", "<EOR>\r\n", "", "", "Dvo\xC5\x99\xC3\xA1k");
    EXPECT_NE(czech.find("%3CQSL%5FCOMMENT%3A8%3EDvo%C5%99%C3%A1k%20"), std::string::npos) << czech;

    // A line end that is not CR LF keeps its own code.
    const std::string lone = BuildEqslUploadUrl("https://e", "<EOR>\n", "", "", "a\rb");
    EXPECT_NE(lone.find("a%0Db"), std::string::npos);
    EXPECT_NE(lone.find("%3CEOR%3E%0A"), std::string::npos);
    EXPECT_NE(lone.find("%3CEQSL%5FUSER%3A0%3E%20%3CEQSL%5FPSWD%3A0%3E%20"), std::string::npos);
}

TEST(WebSpotUrl, ValuesAreEncoded) {
    EXPECT_EQ(
        BuildWebSpotUrl("http://spots.example", "14070.0", "EA4AB/P", "MUV16 +3 dB in Las Rozas & Madrid",
                        "G4XYZ", "G", "EA"),
        "http://spots.example/muv.php?freq=14070%2E0&spotcall=EA4AB%2FP"
        "&comment=MUV16%20%2B3%20dB%20in%20Las%20Rozas%20%26%20Madrid&spotter=G4XYZ&spotpfx=G&spotterpfx=EA");
    // Each value in Windows-1252 where it holds it, as the page always had it, else in UTF-8.
    EXPECT_EQ(BuildWebSpotUrl("http://s", "7040.0", "EA4AB", "73 de Jos\xC3\xA9 in Gy\xC5\x91r", "G4XYZ", "G",
                              "EA"),
              "http://s/muv.php?freq=7040%2E0&spotcall=EA4AB&comment=73%20de%20Jos%C3%A9%20in%20Gy%C5%91r"
              "&spotter=G4XYZ&spotpfx=G&spotterpfx=EA");
    EXPECT_NE(BuildWebSpotUrl("http://s", "7040.0", "EA4AB", "M\xC3\xA1laga", "", "", "")
                  .find("&comment=M%E1laga&"),
              std::string::npos);
    // A line end or "#" in a value stays inside its field.
    EXPECT_EQ(BuildWebSpotUrl("http://s", "7040.0", "K1\r\nX", "#1", "", "", ""),
              "http://s/muv.php?freq=7040%2E0&spotcall=K1%0D%0AX&comment=%231&spotter=&spotpfx=&spotterpfx=");
}

// Any bytes at all: the encoded text holds only letters, digits, "-", "~" and "%" codes, and decodes back
// to the bytes given.
TEST(PercentEncodeTest, RandomBytesRoundTrip) {
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        std::string text(random() % 200, '\0');
        for (char& c : text)
            c = static_cast<char>(random() % 256);
        const std::string encoded = PercentEncode(text);
        for (const char c : encoded) {
            const bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                                 c == '-' || c == '~' || c == '%';
            ASSERT_TRUE(allowed) << static_cast<int>(static_cast<unsigned char>(c));
        }
        ASSERT_EQ(PercentDecode(encoded), text);
    }
}

}  // namespace
}  // namespace muv
