#pragma once
// The INI operations of the settings store, the window-placement writer and reader, the default
// section and file names, and the application's form and text helpers.

#include "platform/Registry.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <stdexcept>

class QDialog;
class QEvent;
class QObject;
class QWidget;
struct QMetaObject;

// Each sends the operation to the registry file or the profile file the INI object holds; with
// none the readers give the default and the writers do nothing.
QString IniReadString(TIniObject Ini, const QString& Section, const QString& Ident,
                      const QString& Default);
int IniReadInteger(TIniObject Ini, const QString& Section, const QString& Ident, int Default);
bool IniReadBool(TIniObject Ini, const QString& Section, const QString& Ident, bool Default);
// A registry file gets the value unchanged. For a profile file, a value that begins and ends
// with the same quote (or is one double quote) gets one more pair of double quotes, since the
// profile file removes one pair on reading.
void IniWriteString(TIniObject Ini, const QString& Section, const QString& Ident,
                    const QString& Value);
void IniWriteInteger(TIniObject Ini, const QString& Section, const QString& Ident, int Value);
void IniWriteBool(TIniObject Ini, const QString& Section, const QString& Ident, bool Value);
void IniEraseSection(TIniObject Ini, const QString& Section);
void IniDeleteKey(TIniObject Ini, const QString& Section, const QString& Ident);
// A profile file's sections; a registry file's sub-keys of its current key.
QStringList IniReadSections(TIniObject Ini);

// "Flags", "ShowCmd", "PixelsPerInch", then "MinMaxPos" and "NormPos" each with the screen-size
// suffix and plain.
void WriteFormPlacement(QWidget* Form, TIniObject Ini, const QString& Section);
void WriteFormPlacementReg(QWidget* Form, TRegIniFile* IniFile, const QString& Section);
void ReadFormPlacement(QWidget* Form, TIniObject Ini, const QString& Section, bool LoadState,
                       bool LoadPosition);
void ReadFormPlacementReg(QWidget* Form, TRegIniFile* IniFile, const QString& Section,
                          bool LoadState, bool LoadPosition);
// The placement of Form in the section named by its class, in the named profile file or below
// the named registry key (read-only for restoring).
void SaveFormPlacement(QWidget* Form, const QString& IniFileName, bool UseRegistry);
void RestoreFormPlacement(QWidget* Form, const QString& IniFileName, bool UseRegistry);

QString GetDefaultSection(const QObject* Component);
QString GetDefaultIniName();
QString GetDefaultIniRegKey();
void GetDefaultIniData(const QObject* Control, QString& IniFileName, QString& Section,
                       bool UseRegistry);

// The column widths of a grid, as the grid layout stores them (storage does not know the
// controls).
class IGridColumns {
public:
    virtual ~IGridColumns() = default;
    virtual const QObject* GridComponent() const = 0;
    virtual int GridColCount() const = 0;
    virtual int GridColWidth(int Col) const = 0;
    virtual void SetGridColWidth(int Col, int Width) = 0;
};

// One key per column, "Item0", "Item1"..., holding its width. Restoring keeps the width of a
// column without a key, and of one whose stored width is not 0 to 32767.
void InternalSaveGridLayout(const IGridColumns* Grid, TIniObject Ini, const QString& Section);
void InternalRestoreGridLayout(IGridColumns* Grid, TIniObject Ini, const QString& Section);
// The same in the grid's default section of the named INI file, or of the registry file.
void SaveGridLayout(const IGridColumns* Grid, const QString& IniFileName);
void RestoreGridLayout(IGridColumns* Grid, const QString& IniFileName);
void SaveGridLayoutReg(const IGridColumns* Grid, TRegIniFile* IniFile);
void RestoreGridLayoutReg(IGridColumns* Grid, TRegIniFile* IniFile);

// An operation that the object's state does not allow.
class EInvalidOperation : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The open MDI children of a form that holds a QMdiArea, in section "MDI Children": "Count" and
// "Item0", "Item1"... holding the class names, the topmost child first. Restoring goes from the
// last stored child to the first, so the first ends on top: each of a class the program has
// registered (platform::RegisterClass) is shown, as the area's child of that class when it has
// one and otherwise as a new one; other names are skipped. A form without a QMdiArea throws
// EInvalidOperation.
void InternalSaveMDIChildren(QWidget* MainForm, TIniObject IniFile);
void InternalRestoreMDIChildren(QWidget* MainForm, TIniObject IniFile);
void SaveMDIChildren(QWidget* MainForm, TIniFile* IniFile);
void RestoreMDIChildren(QWidget* MainForm, TIniFile* IniFile);
void SaveMDIChildrenReg(QWidget* MainForm, TRegIniFile* IniFile);
void RestoreMDIChildrenReg(QWidget* MainForm, TRegIniFile* IniFile);

// Forms by class: the first of the application's forms that is of the class or derives from it.
QWidget* FindForm(const QMetaObject& FormClass);
template <class TForm> TForm* FindForm() {
    return static_cast<TForm*>(FindForm(TForm::staticMetaObject));
}

namespace apputils_detail {
QWidget* FindFormWithCaption(const QMetaObject& FormClass, const QString& Caption);
QWidget* AdoptByApplication(QWidget* Form);
void ShowFound(QWidget* Form);
bool ShowModalResult(QDialog& Dialog);
} // namespace apputils_detail

// The first form of the class with that caption (any caption when empty), or a new one the
// application creates and owns, with that caption; shown, and no longer minimised.
template <class TForm> TForm* FindShowForm(const QString& Caption) {
    auto* form =
        static_cast<TForm*>(apputils_detail::FindFormWithCaption(TForm::staticMetaObject, Caption));
    if (!form) {
        form = static_cast<TForm*>(apputils_detail::AdoptByApplication(new TForm()));
        if (!Caption.isEmpty())
            form->setWindowTitle(Caption);
    }
    apputils_detail::ShowFound(form);
    return form;
}

// A new dialog of the class shown modally and freed: true when it closed with OK or Yes.
template <class TForm> bool ShowDialog() {
    TForm dialog;
    return apputils_detail::ShowModalResult(dialog);
}

// Creates the form through the application when Reference is empty; returns Reference.
template <class TForm> TForm* InstantiateForm(TForm*& Reference) {
    if (!Reference)
        Reference = static_cast<TForm*>(apputils_detail::AdoptByApplication(new TForm()));
    return Reference;
}

// Multi-line text as one INI line: every line break (CR, LF, CR LF or LF CR) becomes "\n", and
// back, each "\n" a CR LF. Both throw std::length_error("Line too long") beyond 4096 characters.
QString StrToIniStr(const QString& Str);
QString IniStrToStr(const QString& Str);

// The first name FileNameMask gives for 0, 1, 2... that no file in Path has. The mask holds
// exactly one integer field ("%d", "%u" or "%x", with flags, width and precision as Format takes
// them; "%%" is a percent sign); any other mask, or every name taken, gives "".
QString GetUniqueFileNameInDir(const QString& Path, const QString& FileNameMask);

// Sends the event to every form in turn; the last form's answer (false without forms).
bool AppBroadcast(QEvent& Event);

// Settings of the unit.
extern std::function<QString()> OnGetDefaultIniName;
extern QString DefCompanyName;
extern bool RegUseAppTitle;

// The screen-size suffix of the position keys: "(1024x768)".
QString ScreenSizeSuffix();
// The primary screen's pixels per inch (platform::PixelsPerInch, pinned or not).
int ScreenPixelsPerInch();
