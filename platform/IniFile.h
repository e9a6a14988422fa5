#pragma once
// The profile file: an 8-bit INI file read and written key by key.
//
// Sections and keys match ignoring case; keys and values are trimmed on reading and one pair of
// enclosing quotes is removed. Every write is a locked read-modify-write of the whole file with an
// atomic replace, so two objects or two running programs on one file see each other's writes and a
// failed write leaves the old file as it was; the file is parsed again only when it changed on
// disk, and a write that would make it larger than it can be read is refused. Between BeginUpdate
// and EndUpdate the writes are gathered and made in one rewrite at the outermost EndUpdate, with
// the same bytes as one by one.

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

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
    // Why the file, present but a folder, unreadable or beyond the size limit, cannot be read (in
    // Italian); "" when it can be or is missing. Such a file reads as empty and is never rewritten.
    QString ReadError() const;

    // Writes after BeginUpdate are read back at once but reach the file only at the outermost
    // EndUpdate, in one rewrite that throws EIniFileException as a single write would.
    void BeginUpdate();
    void EndUpdate();
    bool Updating() const { return updates_ > 0; }

    // Writers throw EIniFileException when the file cannot be written (in an update, EndUpdate
    // does). A line break in Value is written as a blank: a value is one line.
    void WriteString(const QString& Section, const QString& Ident, const QString& Value);
    void WriteInteger(const QString& Section, const QString& Ident, int Value);
    void WriteBool(const QString& Section, const QString& Ident, bool Value);
    // An empty section at the end of the file, unless the section exists.
    void CreateSection(const QString& Section);
    void EraseSection(const QString& Section);
    void DeleteKey(const QString& Section, const QString& Ident);

    struct Document;

private:
    // Edits the document and answers whether anything changed.
    using Change = std::function<bool(Document&)>;

    // The writes of an update: the document they started from, that document with them made
    // (read back until the update ends), and the writes themselves, made again on the file as it
    // is at the end when another write replaced it meanwhile.
    struct Update {
        std::shared_ptr<const Document> base;
        std::shared_ptr<Document> edited;
        bool changed = false;
        std::vector<Change> changes;
    };

    const Document& current() const;
    void modify(Change change);
    void rewrite(Update& update);

    QString fileName_;
    mutable std::shared_ptr<const Document> cache_;
    int updates_ = 0;
    Update update_;
};

namespace platform {

// Characters up to and including the blank removed at both ends.
QString Trim(const QString& text);

// Files larger than this are not read as profile files (a bad file must not exhaust memory).
constexpr qint64 MaxIniFileSize = 16 * 1024 * 1024;

// For tests: file times cut to whole seconds, as file systems of coarse times keep them, and a
// clock that many seconds ahead, so that a file's times are past any doubt at once.
struct IniFileClock {
    bool wholeSeconds = false;
    int secondsAhead = 0;
};
void SetIniFileClock(const IniFileClock& clock);

// Runs body with store's writes (a TIniFile, a registry or a settings store's object) made in one
// rewrite at its end. When body throws, what it wrote before is still written, as it would have
// been one by one, and its exception is the one that goes on.
template <class Store, class Body> void InOneRewrite(Store&& store, Body&& body) {
    store.BeginUpdate();
    try {
        body();
    } catch (...) {
        try {
            store.EndUpdate();
        } catch (...) {
        }
        throw;
    }
    store.EndUpdate();
}

} // namespace platform
