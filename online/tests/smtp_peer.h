// The local SMTP servers of smtp_peer.py (aiosmtpd, run by the system's Python) as the mail tests use
// them: started on free loopback ports with a throw-away certificate, and what they received read back
// from the folder they write to.
#pragma once

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "test_support/scratch_folder.h"

namespace muv::test {

class SmtpPeer {
public:
    SmtpPeer() : folder_("muv_smtp_peer") {
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        process_.start("/usr/bin/python3", {QStringLiteral(MUV_SMTP_PEER_SCRIPT),
                                            QString::fromStdString(folder_.Folder().string())});
        if (!process_.waitForStarted(5000)) return;
        QByteArray line;
        while (!line.contains('\n') && process_.waitForReadyRead(15000))
            line += process_.readAllStandardOutput();
        const QList<QByteArray> words = line.trimmed().split(' ');
        if (words.size() != 5 || words[0] != "ports") return;
        starttlsPort = static_cast<uint16_t>(words[1].toUInt());
        smtpsPort = static_cast<uint16_t>(words[2].toUInt());
        plainPort = static_cast<uint16_t>(words[3].toUInt());
        certificate = words[4].toStdString();
        running_ = starttlsPort && smtpsPort && plainPort;
    }
    ~SmtpPeer() {
        // The script serves until its input ends.
        process_.closeWriteChannel();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(2000);
        }
    }
    SmtpPeer(const SmtpPeer&) = delete;
    SmtpPeer& operator=(const SmtpPeer&) = delete;

    bool Running() const { return running_; }
    std::string Problem() { return process_.readAllStandardError().toStdString(); }

    // The messages received, in the order they arrived.
    std::vector<QJsonObject> Mails() const { return Records("mail-"); }
    // The login attempts, in order.
    std::vector<QJsonObject> Logins() const { return Records("auth-"); }
    // The raw text of the n-th message received (0 first).
    std::string RawMail(std::size_t n) const {
        const std::vector<int> numbers = Numbers("mail-");
        if (n >= numbers.size()) return {};
        QFile f(Path("mail-" + std::to_string(numbers[n]) + ".eml"));
        if (!f.open(QIODevice::ReadOnly)) return {};
        return f.readAll().toStdString();
    }

    // Forgets what was received so far.
    void Clear() {
        QDir dir(QString::fromStdString(folder_.Folder().string()));
        for (const QString& name : dir.entryList({"mail-*", "auth-*"}, QDir::Files))
            dir.remove(name);
    }

    uint16_t starttlsPort = 0;  // STARTTLS offered; AUTH only after it
    uint16_t smtpsPort = 0;     // TLS from the first byte, with AUTH
    uint16_t plainPort = 0;     // no TLS; AUTH offered in clear
    std::string certificate;    // the servers' self-signed certificate (PEM)

private:
    QString Path(const std::string& name) const {
        return QString::fromStdString((folder_.Folder() / name).string());
    }

    std::vector<int> Numbers(const std::string& prefix) const {
        QDir dir(QString::fromStdString(folder_.Folder().string()));
        std::vector<int> numbers;
        for (const QString& name : dir.entryList({QString::fromStdString(prefix) + "*.json"}, QDir::Files))
            numbers.push_back(name.mid(static_cast<int>(prefix.size())).chopped(5).toInt());
        std::sort(numbers.begin(), numbers.end());
        return numbers;
    }

    std::vector<QJsonObject> Records(const std::string& prefix) const {
        std::vector<QJsonObject> records;
        for (const int n : Numbers(prefix)) {
            QFile f(Path(prefix + std::to_string(n) + ".json"));
            if (f.open(QIODevice::ReadOnly)) records.push_back(QJsonDocument::fromJson(f.readAll()).object());
        }
        return records;
    }

    ScratchFolder folder_;
    QProcess process_;
    bool running_ = false;
};

}  // namespace muv::test
