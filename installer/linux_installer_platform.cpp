#include "installer/linux_installer_platform.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <vector>

namespace muv {

namespace {

// A whole number of at most four digits at text[at], moving at past it.
std::optional<int> Number(std::string_view text, size_t& at) {
    int value = 0;
    size_t digits = 0;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) && digits < 4) {
        value = value * 10 + (text[at] - '0');
        ++at;
        ++digits;
    }
    if (digits == 0) return std::nullopt;
    return value;
}

// The process's output is never allowed to grow without bound, nor to keep the installer waiting.
constexpr int kVersionWaitMs = 5000;
constexpr qint64 kVersionTextLimit = 4096;
// A rig file is a few lines; anything far larger is not read whole.
constexpr std::uintmax_t kLargestSummedFile = std::uintmax_t{16} << 20;

// The SHA-256 of a regular file's bytes in hex; nullopt when it cannot be read (or is no regular file).
std::optional<std::string> FileSum(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec) || std::filesystem::file_size(path, ec) > kLargestSummedFile ||
        ec)
        return std::nullopt;
    QFile file(QString::fromStdString(path.string()));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    QCryptographicHash sum(QCryptographicHash::Sha256);
    if (!sum.addData(&file)) return std::nullopt;
    return sum.result().toHex().toStdString();
}

// The record of a copy: file name to sum. A record that is missing or unreadable is empty.
std::map<std::string, std::string> ReadRecord(const std::filesystem::path& path) {
    std::map<std::string, std::string> record;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        const size_t blank = line.find(' ');
        if (blank == 64 && blank + 1 < line.size()) record[line.substr(blank + 1)] = line.substr(0, blank);
    }
    return record;
}

// Writes a file aside and renames it into place, so that it is never found half written.
bool WriteWhole(const std::filesystem::path& path, const std::string& bytes) {
    const std::filesystem::path aside = path.string() + ".new";
    {
        std::ofstream out(aside, std::ios::binary | std::ios::trunc);
        out << bytes;
        if (!out.flush()) return false;
    }
    std::error_code ec;
    std::filesystem::rename(aside, path, ec);
    if (ec) std::filesystem::remove(aside, ec);
    return !ec;
}

bool WriteRecord(const std::filesystem::path& path, const std::map<std::string, std::string>& record) {
    std::string text;
    for (const auto& [name, sum] : record)
        text += sum + " " + name + "\n";
    return WriteWhole(path, text);
}

bool ReplaceFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    std::ifstream in(from, std::ios::binary);
    if (!in) return false;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return !in.bad() && WriteWhole(to, bytes);
}

}  // namespace

std::optional<int> ParseHamlibVersion(std::string_view text) {
    constexpr std::string_view kName = "Hamlib";
    for (size_t found = text.find(kName); found != std::string_view::npos;
         found = text.find(kName, found + 1)) {
        size_t at = found + kName.size();
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == 'v'))
            ++at;
        const std::optional<int> major = Number(text, at);
        if (!major || at >= text.size() || text[at] != '.') continue;
        ++at;
        const std::optional<int> minor = Number(text, at);
        if (!minor || *minor > 99) continue;
        int patch = 0;
        if (at < text.size() && text[at] == '.') {
            ++at;
            const std::optional<int> p = Number(text, at);
            if (p && *p <= 99) patch = *p;
        }
        if (*major > 99) continue;
        return *major * 10000 + *minor * 100 + patch;
    }
    return std::nullopt;
}

LinuxInstallerPlatform::LinuxInstallerPlatform(MessageBoxes& boxes, std::string systemFolder,
                                               std::string rigFolder, std::string rigctld)
    : boxes_(boxes),
      systemFolder_(std::move(systemFolder)),
      rigFolder_(std::move(rigFolder)),
      rigctld_(std::move(rigctld)) {}

std::optional<int> LinuxInstallerPlatform::CatServerVersion() {
    const QString program = rigctld_.find('/') == std::string::npos
                                ? QStandardPaths::findExecutable(QString::fromStdString(rigctld_))
                                : QString::fromStdString(rigctld_);
    if (program.isEmpty()) return std::nullopt;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, {QStringLiteral("--version")});
    if (!process.waitForStarted(kVersionWaitMs)) return std::nullopt;
    if (!process.waitForFinished(kVersionWaitMs)) {
        process.kill();
        process.waitForFinished(kVersionWaitMs);
        return std::nullopt;
    }
    const QByteArray text = process.read(kVersionTextLimit);
    return ParseHamlibVersion(std::string_view(text.constData(), static_cast<size_t>(text.size())));
}

bool LinuxInstallerPlatform::FileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

bool LinuxInstallerPlatform::IsDirectory(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_directory(path, ec);
}

bool LinuxInstallerPlatform::CopyFile(const std::string& from, const std::string& to) {
    std::error_code ec;
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec);
    return !ec;
}

bool LinuxInstallerPlatform::RegisterComponent(const std::string& path) {
    // Nothing to register: a file in place is found by whoever opens it.
    return FileExists(path);
}

RigFilesCopy LinuxInstallerPlatform::CopyFolderFiles(const std::string& from, const std::string& to) {
    namespace fs = std::filesystem;
    RigFilesCopy copy;
    std::error_code ec;
    fs::create_directories(to, ec);
    if (ec) {
        copy.ok = false;
        return copy;
    }
    const fs::path record = fs::path(to) / kInstalledRecord;
    const std::map<std::string, std::string> before = ReadRecord(record);
    std::map<std::string, std::string> after;
    // Stepped with error codes: a folder that fails while it is read ends the copy, never the installer.
    std::vector<fs::path> shipped;
    fs::directory_iterator entry(from, ec);
    for (; !ec && entry != fs::directory_iterator(); entry.increment(ec)) {
        std::error_code kind;
        if (entry->is_regular_file(kind)) shipped.push_back(entry->path());
    }
    if (ec) copy.ok = false;
    std::sort(shipped.begin(), shipped.end());
    for (const fs::path& source : shipped) {
        const std::string name = source.filename().string();
        const std::optional<std::string> shippedSum = FileSum(source);
        if (!shippedSum) {
            copy.ok = false;
            continue;
        }
        const fs::path target = fs::path(to) / name;
        const auto recorded = before.find(name);
        std::error_code exists;
        if (fs::exists(fs::symlink_status(target, exists))) {
            const std::optional<std::string> present = FileSum(target);
            if (present == shippedSum) {
                after[name] = *shippedSum;
                continue;
            }
            // Changed since it was copied, or there before any copy was recorded: the operator's own.
            if (!present || recorded == before.end() || recorded->second != *present) {
                copy.kept.push_back(name);
                if (recorded != before.end()) after[name] = recorded->second;
                continue;
            }
        }
        if (ReplaceFile(source, target)) {
            after[name] = *shippedSum;
        } else {
            copy.ok = false;
            if (recorded != before.end()) after[name] = recorded->second;  // still as copied before
        }
    }
    if (!WriteRecord(record, after)) copy.ok = false;
    return copy;
}

int LinuxInstallerPlatform::RunProgram(const std::string& path) {
    // The program shares the installer's terminal, its standard streams and its environment; the
    // installer waits for it, so that a program that asks for the administrator's consent (which needs
    // its parent alive) is not refused, and its exit status can be told.
    char* const argv[] = {const_cast<char*>(path.c_str()), nullptr};
    pid_t child = 0;
    if (posix_spawn(&child, path.c_str(), nullptr, nullptr, argv, environ) != 0) return kNotStarted;
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return kNotStarted;
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : kNotStarted;
}

}  // namespace muv
