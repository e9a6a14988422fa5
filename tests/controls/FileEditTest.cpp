// The file and folder edits: dropped files, quoting, the hooked dialogs and their fall-backs; the
// picture kinds, the dialog settings handed on, and the real dialogs driven through the modal
// hook with and without a help context.

#include "controls/ToolEdit.h"
#include "platform/Dialogs.h"
#include "platform/Help.h"
#include "platform/MessageBox.h"
#include "storage/kxVclutils.h"
#include "tests/HelpButton.h"

#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
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
        oldBox_ =
            platform::SetMessageBoxHook([this](const QString& text, const QString&, int flags) {
                messages.append(text);
                return int((flags & 0xF) == platform::MB_YESNO ? platform::IDYES : platform::IDOK);
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

TEST_F(FileEditTest, TheDialogTakesTheEditsSettingsAndPictureKinds) {
    TFilenameEdit edit;
    edit.HelpContext = 77;
    edit.SetDialogTitle("Scegli");
    edit.SetFileEditStyle(platform::fsComboBox);
    edit.SetHistoryList({Path("a.qzd"), Path("b.qzd")});
    edit.SetFilterIndex(2);
    edit.SetDialogOptions(platform::ofShowHelp | platform::ofAllowMultiSelect);
    EXPECT_TRUE(edit.AllowMultiSelect());
    edit.SetDialogKind(dkOpenPicture);
    const platform::TFileDialog* seen = nullptr;
    auto oldFile = platform::SetFileDialogHook([&](const platform::TFileDialog& dialog) {
        seen = &dialog;
        EXPECT_TRUE(dialog.Picture());
        EXPECT_EQ(dialog.DialogKind(), platform::TFileDialog::Open);
        EXPECT_TRUE(dialog.Filter.startsWith("Tutte le immagini (")) << dialog.Filter.toStdString();
        EXPECT_TRUE(dialog.Filter.contains("|PNG (*.png)|*.png"));
        EXPECT_EQ(dialog.Title, "Scegli");
        EXPECT_EQ(dialog.FileEditStyle, platform::fsComboBox);
        EXPECT_EQ(dialog.HistoryList, (QStringList{Path("a.qzd"), Path("b.qzd")}));
        EXPECT_EQ(dialog.FilterIndex, 2);
        EXPECT_EQ(dialog.Options, platform::ofShowHelp | platform::ofAllowMultiSelect);
        EXPECT_EQ(dialog.HelpContext, 77);
        return Path("a.qzd");
    });
    edit.DoClick();
    EXPECT_NE(seen, nullptr);
    EXPECT_EQ(edit.FileName(), Path("a.qzd"));
    EXPECT_EQ(edit.Files(), QStringList{Path("a.qzd")});
    // A filter of one's own stays through a change of kind; the default one becomes the kind's.
    edit.SetDialogKind(dkSave);
    EXPECT_EQ(edit.Dialog().Filter, "All files (*.*)|*.*");
    EXPECT_FALSE(edit.Dialog().Picture());
    edit.Dialog().Filter = "Partite (*.qzd)|*.qzd";
    edit.SetDialogKind(dkSavePicture);
    EXPECT_EQ(edit.Dialog().Filter, "Partite (*.qzd)|*.qzd");
    EXPECT_TRUE(edit.Dialog().Picture());
    EXPECT_EQ(edit.Dialog().DialogKind(), platform::TFileDialog::Save);
    EXPECT_EQ(edit.DialogTitle(), "Scegli");
    EXPECT_EQ(edit.FilterIndex(), 2);
    EXPECT_EQ(edit.Files(), QStringList{Path("a.qzd")});
    edit.SetDialogOptions(platform::ofHideReadOnly);
    EXPECT_FALSE(edit.AllowMultiSelect());
    EXPECT_TRUE(edit.Files().isEmpty());
    platform::SetFileDialogHook(oldFile);
}

// The real dialogs, answered through the modal hook: what each showed, and the help it opened.
class RealDialogTest : public FileEditTest {
protected:
    struct Shown {
        bool help = false, helpAtLeft = false, preview = false;
        QString size;
        QPoint centre;
    };
    QList<Shown> shown;
    QList<int> helps;
    QString choose, picture;
    platform::HelpHook oldHelp;
    platform::ShowModalHook oldModal;

    void SetUp() override {
        FileEditTest::SetUp();
        QImage image(40, 20, QImage::Format_RGB32);
        image.fill(Qt::red);
        picture = dir.filePath("rosso.png");
        image.save(picture);
        oldHelp = platform::SetHelpHook([this](QWidget*, int context) { helps.append(context); });
        oldModal = platform::SetShowModalHook([this](QDialog& dialog) {
            auto* files = qobject_cast<QFileDialog*>(&dialog);
            if (!files)
                return int(QDialog::Rejected);
            Shown seen;
            if (auto* help = HelpButton(dialog, seen.helpAtLeft)) {
                seen.help = true;
                help->click();
            }
            emit files->currentChanged(picture);
            if (auto* preview = dialog.findChild<QLabel*>("PicturePreview")) {
                seen.preview = !preview->pixmap().isNull();
                seen.size = dialog.findChild<QLabel*>("PictureSize")->text();
            }
            seen.centre = dialog.frameGeometry().center();
            shown.append(seen);
            files->selectFile(choose);
            return int(choose.isEmpty() ? QDialog::Rejected : QDialog::Accepted);
        });
    }
    void TearDown() override {
        platform::SetShowModalHook(oldModal);
        platform::SetHelpHook(oldHelp);
        FileEditTest::TearDown();
    }
};

TEST_F(RealDialogTest, APictureDialogWithHelpAndPreview) {
    TFilenameEdit edit;
    edit.SetDialogKind(dkOpenPicture);
    edit.SetDialogOptions(platform::ofShowHelp);
    edit.HelpContext = 31;
    choose = picture;
    edit.DoClick();
    EXPECT_EQ(edit.FileName(), picture);
    edit.SetDialogOptions(platform::ofHideReadOnly);
    edit.HelpContext = 0;
    edit.SetDialogKind(dkOpen);
    choose.clear();
    edit.DoClick();
    EXPECT_EQ(edit.FileName(), picture);
    ASSERT_EQ(shown.size(), 2);
    EXPECT_TRUE(shown[0].help);
    EXPECT_TRUE(shown[0].helpAtLeft);
    EXPECT_TRUE(shown[0].preview);
    EXPECT_EQ(shown[0].size, "(40 x 20)");
    EXPECT_FALSE(shown[1].help);
    EXPECT_FALSE(shown[1].preview);
    EXPECT_EQ(helps, QList<int>{31});
}

TEST_F(RealDialogTest, TheFolderEditsTwoKindsOfChooser) {
    TDirectoryEdit folder;
    folder.DialogKind = dkWin32;
    folder.DialogText = "Cartella delle partite";
    folder.HelpContext = 12;
    folder.SetText(dir.path());
    choose = dir.path();
    folder.DoClick();
    EXPECT_EQ(folder.Text(), dir.path());
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].help);
    EXPECT_LE((shown[0].centre - ScreenWorkArea().center()).manhattanLength(), 2);
    EXPECT_EQ(helps, QList<int>{12});

    // The classic chooser makes the new folder it was given after a question.
    folder.DialogKind = dkVCL;
    folder.HelpContext = 0;
    folder.DialogOptions = sdAllowCreate | sdPerformCreate | sdPrompt;
    choose = dir.filePath("nuova");
    folder.DoClick();
    EXPECT_EQ(folder.Text(), dir.filePath("nuova"));
    EXPECT_TRUE(QFileInfo(dir.filePath("nuova")).isDir());
    EXPECT_EQ(messages,
              QStringList{"La cartella \"" + dir.filePath("nuova") + "\" non esiste. Crearla?"});
    folder.DialogOptions = 0;
    choose = dir.filePath("altra");
    folder.DoClick();
    EXPECT_EQ(folder.Text(), dir.filePath("nuova"));
    ASSERT_EQ(shown.size(), 3);
    EXPECT_FALSE(shown[1].help);
    EXPECT_EQ(helps, QList<int>{12});
}

} // namespace
