#pragma once
// "Dati partita": the correspondence game's players, match code, header lines, round, other
// information and start date.

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class TDateEdit;
namespace platform {
class TMaskEdit;
}

class TFormInfo : public QDialog {
    Q_OBJECT
public:
    static constexpr int HelpContext = 6000;
    // Two digits and two letters or digits; literals not stored, "*" for a blank.
    static constexpr char ZeltorMask[] = "99AA;0;*";

    explicit TFormInfo(QWidget* parent = nullptr);

    QLineEdit* EditWhitePlayer;
    QLineEdit* EditBlackPlayer;
    platform::TMaskEdit* EditMatchName;
    QLineEdit* EditLine1;
    QLineEdit* EditLine2;
    QLineEdit* EditRound;
    QLineEdit* EditInfo;
    TDateEdit* EditStartDate;
    QCheckBox* cbZeltor;
    QPushButton* BitBtnOk;
    QPushButton* BitBtnCancel;

    void cbZeltorClick();

    // The match code goes back as it came unless the user edits it, even when it does not fit
    // the edit's mask or length; an edited one loses the mask's blanks.
    void SetMatchCode(const QString& code);
    QString MatchCode() const;

private:
    bool MatchCodeEdited() const;

    QString matchCode_;
    QString shownCode_; // the edit's text when it showed matchCode_
};

extern TFormInfo* FormInfo;
