#include "session_log_file.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "vb.h"

namespace muv {

std::string SessionLogFileName(const UtcTime& now) {
    return Format(now.year, "0000") + "-" + Format(now.month, "00") + "-" + Format(now.day, "00") + ".Log";
}

std::string SaveSessionLog(const SessionLog& log, const std::string& folder, const std::string& programFolder,
                           const UtcTime& now) {
    std::error_code ec;
    const bool folderExists = !folder.empty() && std::filesystem::is_directory(folder, ec);
    const std::string path = (folderExists ? folder : programFolder) + "/" + SessionLogFileName(now);

    std::ofstream file(path, std::ios::binary | std::ios::app);
    // The block is one line of its own: the text, the current line, a line end, and the line's end.
    file << log.SessionLogText << log.SessionLogLine << "\r\n"
         << "\r\n";
    file.close();
    if (!file) throw std::runtime_error("cannot write the session log file " + path);

    if (folderExists) return "";
    return "Path '" + folder + "' not found. Data have been saved in '" + path;
}

}  // namespace muv
