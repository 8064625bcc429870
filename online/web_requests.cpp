#include "online/web_requests.h"

#include "common/cp1252.h"

namespace muv {

namespace {

bool IsKeptInAddress(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '~';
}

// One ADIF header field of a UTF-8 value: "<NAME:length>value", the value as a log file holds it
// (EncodeText) and the length counting the bytes written.
std::string AdifField(std::string_view name, std::string_view value) {
    const std::string written = EncodeText(value);
    std::string field = "<";
    field += name;
    field += ':';
    field += std::to_string(written.size());
    field += '>';
    field += written;
    return field;
}

// A UTF-8 value of a query: its Windows-1252 bytes when they hold it, as the sites always took them,
// else its UTF-8 bytes, percent-encoded.
std::string QueryValue(std::string_view utf8) {
    return PercentEncode(EncodeText(utf8));
}

}  // namespace

std::string PercentEncode(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (IsKeptInAddress(c)) {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

std::string BuildEqslUploadUrl(std::string_view eqslBase, std::string_view record, std::string_view user,
                               std::string_view password, std::string_view notes) {
    std::string upload = "<ADIF_VERS:4>2.00\r\n";
    upload += AdifField("EQSL_USER", user) + "\r\n";
    upload += AdifField("EQSL_PSWD", password) + "\r\n";
    upload += "<EOH>\r\n";
    upload += AdifField("QSL_COMMENT", notes) + "\r\n";
    upload += record;

    // The whole upload is one line of query: each CR LF becomes a blank (and so "%20"), everything else
    // that is not a letter, digit, "-" or "~" its "%" code.
    std::string oneLine;
    oneLine.reserve(upload.size());
    for (size_t i = 0; i < upload.size(); ++i) {
        if (upload[i] == '\r' && i + 1 < upload.size() && upload[i + 1] == '\n') {
            oneLine += ' ';
            ++i;
        } else {
            oneLine += upload[i];
        }
    }

    std::string url(eqslBase);
    url += "/qslcard/importADIF.cfm?ADIFData=";
    url += "Test%20upload%20";
    url += PercentEncode(oneLine);
    return url;
}

std::string BuildWebSpotUrl(std::string_view spotWebBase, std::string_view freq, std::string_view spotcall,
                            std::string_view comment, std::string_view spotter, std::string_view spotpfx,
                            std::string_view spotterpfx) {
    std::string url(spotWebBase);
    url += "/muv.php?freq=" + QueryValue(freq);
    url += "&spotcall=" + QueryValue(spotcall);
    url += "&comment=" + QueryValue(comment);
    url += "&spotter=" + QueryValue(spotter);
    url += "&spotpfx=" + QueryValue(spotpfx);
    url += "&spotterpfx=" + QueryValue(spotterpfx);
    return url;
}

}  // namespace muv
