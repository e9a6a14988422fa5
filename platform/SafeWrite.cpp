#include "platform/SafeWrite.h"

#include <QSaveFile>

namespace platform {

bool WriteWholeFile(const QString& fileName, const QByteArray& data, QString* error) {
    QSaveFile file(fileName);
    // QSaveFile buffers: a failed final write shows only in flush(), not in commit().
    const bool written = file.open(QIODevice::WriteOnly) && file.write(data) == data.size() &&
                         file.flush() && file.error() == QFileDevice::NoError;
    if (written && file.commit())
        return true;
    const QString reason = file.errorString();
    file.cancelWriting();
    if (error)
        *error = QStringLiteral("Impossibile scrivere il file %1: %2").arg(fileName, reason);
    return false;
}

bool WriteLines(const QString& fileName, const QStringList& lines, QString* error) {
    QByteArray data;
    for (const QString& line : lines)
        data += line.toLatin1() + "\r\n";
    return WriteWholeFile(fileName, data, error);
}

} // namespace platform
