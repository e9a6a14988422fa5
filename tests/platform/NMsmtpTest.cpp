#include "platform/NMsmtp.h"
#include "FilePermissionsOfNobody.h"
#include "peers/SmtpPeer.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

using smtp::TOutcome;

namespace {

smtp::TMailMessage Mail(const QStringList& body = {"1b e2-e4", "1b e2-e4"}) {
    return {"ZT0123@zeltor.invalid",
            "ZT0456@zeltor.invalid",
            "tornei@zeltor.invalid, ZT0123@zeltor.invalid",
            "4001-  1b Cognome-Giocatore",
            body,
            "Quendel 2.09"};
}

smtp::TResult SendTo(int port, const smtp::TMailMessage& mail, const QString& host = "127.0.0.1") {
    smtp::TCancel cancel;
    return smtp::Send(host, port, mail, cancel);
}

QByteArray DecodeQuotedPrintable(const QByteArray& text) {
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '=') {
            out += text[i];
        } else if (text.mid(i + 1, 2) == "\r\n") {
            i += 2;
        } else {
            out += char(text.mid(i + 1, 2).toInt(nullptr, 16));
            i += 2;
        }
    }
    return out;
}

// The text of a header made of encoded words ("=?ISO-8859-1?Q?...?=", folded).
QByteArray DecodeEncodedWords(QByteArray value) {
    value.replace("?=\r\n =?ISO-8859-1?Q?", "");
    EXPECT_TRUE(value.startsWith("=?ISO-8859-1?Q?") && value.endsWith("?=")) << value.data();
    return DecodeQuotedPrintable(value.mid(15).chopped(2).replace('_', ' '));
}

// A message's or part's headers, each line with its CR LF, and what follows the blank line.
std::pair<QByteArray, QByteArray> HeadAndBody(const QByteArray& text) {
    const qsizetype end = text.indexOf("\r\n\r\n");
    return {text.left(end + 2), text.mid(end + 4)};
}

// Headers and body of a stored message, without the peer's envelope lines.
QByteArray Content(const QByteArray& stored) {
    return HeadAndBody(stored).second;
}

// The parts of a stored multipart message, each as its headers and its body.
QList<std::pair<QByteArray, QByteArray>> Parts(const QByteArray& content) {
    const QRegularExpressionMatch boundary =
        QRegularExpression("Content-Type: multipart/mixed; boundary=(\\S+)\r\n")
            .match(QString::fromLatin1(HeadAndBody(content).first));
    if (!boundary.hasMatch())
        return {};
    const QByteArray delimiter = "\r\n--" + boundary.captured(1).toLatin1();
    QList<std::pair<QByteArray, QByteArray>> parts;
    qsizetype at = content.indexOf(delimiter);
    while (at >= 0) {
        const qsizetype start = at + delimiter.size();
        if (content.mid(start, 2) == "--")
            break;
        const qsizetype next = content.indexOf(delimiter, start);
        parts.append(HeadAndBody(content.mid(start + 2, next - start - 2)));
        at = next;
    }
    return parts;
}

} // namespace

TEST(SmtpMessage, AddressListsSplitIntoRecipients) {
    EXPECT_EQ(smtp::SplitAddresses("a@x.invalid"), QStringList{"a@x.invalid"});
    EXPECT_EQ(smtp::SplitAddresses(" a@x ; Bo Bi <b@y> ,, c@z;"),
              (QStringList{"a@x", "b@y", "c@z"}));
    EXPECT_EQ(smtp::SplitAddresses(" , ;"), QStringList());
    EXPECT_EQ(smtp::SplitAddresses("<broken"), QStringList{"<broken"});
}

TEST(SmtpMessage, AsciiAndLatin1Messages) {
    const QByteArray ascii = smtp::ComposeMessage(Mail({"a", ".b"}), "Mon, 7 Dec 2026", "id@x");
    EXPECT_EQ(ascii, "From: ZT0123@zeltor.invalid\r\nTo: ZT0456@zeltor.invalid\r\n"
                     "Cc: tornei@zeltor.invalid, ZT0123@zeltor.invalid\r\n"
                     "Subject: 4001-  1b Cognome-Giocatore\r\nDate: Mon, 7 Dec 2026\r\n"
                     "Message-ID: <id@x>\r\nX-Mailer: Quendel 2.09\r\nMIME-Version: 1.0\r\n"
                     "Content-Type: text/plain; charset=us-ascii\r\n"
                     "Content-Transfer-Encoding: 7bit\r\n\r\na\r\n.b\r\n");

    smtp::TMailMessage latin = Mail({QString::fromUtf8("Niccolò Città = 100%  "),
                                     QString(200, QLatin1Char('x')) + QString::fromUtf8("é")});
    latin.Subject = QString::fromUtf8("Mossa di Niccolò\r\nBcc: evil@x");
    latin.To = "a@x\nBcc: evil@y";
    const QByteArray text = smtp::ComposeMessage(latin, "d", "i");
    EXPECT_FALSE(text.contains("\nBcc:"));
    EXPECT_TRUE(text.contains("To: a@xBcc: evil@y\r\n"));
    EXPECT_TRUE(text.contains("Subject: =?ISO-8859-1?Q?Mossa_di_Niccol=F2Bcc=3A_evil=40x?=\r\n"));
    EXPECT_TRUE(text.contains("charset=ISO-8859-1\r\nContent-Transfer-Encoding: quoted-printable"));
    const QByteArray body = Content(text);
    for (const QByteArray& line : body.split('\n'))
        EXPECT_LE(line.size(), 77);
    EXPECT_EQ(QString::fromLatin1(DecodeQuotedPrintable(body)), latin.Body.join("\r\n") + "\r\n");
}

TEST(SmtpPeerTest, DeliversEnvelopeAndMessage) {
    SmtpPeer peer;
    smtp::TMailMessage mail =
        Mail({"1n e7-e5", ".", ".riga col punto", QString::fromUtf8("Saluti da Niccolò")});
    mail.To = "Altro <ZT0456@zeltor.invalid>; terzo@zeltor.invalid";
    ASSERT_EQ(SendTo(peer.Port(), mail).Outcome, TOutcome::Success);
    const QList<QByteArray> messages = peer.Messages();
    ASSERT_EQ(messages.size(), 1);
    const QByteArray stored = messages[0];
    EXPECT_TRUE(stored.startsWith("X-Mail-From: <ZT0123@zeltor.invalid>\r\n"
                                  "X-Rcpt-To: <ZT0456@zeltor.invalid>\r\n"
                                  "X-Rcpt-To: <terzo@zeltor.invalid>\r\n"
                                  "X-Rcpt-To: <tornei@zeltor.invalid>\r\n"
                                  "X-Rcpt-To: <ZT0123@zeltor.invalid>\r\n\r\n"));
    EXPECT_TRUE(stored.contains("\r\nTo: Altro <ZT0456@zeltor.invalid>; terzo@zeltor.invalid\r\n"));
    const QByteArray body = HeadAndBody(Content(stored)).second;
    EXPECT_EQ(QString::fromLatin1(DecodeQuotedPrintable(body)), mail.Body.join("\r\n") + "\r\n");
}

TEST(SmtpPeerTest, PastedLineBreaksCarryNoCommands) {
    SmtpPeer peer;
    const QString evil = "\r\nRCPT TO:<evil@y.invalid>";
    struct Case {
        QString from, to, cc;
        TOutcome outcome;
    };
    const Case cases[] = {
        {"ZT0123@zeltor.invalid", "ZT0456@zeltor.invalid" + evil, "", TOutcome::RecipientNotFound},
        {"ZT0123@zeltor.invalid", "ZT0456@zeltor.invalid>" + evil.chopped(1), "",
         TOutcome::RecipientNotFound},
        {"ZT0123@zeltor.invalid", "ZT0456@zeltor.invalid", "tornei@zeltor.invalid\n" + evil,
         TOutcome::RecipientNotFound},
        {"ZT0123@zeltor.invalid" + evil, "ZT0456@zeltor.invalid", "", TOutcome::Failure},
        {"ZT0123@zeltor.invalid>\r" + evil.mid(2).chopped(1), "ZT0456@zeltor.invalid", "",
         TOutcome::Failure},
        {QString("ZT0123@zeltor.inv\nalid\r"), QString::fromLatin1("ZT0456@zel\0tor.invalid", 22),
         QString("Torn\r\nei <tornei@zeltor.invalid>"), TOutcome::Success},
    };
    for (const Case& c : cases) {
        smtp::TMailMessage mail = Mail();
        mail.From = c.from;
        mail.To = c.to;
        mail.Cc = c.cc;
        EXPECT_EQ(SendTo(peer.Port(), mail).Outcome, c.outcome) << c.to.toStdString();
    }
    const QList<QByteArray> messages = peer.Messages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("X-Mail-From: <ZT0123@zeltor.invalid>\r\n"
                                       "X-Rcpt-To: <ZT0456@zeltor.invalid>\r\n"
                                       "X-Rcpt-To: <tornei@zeltor.invalid>\r\n\r\n"));
    EXPECT_TRUE(messages[0].contains("\r\nFrom: ZT0123@zeltor.invalid\r\n"
                                     "To: ZT0456@zeltor.invalid\r\n"
                                     "Cc: Tornei <tornei@zeltor.invalid>\r\n"));
    EXPECT_FALSE(messages[0].contains("evil"));
}

TEST(SmtpPeerTest, LongLinesAndNulBytesAreEncoded) {
    SmtpPeer peer;
    const QString longLine = QString("1b e2-e4 ").repeated(120);
    const QString nul = QString::fromLatin1("prima\0dopo", 11);
    struct Case {
        QStringList body;
        QString subject;
    };
    const Case cases[] = {
        {{"1b e2-e4", longLine, "fine"}, "4001-  1b Cognome-Giocatore"},
        {{nul, QString(998, QLatin1Char('x'))}, longLine},
        {{"1b e2-e4"}, "4001 " + nul},
    };
    for (const Case& c : cases) {
        smtp::TMailMessage mail = Mail(c.body);
        mail.Subject = c.subject;
        EXPECT_EQ(SendTo(peer.Port(), mail).Outcome, TOutcome::Success) << c.subject.toStdString();
    }
    const QList<QByteArray> messages = peer.Messages();
    ASSERT_EQ(messages.size(), std::size(cases));
    for (qsizetype i = 0; i < messages.size(); ++i) {
        const QByteArray content = Content(messages[i]);
        EXPECT_FALSE(content.contains('\0'));
        for (const QByteArray& line : content.split('\n'))
            EXPECT_LE(line.size(), 999);
        const auto [head, body] = HeadAndBody(content);
        const qsizetype start = head.indexOf("\r\nSubject: ") + 11;
        QByteArray subject = head.mid(start, head.indexOf("\r\nDate: ") - start);
        if (subject.startsWith("=?"))
            subject = DecodeEncodedWords(subject);
        EXPECT_EQ(QString::fromLatin1(subject), cases[i].subject);
        const bool encoded = head.contains("Content-Transfer-Encoding: quoted-printable");
        EXPECT_EQ(QString::fromLatin1(encoded ? DecodeQuotedPrintable(body) : body),
                  cases[i].body.join("\r\n") + "\r\n");
    }
}

TEST(SmtpPeerTest, FailuresAreTold) {
    SmtpPeer refusing({"--reject", "@blocked\\.invalid$"});
    smtp::TMailMessage refused = Mail();
    refused.Cc = "chi@blocked.invalid";
    const smtp::TResult result = SendTo(refusing.Port(), refused);
    EXPECT_EQ(result.Outcome, TOutcome::RecipientNotFound);
    EXPECT_EQ(result.Name, "chi@blocked.invalid");
    EXPECT_TRUE(refusing.Messages().isEmpty());

    SmtpPeer dropping({"--drop", "^ZT0456@"});
    EXPECT_EQ(SendTo(dropping.Port(), Mail()).Outcome, TOutcome::Failure);
    EXPECT_TRUE(dropping.Messages().isEmpty());

    SmtpPeer mailRefused({"--reject-mail"});
    EXPECT_EQ(SendTo(mailRefused.Port(), Mail()).Outcome, TOutcome::Failure);
    SmtpPeer loginFirst({"--auth-required"});
    EXPECT_EQ(SendTo(loginFirst.Port(), Mail()).Outcome, TOutcome::AuthenticationFailed);
    EXPECT_TRUE(loginFirst.Messages().isEmpty());

    // A port nobody listens on, a host that does not exist, and names that are no host.
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const int closedPort = closed.serverPort();
    closed.close();
    EXPECT_EQ(SendTo(closedPort, Mail()).Outcome, TOutcome::ConnectionFailed);
    EXPECT_EQ(SendTo(25, Mail(), "smtp.nowhere.invalid").Outcome, TOutcome::InvalidHost);
    EXPECT_EQ(SendTo(25, Mail(), "bad host/x").Outcome, TOutcome::InvalidHost);
    EXPECT_EQ(SendTo(25, Mail(), "").Outcome, TOutcome::InvalidHost);
}

TEST(SmtpPeerTest, MissingAddressesConnectNowhere) {
    QTcpServer watcher;
    ASSERT_TRUE(watcher.listen(QHostAddress::LocalHost));
    smtp::TMailMessage noFrom = Mail();
    noFrom.From = "  ";
    EXPECT_EQ(SendTo(watcher.serverPort(), noFrom).Outcome, TOutcome::MissingFrom);
    smtp::TMailMessage noTo = Mail();
    noTo.To = " ; ";
    EXPECT_EQ(SendTo(watcher.serverPort(), noTo).Outcome, TOutcome::MissingTo);
    EXPECT_FALSE(watcher.waitForNewConnection(100));
}

TEST(SmtpPeerTest, ComponentReportsOnTheGuiThreadAndAbortsWhenDeleted) {
    SmtpPeer peer;
    TNMSMTP client;
    client.Host = "127.0.0.1";
    client.Port = peer.Port();
    client.PostMessage = Mail();
    int successes = 0;
    client.OnSuccess = [&] {
        EXPECT_EQ(QThread::currentThread(), qApp->thread());
        ++successes;
    };
    ASSERT_TRUE(client.SendMail());
    EXPECT_FALSE(client.SendMail());
    EXPECT_TRUE(QTest::qWaitFor([&] { return successes == 1; }, 20000));
    EXPECT_FALSE(client.Sending());

    // A server that accepts and never greets: deleting the component ends the wait.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    auto* hanging = new TNMSMTP;
    hanging->Host = "127.0.0.1";
    hanging->Port = silent.serverPort();
    hanging->PostMessage = Mail();
    bool fired = false;
    hanging->OnFailure = [&] { fired = true; };
    hanging->OnConnectionFailed = [&] { fired = true; };
    ASSERT_TRUE(hanging->SendMail());
    QTest::qWait(200);
    delete hanging;
    QCoreApplication::processEvents();
    EXPECT_FALSE(fired);
}

// Every field of a message, for comparing two.
QStringList Fields(const smtp::TMailMessage& m) {
    return QStringList{m.From, m.To, m.Cc, m.Subject, m.LocalProgram} + m.Body + m.Attachments;
}

TEST(SmtpPeerTest, MessageFieldsAreClearedAsEachOutcomeArrives) {
    SmtpPeer peer;
    SmtpPeer refusing({"--reject", "@blocked\\.invalid$"});
    QTemporaryDir dir;
    QFile game(dir.filePath("partita.pgn"));
    ASSERT_TRUE(game.open(QIODevice::WriteOnly) && game.write("1. e4 *\n") == 8);
    struct Case {
        bool clearParams;
        int port;
        QString cc;
        QString to;
        QString outcome;
    };
    const Case cases[] = {
        {true, peer.Port(), "tornei@zeltor.invalid", "ZT0456@zeltor.invalid", "success"},
        {false, peer.Port(), "tornei@zeltor.invalid", "ZT0456@zeltor.invalid", "success"},
        {true, refusing.Port(), "chi@blocked.invalid", "ZT0456@zeltor.invalid", "recipient"},
        {false, refusing.Port(), "chi@blocked.invalid", "ZT0456@zeltor.invalid", "recipient"},
        {true, peer.Port(), "", " ; ", "header"},
    };
    for (const Case& c : cases) {
        TNMSMTP client;
        EXPECT_TRUE(client.ClearParams) << "the component clears by default";
        client.ClearParams = c.clearParams;
        client.Host = "127.0.0.1";
        client.Port = c.port;
        smtp::TMailMessage mail = Mail();
        mail.To = c.to;
        mail.Cc = c.cc;
        mail.Attachments = {game.fileName()};
        client.PostMessage = mail;
        QString outcome;
        QStringList seen;
        auto record = [&](const char* name) {
            outcome = name;
            seen = Fields(client.PostMessage);
        };
        client.OnSuccess = [&] { record("success"); };
        client.OnFailure = [&] { record("failure"); };
        client.OnRecipientNotFound = [&](bool&, const QString&) { record("recipient"); };
        client.OnHeaderIncomplete = [&](bool&, TNMSMTP::THeaderInfo) { record("header"); };
        ASSERT_TRUE(client.SendMail());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !outcome.isEmpty(); }, 20000))
            << c.outcome.toStdString();
        EXPECT_EQ(outcome, c.outcome);
        const QStringList expected = c.clearParams ? Fields(smtp::TMailMessage{}) : Fields(mail);
        EXPECT_EQ(seen, expected) << "when the event fires, " << c.outcome.toStdString();
        EXPECT_EQ(Fields(client.PostMessage), expected) << "afterwards";
    }
    EXPECT_EQ(peer.Messages().size(), 2);
}

TEST(SmtpPeerTest, AttachmentsGoAsPartsWithTheirBytes) {
    SmtpPeer peer;
    QTemporaryDir dir;
    QByteArray binary;
    for (int i = 0; i < 70000; ++i)
        binary += char((i * 7 + i / 256) & 0xff);
    struct Case {
        QString name;
        QByteArray bytes;
        QByteArray partName;
    };
    const Case cases[] = {
        {"partita.pgn", "[Event \"Torneo\"]\r\n\r\n1. e4 e5 *\n.\r\n", "partita.pgn"},
        {"dati.bin", binary, "dati.bin"},
        {"vuoto.txt", "", "vuoto.txt"},
        {QString::fromUtf8("città\r\nBcc: \"x\\y\".pgn"), "abc", "citt___Bcc: \\\"x\\\\y\\\".pgn"},
    };
    smtp::TMailMessage mail = Mail({"1b e2-e4", ".", ".punto"});
    mail.Subject = QString::fromUtf8("Mossa di Niccolò ") + QString(80, QLatin1Char('x'));
    for (const Case& c : cases) {
        QFile file(dir.filePath(c.name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(c.bytes) == c.bytes.size());
        mail.Attachments.append(file.fileName());
    }
    ASSERT_EQ(SendTo(peer.Port(), mail).Outcome, TOutcome::Success);
    const QList<QByteArray> messages = peer.Messages();
    ASSERT_EQ(messages.size(), 1);
    const QByteArray content = Content(messages[0]);
    for (const QByteArray& line : content.split('\n'))
        EXPECT_LE(line.size(), 999);
    const QByteArray head = HeadAndBody(content).first;
    EXPECT_TRUE(head.contains("From: ZT0123@zeltor.invalid\r\nTo: ZT0456@zeltor.invalid\r\n"))
        << head.data();
    const qsizetype subject = head.indexOf("\r\nSubject: ") + 11;
    EXPECT_EQ(QString::fromLatin1(
                  DecodeEncodedWords(head.mid(subject, head.indexOf("\r\nDate: ") - subject))),
              mail.Subject);
    EXPECT_TRUE(head.contains("\r\nX-Mailer: Quendel 2.09\r\n"));
    EXPECT_FALSE(head.contains("Bcc"));

    const auto parts = Parts(content);
    ASSERT_EQ(parts.size(), 1 + qsizetype(std::size(cases))) << content.left(2000).data();
    EXPECT_TRUE(parts[0].first.contains("Content-Type: text/plain; charset=us-ascii\r\n"));
    EXPECT_TRUE(parts[0].first.contains("Content-Transfer-Encoding: 7bit\r\n"));
    EXPECT_FALSE(parts[0].first.contains("attachment"));
    EXPECT_EQ(parts[0].second, "1b e2-e4\r\n.\r\n.punto\r\n");
    for (qsizetype i = 0; i < qsizetype(std::size(cases)); ++i) {
        const auto& [headers, body] = parts[i + 1];
        const Case& c = cases[i];
        EXPECT_TRUE(headers.contains("Content-Disposition: attachment; filename=\"" + c.partName +
                                     "\"\r\n"))
            << headers.data();
        EXPECT_TRUE(headers.contains("Content-Type: application/octet-stream\r\n"));
        EXPECT_TRUE(headers.contains("Content-Transfer-Encoding: base64\r\n"));
        EXPECT_EQ(QByteArray::fromBase64(QByteArray(body).replace("\r\n", "")), c.bytes)
            << c.name.toStdString();
    }
}

TEST(SmtpPeerTest, AnAttachmentThatCannotBeReadSendsNothing) {
    SmtpPeer peer;
    QTemporaryDir dir;
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    const QString readable = dir.filePath("partita.pgn");
    const QString locked = dir.filePath("chiuso.pgn");
    const QString fifo = dir.filePath("tubo");
    for (const QString& path : {readable, locked}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("1. e4 *\n") == 8);
    }
    ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    for (const QString& bad : {dir.filePath("manca.pgn"), locked, fifo, dir.path()}) {
        smtp::TMailMessage mail = Mail();
        mail.Attachments = {readable, bad};
        TFilePermissionsOfNobody nobody;
        const smtp::TResult result = SendTo(peer.Port(), mail);
        EXPECT_EQ(result.Outcome, TOutcome::AttachmentNotFound) << bad.toStdString();
        EXPECT_EQ(result.Name, bad);
    }

    // Past the bounds on what one message carries, or a file that reads as more than its size
    // (as one does that grows after it was measured): refused before connecting, too, and why.
    QFile big(dir.filePath("grande.bin"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(smtp::MaxAttachmentBytes));
    QStringList tooMany;
    for (qsizetype i = 0; i <= smtp::MaxAttachments; ++i)
        tooMany.append(readable);
    const QString growing = "/proc/self/status"; // a regular file of size 0 that reads as more
    struct Refusal {
        QStringList attachments;
        QString reason;
        QString name;
    };
    const Refusal refusals[] = {
        {{readable, big.fileName()}, "allegati troppo grandi (al massimo 10 MB in tutto)", ""},
        {tooMany, "troppi allegati (al massimo 32)", ""},
        {{readable, growing}, "allegato modificato durante la lettura", growing},
    };
    for (const Refusal& refusal : refusals) {
        smtp::TMailMessage mail = Mail();
        mail.Attachments = refusal.attachments;
        const smtp::TResult result = SendTo(peer.Port(), mail);
        EXPECT_EQ(result.Outcome, TOutcome::Failure) << refusal.reason.toStdString();
        EXPECT_EQ(result.Reason, refusal.reason);
        EXPECT_EQ(result.Name, refusal.name);
    }
    tooMany.removeLast();
    smtp::TMailMessage allowed = Mail();
    allowed.Attachments = tooMany;
    EXPECT_EQ(SendTo(peer.Port(), allowed).Outcome, TOutcome::Success) << "as many as allowed";
    EXPECT_TRUE(QTest::qWaitFor([&] { return peer.Events().contains("LOST"); }, 20000));
    EXPECT_EQ(peer.Messages().size(), 1);
    EXPECT_EQ(peer.Events(), (QStringList{"DATA", "QUIT", "LOST"})) << "one connection only";

    TNMSMTP client;
    client.Host = "127.0.0.1";
    client.Port = peer.Port();
    client.PostMessage = Mail();
    client.PostMessage.Attachments = {dir.filePath("manca.pgn")};
    QStringList missing;
    client.OnAttachmentNotFound = [&](const QString& name) { missing.append(name); };
    ASSERT_TRUE(client.SendMail());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !client.Sending(); }, 20000));
    EXPECT_EQ(missing, QStringList{dir.filePath("manca.pgn")});

    // The component keeps the reason for its failure event.
    client.PostMessage = Mail();
    client.PostMessage.Attachments = {readable, big.fileName()};
    QString reason;
    client.OnFailure = [&] { reason = client.FailureReason(); };
    ASSERT_TRUE(client.SendMail());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !client.Sending(); }, 20000));
    EXPECT_EQ(reason, "allegati troppo grandi (al massimo 10 MB in tutto)");
}

// A file rewritten while its mail is on the way to a server that holds the data back: the mail
// carries the file whole as it was when the send began, never part of it and part of the new one.
TEST(SmtpPeerTest, AnAttachmentRewrittenDuringTheSendGoesAsItWas) {
    SmtpPeer peer({"--hold-data"});
    QTemporaryDir dir;
    QByteArray before(smtp::MaxAttachmentBytes, '\0');
    for (qsizetype i = 0; i < before.size(); ++i)
        before[i] = char(i * 7 + i / 251);
    QByteArray after = before;
    for (char& c : after)
        c = char(~c);
    QFile file(dir.filePath("partita.pgn"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(before) == before.size());
    file.close();

    TNMSMTP client;
    client.Host = "127.0.0.1";
    client.Port = peer.Port();
    client.PostMessage = Mail();
    client.PostMessage.Attachments = {file.fileName()};
    QString outcome;
    client.OnSuccess = [&] { outcome = "success"; };
    client.OnFailure = [&] { outcome = "failure"; };
    ASSERT_TRUE(client.SendMail());
    ASSERT_TRUE(QTest::qWaitFor([&] { return peer.Events().contains("HOLD"); }, 20000));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                file.write(after) == after.size());
    file.close();
    peer.Release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !client.Sending(); }, 60000));
    EXPECT_EQ(outcome, "success");

    const QList<QByteArray> messages = peer.Messages();
    ASSERT_EQ(messages.size(), 1);
    const auto parts = Parts(Content(messages[0]));
    ASSERT_EQ(parts.size(), 2);
    const QByteArray sent = QByteArray::fromBase64(QByteArray(parts[1].second).replace("\r\n", ""));
    ASSERT_EQ(sent.size(), before.size());
    const auto differ = std::mismatch(sent.begin(), sent.end(), before.begin()).first;
    EXPECT_TRUE(differ == sent.end()) << "the old file up to byte " << (differ - sent.begin());
}
