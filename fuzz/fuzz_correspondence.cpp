// Any player texts and message files through the correspondence code: no crash, no index out of
// range, and a message file joined and split again keeps its messages.

#include "app/Correspondence.h"
#include "platform/TextLines.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QList<QByteArray> parts = bytes.split('\0');
    const QString white = QString::fromLatin1(parts.value(0));
    const QString black = QString::fromLatin1(parts.value(1));
    correspondence::PlayerShortName(white);
    correspondence::PlayerEmailAddress(black);

    const correspondence::TGameData game{"4001", white, black, "", "", ""};
    const correspondence::TLastMove move{"1b", "e2-e4", true};
    const correspondence::TMessageSettings settings{"area", "gruppo",
                                                    QString::fromLatin1(parts.value(2)), true};
    correspondence::BuildVexlorMessage(game, move, settings);
    correspondence::BuildNntpMessage(game, move, settings);
    correspondence::BuildEmail(game, move, settings);

    const QStringList lines = platform::SplitLines(parts.value(3));
    correspondence::TMessageFile file(QStringLiteral("--- NNTP ---"));
    file.Split(lines);
    const QList<QStringList> messages = file.NonEmpty();
    correspondence::TMessageFile again(QStringLiteral("--- NNTP ---"));
    again.Split(file.Join());
    if (again.NonEmpty() != messages)
        std::abort();
    correspondence::QueueAfterPosting(lines, int(size % 7) - 2);
    return 0;
}
