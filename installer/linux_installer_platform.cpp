#include "installer/linux_installer_platform.h"

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <cctype>
#include <filesystem>

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

bool LinuxInstallerPlatform::CopyFolderFiles(const std::string& from, const std::string& to) {
    std::error_code ec;
    std::filesystem::create_directories(to, ec);
    if (ec) return false;
    bool all = true;
    // Stepped with error codes: a folder that fails while it is read ends the copy, never the installer.
    std::filesystem::directory_iterator entry(from, ec);
    for (; !ec && entry != std::filesystem::directory_iterator(); entry.increment(ec)) {
        std::error_code kind;
        if (!entry->is_regular_file(kind)) continue;
        std::error_code copy;
        std::filesystem::copy_file(entry->path(), std::filesystem::path(to) / entry->path().filename(),
                                   std::filesystem::copy_options::overwrite_existing, copy);
        if (copy) all = false;
    }
    return all && !ec;
}

bool LinuxInstallerPlatform::StartProgram(const std::string& path) {
    return QProcess::startDetached(QString::fromStdString(path), {});
}

}  // namespace muv
