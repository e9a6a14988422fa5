#pragma once
// Loopback servers run by the test's event loop, for faults a real server cannot make: silence,
// hang-ups, odd replies, and connections that take long to complete.

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

// A listener on a loopback port (IPv4 unless given ::1). A held one keeps its accept queue full
// with a connection of its own, so the kernel drops a client's connection request and the client
// asks again only after a second or more; the connect completes after Release(), or never.
class LoopbackListener : public QObject {
public:
    enum class Start { Open, Held };

    explicit LoopbackListener(Start start, const QHostAddress& address = QHostAddress::LocalHost) {
        if (start == Start::Held)
            server_.setListenBacklogSize(0);
        server_.listen(address);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                if (socket->peerPort() == filler_.localPort())
                    socket->abort();
                else
                    Serve(socket);
            }
        });
        if (start == Start::Held) {
            server_.pauseAccepting();
            filler_.connectToHost(address, server_.serverPort());
            filler_.waitForConnected(5000);
        }
    }

    // False where the machine has no such loopback address.
    bool Listening() const { return server_.isListening(); }
    int Port() const { return server_.serverPort(); }
    void Release() { server_.resumeAccepting(); }

protected:
    virtual void Serve(QTcpSocket* socket) = 0;

private:
    QTcpServer server_;
    QTcpSocket filler_;
};

// Greets, answers each command line by the first rule whose prefix matches, and records every byte
// it received.
class ScriptedServer : public LoopbackListener {
public:
    // A reply (or greeting) ending in "<close>" hangs up after its text; "<silent>" answers
    // nothing.
    using Rule = std::pair<QByteArray, QByteArray>;

    explicit ScriptedServer(QByteArray greeting, std::vector<Rule> rules = {},
                            Start start = Start::Open,
                            const QHostAddress& address = QHostAddress::LocalHost)
        : LoopbackListener(start, address), greeting_(std::move(greeting)),
          rules_(std::move(rules)) {}

    // After the reply of the rule for prefix, chunk again and again as fast as the client takes
    // it: about bytes in all (without end when negative), then tail.
    void AddStream(QByteArray prefix, QByteArray chunk, qint64 bytes = -1, QByteArray tail = {}) {
        streams_.push_back({std::move(prefix), std::move(chunk), bytes, std::move(tail)});
    }

    // After the reply of the rule for prefix (after the greeting for an empty prefix), bytes one
    // at a time, over and over, one every intervalMs: a server that is never quite silent.
    void AddTrickle(QByteArray prefix, QByteArray bytes, int intervalMs) {
        trickles_.push_back({std::move(prefix), std::move(bytes), intervalMs});
    }

    const QByteArray& Received() const { return received_; }
    int Connections() const { return connections_; }
    // Connections the client (or a "<close>") has ended.
    int Disconnections() const { return *disconnections_; }

protected:
    void Serve(QTcpSocket* socket) override {
        ++connections_;
        // Also counted while the listener goes away and takes its connections with it.
        connect(socket, &QTcpSocket::disconnected, socket, [count = disconnections_] { ++*count; });
        Answer(socket, greeting_);
        StartTrickle(socket, {});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Read(socket); });
    }

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
                    StartStream(socket, prefix);
                    StartTrickle(socket, prefix);
                    break;
                }
            }
        }
    }

    struct TStream {
        QByteArray prefix;
        QByteArray chunk;
        qint64 bytes;
        QByteArray tail;
    };
    struct TTrickle {
        QByteArray prefix;
        QByteArray bytes;
        int intervalMs;
    };

    // Keeps at most a little queued in the socket, so the server's memory stays small too.
    void StartStream(QTcpSocket* socket, const QByteArray& prefix) {
        for (const TStream& stream : streams_) {
            if (stream.prefix != prefix)
                continue;
            auto left = std::make_shared<qint64>(stream.bytes);
            const auto pump = [socket, stream, left] {
                while (*left != 0 && socket->state() == QAbstractSocket::ConnectedState &&
                       socket->bytesToWrite() < (1 << 20)) {
                    socket->write(stream.chunk);
                    if (*left > 0 &&
                        (*left = std::max<qint64>(0, *left - stream.chunk.size())) == 0)
                        socket->write(stream.tail);
                }
            };
            connect(socket, &QTcpSocket::bytesWritten, socket, pump);
            pump();
            return;
        }
    }
    void StartTrickle(QTcpSocket* socket, const QByteArray& prefix) {
        for (const TTrickle& trickle : trickles_) {
            if (trickle.prefix != prefix)
                continue;
            auto* timer = new QTimer(socket);
            connect(timer, &QTimer::timeout, socket,
                    [socket, bytes = trickle.bytes, at = 0]() mutable {
                        socket->write(bytes.mid(at++ % bytes.size(), 1));
                    });
            timer->start(trickle.intervalMs);
            return;
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

    QByteArray greeting_;
    std::vector<Rule> rules_;
    std::vector<TStream> streams_;
    std::vector<TTrickle> trickles_;
    QByteArray received_;
    QByteArray buffer_;
    int connections_ = 0;
    std::shared_ptr<int> disconnections_ = std::make_shared<int>(0);
};

// Passes each connection on to a server on another IPv4 loopback port, byte for byte both ways.
class Relay : public LoopbackListener {
public:
    Relay(int targetPort, Start start, const QHostAddress& address = QHostAddress::LocalHost)
        : LoopbackListener(start, address), target_(targetPort) {}

protected:
    void Serve(QTcpSocket* client) override {
        auto* server = new QTcpSocket(client);
        connect(client, &QTcpSocket::readyRead, server, [=] { server->write(client->readAll()); });
        connect(server, &QTcpSocket::readyRead, client, [=] { client->write(server->readAll()); });
        connect(server, &QTcpSocket::disconnected, client, [=] { client->disconnectFromHost(); });
        connect(client, &QTcpSocket::disconnected, server, [=] { server->disconnectFromHost(); });
        server->connectToHost(QHostAddress::LocalHost, quint16(target_));
    }

private:
    int target_;
};
