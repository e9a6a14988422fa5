#include "platform/TextLines.h"

namespace platform {

QStringList SplitLines(const QByteArray& data, QString* firstEol) {
    return SplitTextLines(QString::fromLatin1(data), firstEol);
}

QStringList SplitTextLines(const QString& data, QString* firstEol) {
    QStringList lines;
    if (firstEol)
        firstEol->clear();
    qsizetype start = 0;
    for (qsizetype i = 0; i < data.size(); ++i) {
        const QChar c = data[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.append(data.mid(start, i - start));
        const bool pair = c == '\r' && i + 1 < data.size() && data[i + 1] == '\n';
        if (firstEol && firstEol->isEmpty())
            *firstEol = pair ? QStringLiteral("\r\n") : QString(c);
        if (pair)
            ++i;
        start = i + 1;
    }
    if (start < data.size())
        lines.append(data.mid(start));
    return lines;
}

QString ProtocolLineText(QString text) {
    return text.remove(QLatin1Char('\r')).remove(QLatin1Char('\n')).remove(QChar(0));
}

} // namespace platform
