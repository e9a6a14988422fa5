#include "platform/Dialogs.h"

#include <QHBoxLayout>
#include <QPushButton>

#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QStringList>
#include <QWidget>

namespace platform {

namespace {

FileDialogHook& fileHook() {
    static FileDialogHook hook;
    return hook;
}

DirectoryDialogHook& directoryHook() {
    static DirectoryDialogHook hook;
    return hook;
}

InputQueryHook& inputHook() {
    static InputQueryHook hook;
    return hook;
}

ColorDialogHook& colorHook() {
    static ColorDialogHook hook;
    return hook;
}

ShowModalHook& modalHook() {
    static ShowModalHook hook;
    return hook;
}

QWidget* parentWindow(const QObject* owner) {
    for (; owner; owner = owner->parent()) {
        if (owner->isWidgetType())
            return static_cast<const QWidget*>(owner)->window();
    }
    return nullptr;
}

QString runDialog(const TFileDialog& settings) {
    QFileDialog dialog(parentWindow(&settings), settings.Title, settings.InitialDir,
                       settings.QtFilter());
    const bool save = settings.DialogKind() == TFileDialog::Save;
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save || !settings.FileMustExist ? QFileDialog::AnyFile
                                                       : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !settings.OverwritePrompt);
    QString suffix = settings.DefaultExt;
    if (suffix.startsWith(QLatin1Char('.')))
        suffix.remove(0, 1);
    dialog.setDefaultSuffix(suffix);
    if (!settings.FileName.isEmpty())
        dialog.selectFile(settings.FileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

bool runColorDialog(QColorDialog& dialog, QColor& choice) {
    if (dialog.exec() != QDialog::Accepted)
        return false;
    choice = dialog.selectedColor();
    return true;
}

} // namespace

TFileDialog::TFileDialog(Kind kind, QObject* owner) : QObject(owner), kind_(kind) {}

bool TFileDialog::Execute() {
    const QString chosen = fileHook() ? fileHook()(*this) : runDialog(*this);
    if (chosen.isEmpty())
        return false;
    FileName = chosen;
    return true;
}

QString TFileDialog::QtFilter() const {
    const QStringList parts = Filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        filters.append(parts[i].contains(QLatin1Char('('))
                           ? parts[i]
                           : parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    return filters.join(QStringLiteral(";;"));
}

FileDialogHook SetFileDialogHook(FileDialogHook hook) {
    return std::exchange(fileHook(), std::move(hook));
}

bool SelectDirectory(QString& folder, const QString& title, QWidget* parent) {
    if (directoryHook())
        return directoryHook()(title, folder);
    const QString chosen = QFileDialog::getExistingDirectory(parent, title, folder);
    if (chosen.isEmpty())
        return false;
    folder = chosen;
    return true;
}

DirectoryDialogHook SetDirectoryDialogHook(DirectoryDialogHook hook) {
    return std::exchange(directoryHook(), std::move(hook));
}

bool InputQuery(const QString& caption, const QString& prompt, QString& value, QWidget* parent) {
    if (inputHook())
        return inputHook()(caption, prompt, value);
    bool ok = false;
    const QString answer =
        QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, value, &ok);
    if (ok)
        value = answer;
    return ok;
}

InputQueryHook SetInputQueryHook(InputQueryHook hook) {
    return std::exchange(inputHook(), std::move(hook));
}

bool ExecuteColorDialog(QColorDialog& dialog) {
    const QColor before = dialog.currentColor();
    QColor choice = before;
    const bool chosen = colorHook() ? colorHook()(dialog, choice) : runColorDialog(dialog, choice);
    dialog.setCurrentColor(chosen ? choice : before);
    return chosen;
}

ColorDialogHook SetColorDialogHook(ColorDialogHook hook) {
    return std::exchange(colorHook(), std::move(hook));
}

int ShowModal(QDialog& dialog) {
    return modalHook() ? modalHook()(dialog) : dialog.exec();
}

ShowModalHook SetShowModalHook(ShowModalHook hook) {
    return std::exchange(modalHook(), std::move(hook));
}

QHBoxLayout* OkCancelButtons(QDialog& dialog, QPushButton*& ok, QPushButton*& cancel,
                             const QString& okText) {
    ok = new QPushButton(okText, &dialog);
    ok->setObjectName(QStringLiteral("BitBtnOk"));
    ok->setDefault(true);
    cancel = new QPushButton(QStringLiteral("Annulla"), &dialog);
    cancel->setObjectName(QStringLiteral("BitBtnCancel"));
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

} // namespace platform
