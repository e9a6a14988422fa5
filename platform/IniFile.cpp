#include "platform/IniFile.h"

#include "platform/SafeWrite.h"
#include "platform/TextLines.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLockFile>
#include <QThread>
#include <sys/stat.h>

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
    data = file.read(platform::MaxIniFileSize + 1);
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

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString folded(const QString& name) {
    return Trim(name).toCaseFolded();
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

// The lines of the file, edited in place by the writers.
struct Lines {
    QStringList text;
    QString eol = QStringLiteral("\n");

    QList<qsizetype> headers(const QString& section) const {
        QList<qsizetype> found;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const Line line = parseLine(text.at(i));
            if (line.kind == LineKind::Section && sameName(line.name, section))
                found.append(i);
        }
        return found;
    }

    qsizetype sectionEnd(qsizetype header) const {
        qsizetype i = header + 1;
        while (i < text.size() && parseLine(text.at(i)).kind != LineKind::Section)
            ++i;
        return i;
    }

    bool setValue(const QString& section, const QString& ident, const QString& value) {
        const QString entry = ident + u'=' + value;
        const QList<qsizetype> found = headers(section);
        if (found.isEmpty()) {
            text.append(u'[' + section + u']');
            text.append(entry);
            return true;
        }
        const qsizetype header = found.first();
        const qsizetype end = sectionEnd(header);
        qsizetype insertAt = header + 1;
        for (qsizetype i = header + 1; i < end; ++i) {
            const Line line = parseLine(text.at(i));
            if (line.kind == LineKind::Key && sameName(line.name, ident)) {
                text[i] = entry;
                return true;
            }
            if (!Trim(text.at(i)).isEmpty())
                insertAt = i + 1;
        }
        text.insert(insertAt, entry);
        return true;
    }

    // Removes every section of that name, so an erased section is gone even from a file that
    // holds it twice.
    bool eraseSection(const QString& section) {
        const QList<qsizetype> found = headers(section);
        for (auto it = found.crbegin(); it != found.crend(); ++it)
            text.remove(*it, sectionEnd(*it) - *it);
        return !found.isEmpty();
    }

    bool deleteKey(const QString& section, const QString& ident) {
        bool changed = false;
        const QList<qsizetype> found = headers(section);
        for (auto it = found.crbegin(); it != found.crend(); ++it) {
            for (qsizetype i = sectionEnd(*it) - 1; i > *it; --i) {
                const Line line = parseLine(text.at(i));
                if (line.kind == LineKind::Key && sameName(line.name, ident)) {
                    text.removeAt(i);
                    changed = true;
                }
            }
        }
        return changed;
    }

    bool addSection(const QString& section) {
        if (!headers(section).isEmpty())
            return false;
        text.append(u'[' + section + u']');
        return true;
    }

    QByteArray serialized() const {
        QString joined;
        for (const QString& line : text)
            joined += line + eol;
        return joined.toLatin1();
    }
};

Lines linesOf(const QByteArray& data) {
    Lines lines;
    // The file's own line ending is kept for rewriting it.
    lines.text = platform::SplitLines(data, &lines.eol);
    if (lines.eol.isEmpty())
        lines.eol = QStringLiteral("\n");
    return lines;
}

} // namespace

// The file as last read, indexed for reading: the first section of a name and the first key of
// a name in it win, as they do for the platform's profile functions.
struct TIniFile::Document {
    struct Section {
        QString name;
        QStringList keys;
        QHash<QString, QString> values;
    };

    Stamp stamp;
    QList<Section> sections;
    QHash<QString, qsizetype> index;

    const Section* find(const QString& name) const {
        const auto it = index.constFind(folded(name));
        return it == index.constEnd() ? nullptr : &sections.at(*it);
    }

    static Document parse(const QByteArray& data) {
        Document doc;
        Section* current = nullptr;
        for (const QString& raw : platform::SplitLines(data)) {
            const Line line = parseLine(raw);
            if (line.kind == LineKind::Section) {
                current = nullptr;
                if (line.name.isEmpty() || doc.index.contains(line.name.toCaseFolded()))
                    continue;
                doc.index.insert(line.name.toCaseFolded(), doc.sections.size());
                doc.sections.append(Section{line.name, {}, {}});
                current = &doc.sections.last();
            } else if (line.kind == LineKind::Key && current) {
                const QString key = line.name.toCaseFolded();
                if (current->values.contains(key))
                    continue;
                current->keys.append(line.name);
                current->values.insert(key, unquote(line.value));
            }
        }
        return doc;
    }
};

TIniFile::TIniFile(const QString& FileName) : fileName_(FileName) {}

TIniFile::~TIniFile() = default;

const TIniFile::Document& TIniFile::current() const {
    const Stamp stamp = stampOf(fileName_);
    if (cache_ && cache_->stamp == stamp)
        return *cache_;
    QByteArray data;
    const bool readable = readFile(fileName_, data) == ReadResult::Ok;
    cache_ = std::make_unique<Document>(readable ? Document::parse(data) : Document());
    cache_->stamp = stamp;
    return *cache_;
}

QString TIniFile::ReadString(const QString& Section, const QString& Ident,
                             const QString& Default) const {
    const Document::Section* section = current().find(Section);
    if (!section)
        return Default;
    const auto it = section->values.constFind(folded(Ident));
    return it == section->values.constEnd() ? Default : *it;
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
    return section ? section->keys : QStringList();
}

QStringList TIniFile::ReadSections() const {
    QStringList names;
    for (const Document::Section& section : current().sections)
        names.append(section.name);
    return names;
}

bool TIniFile::SectionExists(const QString& Section) const {
    return current().find(Section) != nullptr;
}

bool TIniFile::ValueExists(const QString& Section, const QString& Ident) const {
    const Document::Section* section = current().find(Section);
    return section && section->values.contains(folded(Ident));
}

// change edits the lines and answers whether anything changed.
template <class Change> void TIniFile::modify(Change change) {
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
    QByteArray data;
    if (readFile(fileName_, data) == ReadResult::Failed)
        throw EIniFileException(QStringLiteral("Impossibile leggere il file %1").arg(fileName_));
    Lines lines = linesOf(data);
    if (!change(lines))
        return;
    QString error;
    if (!platform::WriteWholeFile(fileName_, lines.serialized(), &error))
        throw EIniFileException(error);
    cache_.reset();
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
    modify([&](Lines& lines) { return lines.setValue(section, ident, value); });
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
    modify([&](Lines& lines) { return lines.addSection(section); });
}

void TIniFile::EraseSection(const QString& Section) {
    const QString section = Trim(Section);
    modify([&](Lines& lines) { return lines.eraseSection(section); });
}

void TIniFile::DeleteKey(const QString& Section, const QString& Ident) {
    const QString section = Trim(Section);
    const QString ident = Trim(Ident);
    modify([&](Lines& lines) { return lines.deleteKey(section, ident); });
}
