#pragma once
// The captured-pieces window: the pieces taken so far, White's in the upper row and Black's in
// the lower, pictured from the standard piece set. It can sit below the main window, follow it,
// and snaps against it when the user drags it close.

#include "app/Docking.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

class QLabel;

class TFormCaptured : public QWidget {
    Q_OBJECT

public:
    explicit TFormCaptured(QWidget* parent = nullptr);

    // Only the twelve piece letters are counted; any other byte is ignored.
    void ClearPieces();
    void AddPiece(char letter);
    void RemovePiece(char letter);
    int Captured(char letter) const;

    void DrawPieces();
    const QImage& Picture() const { return FPicture; }

    // The main window's side: its menu item shows this window, its moves carry it along.
    void ShowFromMain(QWidget* main);
    void FollowMain(const QRect& mainFrame);

    bool DockedToMain = false;
    QPointer<QWidget> MainWindowHandle;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void SnapMoving(const QRect& frame);

    int FCaptured[256] = {};
    QImage FPieceSet;
    QImage FPicture;
    QLabel* Image1;
    Docking::TMoveWatch* FMoveWatch;
};
