#include "online/mail_format.h"

#include <cstdio>

namespace muv {

namespace {

// Bytes of UTF-8 text per encoded word: a multiple of three, so that the word's base64 has no padding
// inside, and small enough that "Subject: " and one word stay within 76 characters.
constexpr std::size_t kEncodedWordBytes = 39;
// The longest line of quoted-printable text, not counting the soft break's "=".
constexpr std::size_t kQuotedLine = 75;

std::string Base64(std::string_view bytes) {
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) |
                           (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                           static_cast<unsigned char>(bytes[i + 2]);
        out += kDigits[(v >> 18) & 63];
        out += kDigits[(v >> 12) & 63];
        out += kDigits[(v >> 6) & 63];
        out += kDigits[v & 63];
    }
    const std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (rest == 2) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += kDigits[(v >> 18) & 63];
        out += kDigits[(v >> 12) & 63];
        out += rest == 2 ? kDigits[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

bool IsContinuationByte(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

std::string Hex(unsigned char c) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    return {'=', kHex[c >> 4], kHex[c & 15]};
}

// One line of text (no line end in it) in quoted-printable, with soft breaks where it grows long.
void QuoteLine(std::string_view line, std::string& out) {
    std::size_t width = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const auto c = static_cast<unsigned char>(line[i]);
        const bool last = i + 1 == line.size();
        std::string token;
        if ((c == ' ' || c == '\t') && !last)
            token.assign(1, static_cast<char>(c));
        else if (c >= 33 && c <= 126 && c != '=')
            token.assign(1, static_cast<char>(c));
        else
            token = Hex(c);
        if (width + token.size() > kQuotedLine) {
            out += "=\r\n";
            width = 0;
        }
        out += token;
        width += token.size();
    }
}

std::string WithoutControls(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (IsControl(static_cast<unsigned char>(c))) c = ' ';
    return out;
}

}  // namespace

std::string EncodeHeaderText(std::string_view utf8) {
    const std::string clean = WithoutControls(utf8);
    bool plain = clean.find("=?") == std::string::npos;
    for (const char c : clean)
        if (static_cast<unsigned char>(c) >= 0x80) plain = false;
    if (plain) return clean;

    std::string out;
    std::size_t start = 0;
    while (start < clean.size()) {
        std::size_t end = std::min(start + kEncodedWordBytes, clean.size());
        // Never cut a character in two: step back to the start of the character the cut falls in.
        if (end < clean.size()) {
            std::size_t back = end;
            while (back > start && IsContinuationByte(static_cast<unsigned char>(clean[back])))
                --back;
            if (back > start) end = back;
        }
        if (!out.empty()) out += "\r\n ";
        out += "=?UTF-8?B?" + Base64(std::string_view(clean).substr(start, end - start)) + "?=";
        start = end;
    }
    return out;
}

std::string MailDate(std::time_t moment) {
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm utc{};
    gmtime_r(&moment, &utc);
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d +0000", kDays[utc.tm_wday % 7],
                  utc.tm_mday, kMonths[utc.tm_mon % 12], utc.tm_year + 1900, utc.tm_hour, utc.tm_min,
                  utc.tm_sec);
    return text;
}

bool IsPlainAddress(std::string_view address) {
    for (const char ch : address) {
        const auto c = static_cast<unsigned char>(ch);
        if (c <= 0x20 || c >= 0x7F) return false;
        switch (c) {
            case '<':
            case '>':
            case '(':
            case ')':
            case ',':
            case ';':
            case '"':
            case '\\':
                return false;
            default:
                break;
        }
    }
    return true;
}

std::string MessageIdDomain(std::string_view from) {
    const std::size_t at = from.rfind('@');
    if (at == std::string_view::npos) return "muv.invalid";
    const std::string_view domain = from.substr(at + 1);
    if (domain.empty() || !IsPlainAddress(domain)) return "muv.invalid";
    return std::string(domain);
}

std::string CrLfLines(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

std::string QuotedPrintable(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string_view::npos) {
            QuoteLine(text.substr(start), out);
            break;
        }
        QuoteLine(text.substr(start, end - start), out);
        out += "\r\n";
        start = end + 2;
    }
    return out;
}

std::vector<std::string> MailHeaders(const MailMessage& message, std::time_t moment,
                                     const std::string& messageId) {
    return {
        "Date: " + MailDate(moment),
        "From: " + WithoutControls(message.from),
        "To: " + WithoutControls(message.to),
        "Subject: " + EncodeHeaderText(message.subject),
        "Message-ID: " + WithoutControls(messageId),
        "MIME-Version: 1.0",
    };
}

std::string EncodedTextBody(const MailMessage& message) {
    return QuotedPrintable(CrLfLines(message.body));
}

std::string ComposeTextMail(const MailMessage& message, std::time_t moment, const std::string& messageId) {
    std::string mail;
    for (const std::string& line : MailHeaders(message, moment, messageId))
        mail += line + "\r\n";
    mail += std::string("Content-Type: ") + kTextContentType + "\r\n";
    mail += std::string(kTextTransferEncoding) + "\r\n";
    mail += "\r\n";
    mail += EncodedTextBody(message);
    if (mail.size() < 2 || mail.compare(mail.size() - 2, 2, "\r\n") != 0) mail += "\r\n";
    return mail;
}

}  // namespace muv
