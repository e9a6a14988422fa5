#pragma once
// The service settings dialog: the Zeltor area, news server and login, the signature, and the
// buttons that associate ".qzd" files with the program.

#include <QDialog>
#include <optional>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class TComboBox;
class TFormStorage;

class TFormImpostazioni : public QDialog {
    Q_OBJECT
public:
    explicit TFormImpostazioni(QWidget* parent = nullptr);

    TComboBox* ComboBoxVexlorArea;
    QLineEdit* EditNewsServer;
    TComboBox* ComboBoxNewsgroup;
    QPlainTextEdit* MemoFirma;
    QLineEdit* EditVexlorFileName;
    QLineEdit* EditPorta;
    QCheckBox* cbFormatoOggetto;
    QPushButton* BtnAssocia;
    QPushButton* BtnDissocia;
    QLineEdit* EditUsername;
    QLineEdit* EditPassword;
    QPushButton* BitBtnOk;
    QPushButton* BitBtnCancel;
    TFormStorage* FormStorage1;

    // The port of EditPorta: a whole number in 0..65535, else empty.
    std::optional<int> Port() const;

    void BitBtnOkClick();
    void BtnAssociaClick();
    void BtnDissociaClick();

public slots:
    // A port that is not a whole number in range keeps the dialog open.
    void accept() override;

private:
    QWidget* CreateZeltorGroup();
    QWidget* CreateInstallGroup();
    QWidget* CreateLoginGroup();
};

extern TFormImpostazioni* FormImpostazioni;
