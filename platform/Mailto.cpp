#include "platform/Mailto.h"

#include "platform/TextLines.h"

#include <QUrl>

namespace platform {

namespace {

QByteArray Address(const QString& text) {
    return QUrl::toPercentEncoding(ProtocolLineText(text), "@,");
}

QByteArray Text(const QString& text) {
    return QUrl::toPercentEncoding(text);
}

QString CrLf(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), '\n');
    return text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
}

} // namespace

QByteArray MailtoUrl(const QString& to, const QString& cc, const QString& subject,
                     const QString& body) {
    return "mailto:" + Address(to) + "?cc=" + Address(cc) +
           "&subject=" + Text(ProtocolLineText(subject)) + "&body=" + Text(CrLf(body));
}

} // namespace platform
