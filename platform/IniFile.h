#pragma once
// The profile file: an 8-bit INI file read and written key by key.
//
// Sections and keys match ignoring case; keys and values are trimmed on reading and one pair of
// enclosing quotes is removed. Every write is a locked read-modify-write of the whole file with an
// atomic replace, so two objects or two running programs on one file see each other's writes and a
// failed write leaves the old file as it was.

#include <QString>
#include <QStringList>
#include <memory>
#include <stdexcept>

// A write that could not be completed; the file on disk is unchanged.
class EIniFileException : public std::runtime_error {
public:
    explicit EIniFileException(const QString& message);
    QString Message() const { return QString::fromUtf8(what()); }
};

class TIniFile {
public:
    explicit TIniFile(const QString& FileName);
    ~TIniFile();
    TIniFile(const TIniFile&) = delete;
    TIniFile& operator=(const TIniFile&) = delete;

    const QString& FileName() const { return fileName_; }

    // A missing key gives Default; a present empty one gives "".
    QString ReadString(const QString& Section, const QString& Ident, const QString& Default) const;
    // Decimal or "0x" hexadecimal; anything else gives Default.
    int ReadInteger(const QString& Section, const QString& Ident, int Default) const;
    bool ReadBool(const QString& Section, const QString& Ident, bool Default) const;
    QStringList ReadSection(const QString& Section) const;
    QStringList ReadSections() const;
    bool SectionExists(const QString& Section) const;
    bool ValueExists(const QString& Section, const QString& Ident) const;

    // Writers throw EIniFileException when the file cannot be written.
    // A line break in Value is written as a blank: a value is one line.
    void WriteString(const QString& Section, const QString& Ident, const QString& Value);
    void WriteInteger(const QString& Section, const QString& Ident, int Value);
    void WriteBool(const QString& Section, const QString& Ident, bool Value);
    // An empty section at the end of the file, unless the section exists.
    void CreateSection(const QString& Section);
    void EraseSection(const QString& Section);
    void DeleteKey(const QString& Section, const QString& Ident);

    struct Document;

private:
    const Document& current() const;
    template <class Change> void modify(Change change);

    QString fileName_;
    mutable std::unique_ptr<Document> cache_;
};

namespace platform {

// Characters up to and including the blank removed at both ends.
QString Trim(const QString& text);

// Files larger than this are not read as profile files (a bad file must not exhaust memory).
constexpr qint64 MaxIniFileSize = 16 * 1024 * 1024;

} // namespace platform
