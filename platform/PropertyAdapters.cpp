#include "platform/PropertyAdapters.h"

QStringList TComboBox::Items() const {
    QStringList items;
    for (int i = 0; i < count(); ++i)
        items.append(itemText(i));
    return items;
}

void TComboBox::SetItems(const QStringList& items) {
    const QString text = currentText();
    clear();
    addItems(items);
    if (isEditable())
        setEditText(text);
}

void TComboBox::SetText(const QString& text) {
    if (isEditable())
        setEditText(text);
    else
        setCurrentIndex(findText(text));
}
