#pragma once
// The common file dialogs, the input box and modal windows, each shown through a hook that tests
// can answer and record, so no test waits for a person.

#include <QObject>
#include <QString>
#include <functional>

class QColor;
class QColorDialog;
class QDialog;
class QHBoxLayout;
class QPushButton;
class QWidget;

namespace platform {

// A file dialog's settings as a window's form resource gives them. Filter is written the
// original way: "description|patterns|description|patterns".
class TFileDialog : public QObject {
    Q_OBJECT
public:
    enum Kind { Open, Save };

    TFileDialog(Kind kind, QObject* owner);

    Kind DialogKind() const { return kind_; }
    QString DefaultExt;
    QString Filter;
    QString InitialDir;
    QString FileName;
    QString Title;
    // Save: ask before replacing an existing file. Open: only an existing file may be chosen.
    bool OverwritePrompt = false;
    bool FileMustExist = false;

    // True with FileName set to the chosen name; false when cancelled.
    bool Execute();
    // "desc (*.a)|*.a|All|*.*" as Qt writes it: "desc (*.a);;All (*.*)".
    QString QtFilter() const;

private:
    Kind kind_;
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

// Answers a file dialog instead of showing it: the chosen name, or empty for cancel.
using FileDialogHook = std::function<QString(const TFileDialog& dialog)>;
FileDialogHook SetFileDialogHook(FileDialogHook hook);

// The directory dialog opened at `folder`: true with `folder` set to the choice.
bool SelectDirectory(QString& folder, const QString& title, QWidget* parent = nullptr);
// Answers a directory dialog instead of showing it: true with `folder` set to the choice.
using DirectoryDialogHook = std::function<bool(const QString& title, QString& folder)>;
DirectoryDialogHook SetDirectoryDialogHook(DirectoryDialogHook hook);

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
