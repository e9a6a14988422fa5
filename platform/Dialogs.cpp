#include "platform/Dialogs.h"

#include "platform/Help.h"
#include "platform/MessageBox.h"

#include <QHBoxLayout>
#include <QPushButton>

#include <QCheckBox>
#include <QColorDialog>
#include <QCompleter>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QImageReader>
#include <QImageWriter>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QStringList>
#include <QVBoxLayout>
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

constexpr int PreviewSide = 160;
// A picture larger than this is not decoded for its preview.
constexpr qint64 MaxPreviewPixels = 64LL * 1024 * 1024;

// The picture scaled into the preview, with its size above it; nothing for what is no picture.
void showPreview(QLabel& picture, QLabel& size, const QString& path) {
    picture.clear();
    size.clear();
    QImageReader reader(path);
    const QSize full = reader.size();
    if (!full.isValid() || qint64(full.width()) * full.height() > MaxPreviewPixels)
        return;
    if (full.width() > PreviewSide || full.height() > PreviewSide)
        reader.setScaledSize(full.scaled(PreviewSide, PreviewSide, Qt::KeepAspectRatio));
    const QImage image = reader.read();
    if (image.isNull())
        return;
    picture.setPixmap(QPixmap::fromImage(image));
    size.setText(QStringLiteral("(%1 x %2)").arg(full.width()).arg(full.height()));
}

void addPreview(QFileDialog& dialog) {
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    if (!grid)
        return;
    auto* panel = new QWidget(&dialog);
    panel->setObjectName(QStringLiteral("PicturePanel"));
    auto* column = new QVBoxLayout(panel);
    auto* size = new QLabel(panel);
    size->setObjectName(QStringLiteral("PictureSize"));
    size->setAlignment(Qt::AlignCenter);
    auto* picture = new QLabel(panel);
    picture->setObjectName(QStringLiteral("PicturePreview"));
    picture->setFixedSize(PreviewSide, PreviewSide);
    picture->setAlignment(Qt::AlignCenter);
    picture->setFrameShape(QFrame::StyledPanel);
    column->addWidget(size);
    column->addWidget(picture);
    column->addStretch();
    grid->addWidget(panel, 0, grid->columnCount(), grid->rowCount(), 1);
    QObject::connect(&dialog, &QFileDialog::currentChanged, panel,
                     [picture, size](const QString& path) { showPreview(*picture, *size, path); });
}

// "pgn" for ".pgn" or "pgn".
QString bareExtension(const QString& extension) {
    return extension.startsWith(QLatin1Char('.')) ? extension.mid(1) : extension;
}

bool showsReadOnlyBox(const TFileDialog& settings) {
    return !(settings.Options & ofHideReadOnly);
}

// What Qt's native dialog cannot have: a preview, a help button or key, a history of names, a
// read-only check box, and checks of the choice that keep the dialog open when they refuse it.
bool needsOwnDialog(const TFileDialog& settings) {
    return settings.Picture() || settings.HelpContext != 0 || (settings.Options & ofShowHelp) ||
           settings.FileEditStyle == fsComboBox || showsReadOnlyBox(settings) ||
           (settings.Options & (ofPathMustExist | ofCreatePrompt | ofNoReadOnlyReturn));
}

// Write permission for nobody marks a file read-only even for the superuser, who may write
// anything.
bool isReadOnly(const QFileInfo& file) {
    return !file.isWritable() ||
           !(file.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther));
}

// Qt's dialog with the checks the options ask for before a choice is taken: a refused choice
// leaves the dialog open.
class CheckedFileDialog : public QFileDialog {
public:
    explicit CheckedFileDialog(const TFileDialog& settings)
        : QFileDialog(parentWindow(&settings), settings.Title, settings.InitialDir,
                      settings.QtFilter()),
          options_(settings.Options) {}

    void accept() override {
        const QStringList chosen = selectedFiles();
        for (const QString& path : chosen) {
            if (!acceptable(QFileInfo(path)))
                return;
        }
        QFileDialog::accept();
    }

private:
    bool acceptable(const QFileInfo& file) {
        // A folder is opened by Qt's own accept.
        if (file.isDir())
            return true;
        if (!file.exists()) {
            if ((options_ & ofPathMustExist) && !file.absoluteDir().exists())
                return refuse(
                    QStringLiteral("La cartella \"%1\" non esiste.").arg(file.absolutePath()));
            return !(options_ & ofCreatePrompt) || fileMode() != AnyFile ||
                   MessageBox(QStringLiteral("Il file \"%1\" non esiste. Crearlo?")
                                  .arg(file.absoluteFilePath()),
                              windowTitle(), MB_YESNO | MB_ICONQUESTION, this) == IDYES;
        }
        if ((options_ & ofNoReadOnlyReturn) && isReadOnly(file))
            return refuse(QStringLiteral("Il file \"%1\" e' di sola lettura: sceglierne un altro.")
                              .arg(file.absoluteFilePath()));
        return true;
    }

    bool refuse(const QString& text) {
        MessageBox(text, windowTitle(), MB_OK | MB_ICONWARNING, this);
        return false;
    }

    TOpenOptions options_;
};

// Below the file type, as the dialog's last row of choices.
QCheckBox* addReadOnlyBox(QFileDialog& dialog, bool checked) {
    auto* box = new QCheckBox(QStringLiteral("&Sola lettura"), &dialog);
    box->setObjectName(QStringLiteral("ReadOnlyCheck"));
    box->setChecked(checked);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(box, grid->rowCount(), 1);
    return box;
}

void addHistory(QFileDialog& dialog, const QStringList& history) {
    dialog.setHistory(history);
    if (auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        auto* completer = new QCompleter(history, name);
        completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
        name->setCompleter(completer);
    }
}

QString runDialog(TFileDialog& settings) {
    CheckedFileDialog dialog(settings);
    const bool save = settings.DialogKind() == TFileDialog::Save;
    const bool many = !save && (settings.Options & ofAllowMultiSelect);
    dialog.setOption(QFileDialog::DontUseNativeDialog, needsOwnDialog(settings));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(many                                            ? QFileDialog::ExistingFiles
                       : save || !(settings.Options & ofFileMustExist) ? QFileDialog::AnyFile
                                                                       : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !(settings.Options & ofOverwritePrompt));
    dialog.setOption(QFileDialog::DontResolveSymlinks, settings.Options & ofNoDereferenceLinks);
    dialog.setDefaultSuffix(bareExtension(settings.DefaultExt));
    const QStringList filters = dialog.nameFilters();
    if (settings.FilterIndex >= 1 && settings.FilterIndex <= filters.size())
        dialog.selectNameFilter(filters.at(settings.FilterIndex - 1));
    if (settings.FileEditStyle == fsComboBox)
        addHistory(dialog, settings.HistoryList);
    QCheckBox* readOnly = showsReadOnlyBox(settings)
                              ? addReadOnlyBox(dialog, settings.Options & ofReadOnly)
                              : nullptr;
    if (settings.Options & ofShowHelp)
        AddHelpButton(dialog, settings.HelpContext);
    if (settings.HelpContext != 0)
        AddHelpKey(dialog, settings.HelpContext);
    if (settings.Picture())
        addPreview(dialog);
    if (!settings.FileName.isEmpty())
        dialog.selectFile(settings.FileName);
    if (ShowModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    const qsizetype chosenFilter = filters.indexOf(dialog.selectedNameFilter());
    if (chosenFilter >= 0)
        settings.FilterIndex = int(chosenFilter) + 1;
    settings.Files = dialog.selectedFiles();
    if (readOnly)
        settings.Options =
            readOnly->isChecked() ? settings.Options | ofReadOnly : settings.Options & ~ofReadOnly;
    return settings.Files.constFirst();
}

bool extensionDiffers(const QString& file, const QString& defaultExt) {
    const QString extension = bareExtension(defaultExt);
    return !extension.isEmpty() &&
           QFileInfo(file).suffix().compare(extension, Qt::CaseInsensitive) != 0;
}

bool runColorDialog(QColorDialog& dialog, QColor& choice) {
    if (dialog.exec() != QDialog::Accepted)
        return false;
    choice = dialog.selectedColor();
    return true;
}

} // namespace

TFileDialog::TFileDialog(Kind kind, QObject* owner, bool picture)
    : QObject(owner), kind_(kind), picture_(picture) {}

bool TFileDialog::Execute() {
    const bool hooked = bool(fileHook());
    const QString chosen = hooked ? fileHook()(*this) : runDialog(*this);
    if (chosen.isEmpty())
        return false;
    if (hooked)
        Files = QStringList{chosen};
    FileName = chosen;
    Options = extensionDiffers(chosen, DefaultExt) ? Options | ofExtensionDifferent
                                                   : Options & ~ofExtensionDifferent;
    return true;
}

TOpenPictureDialog::TOpenPictureDialog(QObject* owner) : TFileDialog(Open, owner, true) {
    Filter = GraphicFilter(false);
}

TSavePictureDialog::TSavePictureDialog(QObject* owner) : TFileDialog(Save, owner, true) {
    Filter = GraphicFilter(true);
}

QString GraphicFilter(bool forWriting) {
    const QList<QByteArray> formats =
        forWriting ? QImageWriter::supportedImageFormats() : QImageReader::supportedImageFormats();
    QStringList all, each;
    for (const QByteArray& format : formats) {
        const QString pattern = QStringLiteral("*.") + QString::fromLatin1(format).toLower();
        all.append(pattern);
        each.append(QString::fromLatin1(format).toUpper() + QStringLiteral(" (") + pattern +
                    QStringLiteral(")|") + pattern);
    }
    const QString patterns = all.join(QLatin1Char(';'));
    return (QStringList{QStringLiteral("Tutte le immagini (%1)|%1").arg(patterns)} + each)
        .join(QLatin1Char('|'));
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

bool ExecuteDirectoryDialog(QFileDialog& dialog, QString& folder,
                            const std::function<void()>& initialized) {
    if (directoryHook())
        return directoryHook()(dialog.windowTitle(), folder);
    if (initialized)
        initialized();
    if (ShowModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    folder = dialog.selectedFiles().constFirst();
    return true;
}

QPushButton* AddHelpButton(QDialog& dialog, int helpContext) {
    auto* help = new QPushButton(QStringLiteral("&Help"), &dialog);
    help->setObjectName(QStringLiteral("HelpButton"));
    help->setAutoDefault(false);
    // At the left margin below the rows of the other buttons, with their size: a file dialog
    // stacks its buttons, and its labels hold the left of their rows.
    const auto* buttons = dialog.findChild<QDialogButtonBox*>();
    if (buttons && !buttons->buttons().isEmpty())
        help->setMinimumSize(buttons->buttons().constFirst()->sizeHint());
    // Across the row, so it does not widen the first column (a message box's icon).
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(help, grid->rowCount(), 0, 1, grid->columnCount(), Qt::AlignLeft);
    QObject::connect(help, &QPushButton::clicked, &dialog,
                     [&dialog, helpContext] { ShowHelp(&dialog, helpContext); });
    return help;
}

void AddHelpKey(QDialog& dialog, int helpContext) {
    QObject::connect(new QShortcut(QKeySequence::HelpContents, &dialog), &QShortcut::activated,
                     &dialog, [&dialog, helpContext] { ShowHelp(&dialog, helpContext); });
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
