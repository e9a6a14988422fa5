#include "platform/TextLines.h"

namespace platform {

QStringList SplitLines(const QByteArray& data, QString* firstEol) {
    QStringList lines;
    if (firstEol)
        firstEol->clear();
    qsizetype start = 0;
    for (qsizetype i = 0; i < data.size(); ++i) {
        const char c = data[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.append(QString::fromLatin1(data.mid(start, i - start)));
        const bool pair = c == '\r' && i + 1 < data.size() && data[i + 1] == '\n';
        if (firstEol && firstEol->isEmpty())
            *firstEol = pair ? QStringLiteral("\r\n") : QString(QLatin1Char(c));
        if (pair)
            ++i;
        start = i + 1;
    }
    if (start < data.size())
        lines.append(QString::fromLatin1(data.mid(start)));
    return lines;
}

} // namespace platform
