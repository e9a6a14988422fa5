#pragma once
// The SMTP client: builds a plain-text message, its attachments as MIME parts, and hands it to
// libcurl in a worker thread; the outcome comes back to the GUI thread as one of the component's
// events.

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace smtp {

enum class TOutcome {
    Success,
    Failure,
    AuthenticationFailed,
    MissingFrom,
    MissingTo,
    RecipientNotFound,
    InvalidHost,
    ConnectionFailed,
    AttachmentNotFound,
};

struct TMailMessage {
    QString From;
    QString To;
    QString Cc;
    QString Subject;
    QStringList Body;
    QString LocalProgram;         // the X-Mailer header
    QStringList Attachments = {}; // paths of files sent as parts of their own after the body
};

// What one message may carry along: more is refused before the connection.
constexpr qsizetype MaxAttachments = 32;
constexpr qint64 MaxAttachmentBytes = 10 * 1024 * 1024; // all files together

// "A <a@x>; b@y ,," gives {"a@x", "b@y"}; CR, LF and NUL are dropped first.
QStringList SplitAddresses(const QString& list);

// The whole message without attachments, headers and body, with CR LF line ends. A body of ASCII
// lines of at most 998 characters without NUL goes as 7-bit us-ascii, any other as quoted-printable
// ISO-8859-1; a subject that would not fit such a line, or holds other characters, goes as encoded
// words.
QByteArray ComposeMessage(const TMailMessage& message, const QString& date,
                          const QString& messageId);

// The date header of now: "Mon, 7 Dec 2026 10:00:00 +0100", with English names.
QString DateHeader();

struct TResult {
    TOutcome Outcome = TOutcome::Failure;
    // The refused recipient for RecipientNotFound, the unreadable file for AttachmentNotFound, the
    // file that changed while it was read for that Failure.
    QString Name;
    // For a Failure before any connection, why the attachments were refused, to be shown as it
    // is: "troppi allegati (al massimo 32)", say. Empty otherwise.
    QString Reason = {};
};

// Ends a transfer from another thread at once: its sockets are shut down, so no wait on the
// server outlasts the cancel, and the connection is dropped without QUIT.
class TCancel {
public:
    void Cancel();
    bool Cancelled() const { return cancelled_; }

    // The transfer's sockets; Opened is false (and keeps nothing) once cancelled.
    bool Opened(int socket);
    void Closing(int socket);

private:
    std::atomic<bool> cancelled_{false};
    std::mutex mutex_;
    std::vector<int> sockets_;
};

// One transfer, blocking; a cancel ends it early (with Failure). Every attachment is read whole
// before the connection, so a file that cannot be read is told with nothing sent, and the mail
// carries the files as they were then, whatever is written to them during the send. known, when
// given, gets the outcome as soon as it is known, before the connection is closed (QUIT and its
// answer).
TResult Send(const QString& host, int port, const TMailMessage& message, TCancel& cancel,
             const std::function<void(const TResult&)>& known = {});

} // namespace smtp

// The component: set Host, Port and PostMessage, call SendMail; one event fires on the GUI thread.
class TNMSMTP : public QObject {
    Q_OBJECT
public:
    enum THeaderInfo { hiFromAddress, hiToAddress };

    explicit TNMSMTP(QObject* parent = nullptr);
    ~TNMSMTP() override;

    QString Host;
    int Port = 25;
    smtp::TMailMessage PostMessage;
    // PostMessage is emptied when a send's outcome arrives, before its event fires.
    bool ClearParams = true;

    // Starts a send unless one is running; returns whether it started. The previous send's
    // connection, when still open, is dropped first.
    bool SendMail();
    // A send runs until its event has fired or it is aborted.
    bool Sending() const { return sending_; }
    // Why the last send's attachments were refused (smtp::TResult::Reason), from its event on.
    const QString& FailureReason() const { return failureReason_; }
    // Cancels a running send without waiting for anything: no event fires for it, and its
    // connection is dropped without QUIT.
    void Abort();

    // The component's events; the one for the outcome fires, when assigned.
    std::function<void()> OnSuccess;
    std::function<void()> OnFailure;
    std::function<void()> OnAuthenticationFailed;
    std::function<void(bool& handled, THeaderInfo info)> OnHeaderIncomplete;
    std::function<void(bool& handled, const QString& recipient)> OnRecipientNotFound;
    std::function<void(bool& handled)> OnInvalidHost;
    std::function<void()> OnConnectionFailed;
    std::function<void(const QString& fileName)> OnAttachmentNotFound;

private:
    void Finished(quint64 send, const smtp::TResult& result);

    std::thread worker_;
    std::shared_ptr<smtp::TCancel> cancel_;
    bool sending_ = false;
    QString failureReason_;
    quint64 send_ = 0; // numbers the sends, so an outcome that comes late is known
};
