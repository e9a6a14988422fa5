// Random chunks into the play protocol, with the peer leaving between them: no crash, the game
// state stays in 0..3, nothing reaches the wire while unconnected.

#include "comms/NetProtocol.h"

#include <cstdlib>

namespace {

struct TFuzzHost : netplay::TNetHost {
    netplay::TNetProtocol* protocol = nullptr;
    bool applyResult = true;

    void WriteLine(const QByteArray& line) override {
        if (!protocol->Connected || !line.endsWith('\n'))
            std::abort();
    }
    void AddText(const QString&, netplay::LogKind) override {}
    void FlashMainWindow() override {}
    void ShowPopup(const QString&) override {}
    void PopupQueued() override { protocol->ShowPopups(); }
    bool AskMatch(const QString& text) override { return text.size() % 2 == 0; }
    bool StartNetworkGame(const QString&, const QString&, bool) override { return applyResult; }
    void EndNetworkGame() override { protocol->EndGame(); }
    void ShowTimeout(bool) override { EndNetworkGame(); }
    bool ApplyMoveText(const QString& text) override {
        if (text == QLatin1String("draw") || text == QLatin1String("resign"))
            EndNetworkGame();
        applyResult = !applyResult;
        return applyResult;
    }
    void StateChanged() override {
        if (protocol->GameState > netplay::gsOpponentTurn)
            std::abort();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TFuzzHost host;
    netplay::TNetProtocol protocol(host);
    host.protocol = &protocol;
    netplay::TLineFramer framer;
    size_t at = 0;
    while (at < size) {
        // Each chunk: a control byte (length, connection, tick), then that many bytes.
        const uint8_t control = data[at++];
        protocol.Connected = control & 0x80;
        protocol.ServerMode = control & 0x40;
        const size_t length = std::min<size_t>(control & 0x3F, size - at);
        protocol.Receive(framer,
                         QByteArray(reinterpret_cast<const char*>(data + at), qsizetype(length)));
        at += length;
        if (control & 0x01)
            protocol.Tick();
        if (control & 0x02)
            protocol.SendMove(QStringLiteral("e2-e4"));
        if (control & 0x04)
            protocol.DrawClick();
        if (control & 0x08)
            protocol.PeerLeft();
        if (protocol.GameState > netplay::gsOpponentTurn)
            std::abort();
    }
    return 0;
}
