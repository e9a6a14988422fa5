#include "controls/KxCalc.h"

#include "platform/Dialogs.h"
#include "platform/Help.h"
#include "platform/MessageBox.h"
#include "platform/Scaling.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QPainter>

using namespace platform;

namespace {

struct KeySpec {
    const char* caption;
    QPoint dialog;
    QPoint popup; // (-1, -1): not in the popup
};

const QPoint None(-1, -1);

// Kinds 1 to 28; the decimal key's caption is the locale's separator.
const KeySpec Keys[28] = {
    {"0", {47, 104}, {6, 75}},   {"1", {47, 80}, {6, 52}},      {"2", {85, 80}, {29, 52}},
    {"3", {123, 80}, {52, 52}},  {"4", {47, 56}, {6, 29}},      {"5", {85, 56}, {29, 29}},
    {"6", {123, 56}, {52, 29}},  {"7", {47, 32}, {6, 6}},       {"8", {85, 32}, {29, 6}},
    {"9", {123, 32}, {52, 6}},   {"\xB1", {85, 104}, {52, 75}}, {"", {123, 104}, {29, 75}},
    {"/", {161, 32}, {75, 6}},   {"*", {161, 56}, {75, 29}},    {"-", {161, 80}, {75, 52}},
    {"+", {161, 104}, {75, 75}}, {"sqrt", {199, 32}, None},     {"%", {199, 56}, None},
    {"1/x", {199, 80}, None},    {"=", {199, 104}, {52, 98}},   {"<-", {145, 6}, {29, 98}},
    {"C", {191, 6}, {6, 98}},    {"MP", {5, 104}, None},        {"MS", {5, 80}, None},
    {"MR", {5, 56}, None},       {"MC", {5, 32}, None},         {"", {47, 6}, None},
    {"", {85, 6}, None},
};

// The engine key of kinds 11 to 22 ("0" to "9" are the digits).
const char EngineKeys[] = "_./*-+Q%R=\bC";

// The character whose position in this map is the Tag of the key it presses.
const QString KeyMap = QStringLiteral("0123456789_./*-+Q%R=\bC");

QChar decimalSeparator() {
    return QLocale().decimalPoint().at(0);
}

// The dialog's keys showing a cell of the pictures instead of a caption: kind and cell.
int glyphCellOf(int kind) {
    switch (kind) {
    case 11:
        return 2;
    case 14:
        return 3;
    case 15:
        return 4;
    case 16:
        return 5;
    case 27:
        return 1;
    case 28:
        return 0;
    default:
        return -1;
    }
}

QFont boldMessageFont() {
    QFont font = QApplication::font("QMessageBox");
    font.setBold(true);
    return font;
}

// Away from 96 pixels per inch a calculator window is scaled to the screen, in the bold message
// font measured there; false when nothing needed scaling.
template <class TCalculatorWindow> bool scaleToScreen(TCalculatorWindow* window) {
    if (platform::PixelsPerInch() == 96)
        return false;
    const int ppi = platform::FittingPixelsPerInch(window, window->size());
    platform::ScaleBy(window, ppi, 96);
    QFont font = platform::MessageFont(ppi);
    font.setBold(true);
    window->setFont(font);
    window->CalcPanel()->SetFonts(window->font());
    platform::FitOnScreen(window);
    return true;
}

// The calculator's panels stand out in the 3-D look only.
void showOuterBevel(TCustomPanel* panel, bool ctl3D) {
    panel->SetBevelOuter(ctl3D ? TCustomPanel::bvRaised : TCustomPanel::bvNone);
}

} // namespace

TBitmap CalculatorGlyphs() {
    TBitmap bitmap(6 * 16, 16, clFuchsia);
    QPainter p(&bitmap.Image());
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(QColor(128, 0, 0), 2));
    p.drawLine(4, 4, 11, 11);
    p.drawLine(11, 4, 4, 11);
    p.setPen(QPen(QColor(0, 128, 0), 2));
    p.drawPolyline(QPolygon({{19, 8}, {22, 11}, {28, 4}}));
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(36, 4, 36, 8);
    p.drawLine(34, 6, 38, 6);
    p.drawLine(41, 10, 45, 10);
    p.setPen(QPen(QColor(128, 0, 128), 2));
    p.drawLine(52, 5, 59, 12);
    p.drawLine(59, 5, 52, 12);
    p.drawLine(68, 8, 76, 8);
    p.drawLine(84, 8, 92, 8);
    p.drawLine(88, 4, 88, 12);
    return bitmap;
}

// ---------------------------------------------------------------------------------------------

TCalcButton::TCalcButton(int kind, QWidget* parent) : TKxSpeedButton(parent), kind_(kind) {
    setColour();
}

void TCalcButton::setColour() {
    TColor colour = clBtnText;
    if ((kind_ >= 17 && kind_ <= 19) || (kind_ >= 23 && kind_ <= 26))
        colour = clNavy;
    else if ((kind_ >= 13 && kind_ <= 16) || kind_ == 20)
        colour = clPurple;
    else if (kind_ == 21 || kind_ == 22)
        colour = clMaroon;
    SetFontColor(colour);
}

void TCalcButton::changeEvent(QEvent* event) {
    TKxSpeedButton::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        setColour();
}

// ---------------------------------------------------------------------------------------------

TCalculatorPanel::TCalculatorPanel(TCalcPanelLayout layout, QWidget* parent)
    : TCustomPanel(parent) {
    SetBevelOuter(bvNone);
    setFont(boldMessageFont());
    engine_.DecimalSeparator = decimalSeparator();
    engine_.CurrencyString = QLocale().currencySymbol();
    engine_.OnBeep = [] { platform::Beep(0); };
    engine_.OnTextChange = [this] {
        if (DisplayControl)
            DisplayControl->setText(engine_.Text());
    };
    engine_.WriteClipboard = [](const QString& text) { QApplication::clipboard()->setText(text); };
    engine_.ReadClipboard = [](QString& text) {
        const QMimeData* data = QApplication::clipboard()->mimeData();
        if (!data || !data->hasText())
            return false;
        text = data->text();
        return true;
    };
    if (layout == clDialog) {
        resize(240, 129);
        auto* memoryPanel = new TCustomPanel(this);
        // Kept above the first row of keys.
        memoryPanel->setGeometry(6, 6, 20, 22);
        memoryPanel_ = memoryPanel;
        memoryLabel_ = new QLabel(memoryPanel);
        memoryLabel_->setGeometry(3, 3, 14, 16);
        memoryLabel_->setAlignment(Qt::AlignCenter);
        memoryLabel_->setFont(QApplication::font("QMessageBox"));
    } else {
        resize(98, 124);
    }
    buildKeys(layout);
    applyLook();
}

void TCalculatorPanel::buildKeys(TCalcPanelLayout layout) {
    static const TBitmap pictures = CalculatorGlyphs();
    for (int kind = 1; kind <= 28; ++kind) {
        const KeySpec& spec = Keys[kind - 1];
        const QPoint at = layout == clDialog ? spec.dialog : spec.popup;
        if (at == None)
            continue;
        auto* key = new TCalcButton(kind, this);
        QSize size = layout == clDialog ? QSize(36, 22) : QSize(21, 21);
        if (layout == clDialog && (kind == 21 || kind == 22))
            size.setWidth(44);
        if (layout == clPopup && kind == 20)
            size.setWidth(44);
        key->setGeometry(QRect(at, size));
        const int cell = layout == clDialog ? glyphCellOf(kind) : -1;
        if (cell >= 0) {
            key->SetGlyph(TBitmap(pictures.Image().copy(cell * 16, 0, 16, 16)));
        } else {
            QString caption = QString::fromLatin1(spec.caption);
            if (kind == 12)
                caption = engine_.DecimalSeparator;
            else if (kind == 26)
                caption = QStringLiteral("MC");
            key->SetCaption(caption);
        }
        key->OnClick = [this, key](QObject*) { keyClick(key); };
        keys_.append(key);
    }
}

TCalcButton* TCalculatorPanel::Key(int kind) const {
    for (TCalcButton* key : keys_) {
        if (key->Kind() == kind)
            return key;
    }
    return nullptr;
}

void TCalculatorPanel::keyClick(TCalcButton* button) {
    const int kind = button->Kind();
    if (kind <= 10)
        engine_.ProcessKey(QChar('0' + kind - 1));
    else if (kind == 12)
        engine_.ProcessKey(engine_.DecimalSeparator);
    else if (kind <= 22)
        engine_.ProcessKey(QLatin1Char(EngineKeys[kind - 11]));
    else if (kind == 23)
        engine_.MemoryPlus();
    else if (kind == 24)
        engine_.MemoryStore();
    else if (kind == 25)
        engine_.MemoryRecall();
    else if (kind == 26)
        engine_.MemoryClear();
    else if (kind == 27)
        engine_.OK();
    else
        engine_.Cancel();
    UpdateMemoryLabel();
}

void TCalculatorPanel::SetFonts(const QFont& keys) {
    setFont(keys);
    if (memoryLabel_) {
        QFont plain = keys;
        plain.setBold(false);
        memoryLabel_->setFont(plain);
    }
}

void TCalculatorPanel::Ctl3DChanged() {
    platform::TCustomPanel::Ctl3DChanged();
    applyLook();
}

// The memory panel follows the keypad's look too: flat, it has no bevels but a single border, one
// flat line.
void TCalculatorPanel::applyLook() {
    const bool value = Ctl3D();
    for (TCalcButton* key : keys_)
        key->SetStyle(value ? bsAutoDetect : bsWin31);
    if (memoryPanel_) {
        showOuterBevel(memoryPanel_, value);
        memoryPanel_->SetBevelInner(value ? bvLowered : bvNone);
        memoryPanel_->SetBorderStyle(value ? bsNone : bsSingle);
    }
}

void TCalculatorPanel::UpdateMemoryLabel() {
    if (memoryLabel_)
        memoryLabel_->setText(engine_.Memory() != 0 ? QStringLiteral("M") : QString());
}

void TCalculatorPanel::PressKey(QChar Key) {
    if (Key == QLatin1Char(',') || Key == QLatin1Char('.') || Key == engine_.DecimalSeparator)
        Key = QLatin1Char('.');
    else if (Key == QChar(13))
        Key = QLatin1Char('=');
    else if (Key == QChar(27))
        Key = QLatin1Char('C');
    Key = Key.toUpper();
    const int tag = int(KeyMap.indexOf(Key));
    for (TCalcButton* key : keys_) {
        if (tag >= 0 && key->Tag() == tag) {
            key->ButtonClick();
            return;
        }
    }
    engine_.ProcessKey(Key);
}

void TCalculatorPanel::Copy() {
    engine_.ProcessKey(QChar(3));
}

void TCalculatorPanel::Paste() {
    engine_.ProcessKey(QChar(22));
}

// ---------------------------------------------------------------------------------------------

TKxCalculatorForm::TKxCalculatorForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setWindowTitle(QStringLiteral("Calculator"));
    setFixedSize(242, 159);
    setFont(boldMessageFont());
    main_ = new TCustomPanel(this);
    main_->SetBevelInner(TCustomPanel::bvLowered);
    main_->setGeometry(0, 0, 242, 159);
    displayPanel_ = new TCustomPanel(main_);
    displayPanel_->SetBevelInner(TCustomPanel::bvLowered);
    displayPanel_->SetColor(clWindow);
    displayPanel_->setGeometry(6, 6, 230, 23);
    display_ = new QLabel(QStringLiteral("0"), displayPanel_);
    display_->setObjectName(QStringLiteral("DisplayLabel"));
    display_->setGeometry(5, 2, 217, 19);
    display_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    panel_ = new TCalculatorPanel(clDialog, main_);
    panel_->resize(240, 129);
    placeKeypad();
    panel_->DisplayControl = display_;
    panel_->Engine().OnOK = [this] { done(QDialog::Accepted); };
    panel_->Engine().OnCancel = [this] { done(QDialog::Rejected); };
    // The window managers here show no help button in the title bar: it is a key of the top row,
    // in the gap between Cancel and "<-".
    helpButton_ = new TKxSpeedButton(panel_);
    helpButton_->setObjectName(QStringLiteral("HelpBtn"));
    helpButton_->SetCaption(QStringLiteral("?"));
    helpButton_->SetFontColor(0x800000);
    helpButton_->setGeometry(122, 6, 22, 22);
    helpButton_->OnClick = [this](QObject*) { platform::ShowHelp(this, helpContext_); };
    helpButton_->hide();
}

void TKxCalculatorForm::SetCtl3D(bool value) {
    main_->SetCtl3D(value);
    showOuterBevel(main_, value);
    showOuterBevel(displayPanel_, value);
    placeKeypad();
}

// At the bottom of the main panel, inside its bevels.
void TKxCalculatorForm::placeKeypad() {
    const QRect inside = main_->InnerRect();
    panel_->setGeometry(inside.left(), inside.bottom() + 1 - panel_->height(), inside.width(),
                        panel_->height());
}

void TKxCalculatorForm::SetHelpContext(int value) {
    helpContext_ = value;
    helpButton_->setVisible(value != 0);
}

void TKxCalculatorForm::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        panel_->Copy();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        panel_->Paste();
        return;
    }
    const QString text = event->text();
    if (text.size() == 1 && !text[0].isNull())
        panel_->PressKey(text[0]);
    else if (event->key() == Qt::Key_Backspace)
        panel_->PressKey(QChar(8));
}

void TKxCalculatorForm::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("PopupMenu"));
    QAction* copy = menu.addAction(QStringLiteral("&Copy"), this, [this] { panel_->Copy(); });
    copy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Insert));
    QAction* paste = menu.addAction(QStringLiteral("&Paste"), this, [this] { panel_->Paste(); });
    paste->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Insert));
    const QMimeData* data = QApplication::clipboard()->mimeData();
    paste->setEnabled(data && data->hasText());
    menu.exec(event->globalPos());
}

TKxCalculatorForm* CreateCalculatorForm(QWidget* owner, int helpContext) {
    auto* form = new TKxCalculatorForm(owner);
    form->SetHelpContext(helpContext);
    if (scaleToScreen(form))
        platform::CentreOnScreen(form);
    return form;
}

// ---------------------------------------------------------------------------------------------

bool TKxCalculator::Execute() {
    std::unique_ptr<TKxCalculatorForm> form(CreateCalculatorForm(nullptr, HelpContext));
    form_ = form.get();
    form->SetCtl3D(Ctl3D);
    form->setWindowTitle(Title);
    TCalcEngine& engine = form->CalcPanel()->Engine();
    engine.SetMemory(Memory);
    form->CalcPanel()->UpdateMemoryLabel();
    Precision = std::max(2, Precision);
    engine.Precision = Precision;
    engine.BeepOnError = BeepOnError;
    engine.OnCalcKey = [this](QChar& key) {
        if (OnCalcKey)
            OnCalcKey(this, key);
    };
    engine.OnDisplayChange = [this] {
        if (OnDisplayChange)
            OnDisplayChange(this);
    };
    if (Value != 0) {
        engine.SetDisplay(Value);
        engine.SetStatus(csFirst);
        engine.SetOperator(QLatin1Char('='));
    }
    const bool ok = platform::ShowModal(*form) == QDialog::Accepted;
    if (ok) {
        Memory = engine.Memory();
        if (engine.DisplayValue() != Value) {
            Value = engine.DisplayValue();
            if (OnChange)
                OnChange(this);
        }
    }
    form_ = nullptr;
    return ok;
}

double TKxCalculator::DisplayValue() const {
    return form_ ? form_->CalcPanel()->Engine().DisplayValue() : Value;
}

// ---------------------------------------------------------------------------------------------

TPopupCalculator::TPopupCalculator(QWidget* editor)
    : TPopupWindow(editor), panel_(new TCalculatorPanel(clPopup, this)) {
    resize(104, 127);
    setFont(boldMessageFont());
    panel_->SetBevelOuter(TCustomPanel::bvRaised);
    panel_->setGeometry(1, 1, 102, 125);
    panel_->setFocusPolicy(Qt::NoFocus);
    TCalcEngine& engine = panel_->Engine();
    engine.OnTextChange = [this] { InvalidateEditor(); };
    engine.OnResult = [this, &engine] {
        if (engine.Status() == csError)
            return;
        engine.SetDisplay(engine.DisplayValue());
        CloseUp(true);
    };
}

QVariant TPopupCalculator::GetValue() const {
    TCalcEngine& engine = panel_->Engine();
    if (engine.Status() == csError) {
        if (engine.BeepOnError)
            platform::Beep(0);
        return QVariant(0.0);
    }
    engine.SetDisplay(engine.DisplayValue());
    return QVariant(engine.DisplayValue());
}

void TPopupCalculator::SetValue(const QVariant& value) {
    TCalcEngine& engine = panel_->Engine();
    bool ok = false;
    double number = value.isNull() ? 0 : value.toDouble(&ok);
    if (!ok || !std::isfinite(number))
        number = 0;
    engine.SetDisplay(number);
    engine.SetStatus(csFirst);
    engine.SetOperator(QLatin1Char('='));
}

QString TPopupCalculator::GetPopupText() const {
    return panel_->Engine().Text();
}

void TPopupCalculator::PopupKeyPress(QChar key) {
    panel_->PressKey(key);
}

TPopupWindow* CreatePopupCalculator(QWidget* owner, Qt::LayoutDirection direction) {
    auto* popup = new TPopupCalculator(owner);
    scaleToScreen(popup);
    popup->setLayoutDirection(direction);
    return popup;
}

void SetupPopupCalculator(TPopupWindow* popup, int precision, bool beepOnError) {
    if (auto* calculator = qobject_cast<TPopupCalculator*>(popup)) {
        calculator->CalcPanel()->Engine().Precision = std::max(2, precision);
        calculator->CalcPanel()->Engine().BeepOnError = beepOnError;
    }
}
