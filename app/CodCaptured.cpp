#include "app/CodCaptured.h"

#include "board/PieceSet.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>
#include <cstring>
#include <vector>

namespace {

constexpr char PieceLetters[] = "PNBRQKpnbrqk";
constexpr QRgb PaleGreen = qRgb(0xC0, 0xDC, 0xC0);
constexpr int Margin = 10;
constexpr int Cell = PieceSet::StandardCell;

bool IsPieceLetter(char letter) {
    return letter != '\0' && std::strchr(PieceLetters, letter) != nullptr;
}

// Repaints the same-coloured surface that holds `seed` (its four-neighbour region).
void FloodFillSurface(QImage& image, QPoint seed, QRgb surface, QRgb fill) {
    if (surface == fill || !image.rect().contains(seed) || image.pixel(seed) != surface)
        return;
    const auto at = [&image](int x, int y) -> QRgb& {
        return reinterpret_cast<QRgb*>(image.scanLine(y))[x];
    };
    std::vector<QPoint> pending{seed};
    while (!pending.empty()) {
        const QPoint p = pending.back();
        pending.pop_back();
        if (at(p.x(), p.y()) != surface)
            continue;
        int left = p.x();
        while (left > 0 && at(left - 1, p.y()) == surface)
            --left;
        int right = p.x();
        while (right + 1 < image.width() && at(right + 1, p.y()) == surface)
            ++right;
        for (int x = left; x <= right; ++x)
            at(x, p.y()) = fill;
        for (int y : {p.y() - 1, p.y() + 1}) {
            if (y < 0 || y >= image.height())
                continue;
            for (int x = left; x <= right; ++x) {
                if (at(x, y) == surface && (x == left || at(x - 1, y) != surface))
                    pending.emplace_back(x, y);
            }
        }
    }
}

} // namespace

TFormCaptured::TFormCaptured(QWidget* parent)
    : QWidget(parent,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      FPieceSet(PieceSet::Standard().convertToFormat(QImage::Format_RGB32)),
      FPicture(716, 100, QImage::Format_RGB32) {
    setWindowTitle(QStringLiteral("Pezzi catturati"));
    setFixedSize(724, 108);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* panel = new QFrame(this);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    layout->addWidget(panel);
    Image1 = new QLabel(panel);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(4, 4, FPicture.width(), FPicture.height());
    FMoveWatch = new Docking::TMoveWatch(this, [this](const QRect& frame) { SnapMoving(frame); });
    ClearPieces();
}

void TFormCaptured::ClearPieces() {
    std::fill(std::begin(FCaptured), std::end(FCaptured), 0);
    DrawPieces();
}

void TFormCaptured::AddPiece(char letter) {
    if (IsPieceLetter(letter))
        ++FCaptured[static_cast<unsigned char>(letter)];
}

void TFormCaptured::RemovePiece(char letter) {
    int& count = FCaptured[static_cast<unsigned char>(letter)];
    if (IsPieceLetter(letter) && count > 0)
        --count;
}

int TFormCaptured::Captured(char letter) const {
    return FCaptured[static_cast<unsigned char>(letter)];
}

void TFormCaptured::DrawPieces() {
    FPicture.fill(PaleGreen);
    QPainter p(&FPicture);
    for (int row = 0; row < 2; ++row) {
        int x = Margin;
        for (int column = 5; column >= 0; --column) {
            const char letter = PieceLetters[6 * row + column];
            const QRect cell(column * Cell, 2 * row * Cell, Cell, Cell);
            for (int n = Captured(letter); n > 0 && x < FPicture.width(); --n, x += Cell)
                p.drawImage(QPoint(x, Margin + Cell * row), FPieceSet, cell);
        }
    }
    p.end();
    const QRgb pieceBackground = FPieceSet.pixel(0, 0);
    const QRgb windowColour = palette().color(QPalette::Window).rgb();
    for (const QPoint seed : {QPoint(0, 0), QPoint(Margin, Margin), QPoint(Margin, Margin + Cell)})
        FloodFillSurface(FPicture, seed, pieceBackground, windowColour);
    Image1->setPixmap(QPixmap::fromImage(FPicture));
}

void TFormCaptured::ShowFromMain(QWidget* main) {
    if (isVisible()) {
        raise();
        return;
    }
    MainWindowHandle = main;
    const auto place = Docking::PlaceBelow(
        main->frameGeometry(), Docking::FrameGeometry(this, main), main->screen()->geometry());
    DockedToMain = place.has_value();
    if (place)
        FMoveWatch->Place(*place, main);
    show();
}

void TFormCaptured::FollowMain(const QRect& mainFrame) {
    if (DockedToMain && Docking::CarriesDocked(mainFrame))
        FMoveWatch->MoveTo(Docking::BelowOf(mainFrame));
}

void TFormCaptured::showEvent(QShowEvent* event) {
    DrawPieces();
    QWidget::showEvent(event);
}

void TFormCaptured::SnapMoving(const QRect& frame) {
    if (!MainWindowHandle)
        return;
    const Docking::TSnap snap = Docking::SnapBelow(frame, MainWindowHandle->frameGeometry());
    DockedToMain = snap.docked;
    FMoveWatch->MoveTo(snap.rect.topLeft());
}
