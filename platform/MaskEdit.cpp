#include "platform/MaskEdit.h"

#include "platform/Graphics.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>

#include <algorithm>
#include <memory>

namespace platform {

namespace {

// The characters Qt reads as mask letters or keeps reserved, which the original takes literally.
bool isQtMaskChar(QChar c) {
    return QStringLiteral("AaNnXx90Dd#HhBb><!\\[]{}").contains(c);
}

QChar timeSeparator(const QLocale& locale) {
    for (const QChar c : locale.timeFormat(QLocale::ShortFormat)) {
        if (!c.isLetter())
            return c;
    }
    return QLatin1Char(':');
}

QChar dateSeparator(const QLocale& locale) {
    for (const QChar c : locale.dateFormat(QLocale::ShortFormat)) {
        if (!c.isLetter())
            return c;
    }
    return QLatin1Char('/');
}

// The mask field ends at the first ";" that is not escaped.
int fieldEnd(const QString& mask) {
    for (int i = 0; i < mask.size(); ++i) {
        if (mask[i] == QLatin1Char('\\'))
            ++i;
        else if (mask[i] == QLatin1Char(';'))
            return i;
    }
    return int(mask.size());
}

void addLiteral(TranslatedMask& out, QChar c) {
    if (isQtMaskChar(c))
        out.InputMask += QLatin1Char('\\');
    out.InputMask += c;
    out.IsLiteral.append(true);
}

void addInput(TranslatedMask& out, QChar qtLetter) {
    out.InputMask += qtLetter;
    out.IsLiteral.append(false);
}

} // namespace

TranslatedMask TranslateEditMask(const QString& mask, const QLocale& locale) {
    TranslatedMask out;
    const int end = fieldEnd(mask);
    const QStringList fields = mask.mid(end + 1).split(QLatin1Char(';'));
    if (end < mask.size()) {
        out.SaveLiterals = fields.value(0) != QLatin1String("0");
        if (fields.size() > 1 && !fields[1].isEmpty())
            out.Blank = fields[1][0];
    }
    // The original's input letters and Qt's letters of the same meaning.
    static const QString original = QStringLiteral("09LlAaCc#");
    static const QString qt = QStringLiteral("90AaNnXx#");
    for (int i = 0; i < end; ++i) {
        const QChar c = mask[i];
        if (const auto letter = original.indexOf(c); letter >= 0) {
            addInput(out, qt[letter]);
            continue;
        }
        switch (c.unicode()) {
        case '<':
            if (i + 1 < end && mask[i + 1] == QLatin1Char('>')) {
                out.InputMask += QLatin1Char('!');
                ++i;
            } else {
                out.InputMask += c;
            }
            break;
        case '>':
            out.InputMask += c;
            break;
        case '!':
            out.LeadingBlanks = true;
            break;
        case '\\':
            if (i + 1 < end)
                addLiteral(out, mask[++i]);
            break;
        case '/':
            addLiteral(out, dateSeparator(locale));
            break;
        case ':':
            addLiteral(out, timeSeparator(locale));
            break;
        case '_':
            addLiteral(out, QLatin1Char(' '));
            break;
        default:
            addLiteral(out, c);
            break;
        }
    }
    if (!out.InputMask.isEmpty())
        out.InputMask += QLatin1Char(';') + out.Blank;
    return out;
}

namespace {

// Each field, a run of places between literals, with its blanks moved before its characters.
QString blanksFirst(QString text, const TranslatedMask& mask) {
    const auto isLiteral = [&mask](qsizetype i) { return mask.IsLiteral.value(i, false); };
    for (qsizetype start = 0; start < text.size();) {
        if (isLiteral(start)) {
            ++start;
            continue;
        }
        qsizetype end = start;
        QString filled;
        for (; end < text.size() && !isLiteral(end); ++end) {
            if (text[end] != mask.Blank)
                filled += text[end];
        }
        const qsizetype size = end - start;
        text.replace(start, size, QString(size - filled.size(), mask.Blank) + filled);
        start = end;
    }
    return text;
}

} // namespace

QString MaskedText(const QString& displayText, const TranslatedMask& mask) {
    const QString shown = mask.LeadingBlanks ? blanksFirst(displayText, mask) : displayText;
    if (mask.SaveLiterals)
        return shown;
    QString text;
    for (int i = 0; i < shown.size(); ++i) {
        if (!mask.IsLiteral.value(i, false))
            text += shown[i];
    }
    return text;
}

TCustomEdit::TCustomEdit(QWidget* parent) : QLineEdit(parent), TCtl3D(this) {}

void TCustomEdit::setFrame(bool enable) {
    if (enable == hasFrame())
        return;
    QLineEdit::setFrame(enable);
    BorderChanged();
}

int TCustomEdit::BorderWidth() const {
    return hasFrame() ? SingleBorderWidth(Ctl3D()) : 0;
}

void TCustomEdit::Ctl3DChanged() {
    BorderChanged();
    update();
}

void TCustomEdit::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    QPainter painter(this);
    PaintFlatBorder(painter);
}

void TCustomEdit::PaintFlatBorder(QPainter& painter) const {
    if (!hasFrame() || Ctl3D())
        return;
    PaintSingleBorder(painter, rect(), false);
    // The style's frame is deeper than the line: the rest of it takes the edit's colour.
    painter.save();
    painter.setPen(palette().color(QPalette::Base));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(1, 1, -2, -2));
    painter.restore();
}

int TCustomEdit::GetTextHeight() const {
    return std::min(QFontMetrics(QApplication::font()).height(), fontMetrics().height());
}

void TCustomEdit::AutoSelectFocusIn(QFocusEvent* event, bool autoSelect) {
    const bool selected = hasSelectedText();
    QLineEdit::focusInEvent(event);
    if (event->reason() == Qt::PopupFocusReason)
        return;
    if (autoSelect && !(QApplication::mouseButtons() & Qt::LeftButton))
        selectAll();
    else if (!autoSelect && !selected)
        deselect(); // the line edit selects all by itself when tabbed into
}

void TCustomEdit::keyPressEvent(QKeyEvent* event) {
    if ((event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut)) && !CanPaste()) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

// Takes the action's connection to the line edit's slot away; whether there was one.
static bool unwire(QAction* action, QLineEdit* edit, void (QLineEdit::*slot)(), const char* name) {
    return QObject::disconnect(action, &QAction::triggered, edit, slot) ||
           QObject::disconnect(action, SIGNAL(triggered()), edit, name);
}

void TCustomEdit::contextMenuEvent(QContextMenuEvent* event) {
    std::unique_ptr<QMenu> menu(createStandardContextMenu());
    // The menu's Paste and Cut are known by the slot they trigger (their names vary with the Qt
    // version); they are re-wired through the gate. Where they are wired otherwise, their names
    // still disable them.
    const struct {
        void (QLineEdit::*slot)();
        const char* name;
        const char* actionName;
    } gated[] = {{&QLineEdit::paste, SLOT(paste()), "edit-paste"},
                 {&QLineEdit::cut, SLOT(cut()), "edit-cut"}};
    for (QAction* action : menu->actions()) {
        for (const auto& [slot, name, actionName] : gated) {
            const bool rewired = unwire(action, this, slot, name);
            if (rewired) {
                connect(action, &QAction::triggered, this, [this, slot = slot] {
                    if (CanPaste())
                        (this->*slot)();
                });
            }
            if ((rewired || action->objectName() == QLatin1String(actionName)) && !CanPaste())
                action->setEnabled(false);
        }
    }
    menu->exec(event->globalPos());
}

void TCustomEdit::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton && !CanPaste()) {
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void TCustomEdit::dragEnterEvent(QDragEnterEvent* event) {
    if (!CanPaste()) {
        event->ignore();
        return;
    }
    QLineEdit::dragEnterEvent(event);
}

void TCustomEdit::dropEvent(QDropEvent* event) {
    if (!CanPaste()) {
        event->ignore();
        return;
    }
    QLineEdit::dropEvent(event);
}

TCustomMaskEdit::TCustomMaskEdit(QWidget* parent) : TCustomEdit(parent) {}

void TCustomMaskEdit::SetEditMask(const QString& mask) {
    editMask_ = mask;
    translated_ = TranslateEditMask(mask, MaskLocale());
    setInputMask(translated_.InputMask);
}

QString TCustomMaskEdit::Text() const {
    return IsMasked() ? MaskedText(displayText(), translated_) : text();
}

void TCustomMaskEdit::SetText(const QString& text) {
    setText(text);
}

} // namespace platform
