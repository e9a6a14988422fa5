#pragma once
// A line server on a loopback port, run by the test's event loop: it greets, answers each command
// line by the first rule whose prefix matches, and records every byte it received. For faults a
// real server cannot make: silence, hang-ups, odd replies.

#include <QTcpServer>
#include <QTcpSocket>

#include <functional>
#include <utility>
#include <vector>

class ScriptedServer : public QObject {
public:
    // A reply ending in "<close>" hangs up after its text; "<silent>" answers nothing.
    using Rule = std::pair<QByteArray, QByteArray>;

    explicit ScriptedServer(QByteArray greeting, std::vector<Rule> rules = {})
        : greeting_(std::move(greeting)), rules_(std::move(rules)) {
        server_.listen(QHostAddress::LocalHost);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                ++connections_;
                Answer(socket, greeting_);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Read(socket); });
            }
        });
    }

    int Port() const { return server_.serverPort(); }
    const QByteArray& Received() const { return received_; }
    int Connections() const { return connections_; }

private:
    void Read(QTcpSocket* socket) {
        buffer_ += socket->readAll();
        qsizetype end;
        while ((end = buffer_.indexOf('\n')) >= 0) {
            const QByteArray line = buffer_.left(end + 1);
            buffer_.remove(0, end + 1);
            received_ += line;
            for (const auto& [prefix, reply] : rules_) {
                if (line.startsWith(prefix)) {
                    Answer(socket, reply);
                    break;
                }
            }
        }
    }
    static void Answer(QTcpSocket* socket, const QByteArray& reply) {
        if (reply == "<silent>")
            return;
        const bool close = reply.endsWith("<close>");
        socket->write(close ? reply.chopped(7) : reply);
        if (close)
            socket->disconnectFromHost();
    }

    QTcpServer server_;
    QByteArray greeting_;
    std::vector<Rule> rules_;
    QByteArray received_;
    QByteArray buffer_;
    int connections_ = 0;
};
