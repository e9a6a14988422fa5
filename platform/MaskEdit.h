#pragma once
// The original edit masks ("!99/99/9999;1; ", "99AA;0;*") in Qt's input-mask language, and the
// masked edit that reads its text the original way: blanks kept in place, literals dropped when
// the mask does not save them.

#include "platform/Ctl3D.h"

#include <QLineEdit>
#include <QList>
#include <QLocale>
#include <QString>

namespace platform {

struct TranslatedMask {
    QString InputMask;        // Qt's mask, empty for no mask
    bool SaveLiterals = true; // the mask's second field ("1" or absent: literals are text)
    QChar Blank = QLatin1Char('_');
    QList<bool> IsLiteral;      // per position of the shown text
    bool LeadingBlanks = false; // "!": a field's unfilled places read before its characters
};

// "0" (required digit) and "9" (optional digit) swap; "L"/"l" letters, "A"/"a" letters or
// digits, "C"/"c" any character; "/" and ":" become the locale's date and time separators;
// "<>" ends case conversion; "!" (leading blanks) has no counterpart in Qt's mask and is kept in
// LeadingBlanks; "_" is a blank; characters Qt would read as mask letters are escaped.
TranslatedMask TranslateEditMask(const QString& mask, const QLocale& locale = QLocale());

// The shown text of a masked line edit read through its mask: blanks as the mask's blank
// character at their places (with LeadingBlanks, those of each field between literals before its
// characters: "5_/3_/2024" reads " 5/ 3/2024"), literals dropped when the mask does not save them.
QString MaskedText(const QString& displayText, const TranslatedMask& mask);

// A line edit whose paste and cut (shortcut, context menu, middle click, drop) reach the text
// only while CanPaste() allows them. Framed, its single border follows its look: the style's frame
// when three-dimensional, else one flat line.
class TCustomEdit : public QLineEdit, public TCtl3D {
    Q_OBJECT
    Q_PROPERTY(bool Ctl3D READ Ctl3D WRITE SetCtl3D)
    Q_PROPERTY(bool ParentCtl3D READ ParentCtl3D WRITE SetParentCtl3D)
public:
    explicit TCustomEdit(QWidget* parent = nullptr);

    // The height of a line of text: the smaller of the system font's and the edit's own.
    int GetTextHeight() const;
    // Hides QLineEdit's, so that what stands inside the border moves with it.
    void setFrame(bool enable);
    // The single border's width: none when frameless.
    int BorderWidth() const;
    // The flat border over the style's frame, when framed and not three-dimensional.
    void PaintFlatBorder(QPainter& painter) const;

protected:
    // Runs after the border's width or look changed.
    virtual void BorderChanged() {}
    void Ctl3DChanged() override;
    void paintEvent(QPaintEvent* event) override;
    virtual bool CanPaste() const { return !isReadOnly(); }
    // The focus-in of an edit with an AutoSelect setting: entering, unless by a press of the
    // left button, selects all with it and keeps the selection as it was without it. The focus
    // coming back from a menu or drop-down is no entering.
    void AutoSelectFocusIn(QFocusEvent* event, bool autoSelect);
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

class TCustomMaskEdit : public TCustomEdit {
    Q_OBJECT
    Q_PROPERTY(QString EditMask READ EditMask WRITE SetEditMask)
    Q_PROPERTY(QString Text READ Text WRITE SetText)
public:
    explicit TCustomMaskEdit(QWidget* parent = nullptr);

    QString EditMask() const { return editMask_; }
    void SetEditMask(const QString& mask);
    // The text as the original masked edit gives it (see MaskedText); without a mask the text.
    QString Text() const;
    void SetText(const QString& text);
    bool Modified() const { return isModified(); }
    void SetModified(bool modified) { setModified(modified); }
    bool IsMasked() const { return !translated_.InputMask.isEmpty(); }

protected:
    // The locale whose separators "/" and ":" stand for.
    virtual QLocale MaskLocale() const { return QLocale(); }

private:
    QString editMask_;
    TranslatedMask translated_;
};

class TMaskEdit : public TCustomMaskEdit {
    Q_OBJECT
public:
    using TCustomMaskEdit::TCustomMaskEdit;
};

} // namespace platform
