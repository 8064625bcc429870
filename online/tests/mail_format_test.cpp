// The mail's wire text: headers that no text can break or extend, encoded words that decode back to the
// subject, quoted-printable that decodes back to the body, and the date form.
#include "online/mail_format.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <random>

#include "common/cp1252.h"

namespace muv {
namespace {

std::string DecodeQuotedPrintable(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '=') {
            out += text[i];
        } else if (text.compare(i + 1, 2, "\r\n") == 0) {
            i += 2;
        } else {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        }
    }
    return out;
}

// The words of an encoded header value, each decoded; empty when a word is not an encoded word.
std::vector<std::string> DecodeWords(const std::string& value) {
    std::vector<std::string> words;
    std::size_t start = 0;
    while (start < value.size()) {
        std::size_t end = value.find("\r\n ", start);
        if (end == std::string::npos) end = value.size();
        const std::string word = value.substr(start, end - start);
        if (word.size() > 75 || word.rfind("=?UTF-8?B?", 0) != 0 || word.substr(word.size() - 2) != "?=")
            return {};
        const std::string payload = word.substr(10, word.size() - 12);
        words.push_back(QByteArray::fromBase64(QByteArray::fromStdString(payload)).toStdString());
        start = end + 3;
    }
    return words;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

TEST(MailFormat, HeaderTextIsPlainOrWholeShortEncodedWordsAndNeverBreaksTheLine) {
    EXPECT_EQ(EncodeHeaderText("EA4ABC has received your Radio Message"),
              "EA4ABC has received your Radio Message");
    // A line break cannot start a header of its own.
    EXPECT_EQ(EncodeHeaderText("hi\r\nBcc: all@example.com"), "hi  Bcc: all@example.com");
    // Text that looks like an encoded word is encoded, so that it reads back as written.
    const std::string lookalike = EncodeHeaderText("=?UTF-8?B?QQ==?=");
    ASSERT_EQ(DecodeWords(lookalike).size(), 1u);
    EXPECT_EQ(DecodeWords(lookalike)[0], "=?UTF-8?B?QQ==?=");

    // A long subject of two-byte characters: short words, no character cut in two, the whole text back.
    std::string subject;
    for (int i = 0; i < 60; ++i)
        subject += "\xC3\xB1";
    subject += " and \xE2\x82\xAC";
    const std::string encoded = EncodeHeaderText(subject);
    const std::vector<std::string> words = DecodeWords(encoded);
    ASSERT_GT(words.size(), 2u);
    std::string joined;
    for (const std::string& w : words) {
        EXPECT_NE(static_cast<unsigned char>(w[0]) & 0xC0, 0x80) << "a word starts inside a character";
        joined += w;
    }
    EXPECT_EQ(joined, subject);
}

TEST(MailFormat, DatesAddressesAndLineEnds) {
    EXPECT_EQ(MailDate(0), "Thu, 01 Jan 1970 00:00:00 +0000");
    EXPECT_EQ(MailDate(1709647389), "Tue, 05 Mar 2024 14:03:09 +0000");

    EXPECT_TRUE(IsPlainAddress("ea4abc@example.org"));
    EXPECT_TRUE(IsPlainAddress("first.last+muv@[127.0.0.1]"));
    EXPECT_TRUE(IsPlainAddress(""));
    for (const char* bad : {"a b@example.org", "a@example.org>", "<a@example.org", "a@b\r\nRCPT TO:x",
                            "a@b,c@d", "\"a\"@b", "a\x01@b", "jos\xE9@example.org"})
        EXPECT_FALSE(IsPlainAddress(bad)) << bad;
    EXPECT_EQ(MessageIdDomain("ea4abc@example.org"), "example.org");
    EXPECT_EQ(MessageIdDomain("nobody"), "muv.invalid");
    EXPECT_EQ(MessageIdDomain("x@"), "muv.invalid");

    EXPECT_EQ(CrLfLines("a\nb\rc\r\nd\r\n\n"), "a\r\nb\r\nc\r\nd\r\n\r\n");
}

TEST(MailFormat, QuotedPrintableKeepsLinesShortAndDecodesBack) {
    EXPECT_EQ(QuotedPrintable("73 = best\r\ntrailing \r\ntab\t"), "73 =3D best\r\ntrailing=20\r\ntab=09");
    EXPECT_EQ(QuotedPrintable("\xC2\xBA"), "=C2=BA");
    const std::string longLine(200, 'x');
    const std::string q = QuotedPrintable(longLine + "\xE9" + longLine);
    for (const std::string& line : Lines(q))
        EXPECT_LE(line.size(), 76u);
    EXPECT_EQ(DecodeQuotedPrintable(q), longLine + "\xE9" + longLine);
}

TEST(MailFormat, TheBodyAndSubjectGoAsTheUtf8TheyAre) {
    MailMessage m;
    m.subject = "OK1ABC p\xC5\x99ijal va\xC5\xA1i zpr\xC3\xA1vu";  // přijal vaši zprávu
    m.body = "Name: Anton\xC3\xADn Dvo\xC5\x99\xC3\xA1k\r\n";
    EXPECT_EQ(EncodedTextBody(m), "Name: Anton=C3=ADn Dvo=C5=99=C3=A1k\r\n");
    const std::vector<std::string> headers = MailHeaders(m, 0, "<1@example.org>");
    ASSERT_EQ(headers.size(), 6u);
    ASSERT_EQ(headers[3].rfind("Subject: ", 0), 0u);
    std::string subject;
    for (const std::string& w : DecodeWords(headers[3].substr(9)))
        subject += w;
    EXPECT_EQ(subject, m.subject);
}

// Random texts of every kind (every character of Windows-1252, in UTF-8), and addresses with every byte,
// composed into mails: the header block always has its eight lines and no more, no line end stands alone,
// no line is too long, and body and subject decode back to what was given.
TEST(MailFormat, AnyTextsMakeAWellFormedMail) {
    std::mt19937 random(20240305);
    auto text = [&](std::size_t most) {
        std::string t(random() % (most + 1), '\0');
        for (char& c : t) {
            const unsigned pick = random() % 10;
            c = pick < 2 ? "\r\n\t =."[random() % 6]
                         : static_cast<char>(pick < 6 ? 32 + random() % 95 : random() % 256);
        }
        return t;
    };
    for (int round = 0; round < 600; ++round) {
        MailMessage m;
        m.from = text(30);
        m.to = text(30);
        m.subject = Cp1252ToUtf8(text(120));
        m.body = Cp1252ToUtf8(text(600));
        const std::string mail = ComposeTextMail(m, 1709647389, "<1.2@example.org>");
        for (std::size_t i = 0; i < mail.size(); ++i) {
            if (mail[i] == '\r') {
                ASSERT_EQ(mail[i + 1], '\n') << round;
            }
            if (mail[i] == '\n') {
                ASSERT_EQ(mail[i - 1], '\r') << round;
            }
        }
        const std::size_t split = mail.find("\r\n\r\n");
        ASSERT_NE(split, std::string::npos);
        int headers = 0;
        for (const std::string& line : Lines(mail.substr(0, split))) {
            ASSERT_FALSE(line.empty());
            if (line[0] != ' ') ++headers;
            ASSERT_LE(line.size(), 998u);
        }
        ASSERT_EQ(headers, 8) << round;
        const std::string body = mail.substr(split + 4);
        for (const std::string& line : Lines(body))
            ASSERT_LE(line.size(), 76u);
        std::string expected = CrLfLines(m.body);
        const bool ended = expected.size() >= 2 && expected.compare(expected.size() - 2, 2, "\r\n") == 0;
        if (!expected.empty() && !ended) expected += "\r\n";
        ASSERT_EQ(DecodeQuotedPrintable(body), expected) << round;

        const std::string subjectLine = mail.substr(mail.find("\r\nSubject: ") + 11);
        const std::string subject = subjectLine.substr(0, subjectLine.find("\r\nMessage-ID: "));
        std::string wanted = m.subject;
        for (char& c : wanted)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
        if (subject.rfind("=?UTF-8?B?", 0) == 0) {
            std::string joined;
            for (const std::string& w : DecodeWords(subject))
                joined += w;
            ASSERT_EQ(joined, wanted) << round;
        } else {
            ASSERT_EQ(subject, wanted) << round;
        }
    }
}

}  // namespace
}  // namespace muv
