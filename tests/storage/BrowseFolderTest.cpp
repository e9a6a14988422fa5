// The folder browser and the classic folder chooser on Qt's own dialog, driven headless through
// the modal hook: the "&Help" button and the help it opens, the centred window, the places beside
// the list, the events and the choice; a folder that does not exist made after a question.

#include "storage/FileUtil.h"

#include "platform/Dialogs.h"
#include "platform/Help.h"
#include "platform/MessageBox.h"
#include "storage/kxVclutils.h"
#include "tests/HelpButton.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

// What the modal hook saw of the folder dialog, and the folder it chose there.
struct Shown {
    bool help = false;
    bool helpAtLeft = false;
    QPoint centre;
    QList<QUrl> places;
    QString title, directory;
};

class BrowseFolderTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QList<int> helps;
    QList<Shown> shown;
    QString choose;
    platform::HelpHook oldHelp;
    platform::ShowModalHook oldModal;
    std::function<void(QFileDialog&)> whileOpen;

    void SetUp() override {
        QDir(dir.path()).mkpath("a");
        QDir(dir.path()).mkpath("b");
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
            seen.centre = dialog.frameGeometry().center();
            seen.places = files->sidebarUrls();
            seen.title = dialog.windowTitle();
            seen.directory = files->directory().absolutePath();
            shown.append(seen);
            if (whileOpen)
                whileOpen(*files);
            if (choose.isEmpty())
                return int(QDialog::Rejected);
            files->selectFile(choose);
            return int(QDialog::Accepted);
        });
    }
    void TearDown() override {
        platform::SetHelpHook(oldHelp);
        platform::SetShowModalHook(oldModal);
    }
};

TEST_F(BrowseFolderTest, TheBrowserCentredWithHelpAndEvents) {
    TBrowseFolderDlg browser;
    browser.DialogText = "Cartella delle partite";
    browser.FolderName = dir.path() + "/";
    browser.HelpContext = 4000;
    QStringList events;
    browser.OnInitialized = [&](QObject* sender) {
        EXPECT_EQ(sender, &browser);
        events.append("init " + browser.SelectionPath());
        EXPECT_NE(browser.Dialog(), nullptr);
    };
    browser.OnSelChanged = [&](QObject*) { events.append("sel " + browser.SelectionPath()); };
    whileOpen = [&](QFileDialog& dialog) {
        EXPECT_EQ(browser.Dialog(), &dialog);
        emit dialog.currentChanged(dir.filePath("a"));
    };
    choose = dir.filePath("b");
    ASSERT_TRUE(browser.Execute());
    EXPECT_EQ(browser.FolderName, dir.filePath("b"));
    EXPECT_EQ(browser.Dialog(), nullptr);
    EXPECT_EQ(events, (QStringList{"init " + dir.path() + "/", "sel " + dir.filePath("a")}));
    EXPECT_EQ(helps, QList<int>{4000});
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].help);
    EXPECT_TRUE(shown[0].helpAtLeft);
    EXPECT_LE((shown[0].centre - ScreenWorkArea().center()).manhattanLength(), 2);
    EXPECT_EQ(shown[0].title, "Cartella delle partite");
    EXPECT_EQ(shown[0].directory, dir.path());
    EXPECT_TRUE(shown[0].places.contains(QUrl::fromLocalFile(QDir::homePath())));

    // No help context, no help button; no desktop root, the file system's root alone.
    browser.HelpContext = 0;
    browser.DesktopRoot = false;
    browser.FolderName = dir.filePath("missing");
    whileOpen = nullptr;
    choose.clear();
    EXPECT_FALSE(browser.Execute());
    EXPECT_EQ(browser.FolderName, dir.filePath("missing"));
    ASSERT_EQ(shown.size(), 2);
    EXPECT_FALSE(shown[1].help);
    EXPECT_EQ(shown[1].places, QList<QUrl>{QUrl::fromLocalFile("/")});
    EXPECT_EQ(shown[1].directory, "/");
    EXPECT_EQ(helps, QList<int>{4000});
    EXPECT_EQ(events.size(), 3);
}

TEST_F(BrowseFolderTest, TheClassicChooserMakesANewFolderWhenTold) {
    QStringList questions;
    int answer = platform::IDNO;
    const auto oldBox = platform::SetMessageBoxHook([&](const QString& text, const QString&, int) {
        questions.append(text);
        return answer;
    });
    const QString fresh = dir.filePath("nuova");
    choose = fresh;
    QString folder = dir.path();
    EXPECT_FALSE(SelectDirectory(folder, 0, 0));
    EXPECT_FALSE(SelectDirectory(folder, sdAllowCreate | sdPerformCreate | sdPrompt, 5));
    EXPECT_EQ(folder, dir.path());
    EXPECT_FALSE(QFileInfo::exists(fresh));
    answer = platform::IDYES;
    EXPECT_TRUE(SelectDirectory(folder, sdAllowCreate | sdPerformCreate | sdPrompt, 5));
    EXPECT_EQ(folder, fresh);
    EXPECT_TRUE(QFileInfo(fresh).isDir());
    EXPECT_EQ(questions.size(), 2);
    EXPECT_EQ(questions.value(0), "La cartella \"" + fresh + "\" non esiste. Crearla?");
    EXPECT_EQ(helps, (QList<int>{5, 5}));
    ASSERT_EQ(shown.size(), 3);
    EXPECT_FALSE(shown[0].help);
    EXPECT_TRUE(shown[2].help);
    platform::SetMessageBoxHook(oldBox);
}

} // namespace
