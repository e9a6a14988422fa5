#pragma once
// Helpers for the drawn board's tests: square cells, pixels of grab() and mouse gestures.

#include "board/Chessbrd.h"

#include <QImage>
#include <QTest>

// The cell of a square as a player sees it: a8 top left, or bottom right with WhiteOnTop.
inline QRect Cell(const TChessBoard& board, Square sq) {
    int column = (sq - 1) % 8;
    int row = (sq - 1) / 8;
    if (board.WhiteOnTop()) {
        column = 7 - column;
        row = 7 - row;
    }
    const int size = board.SizeOfSquare();
    return QRect(board.SizeOfBorder() + column * size, board.SizeOfBorder() + row * size, size,
                 size);
}

inline QPoint Centre(const TChessBoard& board, Square sq) {
    return Cell(board, sq).center();
}

inline QImage Shot(TChessBoard& board) {
    return board.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline QRgb Rgb(TColor colour) {
    return platform::ToQColor(colour).rgb();
}

// Pixels of the area that differ from the given colour.
inline int CountOther(const QImage& image, const QRect& area, QRgb colour) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += image.pixel(x, y) != colour;
    return count;
}

inline int CountOf(const QImage& image, const QRect& area, QRgb colour) {
    return int(area.width() * area.height()) - CountOther(image, area, colour);
}

// A piece stands on the square when a good part of its cell is not the square's colour.
inline bool ShowsPiece(TChessBoard& board, Square sq) {
    const QRect cell = Cell(board, sq);
    const TColor colour =
        TChessBoardModel::ColorOfSquare(sq) ? board.SquareColorLight() : board.SquareColorDark();
    return CountOther(Shot(board), cell, Rgb(colour)) > cell.width() * cell.height() / 10;
}

inline void Drag(TChessBoard& board, Square from, const QPoint& to) {
    QTest::mousePress(&board, Qt::LeftButton, {}, Centre(board, from));
    QTest::mouseMove(&board, Centre(board, from) + QPoint(5, 5));
    QTest::mouseMove(&board, to);
    QTest::mouseRelease(&board, Qt::LeftButton, {}, to);
}

inline void Drag(TChessBoard& board, Square from, Square to) {
    Drag(board, from, Centre(board, to));
}
