// Loading, saving and the clipboard's rich text.

#include "KxRichEdit.h"

#include <QMimeData>

void TKxCustomRichEdit::AddRichText(QMimeData&) const {}

bool TKxCustomRichEdit::PasteRichText(const QMimeData&, QTextCursor&) {
    return false;
}

void TKxCustomRichEdit::SetPlainText(bool value) {
    plainText_ = value;
}
