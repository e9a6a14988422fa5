#pragma once
// Lines of the program's 8-bit text files, whatever line endings they were written with.

#include <QByteArray>
#include <QStringList>

namespace platform {

// The Latin-1 text split at CR LF, LF and CR, no line ending kept; a last line without an ending
// counts, an empty text has none. firstEol, when given, receives the first ending met ("" if none).
QStringList SplitLines(const QByteArray& data, QString* firstEol = nullptr);
// The same for text already decoded (a memo's contents).
QStringList SplitTextLines(const QString& text, QString* firstEol = nullptr);

// Text bound for one line of a protocol (a command, a header, a link's address) without CR, LF
// and NUL, which would end that line early and smuggle in another.
QString ProtocolLineText(QString text);

} // namespace platform
