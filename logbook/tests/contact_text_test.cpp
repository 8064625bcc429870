#include "logbook/contact_text.h"

#include <gtest/gtest.h>

#include <random>

namespace muv {
namespace {

TEST(ContactText, NameQthAndLocatorAfterTheCallsignsDe) {
    const ContactDetails d = FindContactDetails(
        "RX16: 09:05 @ -3.5 Hz: EA4XYZ de ea1abc name is John, QTH London. loc IN80ab here <STOP> +3 dB",
        "EA1ABC");
    EXPECT_EQ(d.name, "JOHN");
    EXPECT_EQ(d.qth, "LONDON");
    EXPECT_EQ(d.locator, "IN80ab");

    // The three forms of the keyword, the one with " IS " first, then the blank alone, then the colon.
    EXPECT_EQ(FindContactDetails("X DE EA1ABC NAME: JO, NAME PEPE, NAME IS LUIS. K", "EA1ABC").name, "LUIS");
    EXPECT_EQ(FindContactDetails("X DE EA1ABC NAME: JO, NAME PEPE, K", "EA1ABC").name, "PEPE");
    EXPECT_EQ(FindContactDetails("X DE EA1ABC QTH: MADRID K", "EA1ABC").qth, "MADRID");
    // Blanks after "DE" are skipped; a later mention of the station gives what it says.
    const ContactDetails twice = FindContactDetails(
        "A DE   EA1ABC NAME JO. <STOP>\r\nB DE EA1ABC NAME LUIS, QTH LEON <STOP>", "EA1ABC");
    EXPECT_EQ(twice.name, "LUIS");
    EXPECT_EQ(twice.qth, "LEON");
    // A line end closes the word.
    const ContactDetails lines = FindContactDetails("X DE EA1ABC NAME IS JOHN\r\nQTH LEON\r\nK", "EA1ABC");
    EXPECT_EQ(lines.name, "JOHN");
    EXPECT_EQ(lines.qth, "LEON");
}

TEST(ContactText, WhatTheMessageDoesNotSayIsNotTaken) {
    // After the message's end mark, or at the very end of the text, where the word may still grow.
    EXPECT_EQ(FindContactDetails("EA4XYZ DE EA1ABC K <STOP> NAME IS JOHN ", "EA1ABC").name, "");
    EXPECT_EQ(FindContactDetails("EA4XYZ DE EA1ABC NAME IS JO <CANCEL>", "EA1ABC").name, "JO");
    EXPECT_EQ(FindContactDetails("EA4XYZ DE EA1ABC NAME IS JOHN", "EA1ABC").name, "");
    EXPECT_EQ(FindContactDetails("EA4XYZ DE EA1ABC LOC IN80AB <STOP> LOC JN11AA ", "EA1ABC").locator,
              "IN80ab");
    EXPECT_EQ(FindContactDetails("EA4XYZ DE EA1ABC K <STOP> LOC JN11AA ", "EA1ABC").locator, "");
    // Another station's details, and nothing at all for no callsign.
    EXPECT_EQ(FindContactDetails("EA1ABC DE EA4XYZ NAME IS PEPE K", "EA1ABCD").name, "");
    EXPECT_EQ(FindContactDetails("DE  NAME IS PEPE K", "").name, "");
}

TEST(ContactText, TheSecondSearchStaysInTheMessageThatMentionsTheCall) {
    // The callsign without "DE": the 100 characters before its mention are searched.
    EXPECT_EQ(FindContactDetails("QRZ? NAME IS PEPE, EA1ABC K", "EA1ABC").name, "PEPE");
    // The operator's own words echoed before the partner's message header are not the partner's.
    const std::string text =
        "my name is Jose.\r\nRX16: 09:05 @ -3.5 Hz: EA4XYZ EA1ABC qth is Leon, name is Juan. k <STOP>";
    const ContactDetails d = FindContactDetails(text, "EA1ABC");
    EXPECT_EQ(d.qth, "LEON");
    EXPECT_EQ(d.name, "") << "the first NAME IS stands before the header, so it does not count";
    EXPECT_EQ(PickNameFromText("NAME IS JOSE. RX16: 1 @ 2 HZ: NAME BOB.", 0, ""), "JOSE")
        << "without a marker the header does not matter";
    // Looking back from the callsign may reach into the message before, whose words are not the partner's.
    const std::string two =
        "EA4XYZ DE EA2ZZ QTH ROMA. <STOP> +1 dB\r\nRX16: 09:09 @ 1.0 Hz: EA4XYZ DE EA1ABC K <STOP>";
    EXPECT_EQ(FindContactDetails(two, "EA1ABC").qth, "");
    // A header further than 100 characters on does not count either.
    const std::string far = "NAME IS JOSE. " + std::string(120, 'X') + " HZ: NAME BOB.";
    EXPECT_EQ(PickNameFromText(far, 0, "EA1ABC"), "JOSE");
}

TEST(ContactText, NamesAreLettersOnly) {
    EXPECT_EQ(ValidarNombre("Pepe"), 1);
    EXPECT_EQ(ValidarNombre(""), 1);
    EXPECT_EQ(ValidarNombre("Jos\xE9"), 0);
    EXPECT_EQ(ValidarNombre("EA1ABC"), 0);
    EXPECT_EQ(ValidarNombre("O'NEIL"), 0);
}

// Received text is whatever came over the air: no text makes the search fail, hang or give more than
// one word.
TEST(ContactText, AnyReceivedTextGivesOneWordOrNothing) {
    const char* pieces[] = {" DE ",  "EA1ABC", "NAME IS ", "NAME ", "NAME: ", "QTH IS ", "QTH ",
                            "QTH: ", "<STOP>", "<CANCEL>", " HZ: ", " Hz ",   "IN80AB",  "in80ab",
                            ".",     ",",      " ",        "\r\n",  "\xE9",   "X"};
    std::mt19937 random(13);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int count = static_cast<int>(random() % 40);
        for (int i = 0; i < count; ++i) {
            if (random() % 5 == 0)
                text += static_cast<char>(random() % 256);
            else
                text += pieces[random() % std::size(pieces)];
        }
        const std::string call = random() % 4 == 0 ? std::string(1 + random() % 3, 'E') : "EA1ABC";
        const ContactDetails d = FindContactDetails(text, call);
        for (const std::string& word : {d.name, d.qth})
            EXPECT_EQ(word.find_first_of(" .,"), std::string::npos) << text;
        EXPECT_TRUE(d.locator.empty() || d.locator.size() == 6) << text;
        for (size_t start : {size_t{0}, text.size() / 2, text.size(), text.size() + 5}) {
            PickNameFromText(text, start, call);
            PickLocatorFromText(text, start);
        }
    }
}

}  // namespace
}  // namespace muv
