// Owner-drawn menus: a main menu in each style, its drop-downs with images, and pop-up menus with
// images and the margin strip.
#include "Gallery.h"
#include "controls/KxMenus.h"

#include <QActionGroup>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

using namespace controls;
using namespace platform;

namespace {

QImage Tile(QColor color, int kind) {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setPen(Qt::black);
    painter.setBrush(color);
    if (kind == 0)
        painter.drawRect(2, 2, 11, 11);
    else
        painter.drawEllipse(2, 2, 11, 11);
    return image;
}

void FillFileMenu(QMenu& menu) {
    QAction* open = menu.addAction("&Apri...");
    open->setShortcut(QKeySequence("Ctrl+O"));
    open->setData(0);
    QAction* save = menu.addAction("&Salva");
    save->setShortcut(QKeySequence("Ctrl+S"));
    save->setData(1);
    menu.addAction("Salva &con nome...")->setEnabled(false);
    menu.addSeparator();
    auto* group = new QActionGroup(&menu);
    for (const char* text : {"Bianco", "Nero"}) {
        QAction* side = menu.addAction(text);
        side->setCheckable(true);
        group->addAction(side);
    }
    group->actions().front()->setChecked(true);
    menu.addSeparator();
    menu.setDefaultAction(menu.addAction("&Esci"));
}

class MenusPage : public QWidget {
public:
    MenusPage() : images_(16, 16) {
        images_.Add(Tile(QColor(0, 128, 0), 0), {});
        images_.Add(Tile(QColor(0, 0, 160), 1), {});
        auto* layout = new QVBoxLayout(this);
        for (TKxMenuStyle style : {msOwnerDraw, msBtnLowered, msBtnRaised}) {
            auto* bar = new TKxMainMenu(this);
            FillFileMenu(*bar->addMenu("&File"));
            bar->addAction("&Mossa");
            bar->addAction("&Aiuto")->setEnabled(false);
            bar->SetStyle(style);
            bar->SetImages(&images_);
            layout->addWidget(bar);
        }
        auto* row = new QHBoxLayout;
        layout->addLayout(row);
        for (int margin : {0, 24}) {
            auto* menu = new TKxPopupMenu(this);
            FillFileMenu(*menu);
            menu->SetLeftMargin(margin);
            menu->SetImages(&images_);
            auto* button = new QPushButton(margin ? "Con margine" : "Con immagini", this);
            connect(button, &QPushButton::clicked, menu, [menu, button] {
                menu->Popup(button->mapToGlobal(QPoint(0, button->height())));
            });
            row->addWidget(button);
        }
        layout->addStretch();
    }
    ~MenusPage() override {
        for (auto* menu : findChildren<TKxPopupMenu*>())
            menu->SetImages(nullptr);
        for (auto* bar : findChildren<TKxMainMenu*>())
            bar->SetImages(nullptr);
    }

private:
    TImageList images_;
};

const bool registered = gallery::AddPage("Menus", [] { return new MenusPage; });

} // namespace
