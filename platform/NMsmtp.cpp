#include "platform/NMsmtp.h"

#include "platform/TextLines.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QUrl>
#include <QUuid>

#include <curl/curl.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <mutex>
#include <optional>

namespace smtp {

namespace {

constexpr long ConnectTimeoutSeconds = 30;
constexpr long TransferTimeoutSeconds = 120;
constexpr int QuotedPrintableWidth = 76;

QString OneLine(QString text) {
    return text.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
}

// An address loses what would end an SMTP command or a header line, and NUL.
QString AddressText(const QString& text) {
    return platform::ProtocolLineText(text);
}

// "Name <address>": a name holds no "@" or ":", so text before "<" that does is part of the
// address, which the server then refuses whole.
bool IsDisplayName(const QString& text) {
    return !text.contains(QLatin1Char('@')) && !text.contains(QLatin1Char(':'));
}

// Text that may go as it is in a 7-bit message: ASCII without NUL and without line breaks.
bool IsPlain(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() > 127 || c.unicode() == 0 || c == QLatin1Char('\r') ||
            c == QLatin1Char('\n'))
            return false;
    }
    return true;
}

// No line of a message may be longer than this, its CR LF not counted.
constexpr qsizetype MaxLineLength = 998;

bool IsPlainBody(const QStringList& lines) {
    return std::all_of(lines.begin(), lines.end(), [](const QString& line) {
        return line.size() <= MaxLineLength && IsPlain(line);
    });
}

bool IsPlainSubject(const QString& subject) {
    return QByteArrayLiteral("Subject: ").size() + subject.size() <= MaxLineLength &&
           IsPlain(subject);
}

char HexDigit(int value) {
    return "0123456789ABCDEF"[value & 15];
}

QByteArray Escaped(unsigned char c) {
    return QByteArray{"="} + HexDigit(c >> 4) + HexDigit(c);
}

// One body line as quoted-printable, with soft breaks before the width is reached.
QByteArray QuotedPrintableLine(const QByteArray& line) {
    QByteArray out;
    int width = 0;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const auto c = static_cast<unsigned char>(line[i]);
        const bool last = i + 1 == line.size();
        const bool literal =
            (c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !last);
        const QByteArray piece = literal ? QByteArray(1, char(c)) : Escaped(c);
        if (width + piece.size() > QuotedPrintableWidth - 1) {
            out += "=\r\n";
            width = 0;
        }
        out += piece;
        width += piece.size();
    }
    return out;
}

// The subject as encoded words of at most 75 characters, folded onto continuation lines.
QByteArray EncodedWords(const QString& text) {
    const QByteArray prefix = "=?ISO-8859-1?Q?";
    const QByteArray suffix = "?=";
    QList<QByteArray> words{QByteArray()};
    for (const char ch : text.toLatin1()) {
        const auto c = static_cast<unsigned char>(ch);
        const bool plain = std::isalnum(c) || (c != 0 && std::strchr("!*+-/", c));
        const QByteArray piece = c == ' ' ? QByteArray("_")
                                 : plain  ? QByteArray(1, ch)
                                          : Escaped(c);
        if (prefix.size() + words.last().size() + piece.size() + suffix.size() > 75)
            words.append(QByteArray());
        words.last() += piece;
    }
    QByteArray out;
    for (const QByteArray& word : words)
        out += (out.isEmpty() ? "" : "\r\n ") + prefix + word + suffix;
    return out;
}

// The message's headers down to MIME-Version, each without its line end.
QList<QByteArray> MessageHeaders(const TMailMessage& message, const QString& date,
                                 const QString& messageId) {
    const QString subject = OneLine(message.Subject);
    QList<QByteArray> headers;
    auto header = [&headers](const char* name, const QByteArray& value) {
        headers.append(name + QByteArray(": ") + value);
    };
    header("From", AddressText(message.From).toLatin1());
    header("To", AddressText(message.To).toLatin1());
    if (!AddressText(message.Cc).trimmed().isEmpty())
        header("Cc", AddressText(message.Cc).toLatin1());
    header("Subject", IsPlainSubject(subject) ? subject.toLatin1() : EncodedWords(subject));
    header("Date", date.toLatin1());
    header("Message-ID", "<" + messageId.toLatin1() + ">");
    header("X-Mailer", OneLine(message.LocalProgram).toLatin1());
    header("MIME-Version", "1.0");
    return headers;
}

// The body: its content headers and its lines, encoded, with CR LF line ends.
struct TTextPart {
    QList<QByteArray> headers;
    QByteArray data;
};

TTextPart TextPart(const QStringList& body) {
    const bool ascii = IsPlainBody(body);
    TTextPart part{
        {ascii ? "Content-Type: text/plain; charset=us-ascii"
               : "Content-Type: text/plain; charset=ISO-8859-1",
         ascii ? "Content-Transfer-Encoding: 7bit" : "Content-Transfer-Encoding: quoted-printable"},
        {}};
    for (const QString& line : body)
        part.data += (ascii ? line.toLatin1() : QuotedPrintableLine(line.toLatin1())) + "\r\n";
    return part;
}

QByteArray WholeMessage(const QList<QByteArray>& headers, const TTextPart& text) {
    QByteArray out;
    for (const QByteArray& line : headers + text.headers)
        out += line + "\r\n";
    return out + "\r\n" + text.data;
}

// An attachment as read before the connection: the mail carries these bytes, whatever becomes of
// the file meanwhile.
struct TAttachment {
    QByteArray name; // as the part names it
    QByteArray bytes;
};

// The file's name as its part gives it: printable ASCII, anything else as "_".
QByteArray PartName(const QString& path) {
    QByteArray name;
    for (const QChar c : QFileInfo(path).fileName())
        name += c.unicode() >= 32 && c.unicode() < 127 ? char(c.unicode()) : '_';
    return name;
}

// Up to limit bytes from where the handle stands; false on a read error.
bool ReadUpTo(int handle, qint64 limit, QByteArray& bytes) {
    bytes.resize(limit);
    qint64 got = 0;
    while (got < limit) {
        const ssize_t n = ::read(handle, bytes.data() + got, size_t(limit - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        got += n;
    }
    bytes.resize(got);
    return true;
}

bool SameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Whether nothing was written to the file between the two looks at it.
bool Unchanged(const struct stat& before, const struct stat& after) {
    return before.st_size == after.st_size && SameTime(before.st_mtim, after.st_mtim) &&
           SameTime(before.st_ctim, after.st_ctim);
}

QString TooManyAttachments() {
    return QStringLiteral("troppi allegati (al massimo %1)").arg(MaxAttachments);
}

QString AttachmentsTooLarge() {
    return QStringLiteral("allegati troppo grandi (al massimo %1 MB in tutto)")
        .arg(MaxAttachmentBytes / (1024 * 1024));
}

QString AttachmentChanged() {
    return QStringLiteral("allegato modificato durante la lettura");
}

TResult Refused(const QString& reason, const QString& name = {}) {
    return {TOutcome::Failure, name, reason};
}

// Reads the opened file whole into attachment, if it is a regular file of at most room bytes that
// nobody writes to meanwhile: a mail never carries a mix of two versions of a file.
std::optional<TResult> ReadOpened(int handle, const QString& path, qint64 room,
                                  TAttachment& attachment) {
    struct stat before {};
    if (::fstat(handle, &before) != 0 || !S_ISREG(before.st_mode))
        return TResult{TOutcome::AttachmentNotFound, path};
    if (before.st_size > room)
        return Refused(AttachmentsTooLarge());
    // One byte more than its size, so that a file that has grown since is seen to have.
    if (!ReadUpTo(handle, before.st_size + 1, attachment.bytes))
        return TResult{TOutcome::AttachmentNotFound, path};
    struct stat after {};
    if (attachment.bytes.size() != before.st_size || ::fstat(handle, &after) != 0 ||
        !Unchanged(before, after))
        return Refused(AttachmentChanged(), path);
    attachment.name = PartName(path);
    return std::nullopt;
}

std::optional<TResult> ReadAttachment(const QString& path, qint64 room, TAttachment& attachment) {
    // Not blocking, so that a FIFO in the list cannot hold the open.
    const int handle =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (handle < 0)
        return TResult{TOutcome::AttachmentNotFound, path};
    std::optional<TResult> refused = ReadOpened(handle, path, room, attachment);
    ::close(handle);
    return refused;
}

using TList = std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)>;
using TMime = std::unique_ptr<curl_mime, decltype(&curl_mime_free)>;

bool Append(TList& list, const QByteArray& line) {
    curl_slist* grown = curl_slist_append(list.get(), line.constData());
    if (!grown)
        return false;
    list.release();
    list.reset(grown);
    return true;
}

// The state of one transfer, shared with libcurl's callbacks; it outlives the handle.
struct TTransfer {
    QByteArray data;
    qsizetype sent = 0;
    TCancel* cancel = nullptr;
    QByteArray lastCommand;
    QByteArray refusedCommand; // the first command the server answered with an error
    QByteArray refusedReply;   // and the code of that answer
    bool greeted = false;
    // A message with attachments goes as MIME parts, built by libcurl from these.
    TList headers{nullptr, &curl_slist_free_all};
    TMime mime{nullptr, &curl_mime_free};
};

size_t ReadData(char* buffer, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<TTransfer*>(user);
    const qsizetype room = static_cast<qsizetype>(size * count);
    const qsizetype n = std::min(room, transfer->data.size() - transfer->sent);
    std::memcpy(buffer, transfer->data.constData() + transfer->sent, static_cast<size_t>(n));
    transfer->sent += n;
    return static_cast<size_t>(n);
}

int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<TTransfer*>(user)->cancel->Cancelled() ? 1 : 0;
}

curl_socket_t OpenSocket(void* user, curlsocktype, curl_sockaddr* address) {
    const int socket =
        ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
    if (socket >= 0 && !static_cast<TTransfer*>(user)->cancel->Opened(socket)) {
        ::close(socket);
        return CURL_SOCKET_BAD;
    }
    return socket;
}

int CloseSocket(void* user, curl_socket_t socket) {
    static_cast<TTransfer*>(user)->cancel->Closing(socket);
    return ::close(socket);
}

int Watch(CURL*, curl_infotype type, char* data, size_t size, void* user) {
    auto* transfer = static_cast<TTransfer*>(user);
    if (type == CURLINFO_HEADER_OUT)
        transfer->lastCommand = QByteArray(data, static_cast<qsizetype>(size)).trimmed();
    else if (type == CURLINFO_HEADER_IN) {
        transfer->greeted = true;
        const bool refused = size > 0 && (data[0] == '4' || data[0] == '5');
        if (refused && transfer->refusedCommand.isEmpty()) {
            transfer->refusedCommand = transfer->lastCommand;
            transfer->refusedReply = QByteArray(data, std::min<qsizetype>(3, size));
        }
    }
    return 0;
}

using TCurl = std::unique_ptr<CURL, decltype(&curl_easy_cleanup)>;

QByteArray Angled(const QString& address) {
    return "<" + address.toUtf8() + ">";
}

TResult Classify(CURLcode code, const TTransfer& transfer) {
    switch (code) {
    case CURLE_OK:
        return {TOutcome::Success, {}};
    case CURLE_URL_MALFORMAT:
    case CURLE_COULDNT_RESOLVE_HOST:
        return {TOutcome::InvalidHost, {}};
    case CURLE_COULDNT_CONNECT:
        return {TOutcome::ConnectionFailed, {}};
    case CURLE_LOGIN_DENIED:
        return {TOutcome::AuthenticationFailed, {}};
    case CURLE_OPERATION_TIMEDOUT:
        return {transfer.greeted ? TOutcome::Failure : TOutcome::ConnectionFailed, {}};
    default:
        break;
    }
    // 530: the server wants a login first, whichever command it refused.
    if (transfer.refusedReply == "530")
        return {TOutcome::AuthenticationFailed, {}};
    if (transfer.refusedCommand.startsWith("RCPT TO:")) {
        const QByteArray& command = transfer.refusedCommand;
        const qsizetype open = command.indexOf('<');
        const qsizetype close = command.lastIndexOf('>');
        return {TOutcome::RecipientNotFound,
                QString::fromUtf8(command.mid(open + 1, close - open - 1))};
    }
    return {TOutcome::Failure, {}};
}

} // namespace

void TCancel::Cancel() {
    const std::lock_guard lock(mutex_);
    cancelled_ = true;
    for (const int socket : sockets_)
        ::shutdown(socket, SHUT_RDWR);
}

bool TCancel::Opened(int socket) {
    const std::lock_guard lock(mutex_);
    if (cancelled_)
        return false;
    sockets_.push_back(socket);
    return true;
}

void TCancel::Closing(int socket) {
    const std::lock_guard lock(mutex_);
    std::erase(sockets_, socket);
}

QStringList SplitAddresses(const QString& list) {
    QStringList addresses;
    for (QString part : AddressText(list).split(QRegularExpression(QStringLiteral("[,;]")))) {
        part = part.trimmed();
        const qsizetype open = part.indexOf(QLatin1Char('<'));
        const qsizetype close = part.indexOf(QLatin1Char('>'), open + 1);
        if (open >= 0 && close > open && IsDisplayName(part.left(open)))
            part = part.mid(open + 1, close - open - 1).trimmed();
        if (!part.isEmpty())
            addresses.append(part);
    }
    return addresses;
}

QString DateHeader() {
    const QDateTime now = QDateTime::currentDateTime();
    const int offset = now.offsetFromUtc() / 60;
    const QString zone = QStringLiteral("%1%2%3")
                             .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                             .arg(std::abs(offset) / 60, 2, 10, QLatin1Char('0'))
                             .arg(std::abs(offset) % 60, 2, 10, QLatin1Char('0'));
    return QLocale::c().toString(now, QStringLiteral("ddd, d MMM yyyy hh:mm:ss ")) + zone;
}

QByteArray ComposeMessage(const TMailMessage& message, const QString& date,
                          const QString& messageId) {
    return WholeMessage(MessageHeaders(message, date, messageId), TextPart(message.Body));
}

// Reads every attachment; a refusal when one cannot be read, or they are too many or too large.
std::optional<TResult> ReadAttachments(const QStringList& paths,
                                       std::vector<TAttachment>& attachments) {
    if (paths.size() > MaxAttachments)
        return Refused(TooManyAttachments());
    qint64 room = MaxAttachmentBytes;
    for (const QString& path : paths) {
        TAttachment attachment;
        if (const std::optional<TResult> refused = ReadAttachment(path, room, attachment))
            return refused;
        room -= attachment.bytes.size();
        attachments.push_back(std::move(attachment));
    }
    return std::nullopt;
}

// The body and the attachments as parts of a multipart message that libcurl builds and sends.
bool SetUpParts(CURL* c, const QList<QByteArray>& headers, const TTextPart& text,
                const std::vector<TAttachment>& attachments, TTransfer& transfer) {
    for (const QByteArray& line : headers) {
        if (!Append(transfer.headers, line))
            return false;
    }
    TList textHeaders(nullptr, &curl_slist_free_all);
    for (const QByteArray& line : text.headers) {
        if (!Append(textHeaders, line))
            return false;
    }
    transfer.mime.reset(curl_mime_init(c));
    curl_mimepart* body = transfer.mime ? curl_mime_addpart(transfer.mime.get()) : nullptr;
    if (!body || curl_mime_data(body, text.data.constData(), size_t(text.data.size())) ||
        curl_mime_headers(body, textHeaders.release(), 1))
        return false;
    for (const TAttachment& attachment : attachments) {
        curl_mimepart* part = curl_mime_addpart(transfer.mime.get());
        if (!part ||
            curl_mime_data(part, attachment.bytes.constData(), size_t(attachment.bytes.size())) ||
            curl_mime_filename(part, attachment.name.constData()) ||
            curl_mime_type(part, "application/octet-stream") || curl_mime_encoder(part, "base64"))
            return false;
    }
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, transfer.headers.get());
    curl_easy_setopt(c, CURLOPT_MIMEPOST, transfer.mime.get());
    return true;
}

// What the handle sends after the envelope: the composed message, or its parts.
bool SetUpContent(CURL* c, const QList<QByteArray>& headers, const TTextPart& text,
                  const std::vector<TAttachment>& attachments, TTransfer& transfer) {
    if (!attachments.empty())
        return SetUpParts(c, headers, text, attachments, transfer);
    transfer.data = WholeMessage(headers, text);
    curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(c, CURLOPT_READFUNCTION, &ReadData);
    curl_easy_setopt(c, CURLOPT_READDATA, &transfer);
    return true;
}

// The transfer up to its outcome; the connection stays with the handle.
TResult Perform(const QString& host, int port, const TMailMessage& typed, TTransfer& transfer,
                TCurl& curl) {
    TMailMessage message = typed;
    for (QString* address : {&message.From, &message.To, &message.Cc})
        *address = AddressText(*address);
    const QStringList recipients = SplitAddresses(message.To) + SplitAddresses(message.Cc);
    if (message.From.trimmed().isEmpty())
        return {TOutcome::MissingFrom, {}};
    if (SplitAddresses(message.To).isEmpty())
        return {TOutcome::MissingTo, {}};
    QUrl url;
    url.setScheme(QStringLiteral("smtp"));
    url.setHost(host.trimmed(), QUrl::StrictMode);
    url.setPort(port);
    if (host.trimmed().isEmpty() || !url.isValid() || port < 1 || port > 65535)
        return {TOutcome::InvalidHost, {}};

    std::vector<TAttachment> attachments;
    if (const std::optional<TResult> refused = ReadAttachments(message.Attachments, attachments))
        return *refused;

    const QString domain = SplitAddresses(message.From).value(0).section(QLatin1Char('@'), 1);
    const QList<QByteArray> headers =
        MessageHeaders(message, DateHeader(),
                       QUuid::createUuid().toString(QUuid::WithoutBraces) + QLatin1Char('@') +
                           (domain.isEmpty() ? QStringLiteral("quendel.invalid") : domain));
    const TTextPart text = TextPart(message.Body);

    curl.reset(curl_easy_init());
    TList rcpt(nullptr, &curl_slist_free_all);
    for (const QString& recipient : recipients) {
        if (!curl || !Append(rcpt, Angled(recipient)))
            return {TOutcome::Failure, {}};
    }
    if (!SetUpContent(curl.get(), headers, text, attachments, transfer))
        return {TOutcome::Failure, {}};
    const QByteArray urlText = url.toEncoded();
    const QByteArray from = Angled(SplitAddresses(message.From).value(0, message.From.trimmed()));
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, urlText.constData());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "smtp");
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    // The handle's cleanup does not wait for a name look-up still running.
    curl_easy_setopt(c, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, ConnectTimeoutSeconds);
    curl_easy_setopt(c, CURLOPT_TIMEOUT, TransferTimeoutSeconds);
    curl_easy_setopt(c, CURLOPT_MAIL_FROM, from.constData());
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT, rcpt.get());
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &Progress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, &Watch);
    curl_easy_setopt(c, CURLOPT_DEBUGDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_OPENSOCKETFUNCTION, &OpenSocket);
    curl_easy_setopt(c, CURLOPT_OPENSOCKETDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_CLOSESOCKETFUNCTION, &CloseSocket);
    curl_easy_setopt(c, CURLOPT_CLOSESOCKETDATA, &transfer);
    return Classify(curl_easy_perform(c), transfer);
}

TResult Send(const QString& host, int port, const TMailMessage& message, TCancel& cancel,
             const std::function<void(const TResult&)>& known) {
    // The transfer outlives the handle, whose cleanup closes the connection through it.
    TTransfer transfer;
    transfer.cancel = &cancel;
    TCurl curl(nullptr, &curl_easy_cleanup);
    const TResult result = Perform(host, port, message, transfer, curl);
    if (known)
        known(result);
    return result;
}

} // namespace smtp

TNMSMTP::TNMSMTP(QObject* parent) : QObject(parent) {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

TNMSMTP::~TNMSMTP() {
    // The join is bounded: the cancel has cut the worker's connection.
    if (cancel_)
        cancel_->Cancel();
    if (worker_.joinable())
        worker_.join();
}

bool TNMSMTP::SendMail() {
    if (sending_)
        return false;
    // The previous send's connection may still wait for the answer to its QUIT.
    if (cancel_)
        cancel_->Cancel();
    if (worker_.joinable())
        worker_.join();
    cancel_ = std::make_shared<smtp::TCancel>();
    sending_ = true;
    worker_ = std::thread(
        [this, send = ++send_, cancel = cancel_, host = Host, port = Port, message = PostMessage] {
            smtp::Send(host, port, message, *cancel, [this, send](const smtp::TResult& result) {
                QMetaObject::invokeMethod(
                    this, [this, send, result] { Finished(send, result); }, Qt::QueuedConnection);
            });
        });
    return true;
}

void TNMSMTP::Abort() {
    if (!sending_)
        return;
    sending_ = false;
    cancel_->Cancel();
}

void TNMSMTP::Finished(quint64 send, const smtp::TResult& result) {
    if (!sending_ || send != send_)
        return;
    sending_ = false;
    failureReason_ = result.Reason;
    if (ClearParams)
        PostMessage = {};
    bool handled = false;
    auto fire = [](const auto& event, auto&&... args) {
        if (event)
            event(std::forward<decltype(args)>(args)...);
    };
    switch (result.Outcome) {
    case smtp::TOutcome::Success:
        return fire(OnSuccess);
    case smtp::TOutcome::Failure:
        return fire(OnFailure);
    case smtp::TOutcome::AuthenticationFailed:
        return fire(OnAuthenticationFailed);
    case smtp::TOutcome::MissingFrom:
        return fire(OnHeaderIncomplete, handled, hiFromAddress);
    case smtp::TOutcome::MissingTo:
        return fire(OnHeaderIncomplete, handled, hiToAddress);
    case smtp::TOutcome::RecipientNotFound:
        return fire(OnRecipientNotFound, handled, result.Name);
    case smtp::TOutcome::InvalidHost:
        return fire(OnInvalidHost, handled);
    case smtp::TOutcome::ConnectionFailed:
        return fire(OnConnectionFailed);
    case smtp::TOutcome::AttachmentNotFound:
        return fire(OnAttachmentNotFound, result.Name);
    }
}
