#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// The FTP and HTTP servers of support_servers.py on 127.0.0.1, started once for the test program and ended
// with it. Every address points at 127.0.0.1 only.
class SupportServers {
public:
    // Started on first use; a failure to start fails the calling test.
    static SupportServers& instance();

    // A fresh folder on the server (created below its root) as an ftp:// address with the given user.
    QString freshFolder(const QString& name, bool slow = false,
                        const QString& user = QStringLiteral("grocelle"));
    // Where the server keeps that folder's files.
    QString folderOnDisk(const QString& name) const;
    // Notification prefixes: confirming the name asked for, confirming another name, failing with 500,
    // confirming after 20 seconds.
    QString confirmingNotify() const;
    QString slowNotify() const;
    QString otherNameNotify() const;
    QString failingNotify() const;

    // A port on 127.0.0.1 where nothing listens.
    static quint16 closedPort();

    ~SupportServers();

    bool started() const { return ftpPort_ != 0; }
    QString startError() const { return error_; }

private:
    SupportServers();
    QTemporaryDir root_;
    std::unique_ptr<QProcess> process_;
    quint16 ftpPort_ = 0;
    quint16 slowPort_ = 0;
    quint16 httpPort_ = 0;
    QString error_;
};
