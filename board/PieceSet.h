#pragma once
// The standard piece set as one image: 6 columns (pawn, knight, bishop, rook, queen, king) by
// 4 rows (White images, White masks, Black images, Black masks) of 40-pixel cells. Windows
// other than the board read their piece pictures from it.

#include <QImage>

namespace PieceSet {

constexpr int StandardCell = 40;

QImage Standard();

// One cell of the standard set: column 0..5 as above, row 0..3.
QImage Cell(int column, int row);

} // namespace PieceSet
