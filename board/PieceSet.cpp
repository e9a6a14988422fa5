#include "board/PieceSet.h"

// The resource lives in this static library; a reader outside it must register it first.
static void RegisterPieceSet() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(pieces);
        return true;
    }();
    (void)registered;
}

namespace PieceSet {

QImage Standard() {
    RegisterPieceSet();
    return QImage(QStringLiteral(":/board/pieces.png"));
}

} // namespace PieceSet
