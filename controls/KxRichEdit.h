#pragma once
// The formatted-text memo: a QTextEdit whose positions, lines, selection and formats follow the
// rich-edit control the program was written for. A position counts characters, each paragraph
// break one (CR across this interface); a line of Lines is a paragraph.

#include "controls/RichTextFormat.h"
#include "platform/Classes.h"
#include "platform/Colors.h"
#include "platform/FindDialog.h"
#include "platform/FontStyles.h"
#include "platform/Keys.h"
#include "platform/PopupMenu.h"

#include <QFlags>
#include <QRect>
#include <QStringList>
#include <QTextEdit>

#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

class QIODevice;
class QMimeData;
class QTextCursor;
class QSyntaxHighlighter;
class TKxCustomRichEdit;

// The rich-edit library the control stands for; no branch for older ones is built.
constexpr int RichEditVersion = 3;

// A stream or file that could not be read or written.
class EOutOfResources : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum TKxAttributeType { atDefaultText, atSelected, atWord };

enum TKxConsistentAttribute : unsigned {
    caBold = 1u << 0,
    caColor = 1u << 1,
    caFace = 1u << 2,
    caItalic = 1u << 3,
    caSize = 1u << 4,
    caStrikeOut = 1u << 5,
    caUnderline = 1u << 6,
    caProtected = 1u << 7,
    caOffset = 1u << 8,
    caHidden = 1u << 9,
    caLink = 1u << 10,
    caBackColor = 1u << 11,
    caDisabled = 1u << 12,
    caWeight = 1u << 13,
    caSubscript = 1u << 14,
    caRevAuthor = 1u << 15,
};
Q_DECLARE_FLAGS(TKxConsistentAttributes, TKxConsistentAttribute)
Q_DECLARE_OPERATORS_FOR_FLAGS(TKxConsistentAttributes)

enum TSubscriptStyle { ssNone, ssSubscript, ssSuperscript };
enum TUnderlineType { utNone, utSolid, utWord, utDouble, utDotted, utWave };

// Character formatting of one scope of a rich edit; it holds no format of its own.
class TKxTextAttributes : public TPersistent {
    Q_OBJECT
public:
    TKxTextAttributes(TKxCustomRichEdit* owner, TKxAttributeType type);

    // The font's size, style, face, colour, character set and weight in one change.
    void Assign(const QFont& font, TColor color = platform::clWindowText);
    // The other object's whole record.
    void Assign(const TKxTextAttributes& source);
    void AssignTo(QFont& font, TColor* color = nullptr) const;

    richtext::CharFormat GetAttributes() const;
    void SetAttributes(const richtext::CharFormat& record);
    TKxConsistentAttributes ConsistentAttributes() const;

    TColor Color() const;
    void SetColor(TColor value);
    TColor BackColor() const;
    void SetBackColor(TColor value);
    TFontStyles Style() const;
    void SetStyle(TFontStyles value);
    QString Name() const;
    void SetName(const QString& value);
    int Size() const;
    void SetSize(int value);
    int Height() const;
    void SetHeight(int value);
    int Offset() const;
    void SetOffset(int value);
    int Charset() const;
    void SetCharset(int value);
    TFontPitch Pitch() const;
    void SetPitch(TFontPitch value);
    bool Protected() const;
    void SetProtected(bool value);
    bool Link() const;
    void SetLink(bool value);
    bool Hidden() const;
    void SetHidden(bool value);
    bool Disabled() const;
    void SetDisabled(bool value);
    int RevAuthorIndex() const;
    void SetRevAuthorIndex(int value);
    TSubscriptStyle SubscriptStyle() const;
    void SetSubscriptStyle(TSubscriptStyle value);
    TUnderlineType UnderlineType() const;
    void SetUnderlineType(TUnderlineType value);

private:
    void SetEffect(std::uint32_t mask, bool on);
    TKxCustomRichEdit* richEdit_;
    TKxAttributeType type_;
};

enum TParaAlignment { paLeftJustify, paRightJustify, paCenter, paJustify };
enum TKxNumbering {
    nsNone,
    nsBullet,
    nsArabicNumbers,
    nsLoCaseLetter,
    nsUpCaseLetter,
    nsLoCaseRoman,
    nsUpCaseRoman
};
enum TKxNumberingStyle { nsParenthesis, nsPeriod, nsEnclosed, nsSimple };
enum TLineSpacingRule {
    lsSingle,
    lsOneAndHalf,
    lsDouble,
    lsSpecifiedOrMore,
    lsSpecified,
    lsMultiple
};
enum TParaTableStyle { tsNone, tsTableRow, tsTableCellEnd, tsTableCell };

// Paragraph formatting of the selection's paragraphs.
class TKxParaAttributes : public TPersistent {
    Q_OBJECT
public:
    explicit TKxParaAttributes(TKxCustomRichEdit* owner);

    void Assign(const TKxParaAttributes& source);

    richtext::ParaFormat GetAttributes() const;
    void SetAttributes(const richtext::ParaFormat& record);

    TParaAlignment Alignment() const;
    void SetAlignment(TParaAlignment value);
    int FirstIndent() const;
    void SetFirstIndent(int value);
    int LeftIndent() const;
    void SetLeftIndent(int value);
    int RightIndent() const;
    void SetRightIndent(int value);
    TKxNumbering Numbering() const;
    void SetNumbering(TKxNumbering value);
    TKxNumberingStyle NumberingStyle() const;
    void SetNumberingStyle(TKxNumberingStyle value);
    int NumberingTab() const;
    void SetNumberingTab(int value);
    int HeadingStyle() const;
    void SetHeadingStyle(int value);
    int SpaceBefore() const;
    void SetSpaceBefore(int value);
    int SpaceAfter() const;
    void SetSpaceAfter(int value);
    int LineSpacing() const;
    void SetLineSpacing(int value);
    TLineSpacingRule LineSpacingRule() const;
    void SetLineSpacingRule(TLineSpacingRule value);
    int Tab(int index) const;
    void SetTab(int index, int value);
    int TabCount() const;
    void SetTabCount(int value);
    TParaTableStyle TableStyle() const;
    void SetTableStyle(TParaTableStyle value);

private:
    TKxCustomRichEdit* richEdit_;
};

enum TRichStreamFormat { sfDefault, sfRichText, sfPlainText };
enum TRichStreamModeFlag : unsigned {
    smSelection = 1,
    smPlainRtf = 2,
    smNoObjects = 4,
    smUnicode = 8
};
Q_DECLARE_FLAGS(TRichStreamModes, TRichStreamModeFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TRichStreamModes)

enum TRichLangOption : unsigned {
    rlAutoKeyboard = 1,
    rlAutoFont = 2,
    rlImeCancelComplete = 4,
    rlImeAlwaysSendNotify = 8
};
Q_DECLARE_FLAGS(TRichLangOptions, TRichLangOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TRichLangOptions)

enum TRichSelection : unsigned { stText = 1, stObject = 2, stMultiChar = 4, stMultiObject = 8 };
Q_DECLARE_FLAGS(TRichSelectionType, TRichSelection)
Q_DECLARE_OPERATORS_FOR_FLAGS(TRichSelectionType)

enum TRichSearchType : unsigned {
    stWholeWord = 1,
    stMatchCase = 2,
    stBackward = 4,
    stSetSelection = 8
};
Q_DECLARE_FLAGS(TRichSearchTypes, TRichSearchType)
Q_DECLARE_OPERATORS_FOR_FLAGS(TRichSearchTypes)

enum TUndoName { unUnknown, unTyping, unDelete, unDragDrop, unCut, unPaste };

enum TScrollStyle { ssNoScroll, ssHorizontal, ssVertical, ssBoth };

// Moves a stream's bytes on their way in and out; the base moves them unchanged.
class TConversion {
public:
    virtual ~TConversion() = default;
    // The number of bytes read into Buffer; -1 on a read error.
    virtual int ConvertReadStream(QIODevice& Stream, char* Buffer, int BufSize);
    // The number of bytes written; fewer than BufSize is a failure.
    virtual int ConvertWriteStream(QIODevice& Stream, const char* Buffer, int BufSize);
};

// Files in the OEM code page (850): read as the program's 8-bit text, written back to 850.
class TOEMConversion : public TConversion {
public:
    int ConvertReadStream(QIODevice& Stream, char* Buffer, int BufSize) override;
    int ConvertWriteStream(QIODevice& Stream, const char* Buffer, int BufSize) override;
};

// What stands for a conversion class: it makes a conversion object.
using TConversionClass = std::function<std::unique_ptr<TConversion>()>;

template <class T> TConversionClass ConversionClassOf() {
    return [] { return std::make_unique<T>(); };
}

// The line view of a rich edit: one entry per paragraph.
class TRichEditStrings {
public:
    explicit TRichEditStrings(TKxCustomRichEdit* owner);
    ~TRichEditStrings();

    int Count() const;
    // The paragraph's text, cut at 4,096 characters.
    QString Get(int index) const;
    QString operator[](int index) const { return Get(index); }
    void Put(int index, const QString& text);
    void Insert(int index, const QString& text);
    int Add(const QString& text);
    void Append(const QString& text) { Add(text); }
    void Delete(int index);
    void Clear();
    void AddStrings(const QStringList& list);
    // Every line followed by CR LF.
    QString Text() const;
    void SetText(const QString& text);
    void BeginUpdate();
    void EndUpdate();

    // The whole text (or with smSelection the selection) from or to a stream, as rich text or
    // plain text by Format; a load that fails as one is retried as the other from where the
    // stream began. Failures raise EOutOfResources; a failed load leaves the text as it was.
    void LoadFromStream(QIODevice& Stream);
    void SaveToStream(QIODevice& Stream);
    // The file's extension chooses the format and, once, the conversion; a failed save leaves
    // the old file intact and raises with the reason.
    void LoadFromFile(const QString& FileName);
    void SaveToFile(const QString& FileName);

    TRichStreamFormat Format = sfDefault;
    TRichStreamModes Mode;
    TConversion* Conversion() const { return conversion_.get(); }

private:
    bool PlainInEffect(TRichStreamFormat format) const;
    // The extension's registration applied for one file operation.
    template <class Action> void WithFileFormat(const QString& fileName, Action action);

    TKxCustomRichEdit* richEdit_;
    int updateCount_ = 0;
    std::unique_ptr<TConversion> conversion_;
};

struct TCharRange {
    int cpMin = 0;
    int cpMax = 0;
};

// What a refused or allowed change of protected text was: the edit's message and its range.
struct TMessage {
    unsigned Msg = 0;
    quintptr WParam = 0;
    qintptr LParam = 0;
};

using TRichEditResizeEvent = std::function<void(QObject* Sender, const QRect& Rect)>;
using TRichEditProtectChange =
    std::function<void(QObject* Sender, int StartPos, int EndPos, bool& AllowChange)>;
using TRichEditProtectChangeEx = std::function<void(QObject* Sender, const TMessage& Message,
                                                    int StartPos, int EndPos, bool& AllowChange)>;
using TRichEditSaveClipboard =
    std::function<void(QObject* Sender, int NumObjects, int NumChars, bool& SaveClipboard)>;
using TRichEditURLClickEvent =
    std::function<void(QObject* Sender, const QString& URLText, TMouseButton Button)>;
using TRichEditFindErrorEvent = std::function<void(QObject* Sender, const QString& FindText)>;
using TRichEditFindCloseEvent = std::function<void(QObject* Sender, TFindDialog* Dialog)>;
using TKeyEvent = std::function<void(QObject* Sender, Word& Key, TShiftState Shift)>;

class TKxCustomRichEdit : public QTextEdit {
    Q_OBJECT
public:
    explicit TKxCustomRichEdit(QWidget* parent = nullptr);
    ~TKxCustomRichEdit() override;

    // Selection and text.
    TCharRange GetSelection() const;
    void SetSelection(int StartPos, int EndPos, bool ScrollCaret);
    int SelStart() const;
    void SetSelStart(int Pos);
    int SelLength() const;
    void SetSelLength(int Len);
    QString SelText() const;
    // Replaces the selection (undoably) and selects the new text.
    void SetSelText(const QString& text);
    QString GetTextRange(int StartPos, int EndPos) const;
    int GetSelTextBuf(QChar* Buffer, int BufSize) const;
    QPoint GetCaretPos() const;
    QPoint GetCharPos(int Index) const;
    QString WordAtCursor() const;
    int LineFromChar(int Index) const;
    int GetLineIndex(int Line) const;
    int GetLineLength(int CharIndex) const;
    TRichSelectionType SelectionType() const;
    // Characters in the control, a paragraph break counting one.
    int GetTextLen() const;
    // The text as the window gives it: paragraphs joined by CR LF.
    QString Text() const;
    void SetText(const QString& text) { Lines.SetText(text); }
    void SelectAll();
    void CopyToClipboard() { copy(); }
    void CutToClipboard() { cut(); }
    void PasteFromClipboard() { paste(); }
    bool CanPaste() const;
    bool CanUndo() const;
    bool CanRedo() const;
    TUndoName UndoName() const;
    TUndoName RedoName() const;
    void Undo();
    void Redo();
    void ClearUndo();
    void StopGroupTyping();
    virtual void Clear();
    // One page down, as the scroll bar's page-down does.
    void ScrollPageDown();

    // Search over the text (a paragraph break one CR): the match's position or -1. Backwards
    // it covers the Length characters before StartPos; forwards a match ends inside the range.
    int FindText(const QString& SearchStr, int StartPos, int Length, TRichSearchTypes Options);
    // The control's own modeless dialogs, made on first use.
    TFindDialog* FindDialog(const QString& SearchStr);
    TReplaceDialog* ReplaceDialog(const QString& SearchStr, const QString& ReplaceStr);
    bool CanFindNext() const;
    bool FindNext();
    // The whole text as one job on the platform's printer, in PageRect or the printable page.
    virtual void Print(const QString& Caption);

    // Memo properties.
    bool ReadOnly() const { return isReadOnly(); }
    void SetReadOnly(bool value) { setReadOnly(value); }
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle value);
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int value) { maxLength_ = value; }
    bool Modified() const;
    void SetModified(bool value);
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    TParaAlignment Alignment() const { return alignment_; }
    void SetAlignment(TParaAlignment value);
    bool WantReturns = true;
    bool WantTabs() const { return wantTabs_; }
    void SetWantTabs(bool value);

    // Rich-edit properties.
    bool HideScrollBars() const { return hideScrollBars_; }
    void SetHideScrollBars(bool value);
    bool HideSelection() const { return hideSelection_; }
    void SetHideSelection(bool value);
    bool AutoURLDetect() const { return autoURLDetect_; }
    void SetAutoURLDetect(bool value);
    bool PlainText() const { return plainText_; }
    void SetPlainText(bool value);
    TRichStreamFormat StreamFormat() const { return Lines.Format; }
    void SetStreamFormat(TRichStreamFormat value) { Lines.Format = value; }
    TRichStreamModes StreamMode() const { return Lines.Mode; }
    void SetStreamMode(TRichStreamModes value) { Lines.Mode = value; }
    // A margin left of the text where the pointer is an arrow pointing right: a press selects
    // the line beside it, a double press its paragraph.
    bool SelectionBar() const { return selectionBar_; }
    void SetSelectionBar(bool value);
    // A selection dragged across a word boundary takes whole words.
    bool WordSelection = true;
    // With rlAutoFont, characters the font lacks are drawn in a font that has them; without it,
    // the text keeps to its own fonts. Keyboard switching and the input-method flags are the
    // desktop's, so they are only kept.
    TRichLangOptions LangOptions() const { return langOptions_; }
    void SetLangOptions(TRichLangOptions value);
    // How many steps Undo can take back; 0 keeps no history.
    int UndoLimit() const { return undoLimit_; }
    void SetUndoLimit(int value);
    QRect PageRect;
    // Pictures are the only objects here: without AllowObjects, or in plain text, none is taken
    // in. The rest is only kept.
    bool AllowObjects = true;
    bool AutoVerbMenu = true;
    bool AllowInPlace = true;
    QString Title;
    // Shown on the right-button release instead of Qt's own menu.
    platform::TPopupMenu* PopupMenu = nullptr;

    TKxTextAttributes SelAttributes;
    TKxTextAttributes DefAttributes;
    TKxTextAttributes WordAttributes;
    TKxParaAttributes Paragraph;
    TRichEditStrings Lines;

    // Puts an extension (no point, any case) in front of the conversion formats.
    static void RegisterConversionFormat(const QString& Extension, bool PlainText,
                                         TConversionClass ConversionClass);
    // The conversion Lines uses for one transfer when it holds none of its own.
    TConversionClass DefaultConversion = ConversionClassOf<TConversion>();

    // Embedded and linked objects have no counterpart here: their dialogs answer "cancelled".
    bool InsertObjectDialog() { return false; }
    bool ObjectPropertiesDialog() { return false; }
    void CloseObjects() {}
    // Asks which of the clipboard's formats to paste (rich text with or without pictures, text
    // or a bitmap) and pastes it: true when confirmed and pasted. False without a window when
    // the clipboard holds none of them.
    bool PasteSpecialDialog();
    // The host names go to the embedded objects; with none there is nobody to tell them to.
    void UpdateHostNames() {}
    // Active: the control becomes its form's active object control and, with AllowInPlace,
    // takes the focus. Inactive: it stops being that control; when it is the form's focused
    // control and AllowInPlace is on, it keeps the focus and fires SelectionChange.
    void SetUIActive(bool Active);

    TNotifyEvent OnChange;
    TNotifyEvent OnSelectionChange;
    TRichEditResizeEvent OnResizeRequest;
    TRichEditProtectChange OnProtectChange;
    TRichEditProtectChangeEx OnProtectChangeEx;
    TRichEditSaveClipboard OnSaveClipboard;
    TRichEditURLClickEvent OnURLClick;
    TKeyEvent OnKeyDown;
    TRichEditFindErrorEvent OnTextNotFound;
    TRichEditFindCloseEvent OnCloseFindDialog;

    // The document's default character format as a record (what text without its own takes).
    const richtext::CharFormat& DefaultRecord() const { return defaultRecord_; }

protected:
    // Asked when the control goes or the application ends while the clipboard still holds what
    // this control put there: false clears the clipboard.
    virtual bool SaveClipboard(int NumObjects, int NumChars);
    virtual void SelectionChange();
    virtual void RequestSize(const QRect& rect);
    virtual bool ProtectChange(const TMessage& message, int StartPos, int EndPos);
    virtual void URLClick(const QString& URLText, TMouseButton Button);
    virtual void TextNotFound(TFindDialog* Dialog);
    virtual void CloseFindDialog(TFindDialog* Dialog);

    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    QMimeData* createMimeDataFromSelection() const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    friend class TKxTextAttributes;
    friend class TKxParaAttributes;
    friend class TRichEditStrings;

    // Change notifications are off while the counter is above zero.
    class ChangeMute {
    public:
        explicit ChangeMute(TKxCustomRichEdit& edit) : edit_(edit) { ++edit_.changeMute_; }
        ~ChangeMute() { --edit_.changeMute_; }

    private:
        TKxCustomRichEdit& edit_;
    };

    void TextChanged();
    // Inserts at the cursor, CR LF, LF and CR each a paragraph break; the length in positions.
    static int InsertAtCursor(QTextCursor& cursor, const QString& text);
    // What Lines writes: [from, to) replaced by text, not undoable; the caret ends after it.
    void ReplaceRange(int from, int to, const QString& text);
    // Runs edit outside the history, which it empties: what was undoable would no longer fit.
    void EditWithoutUndo(const std::function<void()>& edit);
    // Drops the oldest steps beyond UndoLimit, taking back and redoing the kept ones.
    void TrimUndo();
    void SetCursorKeepingScroll(const QTextCursor& cursor);
    void ShowPopupMenu(QPoint screenPoint);
    void SetUpFindDialog(TFindDialog& dialog, const QString& searchStr);
    bool FindEditText(TFindDialog& dialog, bool adjustPos, bool events);
    void ReplaceEvent(TReplaceDialog& dialog);
    void ReplaceAll(TReplaceDialog& dialog);
    void AdjustFindDialogPosition(TFindDialog& dialog);
    bool KeyMayEdit(const QKeyEvent& event, Word key);
    // The clipboard's rich text: the selection added as RTF; pasted from RTF when it has some.
    void AddRichText(QMimeData& data) const;
    bool PasteRichText(const QMimeData& data, QTextCursor& cursor, bool pictures = true);
    // An image pasted or dropped as a picture; false when the data holds none.
    bool PastePicture(const QMimeData& data, QTextCursor& cursor);
    bool TakesPictures() const { return AllowObjects && !plainText_; }
    bool PasteText(const QMimeData& data, QTextCursor& cursor);
    // What a paste takes from the data: the richest it holds, or one format.
    enum class PasteKind { Richest, RichText, RichTextWithoutObjects, Text, Bitmap };
    // Pastes at the selection as the user would; false when refused or nothing was there.
    bool Paste(const QMimeData& data, PasteKind kind);
    // Whether the clipboard still holds this control's data, and if so the event's answer.
    void AskToKeepClipboard();
    int PicturesIn(int from, int to) const;
    // Whether the user may change [from, to): protected text asks the protect events.
    bool MayChange(unsigned message, int from, int to);
    bool RangeProtected(int from, int to) const;
    bool FitsMaxLength(int removed, int added) const;
    TCharRange LinkAt(const QPoint& viewportPos) const;
    bool InSelectionBar(const QPoint& pos) const;
    void SelectLineAt(int viewportY, bool paragraph);
    // After a drag moved the selection's end: whole words once it left the first word.
    void ExtendByWords();
    void ApplyScrollBars();
    void ApplyDefaultFormat();
    void NoteUndoKind(TUndoName kind) { pendingUndoKind_ = kind; }

    int changeMute_ = 0;
    bool linesUpdating_ = false;
    int undoLimit_ = 100;
    TRichLangOptions langOptions_ = rlAutoFont;
    bool undoTrimQueued_ = false;
    bool trimmingUndo_ = false;
    bool wordWrap_ = true;
    bool wantTabs_ = false;
    bool hideScrollBars_ = true;
    bool hideSelection_ = true;
    bool autoURLDetect_ = true;
    bool plainText_ = false;
    bool stopGroupTyping_ = false;
    bool selectionBar_ = true;
    // Where the drag now selecting began, or -1.
    int dragAnchor_ = -1;
    int maxLength_ = 0;
    TColor color_ = platform::clWindow;
    TParaAlignment alignment_ = paLeftJustify;
    TScrollStyle scrollBars_ = ssBoth;
    TCharRange linkClick_{-1, -1};
    TCharRange lastSelection_;
    TMouseButton linkButton_ = mbLeft;
    richtext::CharFormat defaultRecord_;
    TUndoName pendingUndoKind_ = unUnknown;
    std::vector<TUndoName> undoKinds_;
    std::vector<TUndoName> redoKinds_;
    QSyntaxHighlighter* urlHighlighter_ = nullptr;
    TFindDialog* findDialog_ = nullptr;
    TReplaceDialog* replaceDialog_ = nullptr;
    TFindDialog* lastFindDialog_ = nullptr;
    // Marks the clipboard data this control made; asked about once per copy.
    const quint64 clipboardId_;
    mutable bool clipboardAsked_ = false;
};

// The control of the form that is active for an embedded object, or none.
QWidget* ActiveOleControl(const QWidget* form);

// The clipboard format of rich text.
inline constexpr char RichTextMime[] = "text/rtf";

// The control with its properties published; no behaviour of its own.
class TKxRichEdit : public TKxCustomRichEdit {
    Q_OBJECT
public:
    using TKxCustomRichEdit::TKxCustomRichEdit;
};
