#include "app/CodPromotion.h"

#include "app/RadioGroup.h"
#include "platform/Dialogs.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

TFormPromotion* FormPromotion = nullptr;

TFormPromotion::TFormPromotion(QWidget* parent)
    : QDialog(parent),
      RGPromotion(new TRadioGroup(QStringLiteral(" A che prezzo promuovere? "),
                                  {QStringLiteral("&Donna"), QStringLiteral("&Torre"),
                                   QStringLiteral("&Alfiere"), QStringLiteral("&Cavallo")},
                                  this)) {
    setObjectName(QStringLiteral("FormPromotion"));
    setWindowTitle(QStringLiteral("Promozione"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    RGPromotion->setObjectName(QStringLiteral("RGPromotion"));
    RGPromotion->SetItemIndex(0);
    auto* ok = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    ok->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("BitBtn1"));
    connect(ok, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(RGPromotion);
    layout->addWidget(ok);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

char TFormPromotion::Ask(bool white) {
    platform::ShowModal(*this);
    static constexpr char Letters[] = {'Q', 'R', 'B', 'N'};
    const int index = RGPromotion->ItemIndex();
    const char letter = index >= 0 && index < 4 ? Letters[index] : 'Q';
    return white ? letter : char(letter - 'A' + 'a');
}
