// The combo edit's height floor, its caret, and the display painted for an edit that does not
// paint itself (the number edits unfocused).

#include "ControlsTestUtil.h"
#include "controls/CurrEdit.h"
#include "controls/KXSpin.h"
#include "controls/ToolEdit.h"
#include "platform/Panel.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

namespace {

bool Activate(QWidget& window) {
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

int CaretWidth(const QWidget& edit) {
    return edit.style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, &edit);
}

// The leftmost and rightmost columns inside the edit's frame holding the colour; (-1, -1) when
// none does.
std::pair<int, int> InkColumns(const QImage& image, const QColor& ink, int frame) {
    int left = -1, right = -1;
    for (int x = frame; x < image.width() - frame; ++x)
        for (int y = frame; y < image.height() - frame; ++y)
            if (image.pixelColor(x, y) == ink) {
                left = left < 0 ? x : left;
                right = x;
                break;
            }
    return {left, right};
}

// The display of the edit painted on its own picture.
QImage PaintedDisplay(TCustomComboEdit& edit, const QString& text, Qt::Alignment align) {
    QImage image(edit.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    EXPECT_TRUE(PaintComboEdit(&edit, text, align, false, &painter, nullptr));
    return image;
}

// An edit with a button, and the widget that holds its button.
struct ButtonEdit {
    platform::TCustomEdit* edit;
    QWidget* button;
};

struct EditKind {
    const char* name;
    std::function<ButtonEdit(QWidget*)> make;
    // The diagonal spin button covers a three-dimensional border's inner line at the top.
    bool coversTheTop = false;
    // A combo edit's button leaves two pixels free under a flat top line.
    int flatTopGap = 0;
};

template <class Edit> ButtonEdit ComboKind(QWidget* parent) {
    auto* edit = new Edit(parent);
    return {edit, edit->ButtonContainer()};
}

ButtonEdit SpinKind(QWidget* parent, TKxSpinEdit::TSpinButtonKind kind) {
    auto* edit = new TKxSpinEdit(parent);
    edit->SetButtonKind(kind);
    if (kind == TKxSpinEdit::bkDiagonal)
        return {edit, edit->SpinButton()->parentWidget()};
    return {edit, edit->UpDown()};
}

const EditKind EditKinds[] = {
    {"combo", ComboKind<TComboEdit>, false, 2},
    {"date", ComboKind<TDateEdit>, false, 2},
    {"calculator", ComboKind<TKxCalcEdit>, false, 2},
    {"file", ComboKind<TFilenameEdit>, false, 2},
    {"directory", ComboKind<TDirectoryEdit>, false, 2},
    {"diagonal spin", [](QWidget* parent) { return SpinKind(parent, TKxSpinEdit::bkDiagonal); },
     true},
    {"up-down spin", [](QWidget* parent) { return SpinKind(parent, TKxSpinEdit::bkStandard); }},
};

} // namespace

// The button stands flush inside the border, whatever its width: none when frameless, one flat
// line (a combo edit's leaving two pixels free at the top), or the style's three-dimensional
// frame of two pixels.
TEST(ComboEditDisplayTest, TheButtonStandsInsideTheBorder) {
    enum Border { Frameless, Flat, ThreeD };
    for (const EditKind& kind : EditKinds) {
        for (const Border border : {Frameless, Flat, ThreeD}) {
            SCOPED_TRACE(testing::Message() << kind.name << " border " << int(border));
            platform::TCustomPanel form;
            form.resize(300, 100);
            const ButtonEdit made = kind.make(&form);
            made.edit->setGeometry(10, 10, 160, 24);
            form.show();
            if (border == Frameless)
                made.edit->setFrame(false);
            else if (border == Flat)
                form.SetCtl3D(false);
            const int inset = int(border);
            ASSERT_EQ(made.edit->BorderWidth(), inset);
            const QRect button = made.button->geometry();
            EXPECT_EQ(button.right(), made.edit->width() - 1 - inset);
            EXPECT_EQ(button.bottom(), made.edit->height() - 1 - inset);
            const int top = border == ThreeD && kind.coversTheTop ? 1
                            : border == Flat                      ? inset + kind.flatTopGap
                                                                  : inset;
            EXPECT_EQ(button.top(), top);
        }
    }
}

// Not three-dimensional, a framed edit has one line of border in the window-frame colour with the
// edit's colour inside it, painted by the edit or by the display of an unfocused number edit.
TEST(ComboEditDisplayTest, TheFlatBorderIsOneLine) {
    for (const EditKind& kind : EditKinds) {
        SCOPED_TRACE(kind.name);
        platform::TCustomPanel form;
        form.resize(300, 100);
        form.SetCtl3D(false);
        const ButtonEdit made = kind.make(&form);
        made.edit->setGeometry(10, 10, 160, 24);
        form.show();
        const QImage shot = Shot(*made.edit);
        const int right = shot.width() - 1, bottom = shot.height() - 1;
        const QRgb frame = platform::ToQColor(platform::clWindowFrame).rgb();
        const QRgb base = made.edit->palette().color(QPalette::Base).rgb();
        for (const QPoint at : {QPoint(0, 0), QPoint(right, bottom), QPoint(0, bottom / 2),
                                QPoint(right, bottom / 2), QPoint(right / 2, 0)})
            EXPECT_EQ(shot.pixel(at), frame) << at.x() << "," << at.y();
        for (const QPoint at : {QPoint(1, 1), QPoint(1, bottom - 1), QPoint(right / 2, bottom - 1)})
            EXPECT_EQ(shot.pixel(at), base) << at.x() << "," << at.y();
    }
}

TEST(ComboEditDisplayTest, HeightNeverBelowTheTextAndBorders) {
    const int systemHeight = QFontMetrics(QApplication::font()).height();
    for (const int pixels : {6, 9, 12, 20, 40}) {
        SCOPED_TRACE(pixels);
        QWidget form;
        auto* edit = new TComboEdit(&form);
        edit->setFont(SharpFont(pixels));
        form.show();
        const int textHeight = std::min(systemHeight, QFontMetrics(edit->font()).height());
        EXPECT_EQ(edit->GetTextHeight(), textHeight);
        EXPECT_EQ(edit->GetMinHeight(), textHeight + 5);
        edit->resize(120, 4);
        EXPECT_EQ(edit->height(), edit->GetMinHeight());
        // The button follows the raised height.
        EXPECT_EQ(edit->ButtonContainer()->height(), edit->height() - 4);
        edit->resize(120, edit->GetMinHeight() + 7);
        EXPECT_EQ(edit->height(), edit->GetMinHeight() + 7);
    }
}

TEST(ComboEditDisplayTest, CaretByTheEditsModes) {
    struct Case {
        bool bold;
        bool disableEdit; // the drop-down opened so
        int focused, open, closed;
    };
    const Case cases[] = {
        {false, true, 1, 0, 1},
        {false, false, 1, 1, 1},
        {true, true, 2, 0, 2},
        {true, false, 2, 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bold << c.disableEdit);
        QWidget form;
        auto* other = new QLineEdit(&form);
        auto* edit = new TDateEdit(&form);
        edit->setGeometry(0, 30, 120, 24);
        edit->setFont(SharpFont(12, c.bold));
        ASSERT_TRUE(Activate(form));
        other->setFocus();
        edit->setFocus();
        EXPECT_EQ(CaretWidth(*edit), c.focused);
        edit->PopupDropDown(c.disableEdit);
        ASSERT_TRUE(edit->PopupVisible());
        EXPECT_EQ(CaretWidth(*edit), c.open);
        edit->PopupCloseUp(edit->Popup(), false);
        EXPECT_EQ(CaretWidth(*edit), c.closed);
    }
}

TEST(ComboEditDisplayTest, BoldFontsCaretIsTwoPixelsWide) {
    for (const bool bold : {false, true}) {
        QWidget form;
        auto* edit = new TComboEdit(&form);
        edit->setGeometry(0, 0, 120, 24);
        edit->setFont(SharpFont(12, bold));
        edit->SetButtonWidth(0);
        ASSERT_TRUE(Activate(form));
        edit->setFocus();
        const auto [left, right] =
            InkColumns(Shot(*edit), edit->palette().color(QPalette::Text), 3);
        ASSERT_GE(left, 0);
        EXPECT_EQ(right - left + 1, bold ? 2 : 1);
    }
}

TEST(ComboEditDisplayTest, TextPlacedByAlignmentAndButton) {
    struct Case {
        Qt::Alignment align;
        int buttonWidth;
    };
    const Case cases[] = {
        {Qt::AlignLeft, 21}, {Qt::AlignRight, 21},  {Qt::AlignHCenter, 21}, {Qt::AlignLeft, 0},
        {Qt::AlignRight, 0}, {Qt::AlignHCenter, 0}, {Qt::AlignRight, 40},   {Qt::AlignHCenter, 40},
    };
    const QString text = QStringLiteral("1,234.50");
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.align) << " " << c.buttonWidth);
        TComboEdit edit;
        edit.setFont(SharpFont(12));
        edit.resize(160, 24);
        edit.SetButtonWidth(c.buttonWidth);
        const QPoint margins = EditorTextMargins(&edit);
        const QColor ink = edit.palette().color(QPalette::Text);
        // The ink's offset from the text's origin, as left-aligned text shows it.
        const int bearing =
            InkColumns(PaintedDisplay(edit, text, Qt::AlignLeft), ink, 2).first - margins.x();
        const int width =
            QFontMetrics(edit.font()).horizontalAdvance(text) + (c.buttonWidth > 0 ? 1 : 0);
        int x = margins.x();
        if (c.align == Qt::AlignRight)
            x = edit.width() - c.buttonWidth - width - margins.x() - 2;
        else if (c.align == Qt::AlignHCenter)
            x = (edit.width() - c.buttonWidth - width) / 2;
        EXPECT_EQ(InkColumns(PaintedDisplay(edit, text, c.align), ink, 2).first, x + bearing);
    }
}

TEST(ComboEditDisplayTest, StandardPaintLeftToTheEditAndDisabledTextGrey) {
    TComboEdit edit;
    edit.setFont(SharpFont(12));
    edit.resize(160, 24);
    QImage image(edit.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        EXPECT_FALSE(PaintComboEdit(&edit, "123", Qt::AlignLeft, true, &painter, nullptr));
    }
    EXPECT_EQ(InkColumns(image, Qt::white, 0).second, edit.width() - 1);
    EXPECT_EQ(InkColumns(image, Qt::black, 0).first, -1);
    edit.setEnabled(false);
    const QImage disabled = PaintedDisplay(edit, "123", Qt::AlignLeft);
    EXPECT_GE(InkColumns(disabled, platform::ToQColor(platform::clGrayText), 2).first,
              EditorTextMargins(&edit).x());
    EXPECT_EQ(InkColumns(disabled, edit.palette().color(QPalette::Active, QPalette::Text), 2).first,
              -1);
}

TEST(ComboEditDisplayTest, NumberEditShowsItsDisplayTextUnfocusedAndLeftWhileDroppedDown) {
    QWidget form;
    auto* other = new QLineEdit(&form);
    auto* edit = new TKxCalcEdit(&form);
    edit->setGeometry(0, 30, 160, 24);
    edit->setFont(SharpFont(12));
    edit->SetValue(1234.5);
    ASSERT_TRUE(Activate(form));
    other->setFocus();
    const QColor ink = edit->palette().color(QPalette::Text);
    const QImage unfocused = Shot(*edit);
    const QImage painted = PaintedDisplay(*edit, edit->GetDisplayText(), Qt::AlignRight);
    EXPECT_EQ(InkColumns(unfocused, ink, 2).first, InkColumns(painted, ink, 2).first);
    edit->setFocus();
    edit->PopupDropDown(true);
    ASSERT_TRUE(edit->PopupVisible());
    const int left = InkColumns(Shot(*edit), ink, 2).first;
    EXPECT_GE(left, EditorTextMargins(edit).x());
    EXPECT_LE(left, EditorTextMargins(edit).x() + 2);
    edit->PopupCloseUp(edit->Popup(), false);
}
