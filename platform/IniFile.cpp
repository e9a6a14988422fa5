#include "platform/IniFile.h"

#include "platform/SafeWrite.h"
#include "platform/TextLines.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLockFile>
#include <QThread>
#include <algorithm>
#include <ctime>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <vector>

namespace platform {

QString Trim(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first).unicode() <= ' ')
        ++first;
    while (last > first && text.at(last - 1).unicode() <= ' ')
        --last;
    return text.mid(first, last - first);
}

} // namespace platform

using platform::Trim;

EIniFileException::EIniFileException(const QString& message)
    : std::runtime_error(message.toStdString()) {}

namespace {

constexpr int LockTimeoutMs = 5000;
constexpr int LockPollMs = 5;

// QLockFile's own wait doubles its pause up to seconds, so a writer queued behind busy ones gets
// only a handful of tries; short, steady polls give it a fair chance within the same bound.
bool lockWithin(QLockFile& lock, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!lock.tryLock(0)) {
        if (deadline.hasExpired() || lock.error() != QLockFile::LockFailedError)
            return false;
        QThread::msleep(LockPollMs);
    }
    return true;
}

// Identifies one version of the file on disk; every write replaces the file, so any write by
// anybody changes it.
struct Stamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    bool operator==(const Stamp& o) const {
        return exists == o.exists && device == o.device && inode == o.inode && size == o.size &&
               modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec &&
               changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
    }
};

Stamp stampOf(const QString& fileName) {
    struct stat st {};
    Stamp stamp;
    if (::stat(QFile::encodeName(fileName).constData(), &st) != 0)
        return stamp;
    stamp.exists = true;
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.size = st.st_size;
    stamp.modified = st.st_mtim;
    stamp.changed = st.st_ctim;
    return stamp;
}

enum class ReadResult { Missing, Ok, Failed };

ReadResult readFile(const QString& fileName, QByteArray& data) {
    QFileInfo info(fileName);
    if (!info.exists())
        return ReadResult::Missing;
    if (info.isDir() || info.size() > platform::MaxIniFileSize)
        return ReadResult::Failed;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return ReadResult::Failed;
    // What the file holds, not the limit, is allocated; a file that grew since is read on to the
    // limit.
    data = file.read(info.size() + 1);
    constexpr qint64 Chunk = 64 * 1024;
    while (data.size() <= platform::MaxIniFileSize && file.error() == QFileDevice::NoError) {
        const QByteArray more =
            file.read(std::min(Chunk, platform::MaxIniFileSize + 1 - data.size()));
        if (more.isEmpty())
            break;
        data += more;
    }
    if (data.size() > platform::MaxIniFileSize || file.error() != QFileDevice::NoError)
        return ReadResult::Failed;
    return ReadResult::Ok;
}

enum class LineKind { Section, Key, Other };

struct Line {
    LineKind kind = LineKind::Other;
    QString name;
    QString value;
};

Line parseLine(const QString& raw) {
    const QString text = Trim(raw);
    Line line;
    if (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        line.kind = LineKind::Section;
        line.name = Trim(close < 0 ? text.mid(1) : text.mid(1, close - 1));
        return line;
    }
    if (text.startsWith(u';'))
        return line;
    const qsizetype equals = text.indexOf(u'=');
    if (equals < 0)
        return line;
    line.name = Trim(text.left(equals));
    if (line.name.isEmpty())
        return line;
    line.kind = LineKind::Key;
    line.value = Trim(text.mid(equals + 1));
    return line;
}

QString unquote(const QString& value) {
    if (value.size() >= 2 && value.front() == value.back() &&
        (value.front() == u'"' || value.front() == u'\''))
        return value.mid(1, value.size() - 2);
    return value;
}

// Names beyond the basic plane, code point by code point.
QString foldedCodePoints(const QString& name) {
    QString out;
    out.reserve(name.size());
    for (const char32_t c : name.toUcs4()) {
        const char32_t f = QChar::toCaseFolded(c);
        if (QChar::requiresSurrogates(f)) {
            out += QChar(QChar::highSurrogate(f));
            out += QChar(QChar::lowSurrogate(f));
        } else {
            out += QChar(char16_t(f));
        }
    }
    return out;
}

// Names match as a case-insensitive comparison matches them: code point by code point, folded.
QString folded(const QString& name) {
    QString out(name.size(), Qt::Uninitialized);
    QChar* to = out.data();
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (c.isSurrogate())
            return foldedCodePoints(name);
        to[i] = c.toCaseFolded();
    }
    return out;
}

bool validSection(const QString& section) {
    return !section.isEmpty() && !section.contains(u']') && !section.contains(u'\r') &&
           !section.contains(u'\n');
}

bool validIdent(const QString& ident) {
    return !ident.isEmpty() && !ident.startsWith(u'[') && !ident.startsWith(u';') &&
           !ident.contains(u'=') && !ident.contains(u'\r') && !ident.contains(u'\n');
}

QString oneLine(QString value) {
    value.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    value.replace(u'\r', u' ');
    value.replace(u'\n', u' ');
    return value;
}

// A new line as the file will hold it: 8-bit, so what is read back before the next rewrite is
// what would be read from the file after it.
QString asStored(const QString& line) {
    const bool latin1 =
        std::all_of(line.cbegin(), line.cend(), [](QChar c) { return c.unicode() <= 0xFF; });
    return latin1 ? line : QString::fromLatin1(line.toLatin1());
}

} // namespace

// The file's lines grouped by section, indexed for reading and edited in place by the writers.
// The first section of a name and the first key of a name in it are the ones read, as they are
// for the platform's profile functions; the writers' rules (a new key after the last line of
// its section that is not blank, a new section at the end of the file) work on the same lines,
// so the bytes written are those of the file read, changed by nothing else than the writes.
struct TIniFile::Document {
    struct Key {
        qsizetype line = 0;
        qsizetype order = 0;
    };
    struct Section {
        bool hasHeader = false;
        QString header;
        QString name;
        QStringList lines;
        // The first key of each folded name, and the key names in order of first appearance.
        QHash<QString, Key> keys;
        QStringList keyNames;

        void addKey(const QString& name, qsizetype line) {
            const QString key = folded(name);
            if (keys.contains(key))
                return;
            keys.insert(key, Key{line, keyNames.size()});
            keyNames.append(name);
        }

        void reindex() {
            keys.clear();
            keyNames.clear();
            for (qsizetype i = 0; i < lines.size(); ++i) {
                const Line line = parseLine(lines.at(i));
                if (line.kind == LineKind::Key)
                    addKey(line.name, i);
            }
        }
    };

    Stamp stamp;
    // The file is there but could not be read: it reads as empty and is not written over.
    bool unreadable = false;
    QString eol = QStringLiteral("\n");
    // The lines before the first header come first, in a section without one.
    QList<Section> sections{Section{}};
    // Every section of a folded name, in file order; the names read, in order.
    QHash<QString, QList<qsizetype>> byName;
    QStringList names;

    void indexSection(qsizetype at) {
        const Section& section = sections.at(at);
        QList<qsizetype>& same = byName[folded(section.name)];
        if (same.isEmpty() && !section.name.isEmpty())
            names.append(section.name);
        same.append(at);
    }

    void reindex() {
        byName.clear();
        names.clear();
        for (qsizetype i = 1; i < sections.size(); ++i)
            indexSection(i);
    }

    static Document parse(const QByteArray& data) {
        Document doc;
        const QStringList lines = platform::SplitLines(data, &doc.eol);
        if (doc.eol.isEmpty())
            doc.eol = QStringLiteral("\n");
        for (const QString& raw : lines) {
            const Line line = parseLine(raw);
            if (line.kind == LineKind::Section) {
                doc.sections.append(Section{true, raw, line.name, {}, {}, {}});
                doc.indexSection(doc.sections.size() - 1);
                continue;
            }
            Section& current = doc.sections.last();
            current.lines.append(raw);
            if (line.kind == LineKind::Key)
                current.addKey(line.name, current.lines.size() - 1);
        }
        return doc;
    }

    // The section read under that name, or none.
    const Section* find(const QString& name) const {
        const QString key = folded(Trim(name));
        if (key.isEmpty())
            return nullptr;
        const auto it = byName.constFind(key);
        return it == byName.constEnd() ? nullptr : &sections.at(it->first());
    }

    static std::optional<Line> keyLine(const Section& section, const QString& ident) {
        const auto it = section.keys.constFind(folded(Trim(ident)));
        if (it == section.keys.constEnd())
            return std::nullopt;
        return parseLine(section.lines.at(it->line));
    }

    QList<qsizetype> headers(const QString& section) const { return byName.value(folded(section)); }

    void appendSection(const QString& header) {
        const QString stored = asStored(header);
        sections.append(Section{true, stored, parseLine(stored).name, {}, {}, {}});
        indexSection(sections.size() - 1);
    }

    static void appendLine(Section& section, qsizetype at, const QString& text) {
        section.lines.insert(at, text);
        const Line line = parseLine(text);
        if (line.kind == LineKind::Key)
            section.addKey(line.name, at);
    }

    bool setValue(const QString& section, const QString& ident, const QString& value) {
        const QString entry = asStored(ident + u'=' + value);
        const QList<qsizetype> found = headers(section);
        if (found.isEmpty()) {
            appendSection(u'[' + section + u']');
            appendLine(sections.last(), 0, entry);
            return true;
        }
        Section& target = sections[found.first()];
        const auto it = target.keys.find(folded(ident));
        if (it != target.keys.end()) {
            target.lines[it->line] = entry;
            target.keyNames[it->order] = parseLine(entry).name;
            return true;
        }
        // After the section's last line that is not blank; only blank lines follow it, so no
        // key moves.
        qsizetype insertAt = target.lines.size();
        while (insertAt > 0 && Trim(target.lines.at(insertAt - 1)).isEmpty())
            --insertAt;
        appendLine(target, insertAt, entry);
        return true;
    }

    // Removes every section of that name, so an erased section is gone even from a file that
    // holds it twice.
    bool eraseSection(const QString& section) {
        const QList<qsizetype> found = headers(section);
        for (auto it = found.crbegin(); it != found.crend(); ++it)
            sections.removeAt(*it);
        if (!found.isEmpty())
            reindex();
        return !found.isEmpty();
    }

    bool deleteKey(const QString& section, const QString& ident) {
        const QString key = folded(ident);
        bool changed = false;
        for (const qsizetype at : headers(section)) {
            Section& target = sections[at];
            if (!target.keys.contains(key))
                continue;
            target.lines.removeIf([&key](const QString& raw) {
                const Line line = parseLine(raw);
                return line.kind == LineKind::Key && folded(line.name) == key;
            });
            target.reindex();
            changed = true;
        }
        return changed;
    }

    bool addSection(const QString& section) {
        if (!headers(section).isEmpty())
            return false;
        appendSection(u'[' + section + u']');
        return true;
    }

    QByteArray serialized() const {
        const QByteArray end = eol.toLatin1();
        QByteArray data;
        for (const Section& section : sections) {
            if (section.hasHeader)
                data += section.header.toLatin1() + end;
            for (const QString& line : section.lines)
                data += line.toLatin1() + end;
        }
        return data;
    }
};

namespace {

// Documents last read or written, shared by every object on the file: a program that opens the
// file for each window or setting parses it once per version, not once per object. A handful is
// kept. The stamp's times are coarse, so a file changed in place within the same tick as it was
// read could keep its stamp: a document is shared only when its file was already older than a
// safe margin when it was read.
class DocumentCache {
public:
    using Document = TIniFile::Document;

    std::shared_ptr<const Document> find(const Stamp& stamp) {
        const std::lock_guard guard(mutex_);
        for (const auto& doc : docs_)
            if (doc->stamp == stamp)
                return doc;
        return nullptr;
    }

    void keep(std::shared_ptr<const Document> doc, const timespec& readAt) {
        if (doc->stamp.modified.tv_sec + SettledSeconds > readAt.tv_sec ||
            doc->stamp.changed.tv_sec + SettledSeconds > readAt.tv_sec)
            return;
        const std::lock_guard guard(mutex_);
        std::erase_if(docs_, [&doc](const auto& old) { return old->stamp == doc->stamp; });
        docs_.insert(docs_.begin(), std::move(doc));
        if (docs_.size() > Kept)
            docs_.pop_back();
    }

private:
    static constexpr size_t Kept = 8;
    // Beyond the coarsest file times in use (two seconds).
    static constexpr time_t SettledSeconds = 3;
    std::mutex mutex_;
    std::vector<std::shared_ptr<const Document>> docs_;
};

timespec now() {
    timespec at{};
    clock_gettime(CLOCK_REALTIME, &at);
    return at;
}

DocumentCache& documents() {
    static DocumentCache cache;
    return cache;
}

// The file as it is on disk now: empty when it is missing or cannot be read.
std::shared_ptr<const TIniFile::Document> loadDocument(const QString& fileName) {
    const Stamp stamp = stampOf(fileName);
    if (stamp.exists) {
        if (auto doc = documents().find(stamp))
            return doc;
    }
    const timespec readAt = now();
    QByteArray data;
    const ReadResult read = readFile(fileName, data);
    auto doc = std::make_shared<TIniFile::Document>(
        read == ReadResult::Ok ? TIniFile::Document::parse(data) : TIniFile::Document());
    doc->stamp = stamp;
    doc->unreadable = read == ReadResult::Failed;
    if (read == ReadResult::Ok)
        documents().keep(doc, readAt);
    return doc;
}

QString unreadableMessage(const QString& fileName) {
    const QString message = QStringLiteral("Impossibile leggere il file %1").arg(fileName);
    const QFileInfo info(fileName);
    if (info.isFile() && info.size() > platform::MaxIniFileSize)
        return message + QStringLiteral(": file troppo grande (oltre %1 MB)")
                             .arg(platform::MaxIniFileSize / (1024 * 1024));
    return message;
}

} // namespace

TIniFile::TIniFile(const QString& FileName) : fileName_(FileName) {}

TIniFile::~TIniFile() = default;

const TIniFile::Document& TIniFile::current() const {
    if (pending_)
        return *pending_;
    const Stamp stamp = stampOf(fileName_);
    if (!cache_ || !(cache_->stamp == stamp))
        cache_ = loadDocument(fileName_);
    return *cache_;
}

QString TIniFile::ReadString(const QString& Section, const QString& Ident,
                             const QString& Default) const {
    const Document::Section* section = current().find(Section);
    if (!section)
        return Default;
    const std::optional<Line> line = Document::keyLine(*section, Ident);
    return line ? unquote(line->value) : Default;
}

int TIniFile::ReadInteger(const QString& Section, const QString& Ident, int Default) const {
    const QString text = ReadString(Section, Ident, QString());
    bool ok = false;
    int value = 0;
    if (text.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive)) {
        const uint bits = text.mid(2).toUInt(&ok, 16);
        value = static_cast<int>(bits);
    } else {
        value = text.toInt(&ok, 10);
    }
    return ok ? value : Default;
}

bool TIniFile::ReadBool(const QString& Section, const QString& Ident, bool Default) const {
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

QStringList TIniFile::ReadSection(const QString& Section) const {
    const Document::Section* section = current().find(Section);
    return section ? section->keyNames : QStringList();
}

QStringList TIniFile::ReadSections() const {
    return current().names;
}

bool TIniFile::SectionExists(const QString& Section) const {
    return current().find(Section) != nullptr;
}

bool TIniFile::ValueExists(const QString& Section, const QString& Ident) const {
    const Document::Section* section = current().find(Section);
    return section && section->keys.contains(folded(Trim(Ident)));
}

QString TIniFile::ReadError() const {
    return current().unreadable ? unreadableMessage(fileName_) : QString();
}

void TIniFile::BeginUpdate() {
    ++updates_;
}

void TIniFile::EndUpdate() {
    if (updates_ == 0 || --updates_ > 0)
        return;
    // Whatever happens to the rewrite, reading goes back to the file.
    std::vector<Change> changes = std::move(changes_);
    changes_.clear();
    pending_.reset();
    if (!changes.empty())
        rewrite(changes);
}

void TIniFile::modify(Change change) {
    if (updates_ == 0) {
        rewrite({change});
        return;
    }
    if (!pending_)
        pending_ = std::make_unique<Document>(current());
    change(*pending_);
    changes_.push_back(std::move(change));
}

// One locked read-modify-write of the whole file with the changes in order; the file is
// replaced only when one of them changed something.
void TIniFile::rewrite(const std::vector<Change>& changes) {
    const QString failure = QStringLiteral("Impossibile scrivere il file %1").arg(fileName_);
    const QFileInfo info(fileName_);
    // A file without its owner's write permission is read-only, even to a privileged user.
    if (info.exists() &&
        (info.isDir() || !info.isWritable() || !(info.permissions() & QFileDevice::WriteOwner)))
        throw EIniFileException(failure + QStringLiteral(": file di sola lettura"));
    QLockFile lock(fileName_ + QStringLiteral(".lock"));
    if (!lockWithin(lock, LockTimeoutMs))
        throw EIniFileException(failure +
                                (lock.error() == QLockFile::LockFailedError
                                     ? QStringLiteral(": file in uso da un altro programma")
                                     : QStringLiteral(": cartella non accessibile")));
    const std::shared_ptr<const Document> before = loadDocument(fileName_);
    if (before->unreadable)
        throw EIniFileException(unreadableMessage(fileName_));
    auto after = std::make_shared<Document>(*before);
    bool changed = false;
    for (const Change& change : changes)
        changed = change(*after) || changed;
    if (!changed)
        return;
    QString error;
    if (!platform::WriteWholeFile(fileName_, after->serialized(), &error))
        throw EIniFileException(error);
    after->stamp = stampOf(fileName_);
    cache_ = std::move(after);
}

void TIniFile::WriteString(const QString& Section, const QString& Ident, const QString& Value) {
    const QString section = Trim(Section);
    const QString ident = Trim(Ident);
    if (!validSection(section) || !validIdent(ident))
        throw EIniFileException(
            QStringLiteral(
                "Impossibile scrivere il file %1: nome \"%2\" non valido nella sezione \"%3\"")
                .arg(fileName_, Ident, Section));
    const QString value = oneLine(Value);
    modify([section, ident, value](Document& doc) { return doc.setValue(section, ident, value); });
}

void TIniFile::WriteInteger(const QString& Section, const QString& Ident, int Value) {
    WriteString(Section, Ident, QString::number(Value));
}

void TIniFile::WriteBool(const QString& Section, const QString& Ident, bool Value) {
    WriteString(Section, Ident, Value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TIniFile::CreateSection(const QString& Section) {
    const QString section = Trim(Section);
    if (!validSection(section))
        throw EIniFileException(
            QStringLiteral("Impossibile scrivere il file %1: sezione \"%2\" non valida")
                .arg(fileName_, Section));
    modify([section](Document& doc) { return doc.addSection(section); });
}

void TIniFile::EraseSection(const QString& Section) {
    const QString section = Trim(Section);
    modify([section](Document& doc) { return doc.eraseSection(section); });
}

void TIniFile::DeleteKey(const QString& Section, const QString& Ident) {
    const QString section = Trim(Section);
    const QString ident = Trim(Ident);
    modify([section, ident](Document& doc) { return doc.deleteKey(section, ident); });
}
