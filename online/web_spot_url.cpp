#include "online/web_spot_url.h"

namespace muv {

std::string PercentEncode(std::string_view value) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(value.size());
    for (const char ch : value) {
        const auto c = static_cast<unsigned char>(ch);
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                                c == '-' || c == '.' || c == '_' || c == '~';
        if (unreserved) {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

std::string BuildWebSpotUrl(const std::string& base, const std::string& freq, const std::string& spotcall,
                            const std::string& comment, const std::string& spotter,
                            const std::string& spotpfx, const std::string& spotterpfx) {
    return base + "/muv.php?freq=" + PercentEncode(freq) + "&spotcall=" + PercentEncode(spotcall) +
           "&comment=" + PercentEncode(comment) + "&spotter=" + PercentEncode(spotter) +
           "&spotpfx=" + PercentEncode(spotpfx) + "&spotterpfx=" + PercentEncode(spotterpfx);
}

}  // namespace muv
