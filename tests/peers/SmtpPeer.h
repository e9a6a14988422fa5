#pragma once
// A real SMTP server for the tests: Debian's aiosmtpd running our handler in tests/data, on a free
// loopback port, stopped by its process id when the peer goes out of scope.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <signal.h>

class SmtpPeer {
public:
    explicit SmtpPeer(const QStringList& options = {}) {
        process_.setProgram(QStringLiteral("/usr/bin/python3"));
        process_.setArguments(QStringList{QStringLiteral(QUENDEL_TEST_DATA "/smtp_peer.py"),
                                          dir_.filePath(QStringLiteral("mail"))} +
                              options);
        process_.start();
        // The port line comes once the server listens; a missing package fails the test.
        while (port_ == 0 && process_.waitForReadyRead(10000)) {
            const QByteArray line = process_.readLine().trimmed();
            if (line.startsWith("SMTP_PORT="))
                port_ = line.mid(10).toInt();
        }
        if (port_ == 0)
            ADD_FAILURE() << "SMTP peer did not start: " << process_.readAllStandardError().data();
    }
    ~SmtpPeer() {
        process_.terminate();
        if (!process_.waitForFinished(5000))
            process_.kill();
        process_.waitForFinished(5000);
    }

    int Port() const { return port_; }

    // Lets a peer started with "--hold-data" read the data it holds back, and all data after.
    void Release() { ::kill(pid_t(process_.processId()), SIGUSR1); }

    // The stored messages, oldest first.
    QList<QByteArray> Messages() const {
        QList<QByteArray> messages;
        QDir mail(dir_.filePath(QStringLiteral("mail")));
        for (const QString& name :
             mail.entryList({QStringLiteral("*.eml")}, QDir::Files, QDir::Name)) {
            QFile file(mail.filePath(name));
            if (file.open(QIODevice::ReadOnly))
                messages.append(file.readAll());
        }
        return messages;
    }

    // What the server saw so far, one word a line: "DATA", "QUIT", "LOST", "HOLD" (see
    // smtp_peer.py).
    QStringList Events() const {
        QFile log(dir_.filePath(QStringLiteral("mail/events.log")));
        if (!log.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLatin1(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private:
    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0;
};
