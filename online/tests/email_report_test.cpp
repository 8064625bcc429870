// The reception report by e-mail: which words of a received text are taken as addresses, which of them
// pass the checks, who gets the report, and the report's text.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "online/email_report.h"

namespace muv {
namespace {

ModeRecord Mode16Of2000() {
    ModeRecord mode;
    mode.DisplayName = "MUV16/2000";
    mode.NominalBaud = 16;
    mode.ModeBandwidthHz = 2000;
    mode.SyncSymbolCount = 24;
    mode.EndPatternLength = 24;
    mode.ViterbiFullScale = 200;
    return mode;
}

EmailReportInput Reception(const std::string& rxText) {
    EmailReportInput in;
    in.RxText = rxText;
    in.figures.syncMatches = 22;
    in.figures.endMatches = 21;
    in.figures.frequencyShiftHz = 3.25f;
    in.figures.meanViterbiErrors = 37.5f;
    in.figures.cpuLoad = 12.4f;
    in.figures.meanLevelDb = -12.6f;
    in.figures.frequencyAtLock = 1500;
    in.figures.distance = "1234 km";
    in.figures.bearing = 45.4;
    in.figures.endMark = " <STOP>";
    in.txtCallsign = "G4XYZ";
    in.txtName = "John";
    in.txtEmail = "john@example.org";
    in.txtQTH = "Leeds";
    in.txtLocator = "IO93FT";
    in.txtStation = "20 W, dipole";
    in.optReportUltimo = true;
    in.optSMTP = true;
    in.txtFinalMessage = "73 de G4XYZ";
    in.txtFrecuencia = "7040.0";
    in.rtfVentanaRX = "first line\r\nsecond line";
    in.CatFrequencyHz = 0;
    in.CpuCounterAvailable = true;
    in.mode = Mode16Of2000();
    in.UtcNow.hour = 9;
    in.UtcNow.minute = 5;
    in.snText = "-12";
    in.fadeMarginText = "8";
    in.ownCountry = "England (EU)";
    return in;
}

std::vector<std::string> Lines(const std::string& body) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = body.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(body.substr(start, end - start));
    }
    EXPECT_EQ(start, body.size()) << "the body ends with a line end";
    return lines;
}

std::string BodyLineStartingWith(const std::string& body, const std::string& prefix) {
    for (const std::string& line : Lines(body)) {
        if (line.rfind(prefix, 0) == 0) return line;
    }
    return "(none)";
}

TEST(EmailAddressChecks, AddressShape) {
    EXPECT_TRUE(IsValidEmailAddress("ea4ab@gmail.com"));
    EXPECT_TRUE(IsValidEmailAddress("  First.Last-2_x@Mail.Example.CO.UK  "));
    EXPECT_FALSE(IsValidEmailAddress(""));
    EXPECT_FALSE(IsValidEmailAddress("   "));
    // A special character first or last, or two of them in a row.
    EXPECT_FALSE(IsValidEmailAddress(".ab@cd.com"));
    EXPECT_FALSE(IsValidEmailAddress("_ab@cd.com"));
    EXPECT_FALSE(IsValidEmailAddress("ab@cd.com."));
    EXPECT_FALSE(IsValidEmailAddress("ab@cd.com-"));
    EXPECT_FALSE(IsValidEmailAddress("ab.@cd.com"));
    EXPECT_FALSE(IsValidEmailAddress("ab@.cd.com"));
    EXPECT_FALSE(IsValidEmailAddress("ab__c@cd.com"));
    // Two at signs, none, or no full stop after it.
    EXPECT_FALSE(IsValidEmailAddress("ab@c@d.com"));
    EXPECT_FALSE(IsValidEmailAddress("ab.cd.com"));
    EXPECT_FALSE(IsValidEmailAddress("a.b@cdcom"));
    // Anything else than letters, digits and the four specials.
    EXPECT_FALSE(IsValidEmailAddress("ab@cd.com,"));
    EXPECT_FALSE(IsValidEmailAddress("a+b@cd.com"));
    EXPECT_FALSE(IsValidEmailAddress("ab@cd.com\r\n"));
    EXPECT_FALSE(IsValidEmailAddress("a b@cd.com"));
    EXPECT_FALSE(IsValidEmailAddress("j\xE9r\xF4me@cd.com"));
}

TEST(EmailAddressChecks, DomainAndTopLevelDomain) {
    EXPECT_TRUE(HasValidEmailDomain("ab@cd.com"));
    // Country endings in any letter case; an ending not in the lists is refused.
    EXPECT_TRUE(HasValidEmailDomain("ab@cd.uk"));
    EXPECT_TRUE(HasValidEmailDomain("ab@cd.UK"));
    EXPECT_TRUE(HasValidEmailDomain("ab@cd.De"));
    EXPECT_TRUE(HasValidEmailDomain("ab@cd.cat"));
    EXPECT_TRUE(HasValidEmailDomain("ab@cd.as"));  // written "As" in the list
    EXPECT_FALSE(HasValidEmailDomain("ab@cd.info"));
    EXPECT_FALSE(HasValidEmailDomain("ab@cd.xyz"));
    // The plain substring search accepts the beginning of a listed ending.
    EXPECT_TRUE(HasValidEmailDomain("ab@cd.go"));
    EXPECT_TRUE(HasKnownTopLevelDomain("GO"));
    EXPECT_TRUE(HasKnownTopLevelDomain(".ne"));
    EXPECT_FALSE(HasKnownTopLevelDomain("x"));
    EXPECT_FALSE(HasKnownTopLevelDomain("COMX"));
    // Fewer than 6 characters, the at sign first or last or doubled, none, or a full stop after it.
    EXPECT_FALSE(HasValidEmailDomain(""));
    EXPECT_FALSE(HasValidEmailDomain("a@b.c"));
    EXPECT_TRUE(HasValidEmailDomain("a@b.co"));
    EXPECT_FALSE(HasValidEmailDomain("@abcd.com"));
    EXPECT_FALSE(HasValidEmailDomain("abcd.com@"));
    EXPECT_FALSE(HasValidEmailDomain("ab@c@d.com"));
    EXPECT_FALSE(HasValidEmailDomain("abcd.com"));
    EXPECT_FALSE(HasValidEmailDomain("ab@.cd.com"));
    // Without a full stop the whole text is the ending.
    EXPECT_FALSE(HasValidEmailDomain("ab@cdcom"));
}

TEST(EmailCandidates, WordsAroundTheAtSign) {
    EXPECT_TRUE(FindEmailCandidates("CQ CQ DE G4XYZ K").empty());
    EXPECT_TRUE(FindEmailCandidates("").empty());
    // First and last word of the text are found; only blanks delimit.
    EXPECT_EQ(FindEmailCandidates("ab@cd.com PSE QSL"), std::vector<std::string>{"ab@cd.com"});
    EXPECT_EQ(FindEmailCandidates("PSE QSL ab@cd.com"), std::vector<std::string>{"ab@cd.com"});
    EXPECT_EQ(FindEmailCandidates("PSE QSL ab@cd.com."), std::vector<std::string>{"ab@cd.com."});
    EXPECT_EQ(FindEmailCandidates("to:ab@cd.com,\r\nK"), std::vector<std::string>{"to:ab@cd.com,\r\nK"});
    // A word with two at signs is no candidate.
    EXPECT_TRUE(FindEmailCandidates("x a@b@cd.com y").empty());
    // At most 30 characters before the at sign and 20 after it.
    const std::string local30(30, 'l');
    const std::string domain20 = std::string(16, 'd') + ".com";
    EXPECT_EQ(FindEmailCandidates(local30 + "@" + domain20),
              std::vector<std::string>{local30 + "@" + domain20});
    EXPECT_TRUE(FindEmailCandidates("l" + local30 + "@" + domain20).empty());
    EXPECT_TRUE(FindEmailCandidates(local30 + "@d" + domain20).empty());
    // An at sign as the first character, or too near the end, is not looked at.
    EXPECT_TRUE(FindEmailCandidates("@abcdefg").empty());
    EXPECT_TRUE(FindEmailCandidates("abcdefg@abc").empty());
    EXPECT_TRUE(FindEmailCandidates("a@bcd").empty());
    EXPECT_EQ(FindEmailCandidates("a@bcde").size(), 1u);
}

TEST(EmailCandidates, TenWordsAtMost) {
    std::string text;
    for (int i = 0; i < 12; ++i)
        text += "w" + std::to_string(i) + "@x ";
    const std::vector<std::string> found = FindEmailCandidates(text);
    ASSERT_EQ(found.size(), 10u);
    EXPECT_EQ(found.front(), "w0@x");
    EXPECT_EQ(found.back(), "w9@x");

    // The tenth word is considered, the eleventh is not.
    EmailReporter reporter;
    std::string nine;
    for (int i = 0; i < 9; ++i)
        nine += "w" + std::to_string(i) + "@x ";
    EXPECT_EQ(reporter.BuildEmailReport(Reception(nine + "tenth@cd.com")).EmailTo, "tenth@cd.com");
    EmailReport late = reporter.BuildEmailReport(Reception(nine + "w9@x eleventh@cd.com"));
    EXPECT_EQ(late.EmailResult, 0);
    EXPECT_FALSE(late.armSendTimer);
}

TEST(EmailReporterTest, ChoiceOfTheRecipient) {
    EmailReporter reporter;
    EmailReport none = reporter.BuildEmailReport(Reception("CQ DE G4XYZ K"));
    EXPECT_EQ(none.EmailResult, 0);
    EXPECT_FALSE(none.armSendTimer);
    EXPECT_EQ(none.EmailTo, "");

    // One valid address gets the report.
    EmailReport one = reporter.BuildEmailReport(Reception("QSL VIA ea4ab@gmail.com K"));
    EXPECT_EQ(one.EmailResult, 2);
    EXPECT_TRUE(one.armSendTimer);
    EXPECT_EQ(one.EmailTo, "ea4ab@gmail.com");
    EXPECT_EQ(one.EmailSubject, "G4XYZ has received your Radio Message");

    // Two valid addresses: the second wins.
    EXPECT_EQ(reporter.BuildEmailReport(Reception("a1@cd.com OR b1@cd.com")).EmailTo, "b1@cd.com");
    // A repeat of an earlier word counts once, so the address between the two wins; in other letter case
    // it counts again.
    EXPECT_EQ(reporter.BuildEmailReport(Reception("a2@cd.com b2@cd.com a2@cd.com")).EmailTo, "b2@cd.com");
    EXPECT_EQ(reporter.BuildEmailReport(Reception("a3@cd.com b3@cd.com A3@cd.com")).EmailTo, "A3@cd.com");
    // An invalid later word does not displace a valid earlier one; a trailing full stop or comma spoils.
    EXPECT_EQ(reporter.BuildEmailReport(Reception("a4@cd.com b4@cd.info")).EmailTo, "a4@cd.com");
    EXPECT_EQ(reporter.BuildEmailReport(Reception("mail me: a5@cd.com.")).EmailResult, 0);
    EXPECT_EQ(reporter.BuildEmailReport(Reception("a6@cd.com, K")).EmailResult, 0);

    // Without a way to send mail the address still counts, but nothing is sent and it is not used up.
    EmailReportInput noMail = Reception("c1@cd.com");
    noMail.optSMTP = false;
    EmailReport unsent = reporter.BuildEmailReport(noMail);
    EXPECT_EQ(unsent.EmailResult, 2);
    EXPECT_FALSE(unsent.armSendTimer);
    EXPECT_EQ(unsent.EmailTo, "");
    EXPECT_FALSE(reporter.AlreadyMailed("c1@cd.com"));
    EmailReportInput webmail = Reception("c1@cd.com");
    webmail.optSMTP = false;
    webmail.optGmail = true;
    EXPECT_TRUE(reporter.BuildEmailReport(webmail).armSendTimer);
}

TEST(EmailReporterTest, EachAddressIsMailedOncePerRun) {
    EmailReporter reporter;
    EXPECT_EQ(reporter.BuildEmailReport(Reception("QSL ea4ab@gmail.com")).EmailTo, "ea4ab@gmail.com");
    EXPECT_TRUE(reporter.AlreadyMailed("EA4AB@GMAIL.COM"));

    // The same address again, in any letter case, gets nothing more.
    for (const char* text : {"QSL ea4ab@gmail.com", "QSL EA4AB@Gmail.com"}) {
        EmailReport again = reporter.BuildEmailReport(Reception(text));
        EXPECT_EQ(again.EmailResult, 0) << text;
        EXPECT_FALSE(again.armSendTimer) << text;
    }
    // A mailed address no longer displaces a new one written before it.
    EXPECT_EQ(reporter.BuildEmailReport(Reception("k1abc@cd.net ea4ab@gmail.com")).EmailTo, "k1abc@cd.net");

    // Another run starts afresh.
    EmailReporter nextRun;
    EXPECT_EQ(nextRun.BuildEmailReport(Reception("QSL ea4ab@gmail.com")).EmailTo, "ea4ab@gmail.com");
}

TEST(EmailReportBodyTest, FullReportOfOneReception) {
    EmailReporter reporter;
    const EmailReport report =
        reporter.BuildEmailReport(Reception("CQ CQ DE EA4AB EA4AB PSE QSL VIA ea4ab@gmail.com K"));
    const std::vector<std::string> expected = {
        "********** Please don't reply to this email ********************",
        "",
        "G4XYZ has received your Radio Message sent at: 09:05 UTC",
        "",
        "Received Message: 'CQ CQ DE EA4AB EA4AB PSE QSL VIA ea4ab@gmail.com K <STOP>'",
        "",
        "Operator Info: ",
        "Callsign: G4XYZ",
        "DXCC: England (EU)",
        "Name: John",
        "E-mail: john@example.org",
        "QTH: Leeds",
        "Locator: IO93FT",
        "Station: 20 W, dipole",
        "MUV Version: MUV v5.8.4 Beta",
        "",
        "Signal Info: ",
        "Frequency: 7.040 Mhz",
        "Mode: MUV16/2000",
        "Symbol Rate: 16 Bauds",
        "BW: 2000 Hz",
        "Frame Acquisition: 22/24",
        "Final Acquisition: 21/24",
        "Frequency Shift: 3.3 Hz",
        "Viterbi: 19%",
        "S/N (2500 Hz): -12 dB, Fade Marge: 8 dB",
        "Distance: 1234 km, Heading: 045\xC2\xBA",
        "Beacon: OFF",
        "Vumeter Level: -13 dB",
        "CPU Usage: 12 %",
        "",
        "73 de G4XYZ",
    };
    EXPECT_EQ(Lines(report.EmailBody), expected);
}

TEST(EmailReportBodyTest, LinesThatDependOnTheReception) {
    // Without a rig frequency, 14100 to 14120 kHz is reported as the 20 m band; with one, as a frequency.
    EmailReportInput in = Reception("x");
    in.txtFrecuencia = "14110.0";
    EXPECT_EQ(BodyLineStartingWith(EmailReportBody(in), "Band"), "Band: 20M");
    EXPECT_EQ(BodyLineStartingWith(EmailReportBody(in), "Frequency: "), "(none)");
    in.txtFrecuencia = "14120";
    EXPECT_EQ(BodyLineStartingWith(EmailReportBody(in), "Band"), "Band: 20M");
    in.txtFrecuencia = "14120.1";
    EXPECT_EQ(BodyLineStartingWith(EmailReportBody(in), "Frequency: "), "Frequency: 14.120 Mhz");
    in.txtFrecuencia = "14110.0";
    in.CatFrequencyHz = 14110000;
    EXPECT_EQ(BodyLineStartingWith(EmailReportBody(in), "Frequency: "), "Frequency: 14.110 Mhz");

    // A cancelled frame.
    in.figures.endMark = " <CANCEL>";
    in.figures.endMatches = 0;
    const std::string cancelled = EmailReportBody(in);
    EXPECT_EQ(BodyLineStartingWith(cancelled, "Final Acquisition"), "Final Acquisition: <CANCEL>");
    EXPECT_EQ(BodyLineStartingWith(cancelled, "Received Message"), "Received Message: 'x <CANCEL>'");

    // No distance, the beacon on, no processor counter.
    in.figures.distance = "Not avaiable";
    in.BeaconShown = true;
    in.CpuCounterAvailable = false;
    const std::string other = EmailReportBody(in);
    EXPECT_EQ(BodyLineStartingWith(other, "Distance"), "Distance: Not avaiable");
    EXPECT_EQ(BodyLineStartingWith(other, "Beacon"), "Beacon: ON");
    EXPECT_EQ(BodyLineStartingWith(other, "CPU"), "CPU Usage: Not avaiable");

    // The whole receive window in place of the last message.
    in.optReportUltimo = false;
    in.optReportTodo = true;
    const std::vector<std::string> lines = Lines(EmailReportBody(in));
    ASSERT_GE(lines.size(), 8u);
    EXPECT_EQ(lines[4], "G4XYZ's RX Screen:");
    EXPECT_EQ(lines[5], "'first line");
    EXPECT_EQ(lines[6], "second line'");
    EXPECT_EQ(lines[7], "");
}

TEST(EmailReportBodyTest, TheReceivedTextBecomesUtf8OnceBesideTheOperatorsText) {
    // The message and the receive window hold the modem's Windows-1252; the operator window UTF-8.
    EmailReportInput in = Reception("QSL Jos\xE9 ea4ab@gmail.com");
    in.txtName = "Anton\xC3\xADn Dvo\xC5\x99\xC3\xA1k";
    in.rtfVentanaRX = "M\xE1laga\r\n\x80 5";
    const EmailReport report = EmailReporter().BuildEmailReport(in);
    EXPECT_EQ(report.EmailTo, "ea4ab@gmail.com");
    EXPECT_EQ(BodyLineStartingWith(report.EmailBody, "Received"),
              "Received Message: 'QSL Jos\xC3\xA9 ea4ab@gmail.com <STOP>'");
    EXPECT_EQ(BodyLineStartingWith(report.EmailBody, "Name"), "Name: Anton\xC3\xADn Dvo\xC5\x99\xC3\xA1k");
    in.optReportUltimo = false;
    const std::vector<std::string> lines = Lines(EmailReportBody(in));
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(lines[5], "'M\xC3\xA1laga");
    EXPECT_EQ(lines[6], "\xE2\x82\xAC 5'");
}

// Random texts, and texts made by mutating ones that hold addresses: the search stays within its
// limits, every candidate is a word of the text, and a chosen recipient always passes both checks and is
// never chosen twice in a run.
TEST(EmailReportFuzz, RandomAndMutatedTexts) {
    std::mt19937 random(20240611);
    const std::string alphabet = "abcXYZ019._-@@@  \r\n,.+\xBA\xFF";
    const std::vector<std::string> seeds = {
        "PSE QSL VIA ea4ab@gmail.com K",
        "a@b.co b@c.uk C@D.DE d@e.info e@f.go x@y@z.com " + std::string(31, 'l') + "@cd.com",
        "mail: first.last-1@mail.example.co.uk, or ea4ab@gmail.com. 73",
    };
    auto mutate = [&](std::string text) {
        const int steps = 1 + static_cast<int>(random() % 8);
        for (int s = 0; s < steps; ++s) {
            const size_t pos = text.empty() ? 0 : random() % (text.size() + 1);
            const char c = alphabet[random() % alphabet.size()];
            switch (random() % 4) {
                case 0:
                    text.insert(pos, 1, c);
                    break;
                case 1:
                    if (pos < text.size()) text.erase(pos, 1 + random() % 3);
                    break;
                case 2:
                    if (pos < text.size()) text[pos] = c;
                    break;
                default:
                    text.insert(pos, text.substr(0, random() % 40));
                    break;
            }
        }
        return text;
    };

    EmailReporter reporter;
    std::vector<std::string> chosen;
    for (int round = 0; round < 4000; ++round) {
        std::string text;
        if (round % 2 == 0) {
            const size_t length = random() % 300;
            for (size_t i = 0; i < length; ++i)
                text += alphabet[random() % alphabet.size()];
        } else {
            text = mutate(seeds[random() % seeds.size()]);
        }

        const std::vector<std::string> candidates = FindEmailCandidates(text);
        ASSERT_LE(candidates.size(), 10u);
        const std::string padded = " " + text + " ";
        for (const std::string& c : candidates) {
            const size_t at = c.find('@');
            ASSERT_NE(at, std::string::npos);
            EXPECT_EQ(c.find('@', at + 1), std::string::npos) << c;
            EXPECT_EQ(c.find(' '), std::string::npos) << c;
            EXPECT_LE(at, 30u) << c;
            EXPECT_LE(c.size() - at - 1, 20u) << c;
            EXPECT_NE(padded.find(" " + c + " "), std::string::npos) << c;
        }

        const EmailReport report = reporter.BuildEmailReport(Reception(text));
        EXPECT_EQ(report.armSendTimer, report.EmailResult == 2);
        if (report.armSendTimer) {
            EXPECT_TRUE(IsValidEmailAddress(report.EmailTo)) << report.EmailTo;
            EXPECT_TRUE(HasValidEmailDomain(report.EmailTo)) << report.EmailTo;
            EXPECT_NE(padded.find(" " + report.EmailTo + " "), std::string::npos) << report.EmailTo;
            for (const std::string& earlier : chosen) {
                EXPECT_NE(earlier, report.EmailTo);
            }
            chosen.push_back(report.EmailTo);
        } else {
            EXPECT_EQ(report.EmailTo, "");
        }
    }
    EXPECT_GT(chosen.size(), 3u) << "the mutated texts reach the choice of a recipient";

    // A long text of at signs and address-like words stays within ten candidates.
    std::string flood;
    for (int i = 0; i < 20000; ++i)
        flood += i % 3 == 0 ? "@@ " : "ab@cd.com ";
    EXPECT_EQ(FindEmailCandidates(flood).size(), 10u);
}

}  // namespace
}  // namespace muv
