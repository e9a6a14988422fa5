#include "platform/IniFile.h"

#include "platform/SafeWrite.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QThread>
#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <ctime>
#include <limits>
#include <map>
#include <mutex>
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

platform::IniFileClock& fileClock() {
    static platform::IniFileClock clock;
    return clock;
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
    if (fileClock().wholeSeconds)
        stamp.modified.tv_nsec = stamp.changed.tv_nsec = 0;
    return stamp;
}

timespec now() {
    timespec at{};
    clock_gettime(CLOCK_REALTIME, &at);
    at.tv_sec += fileClock().secondsAhead;
    return at;
}

// Beyond the coarsest file times in use (two seconds).
constexpr time_t SettledSeconds = 3;

// Whether the file's times, seen at that moment, were already old enough that any later change
// of the file gives it other times.
bool settledAt(const Stamp& stamp, const timespec& at) {
    return stamp.modified.tv_sec + SettledSeconds <= at.tv_sec &&
           stamp.changed.tv_sec + SettledSeconds <= at.tv_sec;
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

// Names match as a case-insensitive comparison matches them: code point by code point, folded.
// The file's 8-bit names fold byte by byte through a table; a name asked for folds as text, so
// only what its bytes would read as matches it.
const std::array<char16_t, 256>& byteFolds() {
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> folds{};
        for (int b = 0; b < 256; ++b)
            folds[b] = QChar(char16_t(b)).toCaseFolded().unicode();
        return folds;
    }();
    return table;
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

constexpr quint32 HashSeed = 2166136261u;

quint32 hashStep(quint32 hash, char16_t unit) {
    return (hash ^ unit) * 16777619u;
}

// Spreads a hash over the low bits the tables take.
quint32 mixed(quint32 hash) {
    hash ^= hash >> 16;
    hash *= 0x85ebca6bu;
    hash ^= hash >> 13;
    hash *= 0xc2b2ae35u;
    return hash ^ (hash >> 16);
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

enum class LineKind { Section, Key, Other };

// A range of the document's text.
struct Span {
    quint32 begin = 0;
    quint32 end = 0;
    quint32 size() const { return end - begin; }
};

bool blank(char c) {
    return uchar(c) <= ' ';
}

Span trimmed(const char* text, quint32 begin, quint32 end) {
    while (begin < end && blank(text[begin]))
        ++begin;
    while (end > begin && blank(text[end - 1]))
        --end;
    return Span{begin, end};
}

// One line of text, read as a section header, a key or anything else.
struct LineView {
    LineKind kind = LineKind::Other;
    Span name;
    Span value;
};

LineView viewLine(const char* text, quint32 begin, quint32 end) {
    const Span line = trimmed(text, begin, end);
    LineView view;
    if (line.size() == 0 || text[line.begin] == ';')
        return view;
    if (text[line.begin] == '[') {
        const auto* close =
            static_cast<const char*>(std::memchr(text + line.begin + 1, ']', line.size() - 1));
        view.kind = LineKind::Section;
        view.name = trimmed(text, line.begin + 1, close ? quint32(close - text) : line.end);
        return view;
    }
    const auto* equals = static_cast<const char*>(std::memchr(text + line.begin, '=', line.size()));
    if (!equals)
        return view;
    view.name = trimmed(text, line.begin, quint32(equals - text));
    if (view.name.size() == 0)
        return view;
    view.kind = LineKind::Key;
    view.value = trimmed(text, quint32(equals - text) + 1, line.end);
    return view;
}

QString unquote(const QString& value) {
    if (value.size() >= 2 && value.front() == value.back() &&
        (value.front() == u'"' || value.front() == u'\''))
        return value.mid(1, value.size() - 2);
    return value;
}

// A name asked for, folded once for every comparison with the file's names.
struct Name {
    QString folded;
    quint32 hash = HashSeed;

    explicit Name(const QString& name) : folded(::folded(Trim(name))) {
        for (const QChar c : folded)
            hash = hashStep(hash, c.unicode());
    }
};

// Line breaks of every kind turned into LF, and the last line ended; firstEol receives the first
// ending met, or LF when there is none.
QByteArray normalized(QByteArray data, QByteArray& firstEol) {
    firstEol = "\n";
    const qsizetype firstBreak = [&] {
        for (qsizetype i = 0; i < data.size(); ++i)
            if (data[i] == '\r' || data[i] == '\n')
                return i;
        return data.size();
    }();
    if (firstBreak < data.size() && data[firstBreak] == '\r')
        firstEol = firstBreak + 1 < data.size() && data[firstBreak + 1] == '\n' ? "\r\n" : "\r";
    if (data.contains('\r')) {
        char* bytes = data.data();
        qsizetype kept = 0;
        for (qsizetype i = 0; i < data.size(); ++i) {
            if (bytes[i] != '\r') {
                bytes[kept++] = bytes[i];
                continue;
            }
            bytes[kept++] = '\n';
            if (i + 1 < data.size() && bytes[i + 1] == '\n')
                ++i;
        }
        data.truncate(kept);
    }
    if (!data.isEmpty() && data.back() != '\n')
        data.append('\n');
    return data;
}

} // namespace

// The file as one buffer of 8-bit lines, each ended by LF whatever the file's endings, with an
// index of its sections and keys: the buffer is about the file's size, the index a few words per
// section and key. The first section of a name and the first key of a name in it are the ones
// read, as they are for the platform's profile functions; the writers' rules (a new key after
// the last line of its section that is not blank, a new section at the end of the file) edit the
// same lines, so the bytes written are those of the file read, changed by nothing else than the
// writes, with the file's first line ending throughout.
struct TIniFile::Document {
    // A header's line (0 for the lines before the first header, which are a section without
    // one), its folded name's hash, and its first key.
    struct SectionEntry {
        quint32 begin = 0;
        quint32 hash = 0;
        quint32 firstKey = 0;
    };
    // The line of the first key of a name in its section, and its folded name's hash. Keys are
    // in the order of their lines.
    struct KeyEntry {
        quint32 line = 0;
        quint32 hash = 0;
    };
    static constexpr quint32 None = std::numeric_limits<quint32>::max();

    // Set by any object sharing the document; a copy is another document, not the file's.
    struct SharedFlag {
        mutable std::atomic<bool> value{false};
        SharedFlag() = default;
        SharedFlag(const SharedFlag&) {}
    };

    Stamp stamp;
    // The document is the file's for as long as its stamp stays.
    SharedFlag settled;
    // The file is there but could not be read: it reads as empty and is not written over.
    bool unreadable = false;
    QByteArray eol = "\n";
    QByteArray text;
    std::vector<SectionEntry> sections{SectionEntry{}};
    std::vector<KeyEntry> keys;
    // Open-addressing tables (0 is a free slot): the first section of each name, as its index + 1,
    // and each section's keys, as the key's place among its section's keys + 1, so a key added at
    // the end of a section renumbers no other.
    std::vector<quint32> sectionSlots = std::vector<quint32>(slotsFor(0));
    std::vector<quint32> keySlots = std::vector<quint32>(slotsFor(0));
    // Key lines given a new line of the same name and not yet written into the text, by their
    // offset, and what they add to its size: an update that rewrites every key builds the text
    // once instead of moving the rest of it for each key.
    std::map<quint32, QByteArray> replacements;
    qint64 replacedGrowth = 0;

    static Document parse(QByteArray data) {
        Document doc;
        doc.text = normalized(std::move(data), doc.eol);
        doc.index();
        return doc;
    }

    // Calls line(bytes, size) for each line of the text, without its LF, until it answers false.
    template <class Line> bool eachLine(Line line) const {
        const char* from = text.constData();
        const char* const end = from + text.size();
        while (from < end) {
            const auto* lf = static_cast<const char*>(std::memchr(from, '\n', size_t(end - from)));
            if (!line(from, size_t(lf - from)))
                return false;
            from = lf + 1;
        }
        return true;
    }

    QByteArray serialized() const {
        if (eol == "\n")
            return text;
        QByteArray data(text.size() + (eol.size() - 1) * text.count('\n'), Qt::Uninitialized);
        char* to = data.data();
        eachLine([&](const char* line, size_t size) {
            to = std::copy_n(eol.constData(), eol.size(), std::copy_n(line, size, to));
            return true;
        });
        return data;
    }

    // Whether the file's bytes are those this document writes.
    bool holds(const QByteArray& data) const {
        if (eol == "\n")
            return data == text;
        const char* in = data.constData();
        const char* const end = in + data.size();
        const size_t eolSize = size_t(eol.size());
        return eachLine([&](const char* line, size_t size) {
                   if (size_t(end - in) < size + eolSize || std::memcmp(in, line, size) != 0 ||
                       std::memcmp(in + size, eol.constData(), eolSize) != 0)
                       return false;
                   in += size + eolSize;
                   return true;
               }) &&
               in == end;
    }

    // Reading.

    quint32 lineEnd(quint32 begin) const {
        return quint32(static_cast<const char*>(
                           std::memchr(text.constData() + begin, '\n', text.size() - begin)) -
                       text.constData());
    }

    LineView line(quint32 begin) const { return viewLine(text.constData(), begin, lineEnd(begin)); }

    quint32 sectionEnd(quint32 s) const {
        return s + 1 < sections.size() ? sections[s + 1].begin : quint32(text.size());
    }

    quint32 keysEnd(quint32 s) const {
        return s + 1 < sections.size() ? sections[s + 1].firstKey : quint32(keys.size());
    }

    Span sectionName(quint32 s) const { return line(sections[s].begin).name; }
    Span keyName(quint32 k) const { return line(keys[k].line).name; }

    QString string(Span span) const {
        return QString::fromLatin1(text.constData() + span.begin, span.size());
    }

    static bool matches(const char* bytes, quint32 size, const Name& name) {
        if (qsizetype(size) != name.folded.size())
            return false;
        const auto& folds = byteFolds();
        for (quint32 i = 0; i < size; ++i)
            if (folds[uchar(bytes[i])] != name.folded.at(i).unicode())
                return false;
        return true;
    }

    bool matches(Span span, const Name& name) const {
        return matches(text.constData() + span.begin, span.size(), name);
    }

    bool matches(Span a, Span b) const {
        if (a.size() != b.size())
            return false;
        const auto& folds = byteFolds();
        const char* bytes = text.constData();
        for (quint32 i = 0; i < a.size(); ++i)
            if (folds[uchar(bytes[a.begin + i])] != folds[uchar(bytes[b.begin + i])])
                return false;
        return true;
    }

    quint32 hashOf(Span span) const {
        const auto& folds = byteFolds();
        quint32 hash = HashSeed;
        for (quint32 i = span.begin; i < span.end; ++i)
            hash = hashStep(hash, folds[uchar(text[i])]);
        return hash;
    }

    static quint32 keyHash(quint32 section, quint32 hash) {
        return mixed(hash + section * 0x9e3779b1u);
    }

    // The slot holding the entry that isMatch accepts, or the free slot where it would go.
    template <class IsMatch>
    static size_t slotOf(const std::vector<quint32>& table, quint32 hash, IsMatch isMatch) {
        const size_t mask = table.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask)
            if (table[i] == 0 || isMatch(table[i] - 1))
                return i;
    }

    // The name is a Name asked for or a Span of the text.
    size_t sectionSlot(quint32 hash, const auto& name) const {
        return slotOf(sectionSlots, mixed(hash), [&](quint32 s) {
            return sections[s].hash == hash && matches(sectionName(s), name);
        });
    }

    // Among the count keys from first, those of section s. A place found may be another
    // section's: it counts only as a key of this one.
    size_t keySlot(quint32 s, quint32 first, quint32 count, quint32 hash, const auto& name) const {
        return slotOf(keySlots, keyHash(s, hash), [&](quint32 place) {
            return place < count && keys[first + place].hash == hash &&
                   matches(keyName(first + place), name);
        });
    }

    size_t keySlot(quint32 s, quint32 hash, const auto& name) const {
        return keySlot(s, sections[s].firstKey, keysEnd(s) - sections[s].firstKey, hash, name);
    }

    // The section read under that name, or None.
    quint32 find(const Name& name) const {
        if (name.folded.isEmpty())
            return None;
        const quint32 slot = sectionSlots[sectionSlot(name.hash, name)];
        return slot == 0 ? None : slot - 1;
    }

    quint32 findKey(quint32 s, const Name& name) const {
        const quint32 slot = keySlots[keySlot(s, name.hash, name)];
        return slot == 0 ? None : sections[s].firstKey + slot - 1;
    }

    bool firstOfItsName(quint32 s) const {
        const Span name = sectionName(s);
        return name.size() > 0 && sectionSlots[sectionSlot(sections[s].hash, name)] == s + 1;
    }

    QStringList sectionNames() const {
        QStringList names;
        for (quint32 s = 1; s < sections.size(); ++s)
            if (firstOfItsName(s))
                names.append(string(sectionName(s)));
        return names;
    }

    QStringList keyNames(quint32 s) const {
        QStringList names;
        for (quint32 k = sections[s].firstKey; k < keysEnd(s); ++k)
            names.append(string(keyName(k)));
        return names;
    }

    // Indexing.

    static size_t slotsFor(size_t entries) {
        size_t size = 8;
        while (size < entries + entries / 2 + 1)
            size *= 2;
        return size;
    }

    // Every section and the key lines of the sections with a header, then the tables.
    void index() {
        sections.assign(1, SectionEntry{});
        keys.clear();
        for (quint32 begin = 0; begin < text.size();) {
            const quint32 end = lineEnd(begin);
            const LineView view = viewLine(text.constData(), begin, end);
            if (view.kind == LineKind::Section)
                sections.push_back({begin, hashOf(view.name), quint32(keys.size())});
            else if (view.kind == LineKind::Key && sections.size() > 1)
                keys.push_back({begin, hashOf(view.name)});
            begin = end + 1;
        }
        rebuildTables();
        sections.shrink_to_fit();
        keys.shrink_to_fit();
    }

    // Section s in the table, unless an earlier section of its name is there.
    void placeSection(quint32 s) {
        const size_t slot = sectionSlot(sections[s].hash, sectionName(s));
        if (sectionSlots[slot] == 0)
            sectionSlots[slot] = s + 1;
    }

    // The tables from the entries, keeping only the first key of a name in each section.
    void rebuildTables() {
        sectionSlots.assign(slotsFor(sections.size()), 0);
        for (quint32 s = 1; s < sections.size(); ++s)
            placeSection(s);
        keySlots.assign(slotsFor(keys.size()), 0);
        quint32 kept = 0;
        for (quint32 s = 0; s < sections.size(); ++s) {
            const quint32 first = sections[s].firstKey;
            const quint32 end = keysEnd(s);
            sections[s].firstKey = kept;
            for (quint32 k = first; k < end; ++k) {
                keys[kept] = keys[k];
                const quint32 placed = kept - sections[s].firstKey;
                const size_t slot =
                    keySlot(s, sections[s].firstKey, placed, keys[kept].hash, keyName(kept));
                if (keySlots[slot] != 0)
                    continue;
                keySlots[slot] = placed + 1;
                ++kept;
            }
        }
        keys.resize(kept);
    }

    // Editing. Each writer answers whether it changed anything; every writer but the replacing
    // of a key's line by one of the same name applies the replacements first.

    qint64 size() const { return text.size() + replacedGrowth; }

    // The replacements written into the text in one pass; the sections and keys move with them.
    void applyReplacements() {
        if (replacements.empty())
            return;
        // One is made in place, as a single write's is.
        if (replacements.size() == 1) {
            const auto& [at, line] = *replacements.begin();
            splice(at, lineEnd(at) + 1 - at, line);
            replacements.clear();
            replacedGrowth = 0;
            return;
        }
        QByteArray edited;
        edited.reserve(size());
        qint64 delta = 0;
        size_t s = 0;
        size_t k = 0;
        // The entries up to offset moved by the replacements before it.
        const auto moveUpTo = [&](quint32 offset) {
            for (; s < sections.size() && sections[s].begin <= offset; ++s)
                sections[s].begin = quint32(sections[s].begin + delta);
            for (; k < keys.size() && keys[k].line <= offset; ++k)
                keys[k].line = quint32(keys[k].line + delta);
        };
        quint32 from = 0;
        for (const auto& [at, line] : replacements) {
            moveUpTo(at);
            const quint32 end = lineEnd(at) + 1;
            edited.append(text.constData() + from, at - from).append(line);
            delta += qint64(line.size()) - (end - at);
            from = end;
        }
        moveUpTo(None);
        edited.append(text.constData() + from, text.size() - from);
        text = std::move(edited);
        replacements.clear();
        replacedGrowth = 0;
    }

    // Key k's line replaced by entry, a line of the same name, when the text is next needed.
    void replaceLater(quint32 k, QByteArray entry) {
        const quint32 begin = keys[k].line;
        const auto [place, added] = replacements.try_emplace(begin);
        replacedGrowth +=
            entry.size() - (added ? qint64(lineEnd(begin) + 1 - begin) : place->second.size());
        place->second = std::move(entry);
    }

    // Replaces the text's bytes from at to at + removed by inserted; the sections and keys after
    // them move with them.
    void splice(quint32 at, quint32 removed, const QByteArray& inserted) {
        text.replace(at, removed, inserted);
        const quint32 from = at + removed;
        const qint64 delta = qint64(inserted.size()) - removed;
        auto section = std::lower_bound(
            sections.begin() + 1, sections.end(), from,
            [](const SectionEntry& entry, quint32 offset) { return entry.begin < offset; });
        for (; section != sections.end(); ++section)
            section->begin = quint32(section->begin + delta);
        auto key = std::lower_bound(
            keys.begin(), keys.end(), from,
            [](const KeyEntry& entry, quint32 offset) { return entry.line < offset; });
        for (; key != keys.end(); ++key)
            key->line = quint32(key->line + delta);
    }

    static QByteArray stored(const QString& line) { return line.toLatin1() + '\n'; }

    // A new section at the end of the text, read under its name unless one of the same bytes
    // is there already.
    void appendSection(const QString& section) {
        const quint32 begin = quint32(text.size());
        text += stored(u'[' + section + u']');
        sections.push_back({begin, hashOf(line(begin).name), quint32(keys.size())});
        if (sectionSlots.size() < slotsFor(sections.size()))
            rebuildTables();
        else
            placeSection(quint32(sections.size() - 1));
    }

    // A new key line at the text's offset at, the last of section s's lines that are keys.
    void insertKey(quint32 s, quint32 at, const QByteArray& entry) {
        splice(at, 0, entry);
        const Span name = line(at).name;
        const quint32 hash = hashOf(name);
        // The free slot where the key goes, unless its name, as the file will read it, is there.
        const size_t slot = keySlot(s, hash, name);
        if (keySlots[slot] != 0)
            return;
        const quint32 k = keysEnd(s);
        keys.insert(keys.begin() + k, KeyEntry{at, hash});
        for (quint32 later = s + 1; later < sections.size(); ++later)
            ++sections[later].firstKey;
        if (keySlots.size() < slotsFor(keys.size()))
            rebuildTables();
        else
            keySlots[slot] = k - sections[s].firstKey + 1;
    }

    bool setValue(const QString& section, const QString& ident, const QString& value) {
        QByteArray entry = stored(ident + u'=' + value);
        const quint32 s = find(Name(section));
        const Name key(ident);
        const quint32 k = s == None ? None : findKey(s, key);
        // A name that matched only as text asked for may read otherwise as bytes.
        const Span name = viewLine(entry.constData(), 0, quint32(entry.size() - 1)).name;
        if (k != None && matches(entry.constData() + name.begin, name.size(), key)) {
            replaceLater(k, std::move(entry));
            return true;
        }
        applyReplacements();
        if (s == None) {
            appendSection(section);
            insertKey(quint32(sections.size() - 1), quint32(text.size()), entry);
            return true;
        }
        if (k != None) {
            const quint32 begin = keys[k].line;
            splice(begin, lineEnd(begin) + 1 - begin, entry);
            index();
            return true;
        }
        // After the section's last line that is not blank; only blank lines follow it, so no
        // key moves.
        quint32 at = sectionEnd(s);
        const quint32 body = lineEnd(sections[s].begin) + 1;
        while (at > body) {
            quint32 previous = at - 1;
            while (previous > body && text[previous - 1] != '\n')
                --previous;
            if (trimmed(text.constData(), previous, at - 1).size() != 0)
                break;
            at = previous;
        }
        insertKey(s, at, entry);
        return true;
    }

    // The text without the given line ranges (in order, not overlapping), indexed again.
    void remove(const std::vector<Span>& ranges) {
        QByteArray kept;
        kept.reserve(text.size());
        quint32 from = 0;
        for (const Span& range : ranges) {
            kept.append(text.constData() + from, range.begin - from);
            from = range.end;
        }
        kept.append(text.constData() + from, text.size() - from);
        text = std::move(kept);
        index();
    }

    std::vector<quint32> sectionsNamed(const QString& section) const {
        const Name name(section);
        std::vector<quint32> found;
        for (quint32 s = 1; s < sections.size(); ++s)
            if (sections[s].hash == name.hash && matches(sectionName(s), name))
                found.push_back(s);
        return found;
    }

    // Removes every section of that name, so an erased section is gone even from a file that
    // holds it twice.
    bool eraseSection(const QString& section) {
        applyReplacements();
        std::vector<Span> ranges;
        for (const quint32 s : sectionsNamed(section))
            ranges.push_back({sections[s].begin, sectionEnd(s)});
        if (ranges.empty())
            return false;
        remove(ranges);
        return true;
    }

    // Every line of the key in every section of that name.
    bool deleteKey(const QString& section, const QString& ident) {
        applyReplacements();
        const Name key(ident);
        std::vector<Span> ranges;
        for (const quint32 s : sectionsNamed(section)) {
            if (findKey(s, key) == None)
                continue;
            for (quint32 begin = lineEnd(sections[s].begin) + 1; begin < sectionEnd(s);) {
                const quint32 end = lineEnd(begin) + 1;
                const LineView view = line(begin);
                if (view.kind == LineKind::Key && matches(view.name, key))
                    ranges.push_back({begin, end});
                begin = end;
            }
        }
        if (ranges.empty())
            return false;
        remove(ranges);
        return true;
    }

    bool addSection(const QString& section) {
        if (find(Name(section)) != None)
            return false;
        applyReplacements();
        appendSection(section);
        return true;
    }
};

namespace {

// The document last read or written of each of a handful of files, shared by every object on
// them: a program that opens the file for each window or setting parses it once per version, not
// once per object, and a write starts from the document it finds unchanged on disk.
class DocumentCache {
public:
    using Document = TIniFile::Document;

    std::shared_ptr<const Document> find(const Stamp& stamp) {
        const std::lock_guard guard(mutex_);
        for (const auto& [name, doc] : docs_)
            if (doc->stamp == stamp)
                return doc;
        return nullptr;
    }

    void keep(const QString& fileName, std::shared_ptr<const Document> doc) {
        if (!doc->stamp.exists)
            return;
        const std::lock_guard guard(mutex_);
        std::erase_if(docs_, [&](const auto& old) {
            return old.first == fileName || old.second->stamp == doc->stamp;
        });
        docs_.insert(docs_.begin(), {fileName, std::move(doc)});
        if (docs_.size() > Kept)
            docs_.pop_back();
    }

private:
    static constexpr size_t Kept = 8;
    std::mutex mutex_;
    std::vector<std::pair<QString, std::shared_ptr<const Document>>> docs_;
};

DocumentCache& documents() {
    static DocumentCache cache;
    return cache;
}

// The file as it is on disk now: empty when it is missing or cannot be read. A document kept
// with the file's stamp, known (the one the caller has, or one another object read or wrote), is
// the file's only when the file's times were past the margin when it was last compared: times
// can be coarse, and a file rewritten in place within the same tick keeps its stamp. Otherwise
// the file is read again, and the document is still the one returned when the bytes are its own.
std::shared_ptr<const TIniFile::Document>
loadDocument(const QString& fileName, std::shared_ptr<const TIniFile::Document> known = nullptr) {
    const Stamp stamp = stampOf(fileName);
    const timespec readAt = now();
    if (stamp.exists && !(known && known->stamp == stamp))
        known = documents().find(stamp);
    if (known && !(known->stamp == stamp))
        known = nullptr;
    if (known && known->settled.value)
        return known;
    QByteArray data;
    const ReadResult read = readFile(fileName, data);
    if (known && read == ReadResult::Ok && known->holds(data)) {
        known->settled.value = settledAt(stamp, readAt);
        return known;
    }
    auto doc = std::make_shared<TIniFile::Document>(
        read == ReadResult::Ok ? TIniFile::Document::parse(std::move(data)) : TIniFile::Document());
    doc->stamp = stamp;
    doc->unreadable = read == ReadResult::Failed;
    doc->settled.value = read == ReadResult::Ok && settledAt(stamp, readAt);
    if (read == ReadResult::Ok)
        documents().keep(fileName, doc);
    return doc;
}

const QString TooLarge = QStringLiteral(": file troppo grande (oltre %1 MB)")
                             .arg(platform::MaxIniFileSize / (1024 * 1024));

QString unreadableMessage(const QString& fileName) {
    const QString message = QStringLiteral("Impossibile leggere il file %1").arg(fileName);
    const QFileInfo info(fileName);
    if (info.isFile() && info.size() > platform::MaxIniFileSize)
        return message + TooLarge;
    return message;
}

QString unwritableMessage(const QString& fileName) {
    return QStringLiteral("Impossibile scrivere il file %1").arg(fileName);
}

} // namespace

TIniFile::TIniFile(const QString& FileName) : fileName_(FileName) {}

TIniFile::~TIniFile() = default;

const TIniFile::Document& TIniFile::current() const {
    if (update_.edited) {
        update_.edited->applyReplacements();
        return *update_.edited;
    }
    if (!cache_ || !cache_->settled.value || !(cache_->stamp == stampOf(fileName_)))
        cache_ = loadDocument(fileName_, cache_);
    return *cache_;
}

QString TIniFile::ReadString(const QString& Section, const QString& Ident,
                             const QString& Default) const {
    const Document& doc = current();
    const quint32 section = doc.find(Name(Section));
    if (section == Document::None)
        return Default;
    const quint32 key = doc.findKey(section, Name(Ident));
    return key == Document::None ? Default
                                 : unquote(doc.string(doc.line(doc.keys[key].line).value));
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
    const Document& doc = current();
    const quint32 section = doc.find(Name(Section));
    return section == Document::None ? QStringList() : doc.keyNames(section);
}

QStringList TIniFile::ReadSections() const {
    return current().sectionNames();
}

bool TIniFile::SectionExists(const QString& Section) const {
    return current().find(Name(Section)) != Document::None;
}

bool TIniFile::ValueExists(const QString& Section, const QString& Ident) const {
    const Document& doc = current();
    const quint32 section = doc.find(Name(Section));
    return section != Document::None && doc.findKey(section, Name(Ident)) != Document::None;
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
    Update update = std::move(update_);
    update_ = Update();
    if (!update.changes.empty())
        rewrite(update);
}

void TIniFile::modify(Change change) {
    if (updates_ == 0) {
        Update single;
        single.changes.push_back(std::move(change));
        rewrite(single);
        return;
    }
    if (!update_.edited) {
        current();
        update_.base = cache_;
        update_.edited = std::make_unique<Document>(*cache_);
    }
    // What is gathered stays within what one rewrite may write.
    if (update_.edited->size() > platform::MaxIniFileSize)
        throw EIniFileException(unwritableMessage(fileName_) + TooLarge);
    update_.changed = change(*update_.edited) || update_.changed;
    update_.changes.push_back(std::move(change));
}

// One locked read-modify-write of the whole file with the update's changes in order; the file is
// replaced only when one of them changed something, and never by more than the size it could be
// read at. When the file is as it was when the update began, its edited document is the one
// written.
void TIniFile::rewrite(Update& update) {
    const QString failure = unwritableMessage(fileName_);
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
    const std::shared_ptr<const Document> before =
        loadDocument(fileName_, update.base ? update.base : cache_);
    if (before->unreadable)
        throw EIniFileException(unreadableMessage(fileName_));
    std::shared_ptr<Document> after;
    bool changed = false;
    if (update.edited && update.base == before) {
        after = std::move(update.edited);
        changed = update.changed;
    } else {
        after = std::make_shared<Document>(*before);
        for (const Change& change : update.changes)
            changed = change(*after) || changed;
    }
    if (!changed)
        return;
    after->applyReplacements();
    const QByteArray data = after->serialized();
    if (data.size() > platform::MaxIniFileSize)
        throw EIniFileException(failure + TooLarge);
    QString error;
    if (!platform::WriteWholeFile(fileName_, data, &error))
        throw EIniFileException(error);
    after->stamp = stampOf(fileName_);
    documents().keep(fileName_, after);
    cache_ = std::move(after);
}

void platform::SetIniFileClock(const IniFileClock& clock) {
    fileClock() = clock;
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
