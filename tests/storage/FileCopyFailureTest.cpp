// Copies and moves that fail half-way on a full disk, onto read-only files, from a missing source:
// the old destination stays byte for byte, the source keeps its permissions, and no partial copy
// is left behind; leftovers of a killed copy go the next time a copy writes there.

#include "storage/FileUtil.h"

#include "tests/storage/SmallFileSystem.h"
#include "tests/storage/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray Pattern(int size, char seed) {
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i)
        data[i] = char(seed + i * 13);
    return data;
}

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                                  QDir::System);
}

QString Failure(const std::function<void()>& action) {
    try {
        action();
    } catch (const EFileError& error) {
        return error.Message();
    }
    return QString();
}

// The copy's failure as the copy helpers word it, from a child writing to the full disk.
QString FailureOnFullDisk(const FullDisk& disk, const std::function<void()>& body) {
    const int verdict = disk.Run([&] {
        const QString failure = Failure(body);
        return failure == "Stream write error" ? 1 : failure.isEmpty() ? 0 : 2;
    });
    return verdict == 1 ? QStringLiteral("Stream write error")
                        : QStringLiteral("verdict %1").arg(verdict);
}

TEST(FileCopyFailureTest, AnOverwriteThatFailsHalfWayLeavesTheOldFileWhole) {
    FullDisk disk;
    const QString dest = disk.Folder() + "/game.qzd";
    Write(dest, Pattern(8000, 1));
    QFile::setPermissions(dest, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    Write(disk.Far("big.qzd"), Pattern(200000, 2));
    EXPECT_EQ(FailureOnFullDisk(disk, [&] { CopyFileEx(disk.Far("big.qzd"), dest, false, false); }),
              "Stream write error");
    EXPECT_EQ(Read(dest), Pattern(8000, 1));
    EXPECT_EQ(QFile::permissions(dest) & 0x7077,
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    EXPECT_EQ(Entries(disk.Folder()), QStringList{"game.qzd"});

    // A copy that fits replaces it and keeps its permissions.
    Write(disk.Far("small.qzd"), Pattern(3000, 3));
    CopyFileEx(disk.Far("small.qzd"), dest, false, false);
    EXPECT_EQ(Read(dest), Pattern(3000, 3));
    EXPECT_EQ(QFile::permissions(dest) & 0x7077,
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    EXPECT_EQ(Entries(disk.Folder()), QStringList{"game.qzd"});
}

TEST(FileCopyFailureTest, AMoveThatFailsHalfWayLeavesBothFilesAsTheyWere) {
    FullDisk disk;
    if (!disk.TwoFileSystems())
        GTEST_SKIP() << "no second file system";
    const QString source = disk.Far("big.qzd"), dest = disk.Folder() + "/game.qzd";
    Write(dest, Pattern(8000, 1));
    Write(source, Pattern(200000, 2));
    QFile::setPermissions(source, QFile::ReadOwner);
    EXPECT_EQ(FailureOnFullDisk(disk, [&] { MoveFile(source, dest); }), "Stream write error");
    EXPECT_EQ(Read(dest), Pattern(8000, 1));
    EXPECT_EQ(Read(source), Pattern(200000, 2));
    EXPECT_EQ(QFile::permissions(source) & 0x7077, QFile::ReadOwner);
    EXPECT_EQ(Entries(disk.Folder()), QStringList{"game.qzd"});

    EXPECT_EQ(Failure([&] { MoveFile(disk.Far("missing.qzd"), dest); }),
              "Cannot open file " + disk.Far("missing.qzd"));
    EXPECT_EQ(Read(dest), Pattern(8000, 1));
}

TEST(FileCopyFailureTest, AReadOnlyDestinationIsReplacedOnlyWhenTold) {
    QTemporaryDir dir;
    const QString source = dir.filePath("new.qzd"), dest = dir.filePath("old.qzd");
    Write(source, "new");
    Write(dest, "old");
    QFile::setPermissions(dest, QFile::ReadOwner | QFile::ReadGroup);
    EXPECT_EQ(Failure([&] { CopyFile(source, dest); }), "Cannot create file " + dest);
    EXPECT_EQ(Read(dest), "old");
    EXPECT_EQ(QFile::permissions(dest) & 0x7077, QFile::ReadOwner | QFile::ReadGroup);
    CopyFileEx(source, dest, true, false);
    EXPECT_EQ(Read(dest), "new");
    EXPECT_EQ(QFile::permissions(dest) & 0x7077,
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    EXPECT_EQ(Entries(dir.path()), (QStringList{"new.qzd", "old.qzd"}));
}

TEST(FileCopyFailureTest, ASourceThatCannotGoKeepsItsPermissions) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "as root a read-only folder does not keep its files";
    FullDisk disk;
    if (!disk.TwoFileSystems())
        GTEST_SKIP() << "no second file system";
    const QString source = disk.Far("locked/game.qzd"), dest = disk.Folder() + "/game.qzd";
    Write(source, "game");
    QFile::setPermissions(source, QFile::ReadOwner);
    QFile::setPermissions(disk.Far("locked"), QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_EQ(Failure([&] { MoveFile(source, dest); }), "Cannot delete file " + source);
    QFile::setPermissions(disk.Far("locked"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(QFile::permissions(source) & 0x7077, QFile::ReadOwner);
    EXPECT_EQ(Read(source), "game");
    EXPECT_EQ(Read(dest), "game");
}

TEST(FileCopyFailureTest, LeftoversOfAKilledCopyGoWhenTheNextCopyWritesThere) {
    QTemporaryDir dir;
    Write(dir.filePath("source.qzd"), "source");
    Write(dir.filePath("to/.game.qzd.parziale"), "killed half-way");
    Write(dir.filePath("to/.folder.parziale/inside"), "killed half-way");
    Write(dir.filePath("to/.busy.qzd.parziale"), "another copy under way");
    const int busy =
        ::open(QFile::encodeName(dir.filePath("to/.busy.qzd.parziale")).constData(), O_RDONLY);
    ASSERT_EQ(::flock(busy, LOCK_EX), 0);
    CopyFile(dir.filePath("source.qzd"), dir.filePath("to/game.qzd"));
    EXPECT_EQ(Entries(dir.filePath("to")), (QStringList{".busy.qzd.parziale", "game.qzd"}));
    ::close(busy);
    EXPECT_EQ(Read(dir.filePath("to/game.qzd")), "source");

    // A name as long as the file system takes still has room for its partial copy's.
    const QString longest = QString(122, QChar(0x00e8)) + ".qzd";
    CopyFile(dir.filePath("source.qzd"), dir.filePath("to/" + longest));
    EXPECT_EQ(Read(dir.filePath("to/" + longest)), "source");
}

} // namespace
