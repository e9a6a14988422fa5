#pragma once
// "Rivedi messaggi in uscita": pages through the messages waiting in a message file, lets the
// user edit and delete them, and writes the file back on OK. With no file it previews one article.

#include "app/Correspondence.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class TFormStorage;

class TFormRivedi : public QDialog {
    Q_OBJECT
public:
    explicit TFormRivedi(QWidget* parent = nullptr);

    QList<QStringList>& Messages() { return file_.Messages; }
    int MessageCount = 0;
    int CurrentMessage = 1;
    QString FileName;
    QString Separator;

    QPlainTextEdit* Memo1;
    QLabel* Label1;
    QPushButton* BtnStart;
    QPushButton* BtnBack;
    QPushButton* BtnForw;
    QPushButton* BtnEnd;
    QPushButton* BtnDelete;
    QPushButton* BtnOk;
    QPushButton* BtnAnnulla;
    TFormStorage* FormStorage1;

    // 0 when messages were loaded, 1 (after telling the user) when there is nothing to show.
    int LoadMessages();
    void ShowCurrentMessage();
    void StoreCurrentMessage();

    // Preview of one article before posting: no file, navigation off, the caller's caption.
    void BeginPreview(const QString& caption, const QStringList& article);
    QStringList EndPreview();

    void BtnStartClick();
    void BtnBackClick();
    void BtnForwClick();
    void BtnEndClick();
    void BtnDeleteClick();
    void BtnOkClick();

private:
    void CreateComponents();
    void MoveTo(int message);
    void SetNavigationEnabled(bool enabled);
    void ShowLines(const QStringList& lines);
    QStringList MemoLines() const;

    correspondence::TMessageFile file_{QString()};
    QStringList shown_; // the lines the memo was last given
};

extern TFormRivedi* FormRivedi;
