#pragma once
// The association of ".qzd" game files with the program: the registry stand-in's keys, and what
// the Linux desktop reads (a shared-mime-info type, a .desktop entry and the default in
// mimeapps.list) under XDG_DATA_HOME and XDG_CONFIG_HOME.

#include <QString>
#include <QStringList>

namespace association {

inline constexpr char MimeType[] = "application/x-quendel-game";
inline constexpr char DesktopFileName[] = "quendel.desktop";

QString MimePackageFile();
QString DesktopFile();
QString MimeAppsFile();

QByteArray MimePackage();
// The entry that opens a file with the program started in the working folder.
QByteArray DesktopEntry(const QString& program, const QString& workingFolder);
// An Exec= argument quoted as the desktop entry format wants it.
QString QuoteExecArgument(const QString& argument);
// mimeapps.list with our default set, or removed; every other line kept.
QStringList WithDefault(const QStringList& lines);
QStringList WithoutDefault(const QStringList& lines);

// The registry stand-in's keys under both roots; a refused root throws.
void WriteRegistryKeys(const QString& program);
void DeleteRegistryKeys();

// Both report a failed desktop file through the error helper and return false; the registry's
// refusal is thrown for the exception display, before any desktop file changes.
bool Associate(const QString& program);
bool Dissociate();

} // namespace association
