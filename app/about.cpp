#include "app/about.h"

#include "app/CodMain.h"
#include "app/CodVersione.h"
#include "board/PieceSet.h"
#include "platform/DateTime.h"
#include "platform/Dialogs.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

TAboutBox* AboutBox = nullptr;

namespace {

// A piece of the standard set, drawn large.
QPixmap pieceImage(int column, int row) {
    return QPixmap::fromImage(PieceSet::Cell(column, row * 2))
        .scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QLabel* imageLabel(const QPixmap& pixmap, const QString& name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setPixmap(pixmap);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

} // namespace

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::Dialog), LabelVersione(new QLabel(this)) {
    setObjectName(QStringLiteral("AboutBox"));
    setFixedSize(404, 272);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(2);
    panel->setAutoFillBackground(true);
    QPalette colours = panel->palette();
    colours.setColor(QPalette::Window, QColor(0x20, 0x40, 0x30));
    colours.setColor(QPalette::WindowText, QColor(0xF0, 0xE8, 0xC8));
    panel->setPalette(colours);
    outer->addWidget(panel);

    auto* title = new QLabel(QStringLiteral("QUENDEL"), panel);
    title->setObjectName(QStringLiteral("LabelTitolo"));
    QFont titleFont(QStringLiteral("Serif"), 30, QFont::Bold);
    title->setFont(titleFont);
    title->setAlignment(Qt::AlignCenter);

    auto* images = new QHBoxLayout;
    images->addWidget(imageLabel(pieceImage(1, 0), QStringLiteral("Image1"), panel));
    images->addWidget(title, 1);
    images->addWidget(imageLabel(pieceImage(1, 1), QStringLiteral("Image2"), panel));

    LabelVersione->setParent(panel);
    LabelVersione->setObjectName(QStringLiteral("LabelVersione"));
    LabelVersione->setAlignment(Qt::AlignCenter);
    auto* purpose =
        new QLabel(QStringLiteral("Scacchiera per il gioco per corrispondenza e in rete"), panel);
    purpose->setObjectName(QStringLiteral("Label1"));
    purpose->setAlignment(Qt::AlignCenter);
    auto* copyright = new QLabel(QStringLiteral("Copyright \u00A9 ") + AppInfo.Years, panel);
    copyright->setObjectName(QStringLiteral("Label2"));
    copyright->setAlignment(Qt::AlignCenter);

    auto* content = new QVBoxLayout(panel);
    content->setContentsMargins(16, 20, 16, 20);
    content->addLayout(images);
    content->addStretch();
    content->addWidget(purpose);
    content->addWidget(LabelVersione);
    content->addWidget(copyright);

    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        close();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutBox::mousePressEvent(QMouseEvent*) {
    close();
}

void TAboutBox::keyPressEvent(QKeyEvent*) {
    close();
}

void ShowAbout(bool modal) {
    AboutBox->LabelVersione->setText(
        AppInfo.VersionCaption + QStringLiteral("  -  ") +
        platform::FormatDate(QStringLiteral("d/m/yyyy"),
                             platform::DoubleToDateTime(AppInfo.ReleaseDate)));
    const QRect main = FormMain->frameGeometry();
    AboutBox->move(main.left() + main.width() / 2 - AboutBox->width() / 2,
                   main.top() + main.height() / 2 - AboutBox->height() / 2);
    if (modal) {
        platform::ShowModal(*AboutBox);
    } else {
        AboutBox->show();
    }
}
