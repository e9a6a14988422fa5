#pragma once
// The SMTP client: builds a plain-text message and hands it to libcurl in a worker thread; the
// outcome comes back to the GUI thread as one of the component's events.

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <thread>

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
};

struct TMailMessage {
    QString From;
    QString To;
    QString Cc;
    QString Subject;
    QStringList Body;
    QString LocalProgram; // the X-Mailer header
};

// "A <a@x>; b@y ,," gives {"a@x", "b@y"}; CR, LF and NUL are dropped first.
QStringList SplitAddresses(const QString& list);

// The whole message, headers and body, with CR LF line ends. A body of ASCII lines of at most 998
// characters without NUL goes as 7-bit us-ascii, any other as quoted-printable ISO-8859-1; a
// subject that would not fit such a line, or holds other characters, goes as encoded words.
QByteArray ComposeMessage(const TMailMessage& message, const QString& date,
                          const QString& messageId);

// The date header of now: "Mon, 7 Dec 2026 10:00:00 +0100", with English names.
QString DateHeader();

struct TResult {
    TOutcome Outcome = TOutcome::Failure;
    QString Recipient; // the refused one, for RecipientNotFound
};

// One transfer, blocking; cancel ends it early (with Failure).
TResult Send(const QString& host, int port, const TMailMessage& message,
             const std::atomic<bool>& cancel);

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

    // Starts a send unless one is running; returns whether it started.
    bool SendMail();
    bool Sending() const { return worker_.joinable(); }
    // Cancels a running send and waits for its thread.
    void Abort();

    // The component's events; the one for the outcome fires, when assigned.
    std::function<void()> OnSuccess;
    std::function<void()> OnFailure;
    std::function<void()> OnAuthenticationFailed;
    std::function<void(bool& handled, THeaderInfo info)> OnHeaderIncomplete;
    std::function<void(bool& handled, const QString& recipient)> OnRecipientNotFound;
    std::function<void(bool& handled)> OnInvalidHost;
    std::function<void()> OnConnectionFailed;

private:
    void Finished(smtp::TOutcome outcome, const QString& recipient);

    std::thread worker_;
    std::atomic<bool> cancel_{false};
};
