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
class TKxSpinEdit;

class TFormImpostazioni : public QDialog {
    Q_OBJECT
public:
    explicit TFormImpostazioni(QWidget* parent = nullptr);

    TComboBox* ComboBoxVexlorArea;
    QLineEdit* EditNewsServer;
    TComboBox* ComboBoxNewsgroup;
    QPlainTextEdit* MemoFirma;
    QLineEdit* EditVexlorFileName;
    TKxSpinEdit* EditPorta;
    QCheckBox* cbFormatoOggetto;
    QPushButton* BtnAssocia;
    QPushButton* BtnDissocia;
    QLineEdit* EditUsername;
    QLineEdit* EditPassword;
    QPushButton* BitBtnOk;
    QPushButton* BitBtnCancel;
    TFormStorage* FormStorage1;

    // The limits to which EditPorta holds the news server's port.
    static constexpr int MinPort = 1;
    static constexpr int MaxPort = 65535;

    // The port of EditPorta held to its limits; empty when the text is not a whole number.
    std::optional<int> Port() const;

    void BitBtnOkClick();
    void BtnAssociaClick();
    void BtnDissociaClick();

public slots:
    // A port that is not a whole number keeps the dialog open.
    void accept() override;

private:
    QWidget* CreateZeltorGroup();
    QWidget* CreateInstallGroup();
    QWidget* CreateLoginGroup();
};

extern TFormImpostazioni* FormImpostazioni;
