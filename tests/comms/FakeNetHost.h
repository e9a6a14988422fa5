#pragma once
// A protocol host that records what the protocol does and answers from fields.

#include "comms/NetProtocol.h"

#include <QStringList>
#include <ostream>

struct TFakeNetHost : netplay::TNetHost {
    QByteArray wire;
    QStringList log;
    QStringList calls;
    int flashes = 0;
    bool answerYes = true;
    bool startResult = true;
    bool applyResult = true;
    netplay::TNetProtocol* protocol = nullptr;

    void WriteLine(const QByteArray& line) override { wire += line; }
    void AddText(const QString& text, netplay::LogKind kind) override {
        log << QString::number(kind) + QLatin1Char(':') + text;
    }
    void FlashMainWindow() override { ++flashes; }
    void ShowPopup(const QString& text) override { calls << "popup:" + text; }
    void PopupQueued() override {
        if (protocol)
            protocol->ShowPopups();
    }
    bool AskMatch(const QString& text) override {
        calls << "ask:" + text;
        return answerYes;
    }
    bool StartNetworkGame(const QString& white, const QString& black, bool localIsWhite) override {
        calls << QStringLiteral("start:%1-%2-%3").arg(white, black).arg(localIsWhite);
        return startResult;
    }
    void EndNetworkGame() override {
        calls << "end";
        if (protocol)
            protocol->EndGame();
    }
    void ShowTimeout(bool whiteFlagged) override {
        calls << QStringLiteral("timeout:%1").arg(whiteFlagged);
        EndNetworkGame();
    }
    bool ApplyMoveText(const QString& text) override {
        calls << "apply:" + text;
        if (text == QLatin1String("draw") || text == QLatin1String("resign"))
            EndNetworkGame();
        return applyResult;
    }
    void StateChanged() override {}
};

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
