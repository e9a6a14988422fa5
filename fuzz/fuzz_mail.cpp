// Any text through the mail encoders: a "mailto:" link decodes back to its fields (the header
// fields on one line), and a message's headers never gain a line, whatever the fields hold.

#include "platform/Mailto.h"
#include "platform/NMsmtp.h"
#include "platform/TextLines.h"

#include <QUrl>
#include <QUrlQuery>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QStringList fields =
        QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(size)).split(QChar(0));
    const QString to = fields.value(0), cc = fields.value(1), subject = fields.value(2);
    const QString body = fields.value(3);

    const QUrl url =
        QUrl::fromEncoded(platform::MailtoUrl(to, cc, subject, body), QUrl::StrictMode);
    const QUrlQuery query(url.query(QUrl::FullyEncoded));
    QString crlf = body;
    crlf.replace("\r\n", "\n").replace('\r', '\n').replace("\n", "\r\n");
    if (!url.isValid() || url.path(QUrl::FullyDecoded) != platform::ProtocolLineText(to) ||
        query.queryItemValue("cc", QUrl::FullyDecoded) != platform::ProtocolLineText(cc) ||
        query.queryItemValue("subject", QUrl::FullyDecoded) !=
            platform::ProtocolLineText(subject) ||
        query.queryItemValue("body", QUrl::FullyDecoded) != crlf)
        std::abort();

    const smtp::TMailMessage mail{fields.value(4), to, cc, subject, body.split('\n'), "Quendel"};
    const QByteArray message = smtp::ComposeMessage(mail, "d", "i");
    const QByteArray headers = message.left(message.indexOf("\r\n\r\n"));
    // Ten headers, one continuation line per further encoded word of the subject.
    if (headers.count("\r\n") - headers.count("\r\n ") > 9)
        std::abort();
    smtp::SplitAddresses(to + ';' + cc);
    return 0;
}
