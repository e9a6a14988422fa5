#pragma once
// "Invia mossa via email": sends the composed move through a server of the SMTP book, or hands
// it to the desktop's mail program as a "mailto:" link.

#include "platform/NMsmtp.h"

#include <QDialog>

class QAction;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class TComboBox;
class TFormStorage;

class TFormEmail : public QDialog {
    Q_OBJECT
public:
    explicit TFormEmail(QWidget* parent = nullptr);

    QLineEdit* EditTo;
    QLineEdit* EditCc;
    QLineEdit* EditFrom;
    QLineEdit* EditSubject;
    TComboBox* cbSMTP;
    QMenu* PopupMenuServers;
    QAction* Cancellaquestaconnessionedallelenco1;
    QPushButton* BtnNewServer;
    QPlainTextEdit* MemoEmail;
    QPushButton* BtnOk;
    QPushButton* BtnAnnulla;
    TNMSMTP* NMSMTP1;
    TFormStorage* FormStorage1;

    void BtnOkClick();
    void BtnAnnullaClick();
    void SendBySMTP();
    void SendByMailClient();
    void BtnNewServerClick();
    void Cancellaquestaconnessionedallelenco1Click();
    void PopupMenuServersPopup();

    // However the window closes, a send still running is cancelled.
    void done(int result) override;

private:
    void CreateComponents();
    void ConnectSmtpEvents();
    void KeepMailClientItem();
    void Outcome(const QString& text, int flags);
};

extern TFormEmail* FormEmail;
