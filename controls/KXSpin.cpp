#include "controls/KXSpin.h"

#include "platform/ControlEvents.h"
#include "platform/ExceptionDisplay.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

namespace {

constexpr int InitRepeatPause = 400;
constexpr int RepeatPause = 100;

// Rounds halves to even and holds the result to 64 bits.
qint64 roundTo64(double value) {
    const double rounded = std::nearbyint(value);
    if (rounded >= 9223372036854775808.0)
        return std::numeric_limits<qint64>::max();
    if (rounded < -9223372036854775808.0)
        return std::numeric_limits<qint64>::min();
    return qint64(rounded);
}

// Hexadecimal without a prefix: a negative number as 32-bit two's complement when it fits; a
// positive one that would read back as such gets a leading zero.
QString hexText(qint64 value) {
    if (value < 0 && value >= std::numeric_limits<qint32>::min())
        return QString::number(quint32(qint32(value)), 16).toUpper();
    QString text = QString::number(quint64(value), 16).toUpper();
    if (value > std::numeric_limits<qint32>::max() && text.size() <= 8)
        text.prepend(QLatin1Char('0'));
    return text;
}

bool parseHex(const QString& text, double& value) {
    if (text.isEmpty() || text.size() > 16 || text.startsWith(QLatin1Char('-')) ||
        text.startsWith(QLatin1Char('+')))
        return false;
    bool ok = false;
    const quint64 bits = text.toULongLong(&ok, 16);
    if (!ok)
        return false;
    value = text.size() <= 8 ? double(qint32(quint32(bits))) : double(qint64(bits));
    return true;
}

QColor frameColour() {
    return QColor(Qt::black);
}

} // namespace

QPixmap SpinGlyph(bool up) {
    QPixmap glyph(7, 4);
    glyph.fill(Qt::transparent);
    QPainter painter(&glyph);
    painter.setPen(Qt::black);
    for (int row = 0; row < 4; ++row) {
        const int y = up ? 3 - row : row;
        painter.drawLine(row, y, 6 - row, y);
    }
    return glyph;
}

// ---------------------------------------------------------------------------------------------

TKxSpinButton::TKxSpinButton(QWidget* parent)
    : QWidget(parent), upGlyph_(SpinGlyph(true)), downGlyph_(SpinGlyph(false)) {
    resize(20, 20);
}

void TKxSpinButton::SetUpGlyph(const QPixmap& glyph) {
    upGlyph_ = glyph.isNull() ? SpinGlyph(true) : glyph;
    update();
}

void TKxSpinButton::SetDownGlyph(const QPixmap& glyph) {
    downGlyph_ = glyph.isNull() ? SpinGlyph(false) : glyph;
    update();
}

QPixmap TKxSpinButton::face(TSpinButtonState state) const {
    const int w = width(), h = height();
    QPixmap pixmap(size());
    const QPalette& pal = palette();
    pixmap.fill(pal.color(QPalette::Button));
    QPainter p(&pixmap);
    const QColor light = pal.color(QPalette::Light);
    const QColor shadow = pal.color(QPalette::Dark);
    p.setPen(frameColour());
    p.drawRect(0, 0, w - 1, h - 1);
    p.drawLine(-1, h, w, -1);
    const bool top = state == sbTopDown;
    const bool bottom = state == sbBottomDown;
    p.setPen(top ? shadow : light);
    p.drawPolyline(QPolygon({QPoint(1, h - 4), QPoint(1, 1), QPoint(w - 3, 1)}));
    if (!top) {
        p.setPen(shadow);
        p.drawLine(1, h - 3, w - 2, 0);
    }
    p.setPen(bottom ? light : shadow);
    p.drawPolyline(QPolygon({QPoint(2, h - 2), QPoint(w - 2, h - 2), QPoint(w - 2, 1)}));
    p.setPen(bottom ? shadow : light);
    p.drawLine(2, h - 2, w - 1, 1);
    const int o = top ? 2 : 1;
    p.drawPixmap(int(std::nearbyint(w / 4.0 - upGlyph_.width() / 2.0)) + o,
                 int(std::nearbyint(h / 4.0 - upGlyph_.height() / 2.0)) + o, upGlyph_);
    p.drawPixmap(int(std::nearbyint(3 * w / 4.0 - downGlyph_.width() / 2.0)) - 1,
                 int(std::nearbyint(3 * h / 4.0 - downGlyph_.height() / 2.0)) - 1, downGlyph_);
    if (bottom) {
        p.setPen(shadow);
        p.drawLine(3, h - 2, w - 1, 2);
    }
    return pixmap;
}

void TKxSpinButton::paintEvent(QPaintEvent*) {
    if (!isEnabled())
        dragging_ = false;
    QPainter painter(this);
    painter.drawPixmap(0, 0, face(state_));
}

bool TKxSpinButton::belowDiagonal(QPointF point) const {
    return point.y() > height() - double(height()) / width() * point.x();
}

void TKxSpinButton::setState(TSpinButtonState state) {
    if (state_ == state)
        return;
    state_ = state;
    update();
}

void TKxSpinButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled())
        return;
    // Entering the focus control and the clicks fire its events, which may destroy both.
    if (FocusControl && (FocusControl->focusPolicy() & Qt::TabFocus) && FocusControl->isEnabled() &&
        !FocusControl->hasFocus() &&
        !platform::Survives(this, *event, [this] { FocusControl->setFocus(Qt::MouseFocusReason); }))
        return;
    if (state_ == sbNotDown) {
        lastState_ = sbNotDown;
        const bool bottom = belowDiagonal(event->position());
        setState(bottom ? sbBottomDown : sbTopDown);
        lastState_ = state_;
        if (!platform::Survives(this, *event, [&] { bottom ? BottomClick() : TopClick(); }))
            return;
        if (!repeatTimer_) {
            repeatTimer_ = new QTimer(this);
            connect(repeatTimer_, &QTimer::timeout, this, &TKxSpinButton::TimerExpired);
        }
        repeatTimer_->start(InitRepeatPause);
    }
    dragging_ = true;
}

void TKxSpinButton::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_)
        return;
    if (!rect().contains(event->position().toPoint())) {
        setState(sbNotDown);
        return;
    }
    if (belowDiagonal(event->position()))
        setState(lastState_ == sbBottomDown ? sbBottomDown : sbNotDown);
    else
        setState(lastState_ == sbTopDown ? sbTopDown : sbNotDown);
}

void TKxSpinButton::mouseReleaseEvent(QMouseEvent* event) {
    QWidget::mouseReleaseEvent(event);
    if (!dragging_)
        return;
    dragging_ = false;
    if (rect().contains(event->position().toPoint())) {
        lastState_ = sbNotDown;
        setState(sbNotDown);
    }
}

void TKxSpinButton::TimerExpired() {
    repeatTimer_->setInterval(RepeatPause);
    if (state_ == sbNotDown || !dragging_) {
        // Nothing held: the timer has nothing more to repeat.
        repeatTimer_->stop();
        return;
    }
    const bool ok = platform::RunGuarded([this] {
        if (state_ == sbBottomDown)
            BottomClick();
        else
            TopClick();
    });
    if (!ok)
        repeatTimer_->stop();
}

void TKxSpinButton::TopClick() {
    if (OnTopClick && platform::Survives(this, [this] { OnTopClick(this); }) &&
        !(QApplication::mouseButtons() & Qt::LeftButton))
        setState(sbNotDown);
}

void TKxSpinButton::BottomClick() {
    if (OnBottomClick && platform::Survives(this, [this] { OnBottomClick(this); }) &&
        !(QApplication::mouseButtons() & Qt::LeftButton))
        setState(sbNotDown);
}

// ---------------------------------------------------------------------------------------------

TKxUpDown::TKxUpDown(QWidget* parent)
    : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const std::pair<QToolButton*, TUDBtnType> buttons[] = {{up_, btNext}, {down_, btPrev}};
    for (const auto& [button, kind] : buttons) {
        button->setArrowType(kind == btNext ? Qt::UpArrow : Qt::DownArrow);
        button->setAutoRepeat(true);
        button->setAutoRepeatDelay(InitRepeatPause);
        button->setAutoRepeatInterval(RepeatPause);
        button->setFocusPolicy(Qt::NoFocus);
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
        layout->addWidget(button);
        connect(button, &QToolButton::clicked, this, [this, kind = kind] {
            if (OnClick)
                OnClick(this, kind);
        });
    }
}

// ---------------------------------------------------------------------------------------------

TKxSpinEdit::TKxSpinEdit(QWidget* parent) : TCustomEdit(parent) {
    setText(QStringLiteral("0"));
    setMinimumHeight(GetMinHeight());
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!changing_ && OnChange)
            OnChange(this);
    });
    RecreateButton();
}

bool TKxSpinEdit::parsedValue(double& value) const {
    const QString s = text().trimmed();
    bool ok = false;
    switch (valueType_) {
    case vtInt:
        value = double(s.toLongLong(&ok, 10));
        return ok;
    case vtHex:
        return parseHex(s, value);
    case vtFloat:
        value = QLocale().toDouble(s, &ok);
        return ok && std::isfinite(value);
    }
    return false;
}

double TKxSpinEdit::rawValue() const {
    double value = 0;
    if (parsedValue(value))
        return value;
    return valueType_ == vtFloat ? minValue_ : std::trunc(minValue_);
}

double TKxSpinEdit::GetValue() const {
    return CheckValue(rawValue());
}

qint64 TKxSpinEdit::GetAsInteger() const {
    return roundTo64(std::trunc(GetValue()));
}

double TKxSpinEdit::CheckValue(double value) const {
    if (minValue_ == maxValue_)
        return value;
    if (value < minValue_)
        return minValue_;
    return value > maxValue_ ? maxValue_ : value;
}

void TKxSpinEdit::SetValue(double value) {
    if (!std::isfinite(value))
        return;
    const double c = CheckValue(value);
    switch (valueType_) {
    case vtInt:
        setText(QString::number(roundTo64(c)));
        break;
    case vtHex:
        setText(hexText(roundTo64(c)));
        break;
    case vtFloat: {
        QLocale locale;
        locale.setNumberOptions(QLocale::OmitGroupSeparator);
        setText(std::fabs(c) >= 1e15 ? locale.toString(c, 'g', 15)
                                     : locale.toString(c, 'f', decimal_));
        break;
    }
    }
}

void TKxSpinEdit::SetDecimal(int value) {
    if (decimal_ == value)
        return;
    const double current = GetValue();
    decimal_ = value;
    SetValue(current);
}

void TKxSpinEdit::SetValueType(TValueType value) {
    if (valueType_ == value)
        return;
    const double current = GetValue();
    valueType_ = value;
    if (value != vtFloat) {
        increment_ = std::nearbyint(increment_);
        if (increment_ == 0)
            increment_ = 1;
    }
    SetValue(current);
}

void TKxSpinEdit::SetArrowKeys(bool value) {
    arrowKeys_ = value;
    ResizeButton();
}

void TKxSpinEdit::SetButtonKind(TSpinButtonKind value) {
    if (buttonKind_ == value)
        return;
    buttonKind_ = value;
    RecreateButton();
}

int TKxSpinEdit::GetButtonWidth() const {
    if (upDown_)
        return upDown_->width();
    if (spinButton_)
        return spinButton_->width();
    return std::min(style()->pixelMetric(QStyle::PM_ScrollBarExtent), 15);
}

int TKxSpinEdit::GetMinHeight() const {
    return GetTextHeight() + 4 + 1;
}

bool TKxSpinEdit::IsValidChar(QChar key) const {
    if (!editorEnabled_)
        return key < QLatin1Char(' ') && key != QLatin1Char('\b');
    if (key < QLatin1Char(' ') || QStringLiteral("+-0123456789").contains(key))
        return true;
    if (valueType_ == vtFloat) {
        const QString decimal = QLocale().decimalPoint();
        if (key == decimal && !text().contains(decimal))
            return true;
        if (key.toUpper() == QLatin1Char('E') && !text().toUpper().contains(QLatin1Char('E')))
            return true;
    }
    return valueType_ == vtHex && QStringLiteral("ABCDEFabcdef").contains(key);
}

void TKxSpinEdit::spin(double delta, const TNotifyEvent& event) {
    if (isReadOnly()) {
        platform::Beep(0);
        return;
    }
    changing_ = true;
    const QString old = text();
    SetValue(GetValue() + delta);
    changing_ = false;
    if (text().compare(old, Qt::CaseInsensitive) != 0) {
        setModified(true);
        if (OnChange && !platform::Survives(this, [this] { OnChange(this); }))
            return;
    }
    if (event)
        event(this);
}

void TKxSpinEdit::UpClick(QObject*) {
    spin(increment_, OnTopClick);
}

void TKxSpinEdit::DownClick(QObject*) {
    spin(-increment_, OnBottomClick);
}

void TKxSpinEdit::UpDownClick(QObject* Sender, TKxUpDown::TUDBtnType Button) {
    if ((focusPolicy() & Qt::TabFocus) && isEnabled() && isVisible() &&
        !platform::Survives(this, [this] { setFocus(Qt::MouseFocusReason); }))
        return;
    Button == TKxUpDown::btNext ? UpClick(Sender) : DownClick(Sender);
}

void TKxSpinEdit::keyPressEvent(QKeyEvent* event) {
    const QString typed = event->text();
    if (typed.size() == 1 && !(event->modifiers() & Qt::ControlModifier)) {
        const QChar key = typed[0];
        const bool valid = key == QChar(0x7F) ? editorEnabled_ : IsValidChar(key);
        if (!valid) {
            platform::Beep(0);
            event->accept();
            return;
        }
    }
    TCustomEdit::keyPressEvent(event);
    if (arrowKeys_ && (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)) {
        event->key() == Qt::Key_Up ? UpClick(this) : DownClick(this);
        event->accept();
    }
}

void TKxSpinEdit::focusInEvent(QFocusEvent* event) {
    AutoSelectFocusIn(event, AutoSelect);
}

void TKxSpinEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    const double value = rawValue();
    if (CheckValue(value) != value)
        SetValue(value);
}

void TKxSpinEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    ResizeButton();
}

void TKxSpinEdit::changeEvent(QEvent* event) {
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::LayoutDirectionChange)
        ResizeButton();
}

void TKxSpinEdit::RecreateButton() {
    delete container_;
    delete upDown_;
    spinButton_ = nullptr;
    upDown_ = nullptr;
    if (GetButtonKind() == bkDiagonal) {
        container_ = new QWidget(this);
        spinButton_ = new TKxSpinButton(container_);
        spinButton_->FocusControl = this;
        spinButton_->OnTopClick = [this](QObject* sender) { UpClick(sender); };
        spinButton_->OnBottomClick = [this](QObject* sender) { DownClick(sender); };
        container_->show();
    } else {
        upDown_ = new TKxUpDown(this);
        upDown_->OnClick = [this](QObject* sender, TKxUpDown::TUDBtnType button) {
            UpDownClick(sender, button);
        };
        upDown_->show();
    }
    ResizeButton();
}

void TKxSpinEdit::ResizeButton() {
    const int w = width(), h = height();
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    const int border = BorderWidth();
    if (upDown_) {
        const int bw = std::min(style()->pixelMetric(QStyle::PM_ScrollBarExtent), 15);
        upDown_->setGeometry(rtl ? border : w - border - bw, border, bw, h - 2 * border);
    } else if (container_) {
        // The diagonal button covers a three-dimensional border's inner line at the top (and, right
        // to left, at the left), where its own edge stands.
        const int cover = hasFrame() && Ctl3D() ? 1 : 0;
        const int side = std::max(h - 2 * border + cover, 1);
        container_->setGeometry(rtl ? border - cover : w - border - side, border - cover, side,
                                side);
        spinButton_->setGeometry(0, 0, side, side);
    }
    SetEditRect();
}

void TKxSpinEdit::SetEditRect() {
    const int margin = GetButtonWidth() + 2;
    if (layoutDirection() == Qt::RightToLeft)
        setTextMargins(margin, 0, 0, 0);
    else
        setTextMargins(0, 0, margin, 0);
}
