// The news session against a server that answers with any bytes in any chunks: it always ends,
// with a result of 0 or 1, and says QUIT whenever it got connected. The reply parsers take
// anything.

#include "comms/CodNntpThread.h"

#include <cstdlib>

namespace {

class ChunkTransport : public TNntpTransport {
public:
    ChunkTransport(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    TOpen Open(const QString&, int, int, const std::atomic<bool>&) override {
        connected_ = Next() % 4 != 0;
        opened_ = connected_;
        return connected_ ? TOpen::Connected : TOpen::Failed;
    }
    bool Connected() const override { return connected_; }
    bool Send(const QByteArray& bytes) override {
        sent_ += bytes;
        return connected_;
    }
    bool Receive(QByteArray& bytes, int) override {
        if (at_ >= size_) {
            connected_ = false;
            return false;
        }
        const size_t n = std::min<size_t>(Next() % 64, size_ - at_);
        bytes.append(reinterpret_cast<const char*>(data_ + at_), qsizetype(n));
        at_ += n;
        return true;
    }
    void Close() override { connected_ = false; }

    bool Opened() const { return opened_; }
    const QByteArray& Sent() const { return sent_; }

private:
    uint8_t Next() { return at_ < size_ ? data_[at_++] : 0; }

    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
    bool connected_ = false;
    bool opened_ = false;
    QByteArray sent_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    ParseGroupReply(text);
    ParseOverviewLine(text);

    ChunkTransport transport(data + 1, size - 1);
    TNntpSession session;
    session.Operation = data[0] % 3;
    session.MaxHeaders = data[0] / 3 - 20;
    session.Messages = {{"Subject: x", "", ".", "y"}};
    session.WantedArticles = {1, 2};
    session.Run(transport);
    if (session.OpResult != 0 && session.OpResult != 1)
        std::abort();
    if (transport.Opened() && !transport.Sent().contains("QUIT\r\n") && session.ErrorText.isEmpty())
        std::abort();
    return 0;
}
