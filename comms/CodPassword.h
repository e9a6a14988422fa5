#pragma once
// "Login": the user name and password for the news server.

#include <QDialog>

class QLineEdit;
class QPushButton;

class TFormPassword : public QDialog {
    Q_OBJECT
public:
    explicit TFormPassword(QWidget* parent = nullptr);

    QLineEdit* EditUsername;
    QLineEdit* EditPassword;
    QPushButton* BitBtnOk;
    QPushButton* BitBtnCancel;
};

extern TFormPassword* FormPassword;
