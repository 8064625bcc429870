#include "logbook/country_flags.h"

#include <cstdint>

#include "common/cp1252.h"

namespace muv {

namespace {

constexpr std::string_view kPngSignature("\x89PNG\r\n\x1a\n", 8);

uint32_t BigEndian32(std::string_view bytes, size_t at) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i)
        v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
    return v;
}

void PutLittle16(std::string& out, unsigned v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

void PutLittle32(std::string& out, uint32_t v) {
    PutLittle16(out, v & 0xFFFF);
    PutLittle16(out, v >> 16);
}

}  // namespace

std::vector<FlagRow> ParseFlagTable(std::string_view text) {
    std::vector<FlagRow> rows;
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find('\n', begin);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(begin, end - begin);
        begin = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        const size_t tab = line.find('\t');
        if (tab == std::string_view::npos || tab == 0 || tab + 1 == line.size()) continue;
        rows.push_back({std::string(line.substr(0, tab)), std::string(line.substr(tab + 1))});
    }
    return rows;
}

std::string FlagFileName(std::string_view country) {
    if (country.empty() || country == "." || country == "..") return {};
    for (const char c : country)
        if (c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return {};
    return std::string(country) + ".ico";
}

std::string CountryWithoutContinent(std::string_view countryText) {
    const size_t characters = Utf8Length(countryText);
    if (characters < 5) return {};
    return Utf8Left(countryText, characters - 5);
}

bool PngSize(std::string_view png, unsigned& width, unsigned& height) {
    // The signature, then the IHDR chunk: its length (13), its name, width and height.
    if (png.size() < 24 || png.substr(0, 8) != kPngSignature || png.substr(12, 4) != "IHDR") return false;
    width = BigEndian32(png, 16);
    height = BigEndian32(png, 20);
    return width > 0 && height > 0;
}

std::string IconFromPng(std::string_view png) {
    unsigned width = 0, height = 0;
    if (!PngSize(png, width, height) || width > 256 || height > 256) return {};
    constexpr uint32_t kImageOffset = 6 + 16;
    std::string icon;
    icon.reserve(kImageOffset + png.size());
    PutLittle16(icon, 0);                     // reserved
    PutLittle16(icon, 1);                     // an icon
    PutLittle16(icon, 1);                     // one image
    icon += static_cast<char>(width & 0xFF);  // 256 is written as 0
    icon += static_cast<char>(height & 0xFF);
    icon += '\0';           // no palette
    icon += '\0';           // reserved
    PutLittle16(icon, 1);   // colour planes
    PutLittle16(icon, 32);  // bits per pixel
    PutLittle32(icon, static_cast<uint32_t>(png.size()));
    PutLittle32(icon, kImageOffset);
    icon += png;
    return icon;
}

}  // namespace muv
