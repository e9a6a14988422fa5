// Settings that cannot be written or read: one box for a folder that refuses every window's save,
// a file too large to read said at start and never written over, a file-size limit that fails
// the save instead of killing the program.

#include "app/FormPGN.h"
#include "comms/CodNet.h"
#include "comms/CodRicevi.h"
#include "platform/IniFile.h"
#include "platform/SafeWrite.h"
#include "tests/ChildProcess.h"
#include "tests/FilePermissionsOfNobody.h"
#include "tests/app/MainWindowFixture.h"

#include <QFileInfo>
#include <csignal>

namespace {

const QByteArray OldSettings = "[FinestraPrincipale]\r\nFormVersion=0\r\nNote=vecchia\r\n";

class SettingsErrorsTest : public MainWindowTest {
protected:
    std::vector<QString> BoxesAbout(const QString& start) const {
        std::vector<QString> found;
        for (const TBoxSeen& box : boxes)
            if (box.text.startsWith(start))
                found.push_back(box.text);
        return found;
    }

    // Quits as the program does, then starts again for the next steps.
    void QuitAndStartAgain() {
        FormMain->close();
        QApplication::processEvents();
        FormMain->Modified = false;
        DestroyWindows();
        CreateWindows();
        FormMain->show();
        QApplication::processEvents();
    }

    // A save that works, so the next error is shown again.
    void SaveOnce() {
        FormMain->close();
        QApplication::processEvents();
    }
};

TEST_F(SettingsErrorsTest, QuittingWithAReadOnlyFolderShowsOneBox) {
    WriteFile("Quendel.ini", OldSettings);
    const auto writable = QFile::permissions(dir.path());
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner |
                                                      QFile::ReadOther | QFile::ExeOther));
    // Windows that were shown save too.
    FormPGN->show();
    FormRicevi->show();
    QApplication::processEvents();
    boxes.clear();
    {
        TFilePermissionsOfNobody nobody;
        FormMain->close();
        QApplication::processEvents();
        FormMain->Modified = false;
        DestroyWindows();
    }
    QFile::setPermissions(dir.path(), writable);
    const auto shown = BoxesAbout("Impossibile scrivere il file ./Quendel.ini");
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(FileBytes("Quendel.ini"), OldSettings);
    CreateWindows();
    FormMain->show();
    SaveOnce();
}

class TooLargeSettingsTest : public SettingsErrorsTest {
protected:
    TooLargeSettingsTest() {
        QFile file(dir.filePath("Quendel.ini"));
        if (file.open(QIODevice::WriteOnly)) {
            file.write(OldSettings);
            file.resize(platform::MaxIniFileSize + 1);
        }
    }
};

TEST_F(TooLargeSettingsTest, IsReportedAtStartAndLeftAsItIsAtExit) {
    const QString tooLarge =
        "Impossibile leggere il file ./Quendel.ini: file troppo grande (oltre 16 MB)";
    EXPECT_EQ(BoxesAbout(tooLarge).size(), 1u);
    EXPECT_EQ(boxes.at(0).flags, platform::MB_ICONERROR);
    const QDateTime modified = QFileInfo(dir.filePath("Quendel.ini")).lastModified();
    QuitAndStartAgain();
    const QFileInfo after(dir.filePath("Quendel.ini"));
    EXPECT_EQ(after.size(), platform::MaxIniFileSize + 1);
    EXPECT_EQ(after.lastModified(), modified);
    EXPECT_TRUE(FileBytes("Quendel.ini").startsWith(OldSettings));
    // The defaults were taken, and the file was said too large once.
    EXPECT_EQ(BoxesAbout(tooLarge).size(), 1u);
    EXPECT_EQ(BoxesAbout("Impossibile").size(), 1u);
    QFile::remove(dir.filePath("Quendel.ini"));
    SaveOnce();
}

// A file with less room left than the windows' keys take: the save at exit is refused as a whole
// and said once, and the next start reads the file as it was.
TEST_F(SettingsErrorsTest, ASaveThatWouldPassTheSizeLimitIsRefusedAndTheFileKept) {
    QByteArray full = OldSettings + "[Spazio]\r\nRiempimento=";
    full += QByteArray(platform::MaxIniFileSize - 327 - full.size() - 2, 'x') + "\r\n";
    WriteFile("Quendel.ini", full);
    // The play window's section alone would fit: the exit saves every window together.
    FormNet->show();
    QApplication::processEvents();
    boxes.clear();
    QuitAndStartAgain();
    const QString tooLarge =
        "Impossibile scrivere il file ./Quendel.ini: file troppo grande (oltre 16 MB)";
    EXPECT_EQ(BoxesAbout(tooLarge).size(), 1u);
    EXPECT_EQ(BoxesAbout("Impossibile").size(), 1u);
    EXPECT_TRUE(FileBytes("Quendel.ini") == full);
    QFile::remove(dir.filePath("Quendel.ini"));
    SaveOnce();
}

// Under "ulimit -f" the program, as it starts, turns the signal that would kill it into a failed
// write: the child saves, shows the error, and goes on.
TEST_F(SettingsErrorsTest, AFileSizeLimitFailsTheSaveAndTheProgramGoesOn) {
    const QByteArray old =
        "[FinestraPrincipale]\r\nFormVersion=0\r\nNote=" + QByteArray(300, 'x') + "\r\n";
    WriteFile("Quendel.ini", old);
    const int verdict = RunWithFileSizeLimit(100, [&] {
        std::signal(SIGXFSZ, SIG_DFL);
        platform::IgnoreFileSizeSignal();
        boxes.clear();
        FormMain->close();
        const bool reported = boxes.size() == 1 && boxes[0].flags == platform::MB_ICONERROR &&
                              boxes[0].text == "Impossibile scrivere il file ./Quendel.ini: " +
                                                   QString::fromLocal8Bit(std::strerror(EFBIG));
        // Still running after the failed save: a second one says nothing new.
        FormMain->FormStorage1->FormCloseQuery();
        return reported ? 0 : 1;
    });
    EXPECT_EQ(verdict, 0);
    EXPECT_EQ(FileBytes("Quendel.ini"), old);
}

} // namespace
