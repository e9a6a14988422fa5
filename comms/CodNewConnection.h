#pragma once
// The entry dialog of the TCP play window's connection book: a name, a host and a port.

#include <QDialog>

class QLineEdit;
class QPushButton;
class TComboBox;
class TKxSpinEdit;

class TFormNewConnection : public QDialog {
    Q_OBJECT
public:
    explicit TFormNewConnection(QWidget* parent = nullptr);

    QLineEdit* EditName;
    TComboBox* EditHost;
    TKxSpinEdit* EditPort;
    QPushButton* BitBtnOk;
    QPushButton* BitBtnCancel;
};

extern TFormNewConnection* FormNewConnection;
