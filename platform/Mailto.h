#pragma once
// "mailto:" links for the desktop's mail program.

#include <QByteArray>
#include <QString>

namespace platform {

// The link with every part percent-encoded as UTF-8 (addresses keep "@" and ","), and the body's
// line breaks as CR LF, so "&", "#", "%" and "?" in any field reach the mail program unchanged.
// The addresses and the subject, header lines for the mail program, lose CR, LF and NUL.
QByteArray MailtoUrl(const QString& to, const QString& cc, const QString& subject,
                     const QString& body);

} // namespace platform
