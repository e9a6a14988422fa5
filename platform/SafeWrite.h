#pragma once
// Whole-file writes that either replace the file completely or leave the old one untouched.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace platform {

// Writes data to fileName through a temporary file that replaces it only when every byte reached
// the disk. On failure returns false, the old file intact, and error (when given) holds an Italian
// sentence naming the file, followed by the system's reason.
bool WriteWholeFile(const QString& fileName, const QByteArray& data, QString* error = nullptr);

// The lines as Latin-1 text, each (the last too) ended by CR LF, written by WriteWholeFile.
bool WriteLines(const QString& fileName, const QStringList& lines, QString* error = nullptr);

// Whether WriteLines could replace fileName by lines now: the temporary file is written in full
// and dropped, fileName left as it is. error as for WriteWholeFile.
bool CanWriteLines(const QString& fileName, const QStringList& lines, QString* error = nullptr);

// Makes a write beyond the process's file-size limit ("ulimit -f") fail with "File too large",
// reported like a full disk, instead of killing the program. Called once at start.
void IgnoreFileSizeSignal();

} // namespace platform
