#pragma once
// The chess board control: the game model drawn on screen, played with the mouse, and
// answered by its engine.

#include "board/BoardModel.h"

#include <QWidget>

class TChessBoard : public QWidget, public TChessBoardModel {
    Q_OBJECT

public:
    explicit TChessBoard(QWidget* parent = nullptr);
    ~TChessBoard() override;
};
