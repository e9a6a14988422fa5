// Labels as the network window shows them, and speed buttons in every state.
#include "Gallery.h"
#include "controls/KXCtrls.h"
#include "platform/Panel.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

using namespace platform;

namespace {

// A 16 x 16 picture on a fuchsia ground: an arrow, a disk, a page or a clock.
TBitmap Picture(int kind) {
    TBitmap bitmap(16, 16, clFuchsia);
    QPainter painter(&bitmap.Image());
    switch (kind) {
    case 0:
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 128, 0));
        painter.drawPolygon(QPolygon({{2, 6}, {8, 6}, {8, 2}, {14, 8}, {8, 14}, {8, 10}, {2, 10}}));
        break;
    case 1:
        painter.fillRect(2, 2, 12, 12, QColor(0, 0, 128));
        painter.fillRect(4, 2, 8, 5, Qt::white);
        painter.fillRect(5, 10, 6, 4, QColor(192, 192, 192));
        break;
    case 2:
        painter.fillRect(3, 1, 10, 14, Qt::black);
        painter.fillRect(4, 2, 8, 12, Qt::white);
        for (int y = 4; y < 13; y += 2)
            painter.fillRect(5, y, 6, 1, QColor(0, 0, 128));
        break;
    default:
        painter.setPen(Qt::black);
        painter.setBrush(QColor(255, 255, 0));
        painter.drawEllipse(1, 1, 13, 13);
        painter.drawLine(7, 7, 7, 3);
        painter.drawLine(7, 7, 10, 7);
        break;
    }
    return bitmap;
}

TKxLabel* Label(QWidget* parent, const QString& caption, QPoint at) {
    auto* label = new TKxLabel(parent);
    label->SetCaption(caption);
    label->move(at);
    return label;
}

// The players and clocks of the network window.
QWidget* PlayersPanel(QWidget* parent) {
    auto* panel = new TCustomPanel(parent);
    panel->setFixedSize(300, 92);
    panel->SetBevelOuter(TCustomPanel::bvLowered);
    Label(panel, "Bianchi", {16, 12});
    Label(panel, "Neri", {160, 12});
    QFont clockFont = panel->font();
    clockFont.setPixelSize(19);
    clockFont.setBold(true);
    const auto clock = [&](const QString& caption, QPoint at) {
        TKxLabel* label = Label(panel, caption, at);
        label->SetTransparent(true);
        label->SetFontColor(clGreen);
        label->setFont(clockFont);
        return label;
    };
    clock("12:41", {16, 40});
    clock("09:03", {160, 40});
    return panel;
}

QWidget* IdleAndTimedOut(QWidget* parent) {
    auto* panel = new TCustomPanel(parent);
    panel->setFixedSize(300, 60);
    panel->SetBevelOuter(TCustomPanel::bvLowered);
    QFont clockFont = panel->font();
    clockFont.setPixelSize(19);
    clockFont.setBold(true);
    TKxLabel* idle = Label(panel, "00:00", {16, 16});
    idle->SetTransparent(true);
    idle->setFont(clockFont);
    idle->SetFontColor(clGreen);
    idle->setEnabled(false);
    TKxLabel* out = Label(panel, "00:00", {160, 16});
    out->SetTransparent(true);
    out->setFont(clockFont);
    out->SetFontColor(clRed);
    return panel;
}

QWidget* ShadowsPanel(QWidget* parent) {
    auto* panel = new TCustomPanel(parent);
    panel->setFixedSize(300, 70);
    panel->SetBevelOuter(TCustomPanel::bvNone);
    QFont big = panel->font();
    big.setPixelSize(16);
    big.setBold(true);
    const TShadowPosition positions[] = {spLeftTop, spLeftBottom, spRightBottom, spRightTop};
    const char* names[] = {"Alto sx", "Basso sx", "Basso dx", "Alto dx"};
    for (int i = 0; i < 4; ++i) {
        TKxLabel* label = Label(panel, names[i], {8 + (i % 2) * 150, 8 + (i / 2) * 30});
        label->setFont(big);
        label->SetShadowSize(2);
        label->SetShadowColor(clGray);
        label->SetShadowPos(positions[i]);
        label->SetFontColor(clNavy);
    }
    return panel;
}

TKxSpeedButton* Button(QWidget* parent, int kind, const QString& caption = {}) {
    auto* button = new TKxSpeedButton(parent);
    button->SetGlyph(Picture(kind));
    button->SetCaption(caption);
    if (!caption.isEmpty()) {
        button->resize(92, 25);
        button->SetLayout(blGlyphLeft);
    }
    return button;
}

void Press(TKxSpeedButton* button) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), button->mapToGlobal(QPointF(5, 5)),
                      Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(button, &press);
}

QWidget* ButtonsPanel(QWidget* parent) {
    auto* panel = new TCustomPanel(parent);
    panel->setFixedSize(540, 200);
    auto* grid = new QGridLayout(panel);
    const auto add = [&](QWidget* widget, int row, int column, const QString& text) {
        auto* box = new QWidget(panel);
        auto* layout = new QVBoxLayout(box);
        layout->setContentsMargins(0, 0, 0, 0);
        widget->setFixedSize(widget->size());
        layout->addWidget(widget, 0, Qt::AlignHCenter);
        auto* caption = new QLabel(text, box);
        caption->setAlignment(Qt::AlignHCenter);
        layout->addWidget(caption);
        grid->addWidget(box, row, column);
        return widget;
    };
    add(Button(panel, 1), 0, 0, "Su");
    TKxSpeedButton* pressed = Button(panel, 1);
    add(pressed, 0, 1, "Premuto");
    QTimer::singleShot(0, pressed, [pressed] { Press(pressed); });
    TKxSpeedButton* disabled = Button(panel, 1);
    disabled->setEnabled(false);
    add(disabled, 0, 2, "Disabilitato");
    TKxSpeedButton* down = Button(panel, 2);
    down->SetGroupIndex(1);
    down->SetDown(true);
    add(down, 0, 3, "Giu'");
    TKxSpeedButton* flat = Button(panel, 0);
    flat->SetFlat(true);
    add(flat, 0, 4, "Piatto");

    add(Button(panel, 0, "&Avanti"), 1, 0, "Testo");
    TKxSpeedButton* menu = Button(panel, 2, "Menu");
    menu->SetDropDownMenu(new TPopupMenu(menu));
    add(menu, 1, 1, "A discesa");
    TKxSpeedButton* old = Button(panel, 3, "Win31");
    old->SetStyle(bsWin31);
    add(old, 1, 2, "Vecchio stile");
    TKxSpeedButton* flatDown = Button(panel, 3);
    flatDown->SetFlat(true);
    flatDown->SetGroupIndex(2);
    flatDown->SetDown(true);
    add(flatDown, 1, 3, "Piatto giu'");
    TKxSpeedButton* wide = Button(panel, 1, "Disco");
    wide->setEnabled(false);
    add(wide, 1, 4, "Testo disab.");
    return panel;
}

class LabelsPage : public QWidget {
public:
    LabelsPage() {
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(PlayersPanel(this));
        layout->addWidget(IdleAndTimedOut(this));
        layout->addWidget(ShadowsPanel(this));
        layout->addStretch();
    }
};

class ButtonsPage : public QWidget {
public:
    ButtonsPage() {
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(ButtonsPanel(this));
        layout->addStretch();
    }
};

const bool labels = gallery::AddPage("Labels", [] { return new LabelsPage; });
const bool buttons = gallery::AddPage("Buttons", [] { return new ButtonsPage; });

} // namespace
