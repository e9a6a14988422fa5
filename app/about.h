#pragma once
// The about box: the splash screen at start-up and the "Informazioni su.." window. It closes
// itself on a click anywhere and on any key.

#include <QDialog>

class QLabel;

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QLabel* LabelVersione;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

extern TAboutBox* AboutBox;

// Shows the about box centred over the main window, modally or not.
void ShowAbout(bool modal);
