#pragma once
// The find and replace dialogs: modeless windows with the platform's options and events. The
// program's own windows are Italian, so the dialogs are too.

#include "platform/Classes.h"

#include <QFlags>
#include <QPoint>
#include <QPointer>
#include <QString>

class QCheckBox;
class QDialog;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

enum TFindOption : unsigned {
    frDown = 0x1,
    frFindNext = 0x2,
    frHideMatchCase = 0x4,
    frHideWholeWord = 0x8,
    frHideUpDown = 0x10,
    frMatchCase = 0x20,
    frDisableMatchCase = 0x40,
    frDisableUpDown = 0x80,
    frDisableWholeWord = 0x100,
    frReplace = 0x200,
    frReplaceAll = 0x400,
    frWholeWord = 0x800,
    frShowHelp = 0x1000,
};
Q_DECLARE_FLAGS(TFindOptions, TFindOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TFindOptions)

class TFindDialog : public QObject {
    Q_OBJECT
public:
    explicit TFindDialog(QObject* owner = nullptr);
    ~TFindDialog() override;

    QString FindText;
    TFindOptions Options = frDown;
    TNotifyEvent OnFind;
    TNotifyEvent OnClose;
    TNotifyEvent OnShow;

    // Shows the window without waiting for it; true once it shows.
    bool Execute();
    void CloseDialog();
    // The window while it is shown, else none.
    QDialog* Window() const;
    // Screen position of the window's top-left corner.
    QPoint Position() const { return position_; }
    void SetPosition(QPoint position);
    int Left() const { return position_.x(); }
    int Top() const { return position_.y(); }

protected:
    virtual bool IsReplace() const { return false; }
    // Puts FindText and Options into the window's fields.
    virtual void Fill();
    // Reads the window's fields into FindText and Options.
    virtual void TakeFields();
    void Clicked(TFindOptions action);

    QPointer<QDialog> window_;
    QLineEdit* findEdit_ = nullptr;
    QCheckBox* wholeWord_ = nullptr;
    QCheckBox* matchCase_ = nullptr;
    QGroupBox* direction_ = nullptr;
    QRadioButton* up_ = nullptr;
    QRadioButton* down_ = nullptr;

    QLineEdit* replaceEdit_ = nullptr;

private:
    void Build();
    QPoint position_{-1, -1};
};

class TReplaceDialog : public TFindDialog {
    Q_OBJECT
public:
    explicit TReplaceDialog(QObject* owner = nullptr);

    QString ReplaceText;
    TNotifyEvent OnReplace;

protected:
    bool IsReplace() const override { return true; }
    void Fill() override;
    void TakeFields() override;
};
