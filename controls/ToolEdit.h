#pragma once
// The masked edit with a button at its right edge and an optional drop-down (TCustomComboEdit,
// TComboEdit), the button (TEditButton), the base of every drop-down (TPopupWindow) and the date
// edit that drops down a month calendar (TCustomDateEdit, TDateEdit).

#include "controls/KXCtrls.h"
#include "platform/Classes.h"
#include "platform/Colors.h"
#include "platform/Dialogs.h"
#include "platform/MaskEdit.h"
#include "storage/DateUtil.h"
#include "storage/FileUtil.h"

#include <QKeySequence>
#include <QPointer>
#include <QVariant>

#include <memory>

#include <QStringList>

class TCustomComboEdit;
class TCaretStyle;
class QPainter;
class QPaintEvent;

enum TPopupAlign { epaRight, epaLeft };
enum TGlyphKind { gkCustom, gkDefault, gkDropDown, gkEllipsis };

// The embedded button, a speed button with two lines at its left edge. A press that closed the
// drop-down makes the click that follows do nothing.
class TEditButton : public TKxSpeedButton {
    Q_OBJECT
public:
    explicit TEditButton(QWidget* parent = nullptr);

    void Click() override;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool noAction_ = false;
};

// A frameless pop-up window that forwards its keys to its editor.
class TPopupWindow : public QWidget {
    Q_OBJECT
public:
    explicit TPopupWindow(QWidget* editor);

    std::function<void(QObject* Sender, bool Accept)> OnCloseUp;

    virtual QVariant GetValue() const = 0;
    virtual void SetValue(const QVariant& value) = 0;
    virtual QString GetPopupText() const { return QString(); }
    virtual void CloseUp(bool accept);
    // Keys the editor hands over while the drop-down is open.
    virtual void PopupKeyDown(QKeyEvent* event) { Q_UNUSED(event); }
    virtual void PopupKeyPress(QChar key) { Q_UNUSED(key); }

    void Show(QPoint origin);
    void Hide();
    bool IsShown() const { return shown_; }
    QWidget* Editor() const { return editor_; }
    void InvalidateEditor();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<QWidget> editor_;
    bool shown_ = false;
};

class TCustomComboEdit : public platform::TCustomMaskEdit {
    Q_OBJECT
    Q_PROPERTY(int ButtonWidth READ ButtonWidth WRITE SetButtonWidth)
    Q_PROPERTY(bool DirectInput READ DirectInput WRITE SetDirectInput)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
    Q_PROPERTY(QString ButtonHint READ ButtonHint WRITE SetButtonHint)
public:
    explicit TCustomComboEdit(QWidget* parent = nullptr);
    ~TCustomComboEdit() override;

    TNotifyEvent OnButtonClick;
    TNotifyEvent OnChange;
    QKeySequence ClickKey = QKeySequence(Qt::AltModifier | Qt::Key_Down);
    TPopupAlign PopupAlign = epaRight;
    bool AlwaysEnable = false;

    int ButtonWidth() const;
    void SetButtonWidth(int value);
    bool DirectInput() const { return directInput_; }
    void SetDirectInput(bool value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    QString ButtonHint() const;
    void SetButtonHint(const QString& hint);
    TGlyphKind GlyphKind() const { return glyphKind_; }
    void SetGlyphKind(TGlyphKind kind);
    void SetGlyph(const platform::TBitmap& glyph);
    int NumGlyphs() const { return button_->NumGlyphs(); }
    void SetNumGlyphs(int value);
    Qt::Alignment Alignment() const { return alignment() & Qt::AlignHorizontal_Mask; }
    void SetAlignment(Qt::Alignment value) { setAlignment(value | Qt::AlignVCenter); }
    TEditButton* Button() const { return button_; }
    QWidget* ButtonContainer() const { return container_; }
    // The edit is never lower than its text, four border lines and one pixel.
    int GetMinHeight() const;
    // The caret of the focused edit: 1 pixel wide, 2 with a bold font.
    void SetShowCaret();
    void HideCaret();
    TPopupWindow* Popup() const { return popup_; }
    bool PopupVisible() const { return popupVisible_; }

    void PopupDropDown(bool disableEdit);
    void PopupCloseUp(QObject* sender, bool accept);
    virtual void ShowPopup(QPoint origin);
    virtual void HidePopup();
    virtual QVariant GetPopupValue() const;
    virtual void SetPopupValue(const QVariant& value);
    virtual bool AcceptPopup(QVariant& value);
    virtual void AcceptValue(const QVariant& value);
    virtual void PopupChange() {}
    virtual bool GetReadOnly() const { return readOnly_; }
    virtual void ButtonClick();
    void EditButtonClick(QObject* sender);
    void DoClick() { EditButtonClick(this); }
    void SelectAll();
    // Entering the control by keyboard selects its text.
    bool AutoSelect = true;
    bool EditCanModify() const { return !readOnly_; }
    // The drop-down's place for the control's screen rectangle and the drop-down's size on a
    // screen: below (above when it does not fit), aligned, held inside the screen.
    static QPoint PopupOrigin(const QRect& control, QSize popup, const QRect& screen,
                              TPopupAlign align);

protected:
    bool CanPaste() const override { return directInput_ && !GetReadOnly(); }
    void SetPopup(TPopupWindow* popup);
    // Takes the focus back after a dialog; false when entering destroyed the edit.
    bool FocusAfterDialog();
    // The shared picture of the kind's default glyph and its number of cells.
    virtual platform::TBitmap GetDefaultBitmap() const { return {}; }
    int DefNumGlyphs = 1;
    virtual void Change();
    virtual void ComboKeyPress(QKeyEvent* event);
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void BorderChanged() override { UpdateBtnBounds(); }
    void RecreateGlyph();
    // The check on leaving runs only when the focus moves to another control of the window.
    bool FocusStaysInWindow(QFocusEvent* event) const;
    // Shows an exit check's error once, after the focus change, and takes the focus back with
    // the text selected.
    void ReportExitError(const QString& message);
    bool Reporting() const { return reporting_; }

private:
    friend bool PaintComboEdit(TCustomComboEdit* Editor, const QString& AText,
                               Qt::Alignment AAlignment, bool StandardPaint, QPainter* ACanvas,
                               QPaintEvent* Message);
    friend QPoint EditorTextMargins(TCustomComboEdit* Editor);
    void UpdateBtnBounds();
    void updateEditReadOnly();
    void setButtonGlyph(const platform::TBitmap& glyph, int numGlyphs);
    void SetEditRect();

    QWidget* container_;
    TEditButton* button_;
    TPopupWindow* popup_ = nullptr;
    TCaretStyle* caretStyle_;
    TGlyphKind glyphKind_ = gkCustom;
    int buttonWidth_ = 21;
    bool directInput_ = true;
    bool readOnly_ = false;
    bool popupVisible_ = false;
    bool changeMuted_ = false;
    bool reporting_ = false;
};

// The display of an edit that does not paint itself (unfocused, disabled or formatted): false,
// painting nothing, when StandardPaint leaves the painting to the edit. The text stands on the
// edit's colour at the text margins, or aligned beside the button.
bool PaintComboEdit(TCustomComboEdit* Editor, const QString& AText, Qt::Alignment AAlignment,
                    bool StandardPaint, QPainter* ACanvas, QPaintEvent* Message);
// Where the edit's own text starts: past the frame and the edit's left margin.
QPoint EditorTextMargins(TCustomComboEdit* Editor);

class TComboEdit : public TCustomComboEdit {
    Q_OBJECT
public:
    using TCustomComboEdit::TCustomComboEdit;
};

enum TCalendarStyle { csPopup, csDialog };
enum TYearDigits { dyDefault, dyFour, dyTwo };

class TCustomDateEdit : public TCustomComboEdit {
    Q_OBJECT
public:
    explicit TCustomDateEdit(QWidget* parent = nullptr);
    ~TCustomDateEdit() override;

    TDateTime GetDate() const;
    void SetDate(TDateTime value);
    void ApplyDate(TDateTime value);
    QString GetDateFormat() const { return dateFormat_; }
    QString GetDateMask() const;
    bool FourDigitYear() const;
    void UpdateFormat();
    virtual void UpdateMask();
    void UpdatePopup();
    bool TextStored() const;
    // The strict parse of a stored text; throws EConvertError for a bad date.
    void CheckValidDate();

    QChar BlanksChar() const { return blanksChar_; }
    void SetBlanksChar(QChar value);
    TYearDigits YearDigits() const { return yearDigits_; }
    void SetYearDigits(TYearDigits value);
    TCalendarStyle CalendarStyle() const { return Popup() ? csPopup : csDialog; }
    void SetCalendarStyle(TCalendarStyle value);
    TDayOfWeekName StartOfWeek() const { return startOfWeek_; }
    void SetStartOfWeek(TDayOfWeekName value);
    TDaysOfWeek Weekends() const { return weekends_; }
    void SetWeekends(TDaysOfWeek value);
    TColor WeekendColor() const { return weekendColor_; }
    void SetWeekendColor(TColor value);
    // The drop-down's background colour.
    TColor PopupColor() const;
    void SetPopupColor(TColor value);
    QStringList CalendarHints() const { return hints_; }
    void SetCalendarHints(const QStringList& hints);

    bool DefaultToday = false;
    bool CheckOnExit = false;
    QString DialogTitle = QStringLiteral("Select a Date");
    std::function<void(QObject* Sender, TDateTime& Date, bool& Accept)> OnAcceptDate;

    bool AcceptPopup(QVariant& value) override;
    void AcceptValue(const QVariant& value) override;
    void SetPopupValue(const QVariant& value) override;
    void ButtonClick() override;

protected:
    QLocale MaskLocale() const override { return DateLocale(); }
    platform::TBitmap GetDefaultBitmap() const override;
    void Change() override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void applyPopupColor();

    QChar blanksChar_ = QLatin1Char(' ');
    TYearDigits yearDigits_ = dyDefault;
    TDayOfWeekName startOfWeek_ = Mon;
    TDaysOfWeek weekends_ = DayBit(Sun);
    TColor weekendColor_ = 0x0000FF;
    TColor popupColor_ = platform::clBtnFace;
    QStringList hints_;
    QString dateFormat_;
    // The locale and separator the mask and text were last made in.
    QLocale maskedLocale_ = DateLocale();
    QChar maskedSeparator_ = DateSeparator();
    bool formatting_ = false;
};

class TDateEdit : public TCustomDateEdit {
    Q_OBJECT
public:
    explicit TDateEdit(QWidget* parent = nullptr);
};

// Every date edit on the screen takes the locale's date format again.
void DateFormatChanged();

// The drawn pictures of the date edit's button: two cells of 15 x 15 (enabled, disabled) on
// fuchsia, the transparent colour.
platform::TBitmap DateEditGlyph();

// A combo edit whose button opens a platform dialog and which takes files dropped on it.
class TFileDirEdit : public TCustomComboEdit {
    Q_OBJECT
public:
    explicit TFileDirEdit(QWidget* parent = nullptr);

    bool AcceptFiles() const { return acceptFiles_; }
    void SetAcceptFiles(bool value);
    std::function<void(QObject* Sender, QString& Name, bool& Action)> OnBeforeDialog;
    std::function<void(QObject* Sender, QString& Name, bool& Action)> OnAfterDialog;
    TNotifyEvent OnDropFiles;
    // Handed on to the dialogs, which open the help here.
    int HelpContext = 0;

    // One dropped or chosen name.
    virtual void ReceptFileDir(const QString& name) = 0;
    virtual void ClearFileList() {}
    virtual QString GetLongName() const = 0;
    virtual QString GetShortName() const = 0;
    // Local files dropped on the edit, in order (the first only unless several are allowed).
    void DropFiles(const QStringList& names);

protected:
    platform::TBitmap GetDefaultBitmap() const override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool MultipleEntries = false;

private:
    bool acceptFiles_ = false;
};

enum TFileDialogKind { dkOpen, dkSave, dkOpenPicture, dkSavePicture };

class TFilenameEdit : public TFileDirEdit {
    Q_OBJECT
public:
    explicit TFilenameEdit(QWidget* parent = nullptr);

    // The text cut to its file name: the text when that file exists, else its first word.
    QString FileName() const;
    // An invalid name is reported and leaves the text as it was; false then.
    bool SetFileName(const QString& name);
    TFileDialogKind DialogKind() const { return dialogKind_; }
    // A new dialog of the kind takes over every setting of the old one; a filter left at the old
    // kind's default becomes the new kind's (pictures for the picture kinds).
    void SetDialogKind(TFileDialogKind kind);
    platform::TFileEditStyle FileEditStyle() const { return dialog_->FileEditStyle; }
    void SetFileEditStyle(platform::TFileEditStyle value) { dialog_->FileEditStyle = value; }
    QStringList HistoryList() const { return dialog_->HistoryList; }
    void SetHistoryList(const QStringList& value) { dialog_->HistoryList = value; }
    int FilterIndex() const { return dialog_->FilterIndex; }
    void SetFilterIndex(int value) { dialog_->FilterIndex = value; }
    QString DialogTitle() const { return dialog_->Title; }
    void SetDialogTitle(const QString& value) { dialog_->Title = value; }
    platform::TOpenOptions DialogOptions() const { return dialog_->Options; }
    // Several files are taken exactly when ofAllowMultiSelect is among the options.
    void SetDialogOptions(platform::TOpenOptions value);
    bool AllowMultiSelect() const { return MultipleEntries; }
    void SetAllowMultiSelect(bool value);
    QStringList Files() const { return dialog_->Files; }
    platform::TFileDialog& Dialog() { return *dialog_; }

    void ReceptFileDir(const QString& name) override;
    void ClearFileList() override { dialog_->Files.clear(); }
    QString GetLongName() const override { return FileName(); }
    QString GetShortName() const override { return FileName(); }
    void ButtonClick() override;

private:
    std::unique_ptr<platform::TFileDialog> dialog_;
    TFileDialogKind dialogKind_ = dkOpen;
};

enum TDirDialogKind { dkVCL, dkWin32 };

class TDirectoryEdit : public TFileDirEdit {
    Q_OBJECT
public:
    explicit TDirectoryEdit(QWidget* parent = nullptr);

    QString InitialDir;
    QString DialogText;
    // dkWin32 opens the folder browser with DialogText; dkVCL the classic chooser with
    // DialogOptions.
    TDirDialogKind DialogKind = dkVCL;
    TSelectDirOpts DialogOptions = 0;
    bool MultipleDirs() const { return MultipleEntries; }
    void SetMultipleDirs(bool value) { MultipleEntries = value; }

    void ReceptFileDir(const QString& name) override;
    QString GetLongName() const override { return Text(); }
    QString GetShortName() const override { return Text(); }
    void ButtonClick() override;
};

// The drawn pictures of the file edits' button: two cells (enabled, disabled).
platform::TBitmap FileEditGlyph();
