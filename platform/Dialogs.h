#pragma once
// The common file dialogs, the input box and modal windows, each shown through a hook that tests
// can answer and record, so no test waits for a person.

#include <QObject>
#include <QString>
#include <functional>

class QColor;
class QColorDialog;
class QDialog;
class QFileDialog;
class QHBoxLayout;
class QPushButton;
class QWidget;

namespace platform {

// The file dialogs' options, a set of these bits. ofOverwritePrompt asks before an existing file
// is replaced, ofFileMustExist takes only an existing file, ofPathMustExist only a name in an
// existing folder, ofCreatePrompt asks before a file that does not exist is taken, and
// ofNoReadOnlyReturn refuses a read-only file; a refused choice leaves the dialog open.
// ofAllowMultiSelect lets several files be chosen (Files), ofNoDereferenceLinks gives a link itself
// rather than what it points at, and ofShowHelp adds a "&Help" button. Without ofHideReadOnly the
// dialog has a read-only check box, set from ofReadOnly and read back into it. On return
// ofExtensionDifferent tells whether the chosen file's extension is other than DefaultExt.
// ofNoChangeDir always holds: the dialog never changes the working folder. The others have no
// counterpart in Qt's dialog and are only kept.
enum TOpenOption : int {
    ofReadOnly = 1 << 0,
    ofOverwritePrompt = 1 << 1,
    ofHideReadOnly = 1 << 2,
    ofNoChangeDir = 1 << 3,
    ofShowHelp = 1 << 4,
    ofNoValidate = 1 << 5,
    ofAllowMultiSelect = 1 << 6,
    ofExtensionDifferent = 1 << 7,
    ofPathMustExist = 1 << 8,
    ofFileMustExist = 1 << 9,
    ofCreatePrompt = 1 << 10,
    ofShareAware = 1 << 11,
    ofNoReadOnlyReturn = 1 << 12,
    ofNoTestFileCreate = 1 << 13,
    ofNoNetworkButton = 1 << 14,
    ofNoLongNames = 1 << 15,
    ofOldStyleDialog = 1 << 16,
    ofNoDereferenceLinks = 1 << 17,
    ofEnableIncludeNotify = 1 << 18,
    ofEnableSizing = 1 << 19,
};
using TOpenOptions = int;
// fsComboBox offers HistoryList under the file name.
enum TFileEditStyle { fsEdit, fsComboBox };

// A file dialog's settings as a window's form resource gives them. Filter is written the
// original way: "description|patterns|description|patterns".
class TFileDialog : public QObject {
    Q_OBJECT
public:
    enum Kind { Open, Save };

    TFileDialog(Kind kind, QObject* owner, bool picture = false);

    Kind DialogKind() const { return kind_; }
    // A picture dialog filters pictures and shows the current one beside the list.
    bool Picture() const { return picture_; }
    QString DefaultExt;
    QString Filter;
    // One-based, as the filter lists its pairs; the chosen filter's after Execute.
    int FilterIndex = 1;
    QString InitialDir;
    QString FileName;
    // Every chosen file with ofAllowMultiSelect.
    QStringList Files;
    QString Title;
    TOpenOptions Options = ofHideReadOnly;
    TFileEditStyle FileEditStyle = fsEdit;
    QStringList HistoryList;
    // F1 in the dialog opens the help here, and so does its "&Help" button.
    int HelpContext = 0;

    // True with FileName set to the chosen name; false when cancelled.
    bool Execute();
    // "desc (*.a)|*.a|All|*.*" as Qt writes it: "desc (*.a);;All (*.*)".
    QString QtFilter() const;

private:
    Kind kind_;
    bool picture_;
};

class TOpenDialog : public TFileDialog {
    Q_OBJECT
public:
    explicit TOpenDialog(QObject* owner = nullptr) : TFileDialog(Open, owner) {}
};

class TSaveDialog : public TFileDialog {
    Q_OBJECT
public:
    explicit TSaveDialog(QObject* owner = nullptr) : TFileDialog(Save, owner) {}
};

class TOpenPictureDialog : public TFileDialog {
    Q_OBJECT
public:
    explicit TOpenPictureDialog(QObject* owner = nullptr);
};

class TSavePictureDialog : public TFileDialog {
    Q_OBJECT
public:
    explicit TSavePictureDialog(QObject* owner = nullptr);
};

// The pictures Qt reads (or writes): all of them first, then each kind.
QString GraphicFilter(bool forWriting);

// Answers a file dialog instead of showing it: the chosen name, or empty for cancel.
using FileDialogHook = std::function<QString(const TFileDialog& dialog)>;
FileDialogHook SetFileDialogHook(FileDialogHook hook);

// The directory dialog opened at `folder`: true with `folder` set to the choice.
bool SelectDirectory(QString& folder, const QString& title, QWidget* parent = nullptr);
// Answers a directory dialog instead of showing it: true with `folder` set to the choice.
using DirectoryDialogHook = std::function<bool(const QString& title, QString& folder)>;
DirectoryDialogHook SetDirectoryDialogHook(DirectoryDialogHook hook);
// A folder dialog built by its caller: answered by the directory hook (its title and `folder`)
// when one is installed, else shown through ShowModal after `initialized` has run. True with
// `folder` set to the choice.
bool ExecuteDirectoryDialog(QFileDialog& dialog, QString& folder,
                            const std::function<void()>& initialized = {});
// A "&Help" button in the dialog's row of buttons that opens the help at the context.
QPushButton* AddHelpButton(QDialog& dialog, int helpContext);
// F1 in the dialog opens the help at the context.
void AddHelpKey(QDialog& dialog, int helpContext);

// The input box: true with Value changed when confirmed.
bool InputQuery(const QString& caption, const QString& prompt, QString& value,
                QWidget* parent = nullptr);
using InputQueryHook =
    std::function<bool(const QString& caption, const QString& prompt, QString& value)>;
InputQueryHook SetInputQueryHook(InputQueryHook hook);

// The colour dialog, opened at its current colour: true with the choice made its current colour
// when confirmed; a cancel leaves the colour as it was.
bool ExecuteColorDialog(QColorDialog& dialog);
// Answers a colour dialog instead of showing it: true with `colour` set to the choice.
using ColorDialogHook = std::function<bool(const QColorDialog& dialog, QColor& colour)>;
ColorDialogHook SetColorDialogHook(ColorDialogHook hook);

// Shows a window modally and returns its result (QDialog::Accepted or Rejected).
int ShowModal(QDialog& dialog);

// A dialog's two closing buttons, "BitBtnOk" (the default, ending it with Accepted) and
// "BitBtnCancel" ("Annulla", ending it with Rejected), in a row aligned to the right.
QHBoxLayout* OkCancelButtons(QDialog& dialog, QPushButton*& ok, QPushButton*& cancel,
                             const QString& okText = QStringLiteral("OK"));
// The hook may set the dialog's controls before answering.
using ShowModalHook = std::function<int(QDialog& dialog)>;
ShowModalHook SetShowModalHook(ShowModalHook hook);

} // namespace platform
