#include "board/Chessbrd.h"

#include "board/PieceSet.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// Far beyond any screen, and small enough that 8 squares and 2 borders stay a valid widget size.
constexpr int MaxLength = 100000;
constexpr int ResizeCorner = 10;
constexpr char PieceLetters[] = "PNBRQKpnbrqk";

QEvent::Type WhoPlaysNextEvent() {
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

// A mask cell is black where the piece is and white where the square shows through.
QImage MaskedPiece(const QImage& image, const QImage& mask) {
    QImage piece = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < piece.height(); ++y) {
        for (int x = 0; x < piece.width(); ++x) {
            const QRgb colour = piece.pixel(x, y);
            const int alpha = 255 - qGray(mask.pixel(x, y));
            piece.setPixel(x, y, qRgba(qRed(colour), qGreen(colour), qBlue(colour), alpha));
        }
    }
    return piece.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

void DrawTextAt(QPainter& p, int x, int y, const QString& text) {
    p.drawText(QPoint(x, y + p.fontMetrics().ascent()), text);
}

} // namespace

TChessBoard::TChessBoard(QWidget* parent)
    : QWidget(parent), FCoordFont(QStringLiteral("Arial"), 7), FLineStyle(Qt::black, 1) {
    setMouseTracking(true);
    InitializeBitmaps();
    OrganizeBitmaps();
    ApplyGeometry();
}

TChessBoard::~TChessBoard() {
    FChessThread.reset(); // stops and joins the engine before anything else goes
    delete FDragImage.data();
}

// ---- geometry

void TChessBoard::SetSizeOfSquare(int value) {
    FSizeOfSquare = std::clamp(value, 0, MaxLength);
    ApplyGeometry();
}

void TChessBoard::SetSizeOfBorder(int value) {
    FSizeOfBorder = std::clamp(value, 0, MaxLength);
    ApplyGeometry();
}

QRect TChessBoard::SquaresRect() const {
    return QRect(BoardLeft(), BoardTop(), 8 * FSizeOfSquare, 8 * FSizeOfSquare);
}

QRect TChessBoard::CellRect(Square sq) const {
    int column = (sq - 1) % 8;
    int row = (sq - 1) / 8;
    if (FWhiteOnTop) {
        column = 7 - column;
        row = 7 - row;
    }
    return QRect(BoardLeft() + column * FSizeOfSquare, BoardTop() + row * FSizeOfSquare,
                 FSizeOfSquare, FSizeOfSquare);
}

Square TChessBoard::WindowToSquare(int x, int y) const {
    const int size = FSizeOfSquare;
    if (size < 1)
        return None;
    const int dx = x - BoardLeft();
    const int dy = y - BoardTop();
    if (dx < 0 || dy < 0 || dx >= 8 * size || dy >= 8 * size)
        return None;
    const int column = std::min(dx / size, 7);
    const int row = std::min(dy / size, 7);
    return FWhiteOnTop ? Square((7 - row) * 8 + (7 - column) + 1) : Square(row * 8 + column + 1);
}

// The control is always 8 squares and 2 borders wide, and square.
void TChessBoard::ApplyGeometry() {
    const int side = 8 * FSizeOfSquare + 2 * FSizeOfBorder;
    if (width() != side || height() != side)
        resize(side, side);
    Paint();
}

// A resize to the size already drawn (a deferred event of a hidden control) redraws nothing.
void TChessBoard::FitSquareTo(int width, int height) {
    const int square = std::clamp(((width + height) / 2 - 2 * FSizeOfBorder) / 8, 0, MaxLength);
    const int side = 8 * square + 2 * FSizeOfBorder;
    if (square == FSizeOfSquare && size() == QSize(side, side) &&
        FBuffer.size() == size() * devicePixelRatioF())
        return;
    FSizeOfSquare = square;
    ApplyGeometry();
}

void TChessBoard::resizeEvent(QResizeEvent* e) {
    FitSquareTo(e->size().width(), e->size().height());
}

// The largest square whose board fits the side, kept within the resize limits.
int TChessBoard::SquareFittingLimits(int side) const {
    int size = std::max(0, (side - 2 * FSizeOfBorder) / 8);
    if (8 * size + 2 * FSizeOfBorder < FResizeMinSize)
        ++size;
    if (8 * size + 2 * FSizeOfBorder > FResizeMaxSize && size > 0)
        --size;
    return std::min(size, MaxLength);
}

void TChessBoard::ResizeTo(int side) {
    FSizeOfSquare = SquareFittingLimits(side);
    ApplyGeometry();
}

void TChessBoard::SetResizeMinSize(int value) {
    FResizeMinSize = std::min(value, FResizeMaxSize);
    if (FResizeMinSize > width())
        ResizeTo(FResizeMinSize);
}

void TChessBoard::SetResizeMaxSize(int value) {
    if (value <= FResizeMinSize)
        return;
    FResizeMaxSize = value;
    if (value < width())
        ResizeTo(value);
}

// ---- display properties

void TChessBoard::SetWhiteOnTop(bool value) {
    FWhiteOnTop = value;
    Paint();
}

void TChessBoard::SetBoardLines(bool value) {
    FBoardLines = value;
    Paint();
}

void TChessBoard::SetBoardFrame(bool value) {
    FBoardFrame = value;
    Paint();
}

void TChessBoard::SetDisplayCoords(DisplayCoordSet value) {
    FDisplayCoords = value;
    Paint();
}

void TChessBoard::SetCoordFont(const QFont& value) {
    FCoordFont = value;
    Paint();
}

void TChessBoard::SetCoordFontColor(TColor value) {
    FCoordFontColor = value;
    Paint();
}

void TChessBoard::SetLineStyle(const QPen& value) {
    FLineStyle = value;
    Paint();
}

void TChessBoard::SetSquareColorLight(TColor value) {
    FSquareColorLight = value;
    Paint();
}

void TChessBoard::SetSquareColorDark(TColor value) {
    FSquareColorDark = value;
    Paint();
}

void TChessBoard::SetBorderColor(TColor value) {
    FBorderColor = value;
    Paint();
}

void TChessBoard::SetSquareLight(const QPixmap& value) {
    FSquareLight = value;
    Paint();
}

void TChessBoard::SetSquareDark(const QPixmap& value) {
    FSquareDark = value;
    Paint();
}

void TChessBoard::SetBorderBitmap(const QPixmap& value) {
    FBorderBitmap = value;
    Paint();
}

// ---- piece sets

bool TChessBoard::BitmapExists(const QPixmap& bmp) {
    return !bmp.isNull() && bmp.width() > 0 && bmp.height() > 0;
}

// 6 by 4 square cells of at least one pixel.
bool TChessBoard::BitmapIsValidPieceSet(const QPixmap& bmp) {
    return BitmapExists(bmp) && 2 * bmp.width() == 3 * bmp.height() && bmp.height() >= 4;
}

void TChessBoard::SetCustomPieceSet(const QPixmap& value) {
    if (!value.isNull() && !BitmapIsValidPieceSet(value))
        return;
    FCustomPieceSet = value;
    OrganizeBitmaps();
    Paint();
}

void TChessBoard::SetStandardSize(StandardSet value) {
    FStandardSize = value;
    InitializeBitmaps();
    OrganizeBitmaps();
    Paint();
}

void TChessBoard::InitializeBitmaps() {
    FStandardPieceSet = QPixmap::fromImage(PieceSet::Standard());
}

void TChessBoard::OrganizeBitmaps() {
    const QPixmap& source =
        BitmapIsValidPieceSet(FCustomPieceSet) ? FCustomPieceSet : FStandardPieceSet;
    FPieceImages.clear();
    for (auto& row : FPieceImageIndex)
        std::fill(std::begin(row), std::end(row), -1);
    FPieceCellSize = 0;
    if (!BitmapIsValidPieceSet(source))
        return;
    const QImage sheet = source.toImage().convertToFormat(QImage::Format_ARGB32);
    const int cell = sheet.height() / 4;
    FPieceCellSize = cell;
    for (int colour = 0; colour < 2; ++colour) {
        for (int piece = 0; piece < 6; ++piece) {
            const QImage image = sheet.copy(piece * cell, 2 * colour * cell, cell, cell);
            const QImage mask = sheet.copy(piece * cell, (2 * colour + 1) * cell, cell, cell);
            FPieceImageIndex[colour][piece] = int(FPieceImages.size());
            FPieceImages.push_back(MaskedPiece(image, mask));
        }
    }
}

int TChessBoard::PieceToInt(char letter) const {
    const char* found = letter != '\0' ? std::strchr(PieceLetters, letter) : nullptr;
    if (!found)
        return -1;
    const int position = int(found - PieceLetters);
    return FPieceImageIndex[position / 6][position % 6];
}

// ---- the back buffer

void TChessBoard::EnsureBuffer() {
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = size() * ratio;
    if (FBuffer.size() == pixels && FBuffer.devicePixelRatio() == ratio)
        return;
    FBuffer = pixels.isEmpty() ? QImage() : QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    FBuffer.setDevicePixelRatio(ratio);
}

void TChessBoard::ShowBuffer(const QRect& area) {
    update(area);
}

void TChessBoard::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    p.setClipRegion(e->region());
    p.drawImage(0, 0, FBuffer);
}

void TChessBoard::RepaintBoard() {
    Paint();
}

void TChessBoard::Paint() {
    EnsureBuffer();
    if (FBuffer.isNull())
        return;
    FBuffer.fill(Qt::transparent);
    if (CanDraw()) {
        DrawBorder();
        DrawBoard();
        DrawPieces();
    }
    update();
}

// ---- layers

QBrush TChessBoard::SquareBrush(bool light) const {
    const QPixmap& tile = light ? FSquareLight : FSquareDark;
    if (BitmapExists(tile))
        return QBrush(tile);
    return QBrush(platform::ToQColor(light ? FSquareColorLight : FSquareColorDark));
}

// Bitmaps tile from the control's corner, so their pattern runs on across squares.
void TChessBoard::PaintSquares(QPainter& p, const QRect& clip) const {
    p.save();
    p.setClipRect(clip);
    for (int s = 1; s <= 64; ++s) {
        const QRect cell = CellRect(Square(s)).intersected(clip);
        if (!cell.isEmpty())
            p.fillRect(cell, SquareBrush(ColorOfSquare(Square(s))));
    }
    if (FBoardLines)
        PaintGridLines(p);
    p.restore();
}

void TChessBoard::PaintGridLines(QPainter& p) const {
    p.setPen(QPen(Qt::black, 1));
    const int size = FSizeOfSquare;
    for (int i = 1; i <= 7; ++i) {
        p.drawLine(BoardLeft() + i * size, BoardTop(), BoardLeft() + i * size,
                   height() - BoardTop());
        p.drawLine(BoardLeft(), BoardTop() + i * size, width() - BoardLeft(),
                   BoardTop() + i * size);
    }
}

void TChessBoard::DrawBoard() {
    if (!CanDraw())
        return;
    QPainter p(&FBuffer);
    PaintSquares(p, SquaresRect());
    ShowBuffer(SquaresRect());
}

void TChessBoard::DrawBorder() {
    if (!CanDraw())
        return;
    QPainter p(&FBuffer);
    p.setClipRegion(QRegion(rect()) - QRegion(SquaresRect()));
    p.fillRect(rect(), BitmapExists(FBorderBitmap) ? QBrush(FBorderBitmap)
                                                   : QBrush(platform::ToQColor(FBorderColor)));
    PaintCoordinates(p);
    PaintFrames(p);
    ShowBuffer(rect());
}

void TChessBoard::PaintCoordinates(QPainter& p) const {
    p.setFont(QFont(FCoordFont, this));
    p.setPen(platform::ToQColor(FCoordFontColor));
    const int b = FSizeOfBorder;
    const int s = FSizeOfSquare;
    const int fs = FCoordFont.pointSize() > 0 ? FCoordFont.pointSize() : FCoordFont.pixelSize();
    const int xo = (b - fs) / 2 + 1;
    const int yo = (s - fs) / 2;
    const int f = FBoardFrame ? 2 : 0;
    const int h = p.fontMetrics().height() / 4;
    for (int i = 0; i < 8; ++i) {
        const QString file = QString(QChar(FWhiteOnTop ? 'H' - i : 'A' + i));
        const QString rank = QString::number(FWhiteOnTop ? i + 1 : 8 - i);
        if (FDisplayCoords & West)
            DrawTextAt(p, xo - f, i * s + b + yo, rank);
        if (FDisplayCoords & East)
            DrawTextAt(p, width() - b + xo + f, i * s + b + yo, rank);
        if (FDisplayCoords & North)
            DrawTextAt(p, i * s + b + yo, xo - h - f, file);
        if (FDisplayCoords & South)
            DrawTextAt(p, i * s + b + yo, height() - b + xo - h + f, file);
    }
}

// The outline, the line round the squares and, with BoardFrame, the triple frame.
void TChessBoard::PaintFrames(QPainter& p) const {
    const int b = FSizeOfBorder;
    const int w = width();
    p.setBrush(Qt::NoBrush);
    p.setPen(FLineStyle);
    p.drawRect(0, 0, w - 1, w - 1);
    p.drawRect(b - 1, b - 1, w - 2 * b + 1, w - 2 * b + 1);
    if (!FBoardFrame)
        return;
    p.setPen(QPen(platform::ToQColor(platform::clSilver), 1));
    p.drawRect(b - 1, b - 1, w - 2 * b + 1, w - 2 * b + 1);
    p.setPen(QPen(Qt::black, 3));
    p.drawRect(b - 3, b - 3, w - 2 * b + 5, w - 2 * b + 5);
    p.setPen(QPen(platform::ToQColor(platform::clSilver), 1));
    p.drawRect(b - 5, b - 5, w - 2 * b + 9, w - 2 * b + 9);
}

void TChessBoard::DrawPieces() {
    if (!CanDraw())
        return;
    QPainter p(&FBuffer);
    for (int s = 1; s <= 64; ++s)
        if (Squares()[s] != ' ')
            PaintPiece(p, Square(s), Squares()[s]);
    ShowBuffer(SquaresRect());
}

// ---- single squares

void TChessBoard::ClearSquare(Square sq) {
    if (!CanDraw() || !rules::OnBoard(sq))
        return;
    QPainter p(&FBuffer);
    PaintSquares(p, CellRect(sq));
    ShowBuffer(CellRect(sq));
}

void TChessBoard::DrawPiece(Square sq) {
    if (rules::OnBoard(sq))
        DrawPiece(sq, Squares()[sq]);
}

void TChessBoard::DrawPiece(Square sq, char letter) {
    if (!CanDraw() || !rules::OnBoard(sq))
        return;
    QPainter p(&FBuffer);
    PaintPiece(p, sq, letter);
    ShowBuffer(CellRect(sq));
}

// The piece is centred on its square and kept inside it.
void TChessBoard::PaintPiece(QPainter& p, Square sq, char letter) const {
    const int index = PieceToInt(letter);
    if (index >= 0) {
        const QRect cell = CellRect(sq);
        const int offset = (FSizeOfSquare - FPieceCellSize) / 2;
        p.save();
        p.setClipRect(cell);
        p.drawImage(cell.topLeft() + QPoint(offset, offset), FPieceImages[index]);
        p.restore();
    }
    if (sq == FHiLightedSquare)
        PaintHiLight(p, sq);
}

void TChessBoard::DrawChessPiece(QPainter& canvas, int x, int y, char letter) const {
    const int index = PieceToInt(letter);
    if (index >= 0)
        canvas.drawImage(x, y, FPieceImages[index]);
}

void TChessBoard::PaintHiLight(QPainter& p, Square sq) const {
    if (!rules::OnBoard(sq))
        return;
    const QRect cell = CellRect(sq);
    const int x = cell.x();
    const int y = cell.y();
    const int last = FSizeOfSquare - 1;
    p.save();
    p.setClipRect(cell);
    p.setPen(QPen(platform::ToQColor(platform::clRed), 4));
    p.drawLine(x + last, y, x + last, y + last);
    p.drawLine(x, y, x + last, y);
    p.drawLine(x, y + last, x + last, y + last);
    p.drawLine(x, y, x, y + last);
    p.restore();
}

void TChessBoard::RedrawSquare(Square sq) {
    ClearSquare(sq);
    if (rules::OnBoard(sq) && Squares()[sq] != ' ')
        DrawPiece(sq);
}

void TChessBoard::UpdateChessBoard(const TPlacement& oldSquares) {
    for (int s = 1; s <= 64; ++s)
        if (oldSquares[s] != Squares()[s])
            RedrawSquare(Square(s));
}

void TChessBoard::HiLightSquare(Square sq) {
    FHiLightedSquare = rules::OnBoard(sq) ? sq : None;
    DrawBoard();
    DrawPieces();
    if (!CanDraw())
        return;
    QPainter p(&FBuffer);
    PaintHiLight(p, FHiLightedSquare);
    if (FHiLightedSquare != None)
        ShowBuffer(CellRect(FHiLightedSquare));
}

void TChessBoard::UnHiLightSquare() {
    FHiLightedSquare = None;
}

// ---- who plays next

void TChessBoard::SetComputerPlaysWhite(bool value) {
    TChessBoardModel::SetComputerPlaysWhite(value);
    ArmWhoPlaysNext();
}

void TChessBoard::SetComputerPlaysBlack(bool value) {
    TChessBoardModel::SetComputerPlaysBlack(value);
    ArmWhoPlaysNext();
}

// Every event asks who plays next, once, later from the event loop: never from inside a
// paint or resize event, and never more than once for a burst of events.
void TChessBoard::ArmWhoPlaysNext() {
    if (FWhoPlaysNextPending)
        return;
    FWhoPlaysNextPending = true;
    QCoreApplication::postEvent(this, new QEvent(WhoPlaysNextEvent()));
}

bool TChessBoard::event(QEvent* e) {
    if (e->type() == WhoPlaysNextEvent()) {
        FWhoPlaysNextPending = false;
        WhoPlaysNext();
        return true;
    }
    ArmWhoPlaysNext();
    return QWidget::event(e);
}

// ---- mouse: drag and drop, clicks and resizing

// A gesture belongs to the button that began it: other buttons pressed meanwhile neither end
// it nor count as clicks. A press after a cancelled gesture whose release never came begins anew.
void TChessBoard::mousePressEvent(QMouseEvent* e) {
    if (FGestureButton != Qt::NoButton && FDragState != DragState::Cancelled)
        return;
    FGestureButton = e->button();
    FDragState = DragState::Idle;
    const QPoint pos = e->position().toPoint();
    const Square sq = WindowToSquare(pos.x(), pos.y());
    if (sq != None && Squares()[sq] != ' ') {
        FDragSource = sq;
        FDragLetter = Squares()[sq];
        FDragState = DragState::Armed;
    }
}

void TChessBoard::mouseMoveEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    if (FResizable && FDragState == DragState::Idle)
        ResizeMouseMove(pos, e->buttons());
    if (FDragState == DragState::Armed)
        FDragState = e->buttons() & FGestureButton ? DragState::Dragging : DragState::Idle;
    if (FDragState == DragState::Dragging)
        DragOver(pos);
}

// Once a drag has begun, the release belongs to it and is no click.
void TChessBoard::mouseReleaseEvent(QMouseEvent* e) {
    if (FGestureButton != Qt::NoButton && e->button() != FGestureButton)
        return;
    FGestureButton = Qt::NoButton;
    const QPoint pos = e->position().toPoint();
    const DragState state = FDragState;
    FDragState = DragState::Idle;
    if (state == DragState::Dragging) {
        if (pos != FDragPos)
            DragOver(pos);
        if (FDragAccept)
            DragDrop(pos);
        else
            DragCanceled();
        return;
    }
    if (state == DragState::Cancelled)
        return;
    FResizing = false;
    if (OnMouseUp)
        OnMouseUp(this, e->button(), e->modifiers(), pos.x(), pos.y());
}

void TChessBoard::keyPressEvent(QKeyEvent* e) {
    if (FDragState == DragState::Dragging && e->key() == Qt::Key_Escape) {
        FDragState = DragState::Cancelled;
        DragCanceled();
        return;
    }
    QWidget::keyPressEvent(e);
}

// A hidden board may never see the release of the button held now.
void TChessBoard::hideEvent(QHideEvent* e) {
    if (FGestureButton != Qt::NoButton) {
        const DragState state = std::exchange(FDragState, DragState::Cancelled);
        if (state == DragState::Dragging)
            DragCanceled();
    }
    QWidget::hideEvent(e);
}

void TChessBoard::ResizeMouseMove(const QPoint& pos, Qt::MouseButtons buttons) {
    const Qt::CursorShape shape = cursor().shape();
    if (shape != Qt::SizeFDiagCursor && shape != Qt::SizeVerCursor && shape != Qt::SizeHorCursor)
        FRememberedCursor = cursor();
    const bool inCorner = pos.x() >= width() - ResizeCorner && pos.x() <= width() &&
                          pos.y() >= height() - ResizeCorner && pos.y() <= height();
    if (inCorner) {
        setCursor(Qt::SizeFDiagCursor);
        if (buttons & Qt::LeftButton)
            FResizing = true;
    } else if (!FResizing) {
        setCursor(FRememberedCursor);
    }
    if (!FResizing)
        return;
    const int side = std::clamp(std::max(pos.x(), pos.y()), FResizeMinSize, FResizeMaxSize);
    const int square = SquareFittingLimits(side);
    if (square != FSizeOfSquare) {
        FSizeOfSquare = square;
        ApplyGeometry();
    }
}

// The piece leaves its square and follows the cursor over the parent window.
void TChessBoard::BeginDragImage() {
    ClearSquare(FDragSource);
    QWidget* host = parentWidget() ? parentWidget() : this;
    FDragImage = new QLabel(host);
    FDragImage->setAttribute(Qt::WA_TransparentForMouseEvents);
    const int index = PieceToInt(FDragLetter);
    if (index >= 0)
        FDragImage->setPixmap(QPixmap::fromImage(FPieceImages[index]));
    FDragImage->adjustSize();
    FCursorBeforeDrag = cursor();
    grabKeyboard();
}

void TChessBoard::EndDragImage() {
    delete FDragImage.data();
    releaseKeyboard();
    setCursor(FCursorBeforeDrag);
}

bool TChessBoard::DropAllowed(Square target) const {
    if (target == None)
        return false;
    if (target == FDragSource)
        return true;
    if (LocalSideOnly && (ColorOfPiece(FDragSource) == 1) != LocalSideIsWhite)
        return false;
    return MoveIsLegal(FDragSource, target);
}

void TChessBoard::DragOver(const QPoint& pos) {
    if (!FDragImage)
        BeginDragImage();
    FDragPos = pos;
    QWidget* host = FDragImage->parentWidget();
    const QPoint centre = host == this ? pos : mapTo(host, pos);
    FDragImage->move(centre - QPoint(FDragImage->width() / 2, FDragImage->height() / 2));
    FDragImage->show();
    FDragImage->raise();
    const Square target = rect().contains(pos) ? WindowToSquare(pos.x(), pos.y()) : None;
    FDragAccept = DropAllowed(target);
    setCursor(FDragAccept ? Qt::ClosedHandCursor : Qt::ForbiddenCursor);
}

// A drop that Move refuses (the position changed during the drag) puts the piece back.
void TChessBoard::DragDrop(const QPoint& pos) {
    EndDragImage();
    FDragTarget = WindowToSquare(pos.x(), pos.y());
    if (FDragTarget == FDragSource || !Move(FDragSource, FDragTarget))
        RedrawSquare(FDragSource);
}

void TChessBoard::DragCanceled() {
    EndDragImage();
    RedrawSquare(FDragSource);
    if (OnIllegalMove)
        OnIllegalMove(this, FDragSource);
}
