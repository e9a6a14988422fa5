#include "platform/Registry.h"

#include "platform/SafeWrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <cctype>
#include <optional>

ERegistryException::ERegistryException(const QString& message)
    : std::runtime_error(message.toStdString()) {}

namespace {

QString registryFolder() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    // A relative setting is invalid and ignored, as the desktop's own programs do.
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/quendel/registry");
}

QString hex(uint code, int digits) {
    return QStringLiteral("%1").arg(code, digits, 16, QLatin1Char('0')).toUpper();
}

// Backslash escapes keep every character of a name or value: the file stays one line per value,
// Latin-1, and free of the "=" that ends a name.
QString escaped(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const ushort code = c.unicode();
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (code < 0x20 || code == 0x7F || c == u'=')
            out += QStringLiteral("\\x") + hex(code, 2);
        else if (code > 0xFF)
            out += QStringLiteral("\\u") + hex(code, 4);
        else
            out += c;
    }
    return out;
}

// The character written as digits hexadecimal digits at from, when they are all there.
bool escapedCode(const QString& text, qsizetype from, int digits, char16_t& code) {
    const QString part = text.mid(from, digits);
    const bool allHex =
        digits > 0 && part.size() == digits && std::all_of(part.cbegin(), part.cend(), [](QChar c) {
            return c.unicode() < 0x80 && std::isxdigit(c.unicode());
        });
    if (allHex)
        code = char16_t(part.toUInt(nullptr, 16));
    return allHex;
}

// A damaged escape is kept as it stands.
QString unescaped(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const QChar next = i + 1 < text.size() ? text.at(i + 1) : QChar();
        const int digits = next == u'x' ? 2 : (next == u'u' ? 4 : 0);
        char16_t code = 0;
        if (c == u'\\' && next == u'\\') {
            out += c;
            ++i;
        } else if (c == u'\\' && escapedCode(text, i + 2, digits, code)) {
            out += QChar(code);
            i += 1 + digits;
        } else {
            out += c;
        }
    }
    return out;
}

QString encodedName(const QString& name) {
    return name.isEmpty() ? QStringLiteral("@") : u'"' + escaped(name) + u'"';
}

QString decodedName(const QString& stored) {
    if (stored == u'@')
        return QString();
    return unescaped(stored.mid(1, stored.size() - 2));
}

// A key's part in a section name. "\" separates parts, so escapes start with two of them, which
// no clean key path holds; only what the file could not keep is escaped: characters beyond
// Latin-1, control characters, the "]" that ends the name, and blanks at the end (the reader
// trims them), so the sections of plain names read and look as they always did.
QString encodedPart(const QString& part) {
    qsizetype trailing = part.size();
    while (trailing > 0 && part.at(trailing - 1) == u' ')
        --trailing;
    QString out;
    out.reserve(part.size());
    for (qsizetype i = 0; i < part.size(); ++i) {
        const ushort code = part.at(i).unicode();
        if (code > 0xFF)
            out += QStringLiteral("\\\\u") + hex(code, 4);
        else if (code < 0x20 || code == 0x7F || code == u']' || i >= trailing)
            out += QStringLiteral("\\\\x") + hex(code, 2);
        else
            out += QChar(code);
    }
    return out;
}

QString sectionOf(const QStringList& key) {
    QStringList parts;
    for (const QString& part : key)
        parts.append(encodedPart(part));
    return u'\\' + parts.join(u'\\');
}

// The key path a section names, or nothing when the section is not a clean key path (no
// leading "\", an empty part, a damaged escape, an escaped "\").
std::optional<QStringList> keyOf(const QString& section) {
    if (!section.startsWith(u'\\'))
        return std::nullopt;
    QStringList parts;
    QString part;
    for (qsizetype i = 1; i < section.size(); ++i) {
        const QChar c = section.at(i);
        if (c != u'\\') {
            part += c;
            continue;
        }
        const QChar letter = i + 2 < section.size() ? section.at(i + 2) : QChar();
        const int digits = letter == u'x' ? 2 : (letter == u'u' ? 4 : 0);
        char16_t code = 0;
        if (i + 1 < section.size() && section.at(i + 1) == u'\\' &&
            escapedCode(section, i + 3, digits, code)) {
            if (code == u'\\')
                return std::nullopt;
            part += QChar(code);
            i += 2 + digits;
            continue;
        }
        if (part.isEmpty())
            return std::nullopt;
        parts.append(part);
        part.clear();
    }
    if (!part.isEmpty())
        parts.append(part);
    else if (!parts.isEmpty())
        return std::nullopt;
    return parts;
}

QStringList partsOf(const QString& path) {
    return path.split(u'\\', Qt::SkipEmptyParts);
}

bool below(const QStringList& key, const QStringList& ancestor) {
    if (key.size() < ancestor.size())
        return false;
    for (qsizetype i = 0; i < ancestor.size(); ++i) {
        if (key.at(i).compare(ancestor.at(i), Qt::CaseInsensitive) != 0)
            return false;
    }
    return true;
}

} // namespace

TRegistry::TRegistry(bool ReadOnly)
    : readOnly_(ReadOnly), file_(std::make_unique<TIniFile>(RootFileName(root_))) {}

TRegistry::~TRegistry() = default;

void TRegistry::SetRootKey(HKEY Value) {
    if (file_->Updating())
        throw ERegistryException(
            QStringLiteral("La radice del registro non si cambia durante un aggiornamento"));
    file_ = std::make_unique<TIniFile>(RootFileName(Value));
    root_ = Value;
    CloseKey();
}

QString TRegistry::CurrentPath() const {
    return current_.join(u'\\');
}

bool TRegistry::OpenKey(const QString& Key, bool CanCreate) {
    const QStringList key = resolve(Key);
    if (!keyExists(key)) {
        if (!CanCreate || readOnly_)
            return false;
        writable().CreateSection(sectionOf(key));
    }
    current_ = key;
    return true;
}

void TRegistry::CloseKey() {
    current_.clear();
}

bool TRegistry::KeyExists(const QString& Key) const {
    return keyExists(resolve(Key));
}

bool TRegistry::DeleteKey(const QString& Key) {
    return deleteTree(resolve(Key));
}

QStringList TRegistry::GetKeyNames() const {
    return keyNames(current_);
}

bool TRegistry::ValueExists(const QString& Name) const {
    return valueExists(current_, Name);
}

QStringList TRegistry::GetValueNames() const {
    return valueNames(current_);
}

QString TRegistry::ReadString(const QString& Name) const {
    return readValue(current_, Name, QString());
}

int TRegistry::ReadInteger(const QString& Name) const {
    // Two different fallbacks tell a stored number from anything else.
    const int value = readInteger(current_, Name, 0);
    if (value == 0 && readInteger(current_, Name, 1) == 1)
        throw ERegistryException(
            QStringLiteral("Il valore \"%1\" della chiave \"%2\" non e' un numero intero")
                .arg(Name, CurrentPath()));
    return value;
}

void TRegistry::WriteString(const QString& Name, const QString& Value) {
    writeValue(current_, Name, Value);
}

void TRegistry::WriteInteger(const QString& Name, int Value) {
    writeValue(current_, Name, QString::number(Value));
}

bool TRegistry::DeleteValue(const QString& Name) {
    return deleteValue(current_, Name);
}

QString TRegistry::RootName(HKEY Root) {
    switch (Root) {
    case HKEY_CLASSES_ROOT:
        return QStringLiteral("HKEY_CLASSES_ROOT");
    case HKEY_CURRENT_USER:
        return QStringLiteral("HKEY_CURRENT_USER");
    case HKEY_LOCAL_MACHINE:
        return QStringLiteral("HKEY_LOCAL_MACHINE");
    case HKEY_USERS:
        return QStringLiteral("HKEY_USERS");
    case HKEY_CURRENT_CONFIG:
        return QStringLiteral("HKEY_CURRENT_CONFIG");
    case HKEY_DYN_DATA:
        return QStringLiteral("HKEY_DYN_DATA");
    }
    throw ERegistryException(QStringLiteral("Radice del registro sconosciuta: %1").arg(Root));
}

QString TRegistry::RootFileName(HKEY Root) {
    return registryFolder() + u'/' + RootName(Root) + QStringLiteral(".ini");
}

bool TRegistry::SetRootReadOnly(HKEY Root, bool ReadOnly) {
    const QString fileName = RootFileName(Root);
    if (!QFileInfo::exists(fileName) &&
        !(QDir().mkpath(registryFolder()) && platform::WriteWholeFile(fileName, QByteArray())))
        return false;
    QFileDevice::Permissions permissions = QFile::permissions(fileName);
    const QFileDevice::Permissions writing = QFileDevice::WriteOwner | QFileDevice::WriteUser |
                                             QFileDevice::WriteGroup | QFileDevice::WriteOther;
    permissions = ReadOnly ? permissions & ~writing
                           : permissions | QFileDevice::WriteOwner | QFileDevice::WriteUser;
    return QFile::setPermissions(fileName, permissions);
}

QStringList TRegistry::resolve(const QString& Key) const {
    return (Key.startsWith(u'\\') ? QStringList() : current_) + partsOf(Key);
}

bool TRegistry::keyExists(const QStringList& key) const {
    return key.isEmpty() || !keyNames(key).isEmpty() || !storedSection(key).isEmpty();
}

// The key's section as the file holds it, found by its path: also a section written before
// escapes were needed, or with another case of a letter beyond Latin-1. "" when there is none.
QString TRegistry::storedSection(const QStringList& key) const {
    const QString section = sectionOf(key);
    if (file_->SectionExists(section))
        return section;
    for (const QString& stored : file_->ReadSections()) {
        const std::optional<QStringList> parts = keyOf(stored);
        if (parts && parts->size() == key.size() && below(*parts, key))
            return stored;
    }
    return QString();
}

QString TRegistry::sectionName(const QStringList& key) const {
    const QString stored = storedSection(key);
    return stored.isEmpty() ? sectionOf(key) : stored;
}

// A section is a key only when its name is a clean key path; anything else in a damaged file is
// left alone.
QStringList TRegistry::keyNames(const QStringList& key) const {
    QStringList names;
    QSet<QString> seen;
    for (const QString& section : file_->ReadSections()) {
        const std::optional<QStringList> parts = keyOf(section);
        if (!parts || parts->size() <= key.size() || !below(*parts, key))
            continue;
        const QString& child = parts->at(key.size());
        if (!seen.contains(child.toCaseFolded())) {
            seen.insert(child.toCaseFolded());
            names.append(child);
        }
    }
    return names;
}

// As with keys, only names written the way the registry writes them count.
QStringList TRegistry::valueNames(const QStringList& key) const {
    QStringList names;
    for (const QString& stored : file_->ReadSection(sectionName(key))) {
        const QString name = decodedName(stored);
        if (encodedName(name) == stored)
            names.append(name);
    }
    return names;
}

bool TRegistry::valueExists(const QStringList& key, const QString& name) const {
    return file_->ValueExists(sectionName(key), encodedName(name));
}

QString TRegistry::readValue(const QStringList& key, const QString& name,
                             const QString& fallback) const {
    if (!valueExists(key, name))
        return fallback;
    return unescaped(file_->ReadString(sectionName(key), encodedName(name), QString()));
}

int TRegistry::readInteger(const QStringList& key, const QString& name, int fallback) const {
    return file_->ReadInteger(sectionName(key), encodedName(name), fallback);
}

// The value in double quotes: the profile file takes them off again, and blanks at either end
// stay.
void TRegistry::writeValue(const QStringList& key, const QString& name, const QString& value) {
    writable().WriteString(sectionName(key), encodedName(name), u'"' + escaped(value) + u'"');
}

bool TRegistry::deleteValue(const QStringList& key, const QString& name) {
    if (!valueExists(key, name))
        return false;
    writable().DeleteKey(sectionName(key), encodedName(name));
    return true;
}

bool TRegistry::deleteTree(const QStringList& key) {
    if (key.isEmpty())
        return false;
    QStringList doomed;
    for (const QString& section : file_->ReadSections()) {
        const std::optional<QStringList> parts = keyOf(section);
        if (parts && below(*parts, key))
            doomed.append(section);
    }
    if (doomed.isEmpty())
        return false;
    platform::InOneRewrite(writable(), [&] {
        for (const QString& section : std::as_const(doomed))
            file_->EraseSection(section);
        // The parent stays, also when the removed key was all that held it.
        const QStringList parent = key.mid(0, key.size() - 1);
        if (!keyExists(parent))
            file_->CreateSection(sectionOf(parent));
    });
    return true;
}

TIniFile& TRegistry::writable() {
    if (readOnly_)
        throw ERegistryException(
            QStringLiteral("Il registro %1 e' aperto in sola lettura").arg(RootName(root_)));
    if (!QDir().mkpath(registryFolder()))
        throw ERegistryException(
            QStringLiteral("Impossibile creare la cartella del registro %1").arg(registryFolder()));
    return *file_;
}

TRegIniFile::TRegIniFile(const QString& FileName, bool ReadOnly)
    : TRegistry(ReadOnly), fileName_(FileName) {
    setCurrent(resolve(FileName));
}

QString TRegIniFile::ReadString(const QString& Section, const QString& Ident,
                                const QString& Default) const {
    return readValue(resolve(Section), Ident, Default);
}

int TRegIniFile::ReadInteger(const QString& Section, const QString& Ident, int Default) const {
    return readInteger(resolve(Section), Ident, Default);
}

bool TRegIniFile::ReadBool(const QString& Section, const QString& Ident, bool Default) const {
    return readInteger(resolve(Section), Ident, Default ? 1 : 0) != 0;
}

void TRegIniFile::WriteString(const QString& Section, const QString& Ident, const QString& Value) {
    writeValue(resolve(Section), Ident, Value);
}

void TRegIniFile::WriteInteger(const QString& Section, const QString& Ident, int Value) {
    writeValue(resolve(Section), Ident, QString::number(Value));
}

void TRegIniFile::WriteBool(const QString& Section, const QString& Ident, bool Value) {
    writeValue(resolve(Section), Ident, Value ? QStringLiteral("1") : QStringLiteral("0"));
}

QStringList TRegIniFile::ReadSection(const QString& Section) const {
    return valueNames(resolve(Section));
}

QStringList TRegIniFile::ReadSections() const {
    return keyNames(resolve(QString()));
}

void TRegIniFile::EraseSection(const QString& Section) {
    deleteTree(resolve(Section));
}

void TRegIniFile::DeleteKey(const QString& Section, const QString& Ident) {
    deleteValue(resolve(Section), Ident);
}

void TIniObject::BeginUpdate() const {
    if (reg_)
        reg_->BeginUpdate();
    else if (ini_)
        ini_->BeginUpdate();
}

void TIniObject::EndUpdate() const {
    if (reg_)
        reg_->EndUpdate();
    else if (ini_)
        ini_->EndUpdate();
}
