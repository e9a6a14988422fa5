#include "platform/SafeWrite.h"

#include <QSaveFile>
#include <cerrno>
#include <csignal>

namespace platform {

namespace {

// Writes data to a temporary file beside fileName, which takes fileName's place only when commit
// is set; without it the temporary file is dropped.
bool Write(const QString& fileName, const QByteArray& data, QString* error, bool commit) {
    QSaveFile file(fileName);
    // QSaveFile buffers: a failed final write shows only in flush(), not in commit(). Its error
    // text then says nothing, so the system's own reason is taken where the write failed.
    errno = 0;
    const bool written = file.open(QIODevice::WriteOnly) && file.write(data) == data.size() &&
                         file.flush() && file.error() == QFileDevice::NoError;
    const int writeErrno = errno;
    if (written && !commit) {
        file.cancelWriting();
        return true;
    }
    if (written && file.commit())
        return true;
    const QString reason =
        !written && writeErrno != 0 ? qt_error_string(writeErrno) : file.errorString();
    file.cancelWriting();
    if (error)
        *error = QStringLiteral("Impossibile scrivere il file %1: %2").arg(fileName, reason);
    return false;
}

QByteArray LinesText(const QStringList& lines) {
    QByteArray data;
    for (const QString& line : lines)
        data += line.toLatin1() + "\r\n";
    return data;
}

} // namespace

bool WriteWholeFile(const QString& fileName, const QByteArray& data, QString* error) {
    return Write(fileName, data, error, true);
}

bool WriteLines(const QString& fileName, const QStringList& lines, QString* error) {
    return WriteWholeFile(fileName, LinesText(lines), error);
}

bool CanWriteLines(const QString& fileName, const QStringList& lines, QString* error) {
    return Write(fileName, LinesText(lines), error, false);
}

void IgnoreFileSizeSignal() {
    std::signal(SIGXFSZ, SIG_IGN);
}

} // namespace platform
