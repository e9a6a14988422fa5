// The file utilities on real file systems: names, copies with progress and time stamps, a copy
// onto itself, a move across two file systems, clearing a folder with a link out of it, masks,
// sizes past 4 GB, locks, desktop links and the folder dialog; and the progress registry.

#include "storage/FileUtil.h"
#include "platform/Dialogs.h"
#include "platform/MessageBox.h"
#include "storage/Kxprgrss.h"
#include "tests/ConfigHome.h"
#include "tests/storage/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QScopeGuard>
#include <QSet>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

// A progress control of another kind: it records every position it is given.
class Gauge : public QObject {
    Q_OBJECT
    Q_PROPERTY(qint64 Top MEMBER Top)
    Q_PROPERTY(qint64 Bottom MEMBER Bottom)
    Q_PROPERTY(qint64 Position READ position WRITE setPosition)
public:
    qint64 Top = -1, Bottom = -1;
    QList<qint64> Positions;
    qint64 position() const { return Positions.isEmpty() ? 0 : Positions.back(); }
    void setPosition(qint64 value) { Positions.append(value); }
};

class BigGauge : public Gauge {
    Q_OBJECT
};

namespace {

QByteArray Bytes(int size) {
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i)
        data[i] = char(i * 7 + 3);
    return data;
}

// The modification time to the nanosecond, as the file system keeps it.
timespec Modified(const QString& path) {
    struct stat info {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info.st_mtim;
}

bool OnTwoDevices(const QString& a, const QString& b) {
    struct stat sa {
    }, sb{};
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &sb) == 0 && sa.st_dev != sb.st_dev;
}

void SetModified(const QString& path, const timespec& stamp) {
    const timespec times[2] = {stamp, stamp};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

QString CopyError(const QString& from, const QString& to) {
    try {
        CopyFile(from, to);
    } catch (const EFileError& error) {
        return error.Message();
    }
    return QString();
}

TEST(FileUtilTest, Names) {
    EXPECT_EQ(NormalDir(""), "");
    EXPECT_EQ(NormalDir("/tmp"), "/tmp/");
    EXPECT_EQ(NormalDir("/tmp/"), "/tmp/");
    EXPECT_EQ(RemoveBackSlash("/"), "/");
    EXPECT_EQ(RemoveBackSlash("/tmp/"), "/tmp");
    EXPECT_EQ(RemoveBackSlash("/tmp"), "/tmp");
    EXPECT_TRUE(ValidFileName("partita 1.qzd"));
    EXPECT_FALSE(ValidFileName("a|b"));
    EXPECT_FALSE(ValidFileName(""));
    EXPECT_TRUE(GetTempDir().endsWith('/'));
}

TEST(FileUtilTest, CopyKeepsBytesAndTimeStampAndReportsProgress) {
    QTemporaryDir dir;
    const QString source = dir.filePath("source.bin");
    Write(source, Bytes(8192));
    {
        QFile file(source);
        file.open(QIODevice::ReadWrite);
        file.setFileTime(QDateTime(QDate(2020, 5, 6), QTime(7, 8, 9)),
                         QFileDevice::FileModificationTime);
    }
    RegisterProgressControl(&Gauge::staticMetaObject, "Top", "Bottom", "Position");
    Gauge gauge;
    CopyFile(source, dir.filePath("sub/dir/copy.bin"), &gauge);
    EXPECT_EQ(Read(dir.filePath("sub/dir/copy.bin")), Bytes(8192));
    EXPECT_EQ(gauge.Top, 8192);
    EXPECT_EQ(gauge.Bottom, 0);
    EXPECT_EQ(gauge.Positions, (QList<qint64>{0, 8192, 8192, 0}));
    EXPECT_EQ(FileDateTime(dir.filePath("sub/dir/copy.bin")), FileDateTime(source));
    ForceDirectories(dir.filePath("into"));
    CopyFile(source, dir.filePath("into"));
    EXPECT_EQ(GetFileSize(dir.filePath("into/source.bin")), 8192);
    UnRegisterProgressControl(&Gauge::staticMetaObject);
}

TEST(FileUtilTest, CopyFailuresLeaveEverythingWhole) {
    QTemporaryDir dir;
    const QString source = dir.filePath("source.bin");
    Write(source, Bytes(100));
    EXPECT_EQ(CopyError(source, source), "Cannot create file " + source);
    QFile::link(source, dir.filePath("alias.bin"));
    EXPECT_EQ(CopyError(source, dir.filePath("alias.bin")),
              "Cannot create file " + dir.filePath("alias.bin"));
    EXPECT_EQ(Read(source), Bytes(100));
    EXPECT_EQ(CopyError(dir.path(), dir.filePath("x")), "Cannot open file " + dir.path());
    EXPECT_EQ(CopyError(dir.filePath("missing"), dir.filePath("x")),
              "Cannot open file " + dir.filePath("missing"));
    EXPECT_EQ(CopyError("/dev/null", dir.filePath("x")), "Cannot open file /dev/null");
}

TEST(FileUtilTest, MoveAcrossTwoFileSystemsKeepsTheTimeStamp) {
    if (!QFileInfo("/dev/shm").isDir())
        GTEST_SKIP() << "no /dev/shm";
    QTemporaryDir shm("/dev/shm/quendel-XXXXXX");
    QTemporaryDir here(QDir::currentPath() + "/move-XXXXXX");
    if (!OnTwoDevices(shm.path(), here.path()))
        GTEST_SKIP() << "/dev/shm and the working folder are one file system";
    const QString source = shm.filePath("game.qzd");
    Write(source, Bytes(20000));
    const timespec stamp{1588748889, 123456789};
    SetModified(source, stamp);
    QFile::setPermissions(source, QFile::ReadOwner);
    MoveFile(source, here.filePath("game.qzd"));
    EXPECT_FALSE(QFileInfo::exists(source));
    EXPECT_EQ(Read(here.filePath("game.qzd")), Bytes(20000));
    const timespec moved = Modified(here.filePath("game.qzd"));
    EXPECT_EQ(moved.tv_sec, stamp.tv_sec);
    EXPECT_EQ(moved.tv_nsec, stamp.tv_nsec);
}

TEST(FileUtilTest, ClearDirRemovesALinkNotWhatItPointsAt) {
    QTemporaryDir outside, dir;
    Write(outside.filePath("keep.txt"), "keep");
    ForceDirectories(dir.filePath("a/b"));
    Write(dir.filePath("a/b/file.txt"), "x");
    Write(dir.filePath("top.txt"), "y");
    QFile::setPermissions(dir.filePath("top.txt"), QFile::ReadOwner);
    QFile::link(outside.path(), dir.filePath("a/out"));
    QFile::link(outside.filePath("keep.txt"), dir.filePath("file-link"));
    EXPECT_FALSE(ClearDir(dir.filePath("a/out"), true));
    EXPECT_TRUE(ClearDir(dir.path(), false));
    EXPECT_TRUE(QDir(dir.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System));
    EXPECT_EQ(Read(outside.filePath("keep.txt")), "keep");
    EXPECT_FALSE(ClearDir("/", false));
    EXPECT_FALSE(ClearDir(dir.filePath("missing"), false));
    EXPECT_TRUE(ClearDir(dir.path(), true));
    EXPECT_FALSE(QFileInfo::exists(dir.path()));
}

TEST(FileUtilTest, MasksSizesAndLocks) {
    QTemporaryDir dir;
    Write(dir.filePath("a.tmp"), "1");
    Write(dir.filePath("b.tmp"), "2");
    Write(dir.filePath("c.txt"), "3");
    EXPECT_FALSE(DeleteFiles(dir.filePath("*.none")));
    EXPECT_TRUE(DeleteFilesEx({dir.filePath("*.tmp")}));
    EXPECT_TRUE(DeleteFilesEx({}));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("a.tmp")));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("c.txt")));
    const QString sparse = dir.filePath("sparse.bin");
    {
        QFile file(sparse);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(5LL << 30));
    }
    EXPECT_EQ(GetFileSize(sparse), 5LL << 30);
    EXPECT_EQ(GetFileSize(dir.path()), -1);
    EXPECT_EQ(GetFileSize(dir.filePath("missing")), -1);
    EXPECT_EQ(FileDateTime(dir.filePath("missing")), NullDate);
    const int fd = ::open(QFile::encodeName(sparse).constData(), O_RDWR);
    EXPECT_EQ(FileLock(fd, 4LL << 30, 100), 0);
    EXPECT_EQ(FileUnlock(fd, 4LL << 30, 100), 0);
    ::close(fd);
    EXPECT_NE(FileLock(-1, 0, 1), 0);
    EXPECT_EQ(ShortToLongFileName(sparse), sparse);
    EXPECT_EQ(LongToShortFileName(dir.filePath("missing")), "");
}

TEST(FileUtilTest, DesktopLinkAndFolderDialog) {
    const ConfigHome dataHome("XDG_DATA_HOME");
    QTemporaryDir dir;
    Write(dir.filePath("game.qzd"), "Quendel");
    ASSERT_TRUE(CreateFileLink(dir.filePath("game.qzd"), "Partita", sfApplications));
    const QString link = NormalDir(SpecialFolderPath(sfApplications)) + "Partita.desktop";
    const QString text = QString::fromUtf8(Read(link));
    EXPECT_TRUE(text.contains("Type=Link\n"));
    EXPECT_TRUE(text.contains("URL=file://" + dir.filePath("game.qzd")));
    EXPECT_TRUE(DeleteFileLink("Partita", sfApplications));
    EXPECT_FALSE(QFileInfo::exists(link));
    EXPECT_TRUE(link.startsWith(dataHome.path()));

    QString asked;
    auto old = platform::SetDirectoryDialogHook([&](const QString& title, QString& folder) {
        asked = title + ":" + folder;
        folder = "/chosen/";
        return true;
    });
    QString folder = "/start";
    EXPECT_TRUE(BrowseDirectory(folder, "Cartella", 0));
    EXPECT_EQ(asked, "Cartella:/start");
    EXPECT_EQ(folder, "/chosen");
    platform::SetDirectoryDialogHook([](const QString&, QString&) { return false; });
    EXPECT_FALSE(BrowseDirectory(folder, "", 0));
    EXPECT_EQ(folder, "/chosen");
    platform::SetDirectoryDialogHook(old);
}

TEST(FileUtilTest, DesktopLinkNamesStayInTheirFolderAndOnTheirLines) {
    const ConfigHome dataHome("XDG_DATA_HOME");
    QTemporaryDir dir;
    Write(dir.filePath("game.qzd"), "Quendel");
    const QString folder = SpecialFolderPath(sfApplications);
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString outside = QFileInfo(folder).dir().filePath("fuori.desktop");
    Write(outside, "kept");
    QStringList errors;
    const auto oldBox = platform::SetMessageBoxHook([&](const QString& text, const QString&, int) {
        errors.append(text);
        return 1;
    });
    // Put back however the test ends: the hook refers to this test's list.
    const auto restoreBox = qScopeGuard([&oldBox] { platform::SetMessageBoxHook(oldBox); });
    struct Case {
        QString name;
        QString file;
        QString nameLine; // the entry's "Name=" line, or "" for a link refused
    };
    const QString nul = QString::fromLatin1("Par\0tita", 8);
    const Case cases[] = {
        {"Partita", "game.qzd", "Name=Partita"},
        {"Partita \\s 1", "game.qzd", "Name=Partita \\\\s 1"},
        {"../fuori", "game.qzd", ""},
        {"a/b", "game.qzd", ""},
        {"Partita\nExec=xterm", "game.qzd", ""},
        {"Partita\rExec=xterm", "game.qzd", ""},
        {nul, "game.qzd", ""},
        {"Partita", "game\nExec=xterm.qzd", ""},
    };
    // What a call adds to the folder, whatever else is there.
    const auto entries = [&folder] {
        const QStringList list = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        return QSet<QString>(list.begin(), list.end());
    };
    for (const Case& c : cases) {
        errors.clear();
        const QSet<QString> before = entries();
        const bool made = CreateFileLink(dir.filePath(c.file), c.name, sfApplications);
        EXPECT_EQ(made, !c.nameLine.isEmpty()) << c.name.toStdString();
        EXPECT_EQ(errors.size(), made ? 0 : 1) << c.name.toStdString();
        const QStringList written = (entries() - before).values();
        if (!made) {
            EXPECT_TRUE(written.isEmpty()) << written.join(",").toStdString();
            EXPECT_FALSE(DeleteFileLink(c.name, sfApplications));
            continue;
        }
        ASSERT_EQ(written, QStringList{c.name + ".desktop"});
        const QStringList lines =
            QString::fromUtf8(Read(NormalDir(folder) + written[0])).split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 5) << lines.join("|").toStdString();
        EXPECT_EQ(lines[2], c.nameLine);
        EXPECT_TRUE(DeleteFileLink(c.name, sfApplications));
    }
    EXPECT_FALSE(DeleteFileLink("../fuori", sfApplications));
    EXPECT_EQ(Read(outside), "kept");
}

TEST(ProgressRegistryTest, FindsTheNearestRegisteredClass) {
    QProgressBar bar;
    EXPECT_TRUE(SupportsProgressControl(&bar));
    EXPECT_TRUE(SetProgressMax(&bar, 500));
    EXPECT_TRUE(SetProgressValue(&bar, 250));
    EXPECT_EQ(bar.value(), 250);
    BigGauge gauge;
    EXPECT_FALSE(SupportsProgressControl(&gauge));
    EXPECT_FALSE(SetProgressValue(&gauge, 1));
    RegisterProgressControl(&Gauge::staticMetaObject, "Top", "Bottom", "Position");
    EXPECT_TRUE(SetProgressValue(&gauge, 7));
    EXPECT_EQ(gauge.position(), 7);
    RegisterProgressControl(&BigGauge::staticMetaObject, "Top", "Bottom", "Missing");
    EXPECT_FALSE(SetProgressValue(&gauge, 8));
    UnRegisterProgressControl(&BigGauge::staticMetaObject);
    UnRegisterProgressControl(&Gauge::staticMetaObject);
    EXPECT_FALSE(SupportsProgressControl(&gauge));
}

} // namespace

#include "FileUtilTest.moc"
