#pragma once
// The chess board control: the game model drawn on screen, played with the mouse, and
// answered by its engine.

#include "board/BoardModel.h"
#include "board/ChessThread.h"
#include "platform/Colors.h"

#include <QCursor>
#include <QFont>
#include <QImage>
#include <QPen>
#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <vector>

class QLabel;

class TChessBoard : public QWidget, public TChessBoardModel {
    Q_OBJECT

public:
    enum DisplayCoord { West = 1, North = 2, East = 4, South = 8 };
    Q_DECLARE_FLAGS(DisplayCoordSet, DisplayCoord)
    enum StandardSet { Size32, Size40, Size64, Size80 };

    using TMouseEvent = std::function<void(TChessBoard* Sender, Qt::MouseButton Button,
                                           Qt::KeyboardModifiers Shift, int X, int Y)>;

    explicit TChessBoard(QWidget* parent = nullptr);
    ~TChessBoard() override;

    // Geometry.
    int SizeOfSquare() const { return FSizeOfSquare; }
    void SetSizeOfSquare(int value);
    int SizeOfBorder() const { return FSizeOfBorder; }
    void SetSizeOfBorder(int value);
    int BoardLeft() const { return FSizeOfBorder; }
    int BoardTop() const { return FSizeOfBorder; }
    Square WindowToSquare(int x, int y) const;

    // Display properties.
    bool WhiteOnTop() const { return FWhiteOnTop; }
    void SetWhiteOnTop(bool value);
    bool BoardLines() const { return FBoardLines; }
    void SetBoardLines(bool value);
    bool BoardFrame() const { return FBoardFrame; }
    void SetBoardFrame(bool value);
    DisplayCoordSet DisplayCoords() const { return FDisplayCoords; }
    void SetDisplayCoords(DisplayCoordSet value);
    QFont CoordFont() const { return FCoordFont; }
    void SetCoordFont(const QFont& value);
    TColor CoordFontColor() const { return FCoordFontColor; }
    void SetCoordFontColor(TColor value);
    QPen LineStyle() const { return FLineStyle; }
    void SetLineStyle(const QPen& value);
    TColor SquareColorLight() const { return FSquareColorLight; }
    void SetSquareColorLight(TColor value);
    TColor SquareColorDark() const { return FSquareColorDark; }
    void SetSquareColorDark(TColor value);
    TColor BorderColor() const { return FBorderColor; }
    void SetBorderColor(TColor value);
    QPixmap SquareLight() const { return FSquareLight; }
    void SetSquareLight(const QPixmap& value);
    QPixmap SquareDark() const { return FSquareDark; }
    void SetSquareDark(const QPixmap& value);
    QPixmap BorderBitmap() const { return FBorderBitmap; }
    void SetBorderBitmap(const QPixmap& value);

    // Piece sets.
    QPixmap CustomPieceSet() const { return FCustomPieceSet; }
    void SetCustomPieceSet(const QPixmap& value);
    StandardSet StandardSize() const { return FStandardSize; }
    void SetStandardSize(StandardSet value);
    static bool BitmapExists(const QPixmap& bmp);
    static bool BitmapIsValidPieceSet(const QPixmap& bmp);
    void InitializeBitmaps();
    void OrganizeBitmaps();
    int PieceToInt(char letter) const;

    // Resizing by the lower right corner.
    bool Resizable() const { return FResizable; }
    void SetResizable(bool value) { FResizable = value; }
    int ResizeMinSize() const { return FResizeMinSize; }
    void SetResizeMinSize(int value);
    int ResizeMaxSize() const { return FResizeMaxSize; }
    void SetResizeMaxSize(int value);

    // Drawing into the back buffer; the paint event only shows it.
    void Paint();
    void DrawBoard();
    void DrawBorder();
    void DrawPieces();
    void ClearSquare(Square sq) override;
    void DrawPiece(Square sq) override;
    void DrawPiece(Square sq, char letter);
    void DrawChessPiece(QPainter& canvas, int x, int y, char letter) const;
    void UpdateChessBoard(const TPlacement& oldSquares) override;
    void HiLightSquare(Square sq) override;
    void UnHiLightSquare() override;
    Square HiLightedSquare() const { return FHiLightedSquare; }

    void SetComputerPlaysWhite(bool value) override;
    void SetComputerPlaysBlack(bool value) override;

    // A network game: only the local side's pieces may be dropped elsewhere.
    bool LocalSideOnly = false;
    bool LocalSideIsWhite = true;

    TMouseEvent OnMouseUp;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void RepaintBoard() override;

private:
    enum class DragState { Idle, Armed, Dragging, Cancelled };

    QRect CellRect(Square sq) const;
    QRect SquaresRect() const;
    bool CanDraw() const { return FSizeOfSquare >= 1 && !FBuffer.isNull(); }
    void EnsureBuffer();
    void ShowBuffer(const QRect& area);
    void FitSquareTo(int width, int height);
    void ApplyGeometry();
    void ResizeTo(int side);
    int SquareFittingLimits(int side) const;
    QBrush SquareBrush(bool light) const;
    void PaintSquares(QPainter& p, const QRect& clip) const;
    void PaintGridLines(QPainter& p) const;
    void PaintCoordinates(QPainter& p) const;
    void PaintFrames(QPainter& p) const;
    void PaintPiece(QPainter& p, Square sq, char letter) const;
    void PaintHiLight(QPainter& p, Square sq) const;
    void RedrawSquare(Square sq);
    void ArmWhoPlaysNext();

    void ResizeMouseMove(const QPoint& pos, Qt::MouseButtons buttons);
    void BeginDragImage();
    void DragOver(const QPoint& pos);
    void DragDrop(const QPoint& pos);
    void DragCanceled();
    void EndDragImage();
    bool DropAllowed(Square target) const;

    int FSizeOfSquare = 40;
    int FSizeOfBorder = 24;
    bool FWhiteOnTop = false;
    bool FBoardLines = false;
    bool FBoardFrame = false;
    DisplayCoordSet FDisplayCoords = DisplayCoordSet(West | North | East | South);
    QFont FCoordFont;
    TColor FCoordFontColor = platform::clWhite;
    QPen FLineStyle;
    TColor FSquareColorLight = platform::clSilver;
    TColor FSquareColorDark = platform::clGray;
    TColor FBorderColor = platform::clOlive;
    QPixmap FSquareLight;
    QPixmap FSquareDark;
    QPixmap FBorderBitmap;
    QPixmap FCustomPieceSet;
    QPixmap FStandardPieceSet;
    StandardSet FStandardSize = Size40;
    bool FResizable = false;
    int FResizeMinSize = 0;
    int FResizeMaxSize = 1000;
    bool FResizing = false;
    QCursor FRememberedCursor;

    std::vector<QImage> FPieceImages;
    int FPieceImageIndex[2][6] = {};
    int FPieceCellSize = 0;
    Square FHiLightedSquare = None;
    QImage FBuffer;
    bool FWhoPlaysNextPending = false;

    DragState FDragState = DragState::Idle;
    Qt::MouseButton FGestureButton = Qt::NoButton;
    Square FDragSource = None;
    Square FDragTarget = None;
    char FDragLetter = ' ';
    bool FDragAccept = false;
    QPoint FDragPos;
    QCursor FCursorBeforeDrag;
    QPointer<QLabel> FDragImage;

public:
    // ---- engine side (see ChessThread.cpp)
    void InitChessThread();
    void MoveNow() override;
    void CancelThinking() override;
    // The engine's answer to a request; played only if the board still waits for that request.
    void DeliverMove(std::uint64_t request, Square from, Square to);
    void FinishedThread(QObject* Sender);
    int SearchDepth() const { return FSearchDepth; }
    void SetSearchDepth(int value);
    TThreadPriority ThinkingPriority() const { return FThinkingPriority; }
    void SetThinkingPriority(TThreadPriority value);

private:
    std::unique_ptr<ChessThread> FChessThread;
    std::uint64_t FEngineRequest = 0; // the number of the last request handed to the engine
    int FSearchDepth = 3;
    TThreadPriority FThinkingPriority = tpLower;
    // ---- end of engine side
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TChessBoard::DisplayCoordSet)
