// A copy reaches the disk under its partial name before it takes the destination's: after a crash
// the destination holds the old file or the whole new one, never a file the disk had not got.

#include "storage/FileUtil.h"

#include "tests/storage/SyncedFiles.h"
#include "tests/storage/TestFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

TEST(FileCopySyncTest, TheWholeCopyIsSyncedBeforeItIsPutInPlace) {
    QTemporaryDir dir;
    QByteArray data(300000, '\0');
    for (qsizetype i = 0; i < data.size(); ++i)
        data[i] = char(i * 31 + i / 1000);
    const QString source = dir.filePath("source.qzd");
    Write(source, data);
    Write(dir.filePath("old/game.qzd"), "old game");
    struct Case {
        QString dest;  // as given to the copy
        QString given; // the file it makes
    };
    const Case cases[] = {
        {dir.filePath("new/game.qzd"), dir.filePath("new/game.qzd")},
        {dir.filePath("old/game.qzd"), dir.filePath("old/game.qzd")},
        {dir.filePath("old"), dir.filePath("old/source.qzd")},
    };
    for (const Case& c : cases) {
        TSyncRecording recording;
        CopyFileEx(source, c.dest, false, false);
        ASSERT_EQ(Read(c.given), data) << c.given.toStdString();
        struct stat placed {};
        ASSERT_EQ(::stat(QFile::encodeName(c.given).constData(), &placed), 0);
        const QFileInfo given(c.given);
        const QString partial = given.absolutePath() + "/." + given.fileName() + ".parziale";
        bool synced = false;
        for (const TSyncedFile& file : recording.Files()) {
            if (file.device != placed.st_dev || file.inode != placed.st_ino)
                continue;
            synced = true;
            EXPECT_EQ(file.path.toStdString(), partial.toStdString())
                << "synced under its partial name, before the rename";
            EXPECT_EQ(file.size, data.size()) << "synced whole";
        }
        EXPECT_TRUE(synced) << c.given.toStdString();
    }
}
