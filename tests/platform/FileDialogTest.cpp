// The file dialogs' options: the checks made before a choice is taken (the dialog stays open on a
// refusal), the read-only check box, the extension told back, and the working folder left alone.
// Qt's own dialog is driven through the modal hook: names chosen in it, then its OK.

#include "platform/Dialogs.h"
#include "platform/MessageBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace platform;

namespace {

struct Shown {
    bool ownDialog = false;
    bool hasReadOnlyBox = false;
    bool readOnlyChecked = false;
    bool boxBelowFileType = false;
    int refused = 0;
};

class FileDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        for (const char* name : {"partita.pgn", "bloccata.pgn"}) {
            QFile file(dir.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        QFile::setPermissions(dir.filePath("bloccata.pgn"), QFile::ReadOwner | QFile::ReadGroup);
        oldBox = SetMessageBoxHook([this](const QString& text, const QString&, int flags) {
            messages.append(text);
            return (flags & 0xF) == MB_YESNO ? answer : int(IDOK);
        });
        oldModal = SetShowModalHook([this](QDialog& dialog) { return answerDialog(dialog); });
    }
    void TearDown() override {
        SetShowModalHook(oldModal);
        SetMessageBoxHook(oldBox);
    }

    // Chooses each name and presses OK until the dialog takes one; cancels when none is taken.
    int answerDialog(QDialog& dialog) {
        auto* files = qobject_cast<QFileDialog*>(&dialog);
        if (!files)
            return int(QDialog::Rejected);
        shown.ownDialog = files->testOption(QFileDialog::DontUseNativeDialog);
        if (auto* box = files->findChild<QCheckBox*>("ReadOnlyCheck")) {
            shown.hasReadOnlyBox = true;
            shown.readOnlyChecked = box->isChecked();
            shown.boxBelowFileType = belowFileType(*files, *box);
            box->setChecked(tickReadOnly);
        }
        for (const QString& name : names) {
            files->selectFile(name);
            pressOk(*files);
            if (files->result() == QDialog::Accepted)
                return int(QDialog::Accepted);
            ++shown.refused;
        }
        return int(QDialog::Rejected);
    }

    static void pressOk(QFileDialog& dialog) {
        auto* buttons = dialog.findChild<QDialogButtonBox*>("buttonBox");
        buttons
            ->button(dialog.acceptMode() == QFileDialog::AcceptSave ? QDialogButtonBox::Save
                                                                    : QDialogButtonBox::Open)
            ->click();
    }

    static bool belowFileType(QFileDialog& dialog, QCheckBox& box) {
        auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
        auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
        if (!grid || !types)
            return false;
        int boxRow, boxColumn, typeRow, typeColumn, span;
        grid->getItemPosition(grid->indexOf(&box), &boxRow, &boxColumn, &span, &span);
        grid->getItemPosition(grid->indexOf(types), &typeRow, &typeColumn, &span, &span);
        return boxColumn == typeColumn && boxRow > typeRow;
    }

    QString Path(const QString& name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    QStringList names;
    bool tickReadOnly = false;
    int answer = IDYES;
    QStringList messages;
    Shown shown;
    MessageBoxHook oldBox;
    ShowModalHook oldModal;
};

TEST_F(FileDialogTest, ChecksBeforeAChoiceIsTaken) {
    struct Case {
        const char* what;
        TFileDialog::Kind kind;
        TOpenOptions options;
        QStringList names;
        int answer;
        QString chosen; // empty when the dialog ends cancelled
        QStringList messages;
    };
    const QString missing = Path("manca/nuova.pgn");
    const QString fresh = Path("nuova.pgn");
    const QString good = Path("partita.pgn");
    const QString locked = Path("bloccata.pgn");
    const QString noFolder = "La cartella \"" + Path("manca") + "\" non esiste.";
    const QString create = "Il file \"" + fresh + "\" non esiste. Crearlo?";
    const QString readOnly = "Il file \"" + locked + "\" e' di sola lettura: sceglierne un altro.";
    const Case cases[] = {
        {"a missing folder refused",
         TFileDialog::Save,
         ofPathMustExist,
         {missing, fresh},
         IDYES,
         fresh,
         {noFolder}},
        {"a missing folder taken unasked", TFileDialog::Save, 0, {missing}, IDYES, missing, {}},
        {"a new file declined",
         TFileDialog::Open,
         ofCreatePrompt,
         {fresh, good},
         IDNO,
         good,
         {create}},
        {"a new file confirmed",
         TFileDialog::Save,
         ofCreatePrompt,
         {fresh},
         IDYES,
         fresh,
         {create}},
        {"a new file taken unasked", TFileDialog::Open, 0, {fresh}, IDNO, fresh, {}},
        {"no question for a file in a missing folder",
         TFileDialog::Open,
         ofCreatePrompt | ofPathMustExist,
         {missing},
         IDYES,
         "",
         {noFolder}},
        {"a read-only file refused",
         TFileDialog::Open,
         ofNoReadOnlyReturn,
         {locked, good},
         IDYES,
         good,
         {readOnly}},
        {"a read-only file refused when saving",
         TFileDialog::Save,
         ofNoReadOnlyReturn | ofCreatePrompt,
         {locked},
         IDYES,
         "",
         {readOnly}},
        {"a read-only file taken", TFileDialog::Open, 0, {locked}, IDYES, locked, {}},
        {"the default extension added before the checks",
         TFileDialog::Save,
         ofCreatePrompt,
         {Path("nuova")},
         IDYES,
         fresh,
         {create}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TFileDialog dialog(c.kind, nullptr);
        dialog.InitialDir = dir.path();
        dialog.DefaultExt = "pgn";
        dialog.Options = ofHideReadOnly | c.options;
        names = c.names;
        answer = c.answer;
        messages.clear();
        shown = {};
        EXPECT_EQ(dialog.Execute(), !c.chosen.isEmpty());
        EXPECT_EQ(dialog.FileName, c.chosen);
        EXPECT_EQ(messages, c.messages);
        const int refused = int(c.names.size()) - (c.chosen.isEmpty() ? 0 : 1);
        EXPECT_EQ(shown.refused, refused);
        EXPECT_EQ(shown.ownDialog, c.options != 0);
    }
}

TEST_F(FileDialogTest, TheReadOnlyBoxGoesInAndOut) {
    struct Case {
        const char* what;
        TFileDialog::Kind kind;
        TOpenOptions options;
        bool tick;
        QStringList names;
        bool box, checkedIn;
        TOpenOptions readOnlyOut;
    };
    const QString good = Path("partita.pgn");
    const Case cases[] = {
        {"ticked in, cleared out", TFileDialog::Open, ofReadOnly, false, {good}, true, true, 0},
        {"clear in, ticked out", TFileDialog::Open, 0, true, {good}, true, false, ofReadOnly},
        {"a save dialog has it too",
         TFileDialog::Save,
         ofReadOnly,
         true,
         {good},
         true,
         true,
         ofReadOnly},
        {"a cancel keeps the option",
         TFileDialog::Open,
         ofReadOnly,
         false,
         {},
         true,
         true,
         ofReadOnly},
        {"hidden, the option stays",
         TFileDialog::Open,
         ofHideReadOnly | ofReadOnly,
         false,
         {good},
         false,
         false,
         ofReadOnly},
        {"hidden and clear", TFileDialog::Open, ofHideReadOnly, true, {good}, false, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TFileDialog dialog(c.kind, nullptr);
        dialog.InitialDir = dir.path();
        dialog.Options = c.options;
        names = c.names;
        tickReadOnly = c.tick;
        shown = {};
        EXPECT_EQ(dialog.Execute(), !c.names.isEmpty());
        EXPECT_EQ(shown.hasReadOnlyBox, c.box);
        EXPECT_EQ(shown.readOnlyChecked, c.checkedIn);
        EXPECT_EQ(dialog.Options & ofReadOnly, c.readOnlyOut);
        EXPECT_EQ(dialog.Options & ~ofReadOnly, c.options & ~ofReadOnly);
        if (c.box) {
            EXPECT_TRUE(shown.ownDialog);
            EXPECT_TRUE(shown.boxBelowFileType);
        }
    }
}

TEST_F(FileDialogTest, TheExtensionToldBack) {
    struct Case {
        const char* defaultExt;
        const char* chosen;
        bool different;
    };
    const Case cases[] = {
        {"pgn", "a.pgn", false},     {".pgn", "a.pgn", false}, {"pgn", "a.PGN", false},
        {"pgn", "a.tar.pgn", false}, {"pgn", "a.txt", true},   {".pgn", "a.pgn.bak", true},
        {"pgn", "a", true},          {"", "a.txt", false},     {"", "a", false},
    };
    QString answerName;
    const FileDialogHook oldFile =
        SetFileDialogHook([&](const TFileDialog&) { return answerName; });
    for (const Case& c : cases) {
        for (const TOpenOptions before : {0, int(ofExtensionDifferent)}) {
            SCOPED_TRACE(std::string(c.defaultExt) + " " + c.chosen + " " + std::to_string(before));
            TOpenDialog dialog;
            dialog.DefaultExt = c.defaultExt;
            dialog.Options = ofHideReadOnly | before;
            answerName = Path(c.chosen);
            EXPECT_TRUE(dialog.Execute());
            EXPECT_EQ(bool(dialog.Options & ofExtensionDifferent), c.different);
            EXPECT_EQ(dialog.Options & ~ofExtensionDifferent, int(ofHideReadOnly));
            // A cancel tells nothing new.
            answerName.clear();
            EXPECT_FALSE(dialog.Execute());
            EXPECT_EQ(bool(dialog.Options & ofExtensionDifferent), c.different);
        }
    }
    SetFileDialogHook(oldFile);

    // And from Qt's own dialog, whose default extension is added to a bare name.
    const std::pair<const char*, bool> chosenNames[] = {
        {"partita.pgn", false}, {"appunti.txt", true}, {"nuova", false}};
    for (const auto& [name, different] : chosenNames) {
        SCOPED_TRACE(name);
        TSaveDialog dialog;
        dialog.InitialDir = dir.path();
        dialog.DefaultExt = "pgn";
        names = {Path(name)};
        EXPECT_TRUE(dialog.Execute());
        EXPECT_EQ(bool(dialog.Options & ofExtensionDifferent), different);
    }
}

TEST_F(FileDialogTest, TheWorkingFolderStays) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("altra"));
    QFile(Path("altra/partita.pgn")).open(QIODevice::WriteOnly);
    const QString before = QDir::currentPath();
    for (const TOpenOptions options : {0, int(ofNoChangeDir)}) {
        TOpenDialog dialog;
        dialog.InitialDir = Path("altra");
        dialog.Options = options;
        names = {Path("altra/partita.pgn")};
        EXPECT_TRUE(dialog.Execute());
        EXPECT_EQ(dialog.FileName, Path("altra/partita.pgn"));
        EXPECT_EQ(QDir::currentPath(), before);
    }
}

} // namespace
