#include "board/PieceSet.h"

// The resource lives in this static library, so a reader must register it first; outside any
// namespace, as the registration requires.
static QImage LoadStandardPieceSet() {
    Q_INIT_RESOURCE(pieces);
    return QImage(QStringLiteral(":/board/pieces.png"));
}

namespace PieceSet {

QImage Standard() {
    static const QImage image = LoadStandardPieceSet(); // decoded once, shared by every reader
    return image;
}

QImage Cell(int column, int row) {
    return Standard().copy(column * StandardCell, row * StandardCell, StandardCell, StandardCell);
}

} // namespace PieceSet
