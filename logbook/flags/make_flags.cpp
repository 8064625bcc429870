// Makes the flags folder: for each row of the country-flags table, the country's icon file, made from
// its flag picture.
//   muv_make_flags <table> <pictures folder> <flags folder>
// The flags folder is made afresh: icons of countries that the table no longer names go. A picture that
// is missing or not a PNG picture leaves its country without a flag, with a word on the error stream; so
// does a missing pictures folder (the program then shows no flags). Fails only when the table cannot be
// read or the folder cannot be written.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "logbook/country_flags.h"

namespace fs = std::filesystem;

namespace {

bool ReadFile(const fs::path& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    text = s.str();
    return true;
}

bool WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: muv_make_flags <table> <pictures folder> <flags folder>\n";
        return 2;
    }
    const fs::path table = argv[1], pictures = argv[2], flags = argv[3];
    std::string text;
    if (!ReadFile(table, text)) {
        std::cerr << "muv_make_flags: cannot read " << table << "\n";
        return 1;
    }
    std::error_code ec;
    fs::create_directories(flags, ec);
    if (ec) {
        std::cerr << "muv_make_flags: cannot make " << flags << ": " << ec.message() << "\n";
        return 1;
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(flags, ec))
        if (entry.path().extension() == ".ico") fs::remove(entry.path(), ec);

    if (!fs::is_directory(pictures)) {
        std::cerr << "muv_make_flags: no flag pictures in " << pictures
                  << " (Debian's famfamfam-flag-png); the program shows no flags\n";
        return 0;
    }
    int made = 0, missing = 0;
    for (const muv::FlagRow& row : muv::ParseFlagTable(text)) {
        const std::string name = muv::FlagFileName(row.country);
        std::string png;
        const std::string icon =
            name.empty() || !ReadFile(pictures / (row.picture + ".png"), png) ? "" : muv::IconFromPng(png);
        if (icon.empty()) {
            std::cerr << "muv_make_flags: no flag for " << row.country << " (" << row.picture << ")\n";
            ++missing;
            continue;
        }
        if (!WriteFile(flags / name, icon)) {
            std::cerr << "muv_make_flags: cannot write " << flags / name << "\n";
            return 1;
        }
        ++made;
    }
    std::cout << "muv_make_flags: " << made << " flags"
              << (missing ? ", " + std::to_string(missing) + " missing" : "") << "\n";
    return 0;
}
