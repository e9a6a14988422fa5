#pragma once
// "Aggiungi SMTP server": name, host and port of a new entry of the e-mail window's server book.

#include <QDialog>

class QLineEdit;
class QPushButton;
class TKxSpinEdit;

class TFormNewSMTP : public QDialog {
    Q_OBJECT
public:
    explicit TFormNewSMTP(QWidget* parent = nullptr);

    QLineEdit* EditName;
    QLineEdit* EditHost;
    TKxSpinEdit* EditPort;
    QPushButton* BitBtnOk;
    QPushButton* BitBtnCancel;
};

extern TFormNewSMTP* FormNewSMTP;
