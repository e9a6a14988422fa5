#pragma once
// The promotion question: which piece a pawn of a human player becomes.

#include <QDialog>

class TRadioGroup;

class TFormPromotion : public QDialog {
    Q_OBJECT
public:
    explicit TFormPromotion(QWidget* parent = nullptr);

    TRadioGroup* RGPromotion;

    // Asks the question; the letter of the chosen piece, lower case for Black.
    char Ask(bool white);
};

extern TFormPromotion* FormPromotion;
