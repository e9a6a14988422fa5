// The paste-special dialog over the clipboard's formats that need no embedded object.

#include "KxRichEdit.h"

#include "platform/Dialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <vector>

bool TKxCustomRichEdit::PasteSpecialDialog() {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data || isReadOnly())
        return false;
    const bool richText = !plainText_ && (data->hasFormat(RichTextMime) ||
                                          data->hasFormat(QStringLiteral("application/rtf")));
    struct Entry {
        QString name;
        QString result;
        PasteKind kind;
    };
    std::vector<Entry> entries;
    if (richText) {
        entries.push_back({"Rich Text Format", "Rich Text Format", PasteKind::RichText});
        entries.push_back({"Rich Text Format Without Objects", "Rich Text Format Without Objects",
                           PasteKind::RichTextWithoutObjects});
    }
    if (data->hasText())
        entries.push_back({"Unformatted text", "text without any formatting", PasteKind::Text});
    if (TakesPictures() && data->hasImage())
        entries.push_back({"Windows Bitmap", "bitmap image", PasteKind::Bitmap});
    if (entries.empty())
        return false;

    // The dialog dies with the control, should the control go while it is open.
    const QPointer<TKxCustomRichEdit> self(this);
    const QPointer<QDialog> dialog = new QDialog(this);
    dialog->setObjectName(QStringLiteral("PasteSpecialDialog"));
    dialog->setWindowTitle(QStringLiteral("Incolla speciale"));
    auto* list = new QListWidget(dialog);
    list->setObjectName(QStringLiteral("ListFormats"));
    for (const Entry& entry : entries)
        list->addItem(entry.name);
    auto* resultBox = new QGroupBox(QStringLiteral("Risultato"), dialog);
    auto* result = new QLabel(resultBox);
    result->setObjectName(QStringLiteral("LabelResult"));
    (new QVBoxLayout(resultBox))->addWidget(result);
    connect(list, &QListWidget::currentRowChanged, result, [&entries, result](int row) {
        result->setText(row >= 0 ? entries[size_t(row)].result : QString());
    });
    list->setCurrentRow(0);
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(new QLabel(QStringLiteral("Incolla come:"), dialog));
    layout->addWidget(list);
    layout->addWidget(resultBox);
    layout->addLayout(platform::OkCancelButtons(*dialog, ok, cancel));
    connect(list, &QListWidget::itemDoubleClicked, dialog, &QDialog::accept);

    const int answer = platform::ShowModal(*dialog);
    const int row = dialog ? list->currentRow() : -1;
    delete dialog.data();
    if (!self || answer != QDialog::Accepted || row < 0)
        return false;
    // The clipboard may have changed while the dialog was open.
    const QMimeData* now = QApplication::clipboard()->mimeData();
    return now && Paste(*now, entries[size_t(row)].kind);
}
