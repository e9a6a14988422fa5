#include "comms/CodNntpThread.h"

#include "platform/TextLines.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QTcpSocket>
#include <QUrl>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <limits>
#include <memory>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

namespace {

const QString ReceiveError = QStringLiteral("Errore nella ricezione dei dati");
const QString Cancelled = QStringLiteral("Operazione annullata");
const QString TimedOut = QStringLiteral("Il server non risponde: tempo di attesa scaduto");
const QString BadAnswer = QStringLiteral("M'ha risposto male! \n\nHa detto:\n");

QByteArray WithoutLineEnd(QByteArray line) {
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line;
}

int Number(const QByteArray& text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? value : 0;
}

bool IsTerminator(const QByteArray& line) {
    return line == ".\n" || line == ".\r\n";
}

// What a name lookup hands back; shared by the waiting worker and the thread doing the lookup.
struct TLookupResult {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    QList<QHostAddress> addresses;
};

// The system's lookup cannot be interrupted and may take its name servers' whole time-outs. It
// runs in a thread of its own that owns everything it touches, so a worker that stops waiting
// leaves it behind safely and the process may exit under it.
void StartLookup(const QByteArray& host, const std::shared_ptr<TLookupResult>& result) {
    std::thread([name = host.toStdString(), result] {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        QList<QHostAddress> addresses;
        if (::getaddrinfo(name.c_str(), nullptr, &hints, &found) == 0) {
            for (const addrinfo* entry = found; entry; entry = entry->ai_next)
                addresses.append(QHostAddress(entry->ai_addr));
            ::freeaddrinfo(found);
        }
        std::lock_guard lock(result->mutex);
        result->addresses = addresses;
        result->finished = true;
        result->done.notify_all();
    }).detach();
}

enum class TLookup { Found, NotFound, Aborted };

// The addresses of host, found within the deadline; an address is taken as it is.
TLookup LookUp(const QString& host, const QDeadlineTimer& deadline, const std::atomic<bool>& abort,
               QList<QHostAddress>& addresses) {
    if (QHostAddress literal; literal.setAddress(host)) {
        addresses = {literal};
        return TLookup::Found;
    }
    const QByteArray name = QUrl::toAce(host);
    if (name.isEmpty())
        return TLookup::NotFound;
    auto result = std::make_shared<TLookupResult>();
    try {
        StartLookup(name, result);
    } catch (const std::system_error&) {
        return TLookup::NotFound;
    }
    std::unique_lock lock(result->mutex);
    while (!result->finished) {
        if (abort)
            return TLookup::Aborted;
        if (deadline.hasExpired())
            return TLookup::NotFound;
        const qint64 slice = std::min<qint64>(TNntpSession::SliceMs, deadline.remainingTime());
        result->done.wait_for(lock, std::chrono::milliseconds(slice));
    }
    addresses = result->addresses;
    return TLookup::Found;
}

// A blocking socket used only by the worker thread that created it.
class TSocketTransport : public TNntpTransport {
public:
    explicit TSocketTransport(const std::atomic<bool>& abort) : abort_(abort) {}

    TOpen Open(const QString& host, int port, int budgetMs,
               const std::atomic<bool>& abort) override {
        const QDeadlineTimer deadline(budgetMs);
        QList<QHostAddress> addresses;
        switch (LookUp(host, deadline, abort, addresses)) {
        case TLookup::Aborted:
            return TOpen::Aborted;
        case TLookup::NotFound:
            return TOpen::Failed;
        case TLookup::Found:
            break;
        }
        for (const QHostAddress& address : addresses) {
            const TOpen result = Attempt(address, static_cast<quint16>(port), deadline, abort);
            if (result != TOpen::Failed)
                return result;
        }
        return TOpen::Failed;
    }
    bool Connected() const override { return socket_.state() == QAbstractSocket::ConnectedState; }
    bool Send(const QByteArray& bytes) override {
        if (socket_.write(bytes) != bytes.size())
            return false;
        while (socket_.bytesToWrite() > 0 && !abort_) {
            if (!socket_.waitForBytesWritten(TNntpSession::SliceMs) && !Connected())
                return false;
        }
        return true;
    }
    bool Receive(QByteArray& bytes, int sliceMs) override {
        if (socket_.bytesAvailable() == 0 && !socket_.waitForReadyRead(sliceMs) && !Connected())
            return socket_.bytesAvailable() > 0 && Take(bytes);
        return Take(bytes) || Connected();
    }
    void Close() override { socket_.abort(); }

private:
    // One connection attempt kept alive until it completes, fails or the budget ends; the abort
    // flag is read every slice. (A timed-out waitForConnected would give the attempt up instead.)
    TOpen Attempt(const QHostAddress& address, quint16 port, const QDeadlineTimer& deadline,
                  const std::atomic<bool>& abort) {
        union {
            sockaddr_in6 v6; // the largest first: {} zeroes all of it
            sockaddr_in v4;
            sockaddr any;
        } peer{};
        socklen_t length = sizeof peer.v4;
        if (address.protocol() == QAbstractSocket::IPv4Protocol) {
            peer.v4.sin_family = AF_INET;
            peer.v4.sin_port = htons(port);
            peer.v4.sin_addr.s_addr = htonl(address.toIPv4Address());
        } else {
            peer.v6.sin6_family = AF_INET6;
            peer.v6.sin6_port = htons(port);
            const Q_IPV6ADDR bytes = address.toIPv6Address();
            std::memcpy(&peer.v6.sin6_addr, bytes.c, sizeof bytes.c);
            peer.v6.sin6_scope_id = address.scopeId().toUInt();
            length = sizeof peer.v6;
        }
        const int fd = ::socket(peer.any.sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return TOpen::Failed;
        const bool started = ::connect(fd, &peer.any, length) == 0;
        const TOpen result = started                ? TOpen::Connected
                             : errno == EINPROGRESS ? Await(fd, deadline, abort)
                                                    : TOpen::Failed;
        if (result != TOpen::Connected || !socket_.setSocketDescriptor(fd)) {
            ::close(fd);
            return result == TOpen::Connected ? TOpen::Failed : result;
        }
        // Each receive takes a slice of what the server sends, never all it has pushed.
        socket_.setReadBufferSize(ReceiveSliceBytes);
        return TOpen::Connected;
    }

    static TOpen Await(int fd, const QDeadlineTimer& deadline, const std::atomic<bool>& abort) {
        for (;;) {
            if (abort)
                return TOpen::Aborted;
            if (deadline.hasExpired())
                return TOpen::Failed;
            pollfd wait{fd, POLLOUT, 0};
            const qint64 slice = std::min<qint64>(TNntpSession::SliceMs, deadline.remainingTime());
            if (::poll(&wait, 1, int(slice)) > 0)
                break;
        }
        int error = 0;
        socklen_t size = sizeof error;
        const bool ok = ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
        return ok ? TOpen::Connected : TOpen::Failed;
    }

    // Read straight into the buffer: a download of many megabytes makes no copy of each slice.
    bool Take(QByteArray& bytes) {
        const qsizetype kept = bytes.size();
        bytes.resize(kept + socket_.bytesAvailable());
        const qint64 read = socket_.read(bytes.data() + kept, bytes.size() - kept);
        bytes.resize(kept + std::max<qint64>(read, 0));
        return read > 0;
    }

    static constexpr qint64 ReceiveSliceBytes = 64 * 1024;

    QTcpSocket socket_;
    const std::atomic<bool>& abort_;
};

} // namespace

TGroupInfo ParseGroupReply(const QByteArray& reply) {
    const QList<QByteArray> fields = WithoutLineEnd(reply.left(128)).simplified().split(' ');
    return {Number(fields.value(1)), Number(fields.value(2)), Number(fields.value(3))};
}

NntpHeader ParseOverviewLine(const QByteArray& line) {
    QList<QByteArray> fields;
    for (const QByteArray& field : WithoutLineEnd(line.left(128)).split('\t')) {
        if (!field.isEmpty())
            fields.append(field);
    }
    return {Number(fields.value(0)), QString::fromLatin1(fields.value(1)),
            QString::fromLatin1(fields.value(2)), QString::fromLatin1(fields.value(3))};
}

QString TNntpSession::StatusText() const {
    std::lock_guard lock(statusMutex_);
    return statusText_;
}

void TNntpSession::SetStatus(const QString& text) {
    std::lock_guard lock(statusMutex_);
    statusText_ = text;
}

bool TNntpSession::Fail(const QString& text) {
    ErrorText = text;
    return false;
}

void TNntpSession::Run(TNntpTransport& transport) {
    transport_ = &transport;
    bool ok = false;
    switch (Operation) {
    case opPost:
        ok = PostArticles();
        break;
    case opHeaders:
        ok = DownloadHeaders();
        break;
    case opArticles:
        ok = DownloadArticles();
        break;
    default:
        break;
    }
    Disconnect();
    OpResult = ok ? 0 : 1;
}

bool TNntpSession::PostArticles() {
    if (!ConnectAndLogin())
        return false;
    for (const QStringList& article : Messages) {
        if (!PostArticle(article))
            return false;
        if (OnPosted)
            OnPosted(DoneCount);
    }
    return true;
}

bool TNntpSession::Command(const QString& text) {
    if (transport_->Send(text.toLatin1() + "\r\n"))
        return true;
    connectionLost_ = true;
    return false;
}

bool TNntpSession::Expect(const char* status, const QString& failure, QByteArray& reply) {
    if (!ReadReplyLine(reply))
        return false;
    return reply.startsWith(status) || Fail(failure + QString::fromLatin1(reply));
}

bool TNntpSession::ConnectAndLogin() {
    receiveBuffer_.clear();
    connectionLost_ = false;
    SetStatus(QStringLiteral("Connessione in corso"));
    const QString unreachable =
        QStringLiteral("Impossibile connettersi al server %1:%2").arg(Host).arg(Port);
    switch (transport_->Open(Host, Port, ConnectBudgetMs, terminated_)) {
    case TNntpTransport::TOpen::Aborted:
        return Fail(QStringLiteral("Connessione interrotta"));
    case TNntpTransport::TOpen::Failed:
        return Fail(unreachable);
    case TNntpTransport::TOpen::Connected:
        break;
    }
    // A server that hangs up before answering the probe was never really there.
    QByteArray reply;
    if (!ReadReplyLine(reply) || !Command(QStringLiteral("STAT")) || !ReadReplyLine(reply))
        return connectionLost_ ? Fail(unreachable) : false;
    if (!reply.startsWith("480"))
        return true;
    Command(QStringLiteral("AUTHINFO USER ") + platform::ProtocolLineText(UserName));
    if (!ReadReplyLine(reply))
        return false;
    if (reply.startsWith("281"))
        return true;
    Command(QStringLiteral("AUTHINFO PASS ") + platform::ProtocolLineText(Password));
    return Expect("281", QStringLiteral("Login rifiutato\n\nErrore:\n"), reply);
}

bool TNntpSession::PostArticle(const QStringList& lines) {
    if (lines.isEmpty())
        return false;
    SetStatus(QStringLiteral("Invio in corso"));
    QByteArray reply;
    Command(QStringLiteral("POST"));
    if (!Expect("340", QStringLiteral("Impossibile inviare il messaggio\n\nErrore:\n"), reply))
        return false;
    QByteArray article;
    for (const QString& line : lines) {
        // A line "." would end the article early: every leading dot is doubled.
        article += (line.startsWith(QLatin1Char('.')) ? "." : "") + line.toLatin1() + "\r\n";
    }
    transport_->Send(article + ".\r\n");
    if (!Expect("240", QStringLiteral("Errore nell'invio del messaggio\n\nErrore:\n"), reply))
        return false;
    ++DoneCount;
    return true;
}

bool TNntpSession::OpenGroup() {
    const QString group = platform::ProtocolLineText(NewsGroup);
    Command(QStringLiteral("GROUP ") + group);
    SetStatus(QStringLiteral("Accesso al NewsGroup ") + group);
    QByteArray reply;
    if (!Expect("211",
                QStringLiteral("Impossibile aprire il newsgroup ") + group +
                    QStringLiteral("\n\nErrore:\n"),
                reply))
        return false;
    groupInfo_ = ParseGroupReply(reply);
    return true;
}

bool TNntpSession::DownloadHeaders() {
    if (!ConnectAndLogin() || !OpenGroup())
        return false;
    DoneCount = 0;
    Headers.clear();
    qint64 first = groupInfo_.First;
    const qint64 last = groupInfo_.Last;
    if (groupInfo_.Count == 0 || last < first)
        return true;
    if (MaxHeaders > 0 && first < last - MaxHeaders + 1)
        first = last - MaxHeaders + 1;
    const qint64 asked = last - first + 1;
    SetStatus(QStringLiteral("%1 intestazioni da scaricare").arg(asked));
    Command(QStringLiteral("XOVER %1-%2").arg(first).arg(last));
    QByteArray reply;
    if (!ReadReplyLine(reply))
        return false;
    if (reply.startsWith("420") || reply.startsWith("423"))
        return true;
    if (!reply.startsWith("224"))
        return Fail(BadAnswer + QString::fromLatin1(reply));
    // A server that sends more than it was asked for is cut off; what came within stays.
    const int most = int(std::min<qint64>(asked, MaxHeaderCount));
    const QString tooMany =
        QStringLiteral("Il server ha inviato piu' di %1 intestazioni: scaricamento interrotto")
            .arg(most);
    return ReadDataLines(std::numeric_limits<qsizetype>::max(), ReceiveError,
                         [&](const QByteArray& line) {
                             if (Headers.size() >= most)
                                 return Fail(tooMany);
                             Headers.append(ParseOverviewLine(line));
                             ++DoneCount;
                             return true;
                         });
}

bool TNntpSession::DownloadArticles() {
    if (!ConnectAndLogin())
        return false;
    Articles.clear();
    if (!OpenGroup())
        return false;
    qsizetype kept = 0;
    for (const int number : WantedArticles) {
        Command(QStringLiteral("ARTICLE %1").arg(number));
        SetStatus(QStringLiteral("Scarico messaggio %1").arg(number));
        QByteArray reply;
        if (!Expect("220", BadAnswer, reply))
            return false;
        // An article cut off by a dropped connection, by its size or by what the download has
        // kept already was not downloaded.
        const qsizetype room = MaxDownloadBytes - kept;
        const QString tooLarge =
            room < MaxArticleBytes
                ? QStringLiteral("Scaricamento interrotto al limite di %1 MB: sono arrivati %2 "
                                 "messaggi")
                      .arg(MaxDownloadBytes >> 20)
                      .arg(Articles.size())
                : QStringLiteral("Il messaggio %1 e' troppo grande (oltre %2 MB): scaricamento "
                                 "interrotto")
                      .arg(number)
                      .arg(MaxArticleBytes >> 20);
        // Room for the largest article is taken at once, so that a growing article is never
        // copied; what it leaves unused is given back.
        const qsizetype most = std::min(MaxArticleBytes, room);
        QByteArray article;
        article.reserve(most);
        if (!ReadDataLines(most, tooLarge, [&](const QByteArray& line) {
                article += line;
                return true;
            }))
            return false;
        if (article.capacity() - article.size() > article.size() / 8)
            article.squeeze();
        kept += article.size();
        Articles.append(article);
    }
    return true;
}

bool TNntpSession::ReadDataLines(qsizetype maxBytes, const QString& tooLarge,
                                 const std::function<bool(const QByteArray&)>& take) {
    const QDeadlineTimer deadline(DataTimeoutMs);
    qsizetype total = 0;
    QByteArray line;
    for (;;) {
        switch (ReceiveLine(line, std::min(MaxLineBytes, maxBytes - total), deadline)) {
        case TLine::Failed:
            return false;
        case TLine::TooLong:
            return Fail(tooLarge);
        case TLine::Read:
            break;
        }
        if (IsTerminator(line))
            return true;
        total += line.size();
        if (!take(line.startsWith('.') ? line.mid(1) : line))
            return false;
    }
}

void TNntpSession::Disconnect() {
    SetStatus(QStringLiteral("Disconnessione in corso"));
    if (transport_->Connected())
        Command(QStringLiteral("QUIT"));
    transport_->Close();
}

bool TNntpSession::ReadReplyLine(QByteArray& line) {
    const TLine got = ReceiveLine(line, MaxLineBytes, QDeadlineTimer(ReplyTimeoutMs));
    return got == TLine::TooLong ? Fail(ReceiveError) : got == TLine::Read;
}

// One line of at most maxBytes with its line feed, complete before the deadline. The buffer never
// holds much more than that, the abort flag is read every slice, and a server silent for the read
// time-out is given up.
TNntpSession::TLine TNntpSession::ReceiveLine(QByteArray& line, qsizetype maxBytes,
                                              const QDeadlineTimer& deadline) {
    QDeadlineTimer silence(ReadTimeoutMs);
    qsizetype searched = 0;
    for (;;) {
        if (terminated_) {
            Fail(Cancelled);
            return TLine::Failed;
        }
        const qsizetype end = receiveBuffer_.indexOf('\n', searched);
        if (end >= 0 || receiveBuffer_.size() >= maxBytes) {
            if (end < 0 || end >= maxBytes)
                return TLine::TooLong;
            line.resize(end + 1);
            std::memcpy(line.data(), receiveBuffer_.constData(), end + 1);
            receiveBuffer_.remove(0, end + 1);
            return TLine::Read;
        }
        if (silence.hasExpired() || deadline.hasExpired()) {
            Fail(TimedOut);
            return TLine::Failed;
        }
        searched = receiveBuffer_.size();
        if (!transport_->Receive(receiveBuffer_, SliceMs)) {
            connectionLost_ = true;
            Fail(ReceiveError);
            return TLine::Failed;
        }
        if (receiveBuffer_.size() > searched)
            silence.setRemainingTime(ReadTimeoutMs);
    }
}

TNntpThread::~TNntpThread() {
    Terminate();
    Wait();
}

void TNntpThread::Start() {
    worker_ = std::thread([this] {
        TSocketTransport transport(TerminateRequested());
        Run(transport);
        finished_ = true;
    });
}

void TNntpThread::Wait() {
    if (worker_.joinable())
        worker_.join();
}
