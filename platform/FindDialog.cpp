#include "FindDialog.h"

#include <QCheckBox>
#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QWidget>

namespace {

// Closing the window by its frame counts as closing the dialog.
class FindWindow : public QDialog {
public:
    FindWindow(QWidget* parent, std::function<void()> closed)
        : QDialog(parent), closed_(std::move(closed)) {}

protected:
    void done(int result) override {
        QDialog::done(result);
        closed_();
    }

private:
    std::function<void()> closed_;
};

QPushButton* Button(const QString& caption, const char* name, QVBoxLayout* column) {
    auto* button = new QPushButton(caption);
    button->setObjectName(name);
    column->addWidget(button);
    return button;
}

} // namespace

TFindDialog::TFindDialog(QObject* owner) : QObject(owner) {}

TFindDialog::~TFindDialog() {
    delete window_;
}

QDialog* TFindDialog::Window() const {
    return window_ && window_->isVisible() ? window_.data() : nullptr;
}

void TFindDialog::SetPosition(QPoint position) {
    position_ = position;
    if (window_)
        window_->move(position);
}

bool TFindDialog::Execute() {
    if (!window_)
        Build();
    Fill();
    if (position_.x() >= 0)
        window_->move(position_);
    window_->show();
    window_->raise();
    window_->activateWindow();
    position_ = window_->pos();
    if (OnShow)
        OnShow(this);
    return true;
}

void TFindDialog::CloseDialog() {
    if (Window())
        window_->reject();
}

void TFindDialog::Build() {
    auto* ownerWidget = qobject_cast<QWidget*>(parent());
    window_ = new FindWindow(ownerWidget ? ownerWidget->window() : nullptr, [this] {
        position_ = window_->pos();
        if (OnClose)
            OnClose(this);
    });
    window_->setObjectName(IsReplace() ? "ReplaceDialog" : "FindDialog");
    window_->setWindowTitle(IsReplace() ? "Sostituisci" : "Trova");
    window_->setModal(false);

    auto* fields = new QGridLayout;
    findEdit_ = new QLineEdit;
    findEdit_->setObjectName("FindEdit");
    auto* findLabel = new QLabel("Tro&va:");
    findLabel->setBuddy(findEdit_);
    fields->addWidget(findLabel, 0, 0);
    fields->addWidget(findEdit_, 0, 1);
    if (IsReplace()) {
        replaceEdit_ = new QLineEdit;
        replaceEdit_->setObjectName("ReplaceEdit");
        auto* replaceLabel = new QLabel("Sostituisci c&on:");
        replaceLabel->setBuddy(replaceEdit_);
        fields->addWidget(replaceLabel, 1, 0);
        fields->addWidget(replaceEdit_, 1, 1);
    }
    wholeWord_ = new QCheckBox("Solo parole &intere");
    wholeWord_->setObjectName("WholeWord");
    matchCase_ = new QCheckBox("&Maiuscole/minuscole");
    matchCase_->setObjectName("MatchCase");
    direction_ = new QGroupBox("Direzione");
    up_ = new QRadioButton("&Su");
    down_ = new QRadioButton("&Giù");
    auto* directions = new QHBoxLayout(direction_);
    directions->addWidget(up_);
    directions->addWidget(down_);
    auto* options = new QGridLayout;
    options->addWidget(wholeWord_, 0, 0);
    options->addWidget(matchCase_, 1, 0);
    options->addWidget(direction_, 0, 1, 2, 1);

    auto* left = new QVBoxLayout;
    left->addLayout(fields);
    left->addLayout(options);
    left->addStretch();
    auto* buttons = new QVBoxLayout;
    QPushButton* findNext = Button("&Trova successivo", "FindNextButton", buttons);
    findNext->setDefault(true);
    connect(findNext, &QPushButton::clicked, this, [this] { Clicked(frFindNext); });
    if (IsReplace()) {
        connect(Button("&Sostituisci", "ReplaceButton", buttons), &QPushButton::clicked, this,
                [this] { Clicked(frReplace); });
        connect(Button("Sostituisci &tutto", "ReplaceAllButton", buttons), &QPushButton::clicked,
                this, [this] { Clicked(frReplaceAll); });
    }
    connect(Button("Annulla", "CancelButton", buttons), &QPushButton::clicked, window_.data(),
            &QDialog::reject);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(window_);
    layout->addLayout(left);
    layout->addLayout(buttons);
    // Nothing to search for: only Annulla answers.
    connect(findEdit_, &QLineEdit::textChanged, this, [this] {
        for (QPushButton* b : window_->findChildren<QPushButton*>())
            b->setEnabled(b->objectName() == "CancelButton" || !findEdit_->text().isEmpty());
    });
}

void TFindDialog::Fill() {
    findEdit_->setText(FindText);
    findEdit_->selectAll();
    wholeWord_->setChecked(Options & frWholeWord);
    matchCase_->setChecked(Options & frMatchCase);
    down_->setChecked(Options & frDown);
    up_->setChecked(!(Options & frDown));
    wholeWord_->setVisible(!(Options & frHideWholeWord));
    matchCase_->setVisible(!(Options & frHideMatchCase));
    direction_->setVisible(!(Options & frHideUpDown));
    wholeWord_->setEnabled(!(Options & frDisableWholeWord));
    matchCase_->setEnabled(!(Options & frDisableMatchCase));
    direction_->setEnabled(!(Options & frDisableUpDown));
}

void TFindDialog::TakeFields() {
    FindText = findEdit_->text();
    Options.setFlag(frWholeWord, wholeWord_->isChecked());
    Options.setFlag(frMatchCase, matchCase_->isChecked());
    Options.setFlag(frDown, down_->isChecked());
}

void TFindDialog::Clicked(TFindOptions action) {
    TakeFields();
    Options &= ~TFindOptions(frFindNext | frReplace | frReplaceAll);
    Options |= action;
    auto* replace = qobject_cast<TReplaceDialog*>(this);
    if (action == frFindNext) {
        if (OnFind)
            OnFind(this);
    } else if (replace && replace->OnReplace) {
        replace->OnReplace(this);
    }
}

TReplaceDialog::TReplaceDialog(QObject* owner) : TFindDialog(owner) {}

void TReplaceDialog::Fill() {
    TFindDialog::Fill();
    replaceEdit_->setText(ReplaceText);
}

void TReplaceDialog::TakeFields() {
    TFindDialog::TakeFields();
    ReplaceText = replaceEdit_->text();
}
