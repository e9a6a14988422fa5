#include "board/Chessbrd.h"

TChessBoard::TChessBoard(QWidget* parent) : QWidget(parent) {}

TChessBoard::~TChessBoard() = default;
