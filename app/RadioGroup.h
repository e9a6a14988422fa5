#pragma once
// A framed group of radio buttons with an item list and the selected index (-1 for none).

#include <QGroupBox>
#include <QList>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

class TRadioGroup : public QGroupBox {
    Q_OBJECT
    Q_PROPERTY(int ItemIndex READ ItemIndex WRITE SetItemIndex)
public:
    TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent = nullptr);

    int ItemIndex() const;
    void SetItemIndex(int index);
    int Count() const { return int(buttons_.size()); }
    QRadioButton* Button(int index) const { return buttons_.at(index); }

private:
    QButtonGroup* group_;
    QList<QRadioButton*> buttons_;
};
