// The file and folder edits: dropped files, quoting, the hooked dialogs and their fall-backs.

#include "controls/ToolEdit.h"
#include "platform/Dialogs.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

void Drop(QWidget* target, const QStringList& files) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& file : files)
        urls.append(QUrl::fromLocalFile(file));
    mime.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(target, &drop);
}

class FileEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        oldBox_ = platform::SetMessageBoxHook([this](const QString& text, const QString&, int) {
            messages.append(text);
            return int(platform::IDOK);
        });
        for (const char* name : {"a.qzd", "b.qzd", "c.qzd", "with blank.qzd"}) {
            QFile file(dir.filePath(name));
            file.open(QIODevice::WriteOnly);
        }
    }
    void TearDown() override { platform::SetMessageBoxHook(oldBox_); }
    QString Path(const char* name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    QStringList messages;
    platform::MessageBoxHook oldBox_;
};

TEST_F(FileEditTest, DroppedFilesTakenWholeOneOrAll) {
    TFilenameEdit edit;
    int drops = 0;
    edit.OnDropFiles = [&](QObject*) { ++drops; };
    Drop(&edit, {Path("a.qzd")});
    EXPECT_EQ(edit.Text(), "");
    edit.SetAcceptFiles(true);
    const QString longName = dir.filePath(QString(300, 'x'));
    Drop(&edit, {longName, Path("b.qzd"), Path("c.qzd")});
    EXPECT_EQ(edit.FileName(), longName);
    edit.SetAllowMultiSelect(true);
    Drop(&edit, {Path("a.qzd"), Path("b.qzd"), Path("c.qzd")});
    EXPECT_EQ(edit.FileName(), Path("a.qzd"));
    EXPECT_EQ(edit.Files().size(), 3);
    EXPECT_EQ(drops, 2);

    TDirectoryEdit folder;
    folder.SetAcceptFiles(true);
    folder.SetMultipleDirs(true);
    Drop(&folder, {Path("a.qzd"), dir.path()});
    EXPECT_EQ(folder.Text(), dir.path() + ";" + dir.path());
}

TEST_F(FileEditTest, NamesWithBlanksAreQuotedAndReadBack) {
    TFilenameEdit edit;
    EXPECT_TRUE(edit.SetFileName(Path("with blank.qzd")));
    EXPECT_EQ(edit.Text(), "\"" + Path("with blank.qzd") + "\"");
    EXPECT_EQ(edit.FileName(), Path("with blank.qzd"));
    EXPECT_FALSE(edit.SetFileName("bad|name"));
    EXPECT_EQ(messages, QStringList{"Invalid file name - bad|name"});
    EXPECT_EQ(edit.FileName(), Path("with blank.qzd"));
}

TEST_F(FileEditTest, ButtonsRunTheHookedDialogs) {
    TFilenameEdit edit;
    edit.SetText(Path("a.qzd"));
    QString shownName, shownDir, shownTitle;
    auto oldFile = platform::SetFileDialogHook([&](const platform::TFileDialog& dialog) {
        shownName = dialog.FileName;
        shownDir = dialog.InitialDir;
        shownTitle = dialog.Title;
        return Path("with blank.qzd");
    });
    edit.DoClick();
    EXPECT_EQ(shownName, Path("a.qzd"));
    EXPECT_EQ(shownDir, dir.path());
    EXPECT_EQ(shownTitle, "Browse");
    EXPECT_EQ(edit.FileName(), Path("with blank.qzd"));
    platform::SetFileDialogHook([](const platform::TFileDialog&) { return QString(); });
    edit.DoClick();
    EXPECT_EQ(edit.FileName(), Path("with blank.qzd"));
    platform::SetFileDialogHook(oldFile);

    TDirectoryEdit folder;
    QString opened;
    auto oldDir = platform::SetDirectoryDialogHook([&](const QString&, QString& chosen) {
        opened = chosen;
        chosen = dir.path();
        return true;
    });
    folder.DoClick();
    EXPECT_EQ(opened, "/");
    EXPECT_EQ(folder.Text(), dir.path());
    EXPECT_EQ(folder.InitialDir, dir.path());
    folder.SetText(dir.filePath("missing"));
    folder.DoClick();
    EXPECT_EQ(opened, "/");
    platform::SetDirectoryDialogHook(oldDir);
}

} // namespace
