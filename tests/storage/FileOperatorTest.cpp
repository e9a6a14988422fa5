// The file operator on real file systems: the desktop's trash in a temporary data folder (names
// that collide, odd characters, a second file system, a trash that cannot take the file), plain
// deletion, copies, moves and renames with their flags and questions, and the copy and move
// helpers that go through it.

#include "storage/FileUtil.h"

#include "platform/ExceptionDisplay.h"
#include "platform/MessageBox.h"
#include "tests/storage/SmallFileSystem.h"
#include "tests/storage/TestFiles.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                                  QDir::System);
}

dev_t DeviceOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_dev : 0;
}

void SetModified(const QString& path, const timespec& stamp) {
    const timespec times[2] = {stamp, stamp};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

timespec Modified(const QString& path) {
    struct stat info {};
    ::lstat(QFile::encodeName(path).constData(), &info);
    return info.st_mtim;
}

QStringList Sorted(QStringList names) {
    names.sort();
    return names;
}

// Holds a lock on the file as a run under way does.
class Locked {
public:
    explicit Locked(const QString& path)
        : handle_(::open(QFile::encodeName(path).constData(), O_RDONLY)) {
        EXPECT_EQ(::flock(handle_, LOCK_EX), 0);
    }
    ~Locked() { ::close(handle_); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    int handle_;
};

struct Box {
    QString text;
    int flags;
};

// A data folder of its own and every message box answered and recorded.
class FileOperatorTest : public ::testing::Test {
protected:
    QTemporaryDir data, work;
    QByteArray previousData = qgetenv("XDG_DATA_HOME");
    platform::MessageBoxHook previousHook;
    QList<Box> boxes;
    int answer = platform::IDYES;

    void SetUp() override {
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
        previousHook =
            platform::SetMessageBoxHook([this](const QString& text, const QString&, int flags) {
                boxes.append({text, flags});
                return answer;
            });
    }
    void TearDown() override {
        platform::SetMessageBoxHook(previousHook);
        qputenv("XDG_DATA_HOME", previousData);
    }

    QString trash(const QString& name = QString()) const { return data.filePath("Trash/" + name); }

    // The original path and the deletion time an info file holds.
    std::pair<QString, QDateTime> info(const QString& name) const {
        const QStringList lines =
            QString::fromLatin1(Read(trash("info/" + name + ".trashinfo"))).split('\n');
        EXPECT_EQ(lines.value(0), "[Trash Info]");
        EXPECT_TRUE(lines.value(1).startsWith("Path="));
        EXPECT_TRUE(lines.value(2).startsWith("DeletionDate="));
        return {
            QFile::decodeName(QByteArray::fromPercentEncoding(lines.value(1).mid(5).toLatin1())),
            QDateTime::fromString(lines.value(2).mid(13), Qt::ISODate)};
    }

    bool aborted = false;

    bool run(TFileOperation operation, TFileOperFlags options, const QString& source,
             const QString& destination = QString()) {
        TKxFileOperator op;
        op.Operation = operation;
        op.Options = options;
        op.Source = source;
        op.Destination = destination;
        const bool done = op.Execute();
        aborted = op.Aborted();
        return done;
    }

    bool trashed(const QString& source) {
        return run(foDelete, flAllowUndo | flNoConfirmation | flSilent, source);
    }
};

TEST_F(FileOperatorTest, TheTrashKeepsNameAndPathOfEveryFile) {
    const QStringList names = {"partita.qzd",    "con due  spazi.qzd ",
                               " iniziale.qzd",  QString::fromUtf8("perchè già.qzd"),
                               "100% vinto.qzd", QString::fromUtf8("Ωmega 中文.qzd")};
    for (const QString& name : names) {
        Write(work.filePath(name), name.toUtf8());
        ASSERT_TRUE(trashed(work.filePath(name))) << name.toStdString();
    }
    for (const QString& name : names) {
        EXPECT_FALSE(QFileInfo::exists(work.filePath(name))) << name.toStdString();
        EXPECT_EQ(Read(trash("files/" + name)), name.toUtf8());
        const auto [path, when] = info(name);
        EXPECT_EQ(path, work.filePath(name));
        EXPECT_TRUE(when.isValid());
    }
    const QByteArray raw = Read(trash("info/100% vinto.qzd.trashinfo"));
    EXPECT_TRUE(raw.contains("/100%25%20vinto.qzd\n")) << raw.constData();
    EXPECT_TRUE(boxes.isEmpty());
}

TEST_F(FileOperatorTest, ATakenNameInTheTrashGivesANewOne) {
    Write(work.filePath("a/game.qzd"), "first");
    Write(work.filePath("b/game.qzd"), "second");
    Write(work.filePath("c/game.qzd"), "third");
    Write(work.filePath("folder/inside.txt"), "inside");
    ASSERT_TRUE(trashed(work.filePath("a/game.qzd")));
    ASSERT_TRUE(trashed(work.filePath("b/game.qzd")));
    // An entry without info file is someone else's: its name is not reused.
    Write(trash("files/game (3).qzd"), "orphan");
    ASSERT_TRUE(trashed(work.filePath("c/game.qzd") + "|" + work.filePath("folder")));
    EXPECT_EQ(Read(trash("files/game.qzd")), "first");
    EXPECT_EQ(Read(trash("files/game (2).qzd")), "second");
    EXPECT_EQ(Read(trash("files/game (3).qzd")), "orphan");
    EXPECT_EQ(Read(trash("files/game (4).qzd")), "third");
    EXPECT_EQ(info("game (2).qzd").first, work.filePath("b/game.qzd"));
    EXPECT_EQ(info("game (4).qzd").first, work.filePath("c/game.qzd"));
    EXPECT_EQ(Read(trash("files/folder/inside.txt")), "inside");
    EXPECT_EQ(info("folder").first, work.filePath("folder"));
    EXPECT_FALSE(QFileInfo::exists(trash("info/game (3).qzd.trashinfo")));
}

TEST_F(FileOperatorTest, WithoutUndoTheFilesAreDeletedAfterAQuestion) {
    Write(work.filePath("one.txt"), "1");
    Write(work.filePath("two.txt"), "2");
    Write(work.filePath("dir/three.txt"), "3");
    answer = platform::IDNO;
    EXPECT_FALSE(run(foDelete, 0, work.filePath("*.txt")));
    EXPECT_TRUE(aborted);
    EXPECT_TRUE(QFileInfo::exists(work.filePath("one.txt")));
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes.first().text, "Eliminare definitivamente questi 2 elementi?");
    answer = platform::IDYES;
    EXPECT_TRUE(run(foDelete, flFilesOnly, work.filePath("*")));
    EXPECT_EQ(Entries(work.path()), QStringList{"dir"});
    EXPECT_TRUE(run(foDelete, flNoConfirmation, work.filePath("dir")));
    EXPECT_TRUE(Entries(work.path()).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(trash()));
}

TEST_F(FileOperatorTest, AFileOnAnotherFileSystemIsCopiedIntoTheTrash) {
    if (!QFileInfo("/dev/shm").isDir())
        GTEST_SKIP() << "no /dev/shm";
    QTemporaryDir shm("/dev/shm/quendel-XXXXXX");
    if (DeviceOf(shm.path()) == DeviceOf(data.path()))
        GTEST_SKIP() << "/dev/shm and the data folder are one file system";
    Write(shm.filePath("far away.qzd"), QByteArray(20000, 'q'));
    Write(shm.filePath("folder/deep/x.txt"), "x");
    const timespec stamp = Modified(shm.filePath("far away.qzd"));
    ASSERT_TRUE(trashed(shm.filePath("far away.qzd") + ";" + shm.filePath("folder")));
    EXPECT_TRUE(Entries(shm.path()).isEmpty());
    EXPECT_EQ(Read(trash("files/far away.qzd")), QByteArray(20000, 'q'));
    EXPECT_EQ(Modified(trash("files/far away.qzd")).tv_sec, stamp.tv_sec);
    EXPECT_EQ(Modified(trash("files/far away.qzd")).tv_nsec, stamp.tv_nsec);
    EXPECT_EQ(Read(trash("files/folder/deep/x.txt")), "x");
    EXPECT_EQ(info("far away.qzd").first, shm.filePath("far away.qzd"));
    EXPECT_EQ(Entries(trash("files")), (QStringList{"far away.qzd", "folder"}));

    // What cannot be copied stays where it was, and the trash keeps no trace of it.
    ASSERT_EQ(::mkfifo(QFile::encodeName(shm.filePath("pipe")).constData(), 0600), 0);
    EXPECT_FALSE(trashed(shm.filePath("pipe")));
    EXPECT_TRUE(QFileInfo::exists(shm.filePath("pipe")));
    EXPECT_EQ(Entries(trash("files")), (QStringList{"far away.qzd", "folder"}));
    EXPECT_EQ(Entries(trash("info")), (QStringList{"far away.qzd.trashinfo", "folder.trashinfo"}));
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes.first().text.startsWith("Impossibile spostare \"" + shm.filePath("pipe") +
                                              "\" nel cestino"));
    EXPECT_EQ(boxes.first().flags, platform::MB_ICONERROR);
}

TEST_F(FileOperatorTest, ATrashThatCannotTakeTheFileLeavesItInPlace) {
    Write(work.filePath("keep.qzd"), "keep");
    Write(trash("files"), "a file where the folder belongs");
    EXPECT_FALSE(trashed(work.filePath("keep.qzd")));
    EXPECT_EQ(Read(work.filePath("keep.qzd")), "keep");
    EXPECT_TRUE(Entries(trash("info")).isEmpty());
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes.first().flags, platform::MB_ICONERROR);
    boxes.clear();
    EXPECT_FALSE(run(foDelete, flAllowUndo | flNoConfirmation | flNoErrorUI | flSilent,
                     work.filePath("keep.qzd")));
    EXPECT_TRUE(boxes.isEmpty());
}

TEST_F(FileOperatorTest, AReadOnlyTrashLeavesTheFileInPlace) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "as root a read-only trash folder still takes the file; a file in place "
                        "of the trash folder and a file that cannot be copied cover this road";
    Write(work.filePath("keep.qzd"), "keep");
    ASSERT_TRUE(QDir().mkpath(trash("files")));
    QFile::setPermissions(trash("files"), QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_FALSE(trashed(work.filePath("keep.qzd")));
    QFile::setPermissions(trash("files"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(Read(work.filePath("keep.qzd")), "keep");
    EXPECT_TRUE(Entries(trash("info")).isEmpty());
}

TEST_F(FileOperatorTest, CopiesAskBeforeReplacingOrTakeANewName) {
    Write(work.filePath("src/a.txt"), "new a");
    Write(work.filePath("src/b.txt"), "new b");
    Write(work.filePath("dst/a.txt"), "old a");
    const QString sources = work.filePath("src/a.txt") + ";" + work.filePath("src/b.txt");
    answer = platform::IDNO;
    EXPECT_TRUE(run(foCopy, flNoConfirmMkDir, sources, work.filePath("dst")));
    EXPECT_TRUE(aborted);
    EXPECT_EQ(Read(work.filePath("dst/a.txt")), "old a");
    EXPECT_EQ(Read(work.filePath("dst/b.txt")), "new b");
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes.first().flags, platform::MB_YESNOCANCEL | platform::MB_ICONQUESTION);
    answer = platform::IDCANCEL;
    EXPECT_FALSE(run(foCopy, 0, sources, work.filePath("dst")));
    EXPECT_TRUE(aborted);
    answer = platform::IDYES;
    EXPECT_TRUE(run(foCopy, 0, sources, work.filePath("dst")));
    EXPECT_FALSE(aborted);
    EXPECT_EQ(Read(work.filePath("dst/a.txt")), "new a");
    boxes.clear();
    EXPECT_TRUE(run(foCopy, flRenameOnCollision, sources, work.filePath("dst")));
    EXPECT_TRUE(run(foCopy, flRenameOnCollision, work.filePath("src/a.txt"), work.filePath("src")));
    EXPECT_EQ(Entries(work.filePath("dst")),
              (QStringList{"a (2).txt", "a.txt", "b (2).txt", "b.txt"}));
    EXPECT_EQ(Read(work.filePath("src/a (2).txt")), "new a");
    EXPECT_FALSE(run(foCopy, 0, work.filePath("src/a.txt"), work.filePath("src")));
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes.first().text,
              "Impossibile copiare \"" + work.filePath("src/a.txt") + "\" su se stesso");
    EXPECT_EQ(Read(work.filePath("src/a.txt")), "new a");
    boxes.clear();
    EXPECT_FALSE(run(foCopy, flNoErrorUI, work.filePath("src"), work.filePath("src/inner")));
    EXPECT_FALSE(QFileInfo::exists(work.filePath("src/inner/src")));
    EXPECT_TRUE(boxes.isEmpty());
}

TEST_F(FileOperatorTest, FoldersAreMadeAfterAQuestionAndCopiedWhole) {
    Write(work.filePath("src/sub/x.txt"), "x");
    ASSERT_TRUE(QFile::link("x.txt", work.filePath("src/sub/link")));
    answer = platform::IDNO;
    EXPECT_FALSE(run(foCopy, 0, work.filePath("src"), work.filePath("new/")));
    EXPECT_FALSE(QFileInfo::exists(work.filePath("new")));
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes.first().text,
              "La cartella \"" + work.filePath("new") + "\" non esiste. Crearla?");
    answer = platform::IDYES;
    EXPECT_TRUE(run(foCopy, 0, work.filePath("src"), work.filePath("new/")));
    EXPECT_EQ(Read(work.filePath("new/src/sub/x.txt")), "x");
    EXPECT_EQ(QFileInfo(work.filePath("new/src/sub/link")).symLinkTarget(),
              work.filePath("new/src/sub/x.txt"));
    EXPECT_EQ(Read(work.filePath("src/sub/x.txt")), "x");
}

TEST_F(FileOperatorTest, MovesAndRenames) {
    Write(work.filePath("a.txt"), "a");
    Write(work.filePath("b.txt"), "b");
    Write(work.filePath("c.txt"), "c");
    EXPECT_TRUE(run(foRename, 0, work.filePath("a.txt"), work.filePath("alfa.txt")));
    EXPECT_TRUE(run(foMove, flMultiDest | flNoConfirmMkDir,
                    work.filePath("b.txt") + "|" + work.filePath("c.txt"),
                    work.filePath("x/bravo.txt") + "|" + work.filePath("y/charlie.txt")));
    EXPECT_EQ(Entries(work.path()), (QStringList{"alfa.txt", "x", "y"}));
    EXPECT_EQ(Read(work.filePath("x/bravo.txt")), "b");
    EXPECT_EQ(Read(work.filePath("y/charlie.txt")), "c");
    EXPECT_FALSE(run(foRename, flNoErrorUI, work.filePath("alfa.txt") + ";" + work.filePath("x"),
                     work.filePath("beta.txt")));
    EXPECT_TRUE(QFileInfo::exists(work.filePath("alfa.txt")));
    EXPECT_FALSE(run(foMove, 0, work.filePath("missing.txt"), work.filePath("x")));
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes.first().text, "Impossibile trovare \"" + work.filePath("missing.txt") + "\"");

    if (!QFileInfo("/dev/shm").isDir())
        GTEST_SKIP() << "no /dev/shm";
    QTemporaryDir shm("/dev/shm/quendel-XXXXXX");
    if (DeviceOf(shm.path()) == DeviceOf(work.path()))
        GTEST_SKIP() << "/dev/shm and the working folder are one file system";
    Write(shm.filePath("game/moves.txt"), "e4 e5");
    Write(work.filePath("game/old.txt"), "old");
    EXPECT_TRUE(run(foMove, flNoConfirmation, shm.filePath("game"), work.path()));
    EXPECT_EQ(Entries(work.filePath("game")), (QStringList{"moves.txt", "old.txt"}));
    EXPECT_TRUE(Entries(shm.path()).isEmpty());
}

TEST_F(FileOperatorTest, TheCopyAndMoveHelpersAbortSilentlyOnFailure) {
    Write(work.filePath("a.txt"), "a");
    CopyFileEx(work.filePath("a.txt"), work.filePath("copy/b.txt"), false, true);
    EXPECT_EQ(Read(work.filePath("copy/b.txt")), "a");
    Write(work.filePath("copy/c.txt"), "old");
    CopyFileEx(work.filePath("a.txt"), work.filePath("copy/c.txt"), true, true);
    EXPECT_EQ(Read(work.filePath("copy/c.txt")), "a");
    EXPECT_TRUE(boxes.isEmpty());
    answer = platform::IDCANCEL;
    EXPECT_THROW(CopyFileEx(work.filePath("a.txt"), work.filePath("copy/c.txt"), false, true),
                 platform::EAbort);
    answer = platform::IDYES;
    MoveFileEx(work.filePath("copy/b.txt"), work.filePath("copy/d.txt"), true);
    MoveFileEx(work.filePath("copy/d.txt"), work.filePath("e.txt"), true);
    EXPECT_EQ(Read(work.filePath("e.txt")), "a");
    EXPECT_FALSE(QFileInfo::exists(work.filePath("copy/d.txt")));
    boxes.clear();
    EXPECT_THROW(MoveFileEx(work.filePath("missing"), work.filePath("f.txt"), true),
                 platform::EAbort);
    EXPECT_EQ(boxes.size(), 1);
}

TEST_F(FileOperatorTest, Attributes) {
    Write(work.filePath("plain.txt"), "x");
    Write(work.filePath(".hidden"), "x");
    QFile::setPermissions(work.filePath(".hidden"), QFile::ReadOwner);
    ASSERT_EQ(::mkfifo(QFile::encodeName(work.filePath("pipe")).constData(), 0600), 0);
    const struct {
        const char* name;
        int attr;
        bool set;
    } cases[] = {
        {"plain.txt", 0, true},
        {"plain.txt", faReadOnly, false},
        {"plain.txt", faHidden, false},
        {".hidden", faHidden | faReadOnly, true},
        {".hidden", faHidden | faDirectory, false},
        {"pipe", faSysFile, true},
        {"", faDirectory, true},
        {"missing", 0, false},
        {"plain.txt", faArchive, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HasAttr(work.filePath(c.name), c.attr), c.set) << c.name << " " << c.attr;
}

TEST_F(FileOperatorTest, OnlyStarAndQuestionMarkAreWildcards) {
    const QStringList files = {"Torneo [2024] turno 1.pgn",
                               "Torneo 2 turno 2.pgn",
                               "[ab].txt",
                               "a.txt",
                               "a{b}.txt",
                               "back\\slash.txt",
                               "star*.txt",
                               "starX.txt",
                               "what?.txt",
                               "whatX.txt",
                               "README"};
    const struct {
        const char* mask;
        QStringList matched;
    } cases[] = {
        {"Torneo [2024]*.pgn", {"Torneo [2024] turno 1.pgn"}},
        {"[ab].txt", {"[ab].txt"}},
        {"?ab?.txt", {"[ab].txt"}},
        {"*]*", {"Torneo [2024] turno 1.pgn", "[ab].txt"}},
        {"a{b}.txt", {"a{b}.txt"}},
        {"*{*}*", {"a{b}.txt"}},
        {"back\\slash.txt", {"back\\slash.txt"}},
        {"*\\*", {"back\\slash.txt"}},
        {"star*.txt", {"star*.txt", "starX.txt"}},
        {"what?.txt", {"what?.txt", "whatX.txt"}},
        {"TORNEO 2*", {"Torneo 2 turno 2.pgn"}},
        {"*.*", files},
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        for (const QString& name : files) {
            Write(dir.filePath("copied/" + name), name.toUtf8());
            Write(dir.filePath("deleted/" + name), name.toUtf8());
            Write(dir.filePath("masked/" + name), name.toUtf8());
        }
        QStringList kept = files;
        for (const QString& name : c.matched)
            kept.removeOne(name);
        const QString mask = QString::fromUtf8(c.mask);
        EXPECT_TRUE(run(foCopy, flNoConfirmation | flNoConfirmMkDir | flSilent,
                        dir.filePath("copied/" + mask), dir.filePath("copy/")))
            << c.mask;
        EXPECT_EQ(Sorted(Entries(dir.filePath("copy"))), Sorted(c.matched)) << c.mask;
        for (const QString& name : c.matched)
            EXPECT_EQ(Read(dir.filePath("copy/" + name)), name.toUtf8()) << c.mask;
        EXPECT_TRUE(run(foDelete, flNoConfirmation | flSilent, dir.filePath("deleted/" + mask)))
            << c.mask;
        EXPECT_EQ(Sorted(Entries(dir.filePath("deleted"))), Sorted(kept)) << c.mask;
        EXPECT_TRUE(DeleteFiles(dir.filePath("masked/" + mask))) << c.mask;
        EXPECT_EQ(Sorted(Entries(dir.filePath("masked"))), Sorted(kept)) << c.mask;
    }
    // A name that is no mask is taken as it is, wildcards and all.
    Write(work.filePath("a.txt"), "a");
    EXPECT_TRUE(run(foCopy, flNoConfirmation | flNoConfirmMkDir | flSilent, work.filePath("a.txt"),
                    work.filePath("x/[1] *?{\\}.txt")));
    EXPECT_EQ(Entries(work.filePath("x")), QStringList{"[1] *?{\\}.txt"});
    EXPECT_FALSE(
        run(foDelete, flNoConfirmation | flSilent | flNoErrorUI, work.filePath("[a].txt")));
    EXPECT_EQ(Read(work.filePath("a.txt")), "a");
    EXPECT_TRUE(boxes.isEmpty());
}

TEST_F(FileOperatorTest, LeftoversOfAKilledRunGoTheNextTimeTheOperatorWritesThere) {
    // A partial copy without its info file, an info file without its entry, the info file of a
    // run of ours still moving its entry in, which it holds locked, and one just written by
    // another program, which holds no lock.
    Write(trash("files/.old.qzd.parziale"), "half");
    Write(trash("files/.tree.parziale/inside.txt"), "half");
    const timespec yesterday{QDateTime::currentSecsSinceEpoch() - 86400, 0};
    for (const char* name : {"lost", "moving", "fresh"}) {
        const QString info = trash(QStringLiteral("info/%1.qzd.trashinfo").arg(name));
        Write(info, "[Trash Info]\n");
        if (QByteArray(name) != "fresh")
            SetModified(info, yesterday);
    }
    const Locked moving(trash("info/moving.qzd.trashinfo"));
    Write(work.filePath("game.qzd"), "game");
    ASSERT_TRUE(trashed(work.filePath("game.qzd")));
    EXPECT_EQ(Entries(trash("files")), QStringList{"game.qzd"});
    EXPECT_EQ(Entries(trash("info")),
              (QStringList{"fresh.qzd.trashinfo", "game.qzd.trashinfo", "moving.qzd.trashinfo"}));

    Write(work.filePath("src/a.txt"), "a");
    Write(work.filePath("dst/.a.txt.parziale"), "half");
    Write(work.filePath("dst/.b.txt (2).parziale"), "half");
    Write(work.filePath("dst/.busy.parziale"), "under way");
    const Locked busy(work.filePath("dst/.busy.parziale"));
    EXPECT_TRUE(
        run(foCopy, flNoConfirmation | flSilent, work.filePath("src/a.txt"), work.filePath("dst")));
    EXPECT_EQ(Entries(work.filePath("dst")), (QStringList{".busy.parziale", "a.txt"}));
}

TEST_F(FileOperatorTest, ARunKilledHalfWayLeavesNothingTheNextRunShows) {
    if (!QFileInfo("/dev/shm").isDir())
        GTEST_SKIP() << "no /dev/shm";
    QTemporaryDir shm("/dev/shm/quendel-XXXXXX");
    if (DeviceOf(shm.path()) == DeviceOf(data.path()))
        GTEST_SKIP() << "/dev/shm and the data folder are one file system";
    Write(shm.filePath("big.qzd"), QByteArray(200000, 'b'));
    // A child whose writes past 64 KB kill it, as a crash half-way through the copy would.
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit cap{64 * 1024, 64 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &cap);
        std::signal(SIGXFSZ, SIG_DFL); // the tests ignore it, as the program does
        trashed(shm.filePath("big.qzd"));
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGXFSZ);
    EXPECT_EQ(Entries(trash("files")), QStringList{".big.qzd.parziale"});
    EXPECT_EQ(Entries(trash("info")), QStringList{"big.qzd.trashinfo"});

    Write(work.filePath("next.qzd"), "next");
    ASSERT_TRUE(trashed(work.filePath("next.qzd")));
    EXPECT_EQ(Entries(trash("files")), QStringList{"next.qzd"});
    EXPECT_EQ(Read(shm.filePath("big.qzd")), QByteArray(200000, 'b'));
    ASSERT_TRUE(trashed(shm.filePath("big.qzd")));
    EXPECT_EQ(Entries(trash("files")), (QStringList{"big (2).qzd", "next.qzd"}));
}

TEST_F(FileOperatorTest, ACopyThatFailsHalfWayLeavesNoPieceBehind) {
    FullDisk disk;
    if (!disk.TwoFileSystems())
        GTEST_SKIP() << "no second file system";
    Write(disk.Far("big.qzd"), QByteArray(200000, 'b'));
    Write(disk.Far("folder/a.bin"), QByteArray(30000, 'a'));
    Write(disk.Far("folder/sub/b.bin"), QByteArray(100000, 'c'));
    const QString data = disk.Folder() + "/data", copies = disk.Folder() + "/copies";
    const int verdict = disk.Run([&] {
        qputenv("XDG_DATA_HOME", QFile::encodeName(data));
        const TFileOperFlags quiet = flNoConfirmation | flSilent | flNoErrorUI;
        const bool failed = !trashed(disk.Far("big.qzd")) && !trashed(disk.Far("folder")) &&
                            !run(foCopy, quiet, disk.Far("big.qzd"), copies) &&
                            !run(foMove, quiet, disk.Far("folder"), copies);
        return failed ? 0 : 1;
    });
    EXPECT_EQ(verdict, 0);
    EXPECT_TRUE(Entries(data + "/Trash/files").isEmpty());
    EXPECT_TRUE(Entries(data + "/Trash/info").isEmpty());
    EXPECT_TRUE(Entries(copies).isEmpty());
    EXPECT_EQ(Read(disk.Far("big.qzd")), QByteArray(200000, 'b'));
    EXPECT_EQ(Read(disk.Far("folder/sub/b.bin")), QByteArray(100000, 'c'));
    EXPECT_EQ(Read(disk.Far("folder/a.bin")), QByteArray(30000, 'a'));
}

TEST_F(FileOperatorTest, TheProgressCancelStopsTheOperation) {
    Write(work.filePath("src/a.txt"), "new a");
    Write(work.filePath("src/b.txt"), "new b");
    Write(work.filePath("src/c.txt"), "new c");
    Write(work.filePath("dst/a.txt"), "old a");
    // Cancel is pressed while the question about the first file is open.
    bool pressed = false;
    const auto hook = platform::SetMessageBoxHook([&](const QString&, const QString&, int) {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* progress = qobject_cast<QProgressDialog*>(window)) {
                if (auto* button = progress->findChild<QPushButton*>()) {
                    button->click();
                    pressed = true;
                }
            }
        }
        return platform::IDYES;
    });
    EXPECT_FALSE(run(foCopy, 0, work.filePath("src/*.txt"), work.filePath("dst")));
    platform::SetMessageBoxHook(hook);
    EXPECT_TRUE(pressed);
    EXPECT_TRUE(aborted);
    EXPECT_EQ(Entries(work.filePath("dst")), QStringList{"a.txt"});
    EXPECT_EQ(Read(work.filePath("dst/a.txt")), "new a");
}

} // namespace
