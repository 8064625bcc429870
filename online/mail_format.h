// The text of a mail as it goes on the wire: header lines safe to send whatever the texts hold, the
// date in the Internet form, and the body as quoted-printable UTF-8 with CR LF line ends.
#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "online/mail_transport.h"

namespace muv {

// A header value from UTF-8 text: line breaks and other control characters become blanks, and text that
// is not plain ASCII is sent as encoded words (UTF-8, base64), folded so that no line grows long.
std::string EncodeHeaderText(std::string_view utf8);

// A moment in the Internet mail form, in UTC: "Tue, 05 Mar 2024 14:03:09 +0000".
std::string MailDate(std::time_t moment);

// Whether an address can stand in the envelope and the headers as it is: printable ASCII without
// blanks, angle brackets or the other characters that would change the command or header it goes in.
// The empty address passes (the server decides about it).
bool IsPlainAddress(std::string_view address);

// The domain for a message's identifier: the sender's, or a fixed stand-in when it has none.
std::string MessageIdDomain(std::string_view from);

// Every line break (CR LF, a lone CR or a lone LF) made CR LF.
std::string CrLfLines(std::string_view text);

// Quoted-printable of text whose lines end in CR LF: the line ends stay, long lines get soft breaks, and
// no encoded line is longer than 76 characters.
std::string QuotedPrintable(std::string_view text);

// The message's header lines (without line ends): Date, From, To, Subject, Message-ID, MIME-Version.
std::vector<std::string> MailHeaders(const MailMessage& message, std::time_t moment,
                                     const std::string& messageId);

// The headers of a plain-text body in quoted-printable UTF-8.
inline constexpr const char* kTextContentType = "text/plain; charset=UTF-8";
inline constexpr const char* kTextTransferEncoding = "Content-Transfer-Encoding: quoted-printable";

// The body as it is sent: UTF-8, CR LF lines, quoted-printable.
std::string EncodedTextBody(const MailMessage& message);

// The whole of a mail without attachment: the headers, the text part's headers, a blank line and the
// encoded body.
std::string ComposeTextMail(const MailMessage& message, std::time_t moment, const std::string& messageId);

}  // namespace muv
