#include "storage/Apputils.h"

#include "platform/Classes.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "platform/MessageBox.h"
#include "platform/Scaling.h"
#include "storage/KXProps.h"
#include "storage/Kxstrutils.h"
#include "storage/Placemnt.h"
#include "storage/kxVclutils.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScopeGuard>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>

std::function<QString()> OnGetDefaultIniName;
QString DefCompanyName;
bool RegUseAppTitle = false;

namespace {

// The show commands and placement flags of the placement record.
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int WPF_RESTORETOMAXIMIZED = 2;

// Beyond this a stored width or height is not a window's.
constexpr qint64 MaxWindowExtent = 32767;

const QString MinMaxPos = QStringLiteral("MinMaxPos");
const QString NormPos = QStringLiteral("NormPos");

QString positionText(int a, int b, int c, int d) {
    return QStringLiteral("%1,%2,%3,%4").arg(a).arg(b).arg(c).arg(d);
}

// The position key with the screen-size suffix, or the plain one when that is empty or missing.
QString readPosition(TIniObject ini, const QString& section, const QString& ident) {
    const QString sized = IniReadString(ini, section, ident + ScreenSizeSuffix(), QString());
    return sized.isEmpty() ? IniReadString(ini, section, ident, QString()) : sized;
}

int wordAsInt(const QString& text, int n, int fallback) {
    static const TCharSet delims(" ,");
    bool ok = false;
    const int value = ExtractWord(n, text, delims).toInt(&ok);
    return ok ? value : fallback;
}

QRect normalRect(const QWidget* form) {
    const QRect normal = form->normalGeometry();
    return form->windowState() == Qt::WindowNoState || !normal.isValid() ? form->geometry()
                                                                         : normal;
}

bool isSizeable(const QWidget* form) {
    return form->minimumSize() != form->maximumSize();
}

bool isModal(const QWidget* form) {
    return form->isModal() || form->windowModality() != Qt::NonModal;
}

// A rectangle that meets no screen moves to the primary screen's work area, keeping its size.
QRect onScreen(qint64 left, qint64 top, qint64 width, qint64 height) {
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect g = screen->geometry();
        if (left < qint64(g.x()) + g.width() && left + width > g.x() &&
            top < qint64(g.y()) + g.height() && top + height > g.y())
            return QRect(int(left), int(top), int(width), int(height));
    }
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QPoint origin = primary ? primary->availableGeometry().topLeft() : QPoint();
    return QRect(origin, QSize(int(width), int(height)));
}

// Qt places minimized and maximized windows itself, so of the stored positions only the normal
// rectangle is applied.
void readPosition(QWidget* form, TIniObject ini, const QString& section) {
    const QString norm = readPosition(ini, section, NormPos);
    if (norm.isEmpty() || IniReadInteger(ini, section, QStringLiteral("PixelsPerInch"),
                                         ScreenPixelsPerInch()) != ScreenPixelsPerInch())
        return;
    const QRect current = form->geometry();
    const qint64 left = wordAsInt(norm, 1, current.left());
    const qint64 top = wordAsInt(norm, 2, current.top());
    qint64 right = wordAsInt(norm, 3, current.left() + current.width());
    qint64 bottom = wordAsInt(norm, 4, current.top() + current.height());
    if (!isSizeable(form)) {
        right = left + current.width();
        bottom = top + current.height();
    }
    const qint64 width = right - left;
    const qint64 height = bottom - top;
    if (width <= 0 || height <= 0 || width > MaxWindowExtent || height > MaxWindowExtent)
        return;
    form->setGeometry(onScreen(left, top, width, height));
}

void readState(QWidget* form, TIniObject ini, const QString& section) {
    Qt::WindowState state = Qt::WindowNoState;
    switch (IniReadInteger(ini, section, QStringLiteral("ShowCmd"), 0)) {
    case 1:
    case 5:
    case 9:
        state = Qt::WindowNoState;
        break;
    case 2:
    case 6:
    case 7:
        // A modal dialog shown minimized could not be reached again.
        state = isModal(form) ? Qt::WindowNoState : Qt::WindowMinimized;
        break;
    case 3:
        state = Qt::WindowMaximized;
        break;
    default:
        return;
    }
    form->setWindowState(state);
}

// The registry file and the profile file answer the same calls: the operation goes to whichever
// the object holds, the registry file first.
template <class Result, class Operation>
Result readFrom(TIniObject ini, const Result& fallback, Operation operation) {
    if (const TRegIniFile* reg = ini.RegIniFile())
        return operation(reg);
    if (const TIniFile* file = ini.IniFile())
        return operation(file);
    return fallback;
}

template <class Operation> void writeTo(TIniObject ini, Operation operation) {
    if (TRegIniFile* reg = ini.RegIniFile())
        operation(reg);
    else if (TIniFile* file = ini.IniFile())
        operation(file);
}

constexpr qsizetype MaxIniLine = 4096;
// Wider fields than this make no file name.
constexpr int MaxFieldWidth = 255;

void checkIniLine(const QString& text) {
    if (text.size() > MaxIniLine)
        throw std::length_error("Line too long");
}

QList<QWidget*> applicationForms() {
    QList<QWidget*> forms;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (platform::IsForm(widget))
            forms.append(widget);
    }
    return forms;
}

// A file-name mask with its one integer field.
struct IntegerMask {
    QString before;
    QString after;
    bool leftJustified = false;
    int width = 0;
    int precision = 0;
    bool hexadecimal = false;

    QString name(qint64 n) const {
        QString digits = hexadecimal ? QString::number(n, 16).toUpper() : QString::number(n);
        digits = digits.rightJustified(precision, u'0');
        digits = leftJustified ? digits.leftJustified(width) : digits.rightJustified(width);
        return before + digits + after;
    }
};

// Reads the digits at i, moving i past them; false when there are too many.
bool fieldNumber(const QString& mask, qsizetype& i, int& value) {
    value = 0;
    while (i < mask.size() && mask.at(i).isDigit() && mask.at(i).unicode() < 0x80) {
        value = value * 10 + (mask.at(i).unicode() - '0');
        if (value > MaxFieldWidth)
            return false;
        ++i;
    }
    return true;
}

std::optional<IntegerMask> integerMask(const QString& mask) {
    IntegerMask result;
    bool found = false;
    QString* text = &result.before;
    for (qsizetype i = 0; i < mask.size(); ++i) {
        if (mask.at(i) != u'%') {
            *text += mask.at(i);
            continue;
        }
        if (i + 1 < mask.size() && mask.at(i + 1) == u'%') {
            *text += u'%';
            ++i;
            continue;
        }
        if (found)
            return std::nullopt;
        ++i;
        result.leftJustified = i < mask.size() && mask.at(i) == u'-';
        if (result.leftJustified)
            ++i;
        if (!fieldNumber(mask, i, result.width))
            return std::nullopt;
        if (i < mask.size() && mask.at(i) == u'.' && !fieldNumber(mask, ++i, result.precision))
            return std::nullopt;
        const QChar type = i < mask.size() ? mask.at(i).toLower() : QChar();
        if (type != u'd' && type != u'u' && type != u'x')
            return std::nullopt;
        result.hexadecimal = type == u'x';
        found = true;
        text = &result.after;
    }
    if (!found)
        return std::nullopt;
    return result;
}

QString executableBaseName() {
    return QFileInfo(QCoreApplication::applicationFilePath()).fileName();
}

} // namespace

QString IniReadString(TIniObject Ini, const QString& Section, const QString& Ident,
                      const QString& Default) {
    return readFrom(Ini, Default,
                    [&](auto* file) { return file->ReadString(Section, Ident, Default); });
}

int IniReadInteger(TIniObject Ini, const QString& Section, const QString& Ident, int Default) {
    return readFrom(Ini, Default,
                    [&](auto* file) { return file->ReadInteger(Section, Ident, Default); });
}

bool IniReadBool(TIniObject Ini, const QString& Section, const QString& Ident, bool Default) {
    return readFrom(Ini, Default,
                    [&](auto* file) { return file->ReadBool(Section, Ident, Default); });
}

void IniWriteString(TIniObject Ini, const QString& Section, const QString& Ident,
                    const QString& Value) {
    if (TRegIniFile* reg = Ini.RegIniFile()) {
        reg->WriteString(Section, Ident, Value);
    } else if (TIniFile* ini = Ini.IniFile()) {
        const bool quoted = !Value.isEmpty() && Value.front() == Value.back() &&
                            (Value.front() == u'"' || Value.front() == u'\'');
        ini->WriteString(Section, Ident, quoted ? u'"' + Value + u'"' : Value);
    }
}

void IniWriteInteger(TIniObject Ini, const QString& Section, const QString& Ident, int Value) {
    writeTo(Ini, [&](auto* file) { file->WriteInteger(Section, Ident, Value); });
}

void IniWriteBool(TIniObject Ini, const QString& Section, const QString& Ident, bool Value) {
    writeTo(Ini, [&](auto* file) { file->WriteBool(Section, Ident, Value); });
}

void IniEraseSection(TIniObject Ini, const QString& Section) {
    writeTo(Ini, [&](auto* file) { file->EraseSection(Section); });
}

void IniDeleteKey(TIniObject Ini, const QString& Section, const QString& Ident) {
    writeTo(Ini, [&](auto* file) { file->DeleteKey(Section, Ident); });
}

QStringList IniReadSections(TIniObject Ini) {
    return readFrom(Ini, QStringList(), [](auto* file) { return file->ReadSections(); });
}

QString ScreenSizeSuffix() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize size = screen ? screen->size() : QSize();
    return QStringLiteral("(%1x%2)").arg(size.width()).arg(size.height());
}

int ScreenPixelsPerInch() {
    return platform::PixelsPerInch();
}

void WriteFormPlacement(QWidget* Form, TIniObject Ini, const QString& Section) {
    const Qt::WindowStates state = Form->windowState();
    const bool minimized = state & Qt::WindowMinimized;
    const bool maximized = state & Qt::WindowMaximized;
    const int flags = minimized && maximized ? WPF_RESTORETOMAXIMIZED : 0;
    const int showCmd =
        minimized ? SW_SHOWMINIMIZED : (maximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
    // Qt places minimized and maximized windows itself: those positions are "not set".
    const QString minMax = positionText(-1, -1, -1, -1);
    const QRect normal = normalRect(Form);
    const QString norm = positionText(normal.left(), normal.top(), normal.left() + normal.width(),
                                      normal.top() + normal.height());
    platform::InOneRewrite(Ini, [&] {
        IniWriteInteger(Ini, Section, QStringLiteral("Flags"), flags);
        IniWriteInteger(Ini, Section, QStringLiteral("ShowCmd"), showCmd);
        IniWriteInteger(Ini, Section, QStringLiteral("PixelsPerInch"), ScreenPixelsPerInch());
        IniWriteString(Ini, Section, MinMaxPos + ScreenSizeSuffix(), minMax);
        IniWriteString(Ini, Section, MinMaxPos, minMax);
        IniWriteString(Ini, Section, NormPos + ScreenSizeSuffix(), norm);
        IniWriteString(Ini, Section, NormPos, norm);
    });
}

void WriteFormPlacementReg(QWidget* Form, TRegIniFile* IniFile, const QString& Section) {
    WriteFormPlacement(Form, IniFile, Section);
}

void ReadFormPlacement(QWidget* Form, TIniObject Ini, const QString& Section, bool LoadState,
                       bool LoadPosition) {
    if (!LoadState && !LoadPosition)
        return;
    if (LoadPosition)
        readPosition(Form, Ini, Section);
    if (LoadState)
        readState(Form, Ini, Section);
    Form->update();
}

void ReadFormPlacementReg(QWidget* Form, TRegIniFile* IniFile, const QString& Section,
                          bool LoadState, bool LoadPosition) {
    ReadFormPlacement(Form, IniFile, Section, LoadState, LoadPosition);
}

void SaveFormPlacement(QWidget* Form, const QString& IniFileName, bool UseRegistry) {
    if (UseRegistry) {
        TRegIniFile reg(IniFileName);
        WriteFormPlacementReg(Form, &reg, platform::ClassName(Form));
    } else {
        TIniFile ini(IniFileName);
        WriteFormPlacement(Form, &ini, platform::ClassName(Form));
    }
}

void RestoreFormPlacement(QWidget* Form, const QString& IniFileName, bool UseRegistry) {
    if (UseRegistry) {
        TRegIniFile reg(IniFileName, true);
        ReadFormPlacementReg(Form, &reg, platform::ClassName(Form), true, true);
    } else {
        TIniFile ini(IniFileName);
        ReadFormPlacement(Form, &ini, platform::ClassName(Form), true, true);
    }
}

QString GetDefaultSection(const QObject* Component) {
    if (!Component)
        return QString();
    if (platform::IsForm(Component))
        return platform::ClassName(Component);
    const QObject* owner = platform::OwnerOf(Component);
    if (Component->isWidgetType() && owner)
        return platform::ClassName(owner) + Component->objectName();
    if (platform::IsForm(owner))
        return platform::ClassName(owner) + u'.' + Component->objectName();
    return Component->objectName();
}

QString GetDefaultIniName() {
    if (OnGetDefaultIniName)
        return OnGetDefaultIniName();
    const QString name = executableBaseName();
    const qsizetype dot = name.lastIndexOf(u'.');
    return (dot > 0 ? name.left(dot) : name) + QStringLiteral(".INI");
}

QString GetDefaultIniRegKey() {
    QString key = QStringLiteral("Software\\");
    if (!DefCompanyName.isEmpty())
        key += DefCompanyName + u'\\';
    const QString title = QGuiApplication::applicationDisplayName();
    if (RegUseAppTitle && !title.isEmpty())
        return key + title;
    const QString name = executableBaseName();
    const qsizetype dot = name.lastIndexOf(u'.');
    return key + (dot > 0 ? name.left(dot) : name);
}

void GetDefaultIniData(const QObject* Control, QString& IniFileName, QString& Section,
                       bool UseRegistry) {
    IniFileName.clear();
    if (const QWidget* form = platform::ParentForm(Control)) {
        if (const auto* placement = form->findChild<TFormPlacement*>())
            IniFileName = placement->IniFileName();
    }
    if (IniFileName.isEmpty())
        IniFileName = UseRegistry ? GetDefaultIniRegKey() : GetDefaultIniName();
    Section = GetDefaultSection(Control);
}

void InternalSaveGridLayout(const IGridColumns* Grid, TIniObject Ini, const QString& Section) {
    platform::InOneRewrite(Ini, [&] {
        for (int i = 0; i < Grid->GridColCount(); ++i)
            IniWriteInteger(Ini, Section, QStringLiteral("Item%1").arg(i), Grid->GridColWidth(i));
    });
}

void InternalRestoreGridLayout(IGridColumns* Grid, TIniObject Ini, const QString& Section) {
    for (int i = 0; i < Grid->GridColCount(); ++i) {
        const int width =
            IniReadInteger(Ini, Section, QStringLiteral("Item%1").arg(i), Grid->GridColWidth(i));
        if (width >= 0 && width <= 32767)
            Grid->SetGridColWidth(i, width);
    }
}

void SaveGridLayout(const IGridColumns* Grid, const QString& IniFileName) {
    TIniFile ini(IniFileName);
    InternalSaveGridLayout(Grid, &ini, GetDefaultSection(Grid->GridComponent()));
}

void RestoreGridLayout(IGridColumns* Grid, const QString& IniFileName) {
    TIniFile ini(IniFileName);
    InternalRestoreGridLayout(Grid, &ini, GetDefaultSection(Grid->GridComponent()));
}

void SaveGridLayoutReg(const IGridColumns* Grid, TRegIniFile* IniFile) {
    InternalSaveGridLayout(Grid, IniFile, GetDefaultSection(Grid->GridComponent()));
}

void RestoreGridLayoutReg(IGridColumns* Grid, TRegIniFile* IniFile) {
    InternalRestoreGridLayout(Grid, IniFile, GetDefaultSection(Grid->GridComponent()));
}

namespace {

const QString MDIChildrenSection = QStringLiteral("MDI Children");

QMdiArea* mdiClient(QWidget* form) {
    QMdiArea* area = form ? form->findChild<QMdiArea*>() : nullptr;
    if (!area)
        throw EInvalidOperation("Cannot create form. No MDI forms are currently active");
    return area;
}

// The area's first child of the class (or derived from it), or a new one; shown on top,
// minimised or not.
void showMDIChild(QMdiArea* area, const platform::TRegisteredClass& childClass) {
    for (QMdiSubWindow* child : area->subWindowList()) {
        if (child->widget() && child->widget()->metaObject()->inherits(childClass.metaObject)) {
            child->show();
            child->raise();
            return;
        }
    }
    std::unique_ptr<QObject> created(childClass.create());
    if (!created || !created->isWidgetType())
        return;
    area->addSubWindow(static_cast<QWidget*>(created.release()))->show();
}

} // namespace

void InternalSaveMDIChildren(QWidget* MainForm, TIniObject IniFile) {
    QList<QMdiSubWindow*> children = mdiClient(MainForm)->subWindowList(QMdiArea::StackingOrder);
    std::reverse(children.begin(), children.end());
    platform::InOneRewrite(IniFile, [&] {
        IniEraseSection(IniFile, MDIChildrenSection);
        if (children.isEmpty())
            return;
        IniWriteInteger(IniFile, MDIChildrenSection, QStringLiteral("Count"), int(children.size()));
        for (qsizetype i = 0; i < children.size(); ++i)
            IniWriteString(IniFile, MDIChildrenSection, QStringLiteral("Item%1").arg(i),
                           platform::ClassName(children.at(i)->widget()));
    });
}

void InternalRestoreMDIChildren(QWidget* MainForm, TIniObject IniFile) {
    QMdiArea* area = mdiClient(MainForm);
    StartWait();
    const auto stopWait = qScopeGuard([] { StopWait(); });
    const int count = std::min(
        IniReadInteger(IniFile, MDIChildrenSection, QStringLiteral("Count"), 0), MaxStoredCount);
    for (int i = count - 1; i >= 0; --i) {
        const QString name =
            IniReadString(IniFile, MDIChildrenSection, QStringLiteral("Item%1").arg(i), QString());
        if (const platform::TRegisteredClass* childClass = platform::GetClass(name))
            showMDIChild(area, *childClass);
    }
}

void SaveMDIChildren(QWidget* MainForm, TIniFile* IniFile) {
    InternalSaveMDIChildren(MainForm, IniFile);
}

void RestoreMDIChildren(QWidget* MainForm, TIniFile* IniFile) {
    InternalRestoreMDIChildren(MainForm, IniFile);
}

void SaveMDIChildrenReg(QWidget* MainForm, TRegIniFile* IniFile) {
    InternalSaveMDIChildren(MainForm, IniFile);
}

void RestoreMDIChildrenReg(QWidget* MainForm, TRegIniFile* IniFile) {
    InternalRestoreMDIChildren(MainForm, IniFile);
}

QWidget* FindForm(const QMetaObject& FormClass) {
    return apputils_detail::FindFormWithCaption(FormClass, QString());
}

namespace apputils_detail {

QWidget* FindFormWithCaption(const QMetaObject& FormClass, const QString& Caption) {
    for (QWidget* form : applicationForms()) {
        if (form->metaObject()->inherits(&FormClass) &&
            (Caption.isEmpty() || form->windowTitle() == Caption))
            return form;
    }
    return nullptr;
}

// The application owns the form: it is freed when the application quits, unless freed before.
QWidget* AdoptByApplication(QWidget* Form) {
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, Form, [Form] { delete Form; });
    return Form;
}

void ShowFound(QWidget* Form) {
    if (Form->isMinimized())
        Form->setWindowState(Form->windowState() & ~Qt::WindowMinimized);
    Form->show();
}

bool ShowModalResult(QDialog& Dialog) {
    const int result = platform::ShowModal(Dialog);
    return result == platform::IDOK || result == platform::IDYES;
}

} // namespace apputils_detail

QString StrToIniStr(const QString& Str) {
    checkIniLine(Str);
    QString result;
    result.reserve(Str.size());
    for (qsizetype i = 0; i < Str.size(); ++i) {
        const QChar c = Str.at(i);
        if (c != u'\r' && c != u'\n') {
            result += c;
            continue;
        }
        result += QStringLiteral("\\n");
        const QChar other = c == u'\r' ? u'\n' : u'\r';
        if (i + 1 < Str.size() && Str.at(i + 1) == other)
            ++i;
    }
    return result;
}

QString IniStrToStr(const QString& Str) {
    checkIniLine(Str);
    QString result = Str;
    result.replace(QStringLiteral("\\n"), QStringLiteral("\r\n"));
    return result;
}

QString GetUniqueFileNameInDir(const QString& Path, const QString& FileNameMask) {
    const std::optional<IntegerMask> mask = integerMask(FileNameMask);
    if (!mask)
        return QString();
    const QDir folder(Path);
    for (qint64 n = 0; n <= std::numeric_limits<int>::max(); ++n) {
        const QString name = mask->name(n);
        if (!QFileInfo::exists(folder.filePath(name)))
            return name;
    }
    return QString();
}

bool AppBroadcast(QEvent& Event) {
    bool result = false;
    for (QWidget* form : applicationForms())
        result = QCoreApplication::sendEvent(form, &Event);
    return result;
}
