#pragma once
// Thin subclasses that give Qt's controls the property names the stored settings use
// ("cbSMTP.Items", "ColorDialogBordo.Color").

#include "platform/Colors.h"

#include <QColorDialog>
#include <QComboBox>

// A combo box with its item list, its text and its selected index.
class TComboBox : public QComboBox {
    Q_OBJECT
    Q_PROPERTY(QStringList Items READ Items WRITE SetItems)
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_PROPERTY(int ItemIndex READ ItemIndex WRITE SetItemIndex)
public:
    using QComboBox::QComboBox;

    QStringList Items() const;
    void SetItems(const QStringList& items);
    QString Text() const { return currentText(); }
    // An editable combo takes any text; a drop-down list selects the item of that text.
    void SetText(const QString& text);
    int ItemIndex() const { return currentIndex(); }
    void SetItemIndex(int index) { setCurrentIndex(index); }
};

// A colour dialog whose colour is the platform's 0x00BBGGRR integer.
class TColorDialog : public QColorDialog {
    Q_OBJECT
    Q_PROPERTY(int Color READ Color WRITE SetColor)
public:
    using QColorDialog::QColorDialog;

    TColor Color() const { return platform::FromQColor(currentColor()); }
    void SetColor(TColor color) { setCurrentColor(platform::ToQColor(color)); }
};
