// The toolbox's resources, cursors, windows, process, strings and memory.
#include "storage/Kxconst.h"
#include "storage/kxVclutils.h"

#include "platform/ExceptionDisplay.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QFontMetrics>
#include <QIcon>
#include <QLibrary>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMdiArea>
#include <QPainter>
#include <QPointer>
#include <QRegularExpression>
#include <QStyle>
#include <QTimer>
#include <QWidget>
#include <QtCore/private/qobject_p.h>
#include <QtCore/private/qthread_p.h>
#include <QtEndian>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <unistd.h>

using platform::TBitmap;

EOSError::EOSError(int code, const QString& message)
    : std::runtime_error(message.toStdString()), ErrorCode(code) {}

// ---- resources ----

void ResourceNotFound(const QString& ResID) {
    throw EResNotFound(QStringLiteral("Resource %1 not found").arg(ResID).toStdString());
}

namespace {

QString resourcePath(const QString& Module, const QString& ResID) {
    return QStringLiteral(":/") + (Module.isEmpty() ? QString() : Module + '/') + ResID;
}

QImage systemPicture(const QString& ResID) {
    bool numeric = false;
    const int id = ResID.toInt(&numeric);
    if (!numeric || id < 0 || id > int(QStyle::SP_LineEditClearButton))
        return {};
    return QApplication::style()->standardPixmap(QStyle::StandardPixmap(id)).toImage();
}

} // namespace

TBitmap MakeModuleBitmap(const QString& Module, const QString& ResID) {
    const QImage image =
        Module.isEmpty() ? systemPicture(ResID) : QImage(resourcePath(Module, ResID));
    if (image.isNull())
        ResourceNotFound(ResID);
    return TBitmap(image);
}

TBitmap MakeBitmap(const QString& ResID) {
    return MakeModuleBitmap(QStringLiteral("kx"), ResID);
}

TBitmap MakeBitmapID(int ResID) {
    return MakeBitmap(QString::number(ResID & 0xFFFF));
}

QIcon MakeModuleIcon(const QString& Module, const QString& ResID) {
    const QString path = resourcePath(Module, ResID);
    return QFile::exists(path) ? QIcon(path) : QIcon();
}

QIcon MakeIcon(const QString& ResID) {
    return MakeModuleIcon(QStringLiteral("kx"), ResID);
}

QIcon MakeIconID(int ResID) {
    return MakeIcon(QString::number(ResID & 0xFFFF));
}

TBitmap CreateBitmapFromIcon(const QIcon& Icon, TColor BackColor) {
    const QList<QSize> sizes = Icon.availableSizes();
    const QSize size = sizes.isEmpty() ? QSize(32, 32) : sizes.first();
    TBitmap bitmap(size.width(), size.height(), BackColor);
    QPainter painter(&bitmap.Image());
    Icon.paint(&painter, QRect(QPoint(0, 0), size));
    painter.end();
    bitmap.SetTransparentColor(BackColor);
    return bitmap;
}

QIcon CreateIconFromBitmap(const TBitmap& Bitmap, TColor TransparentColor) {
    const TColor transparent =
        TransparentColor == platform::clDefault ? Bitmap.TransparentColor() : TransparentColor;
    return QIcon(QPixmap::fromImage(platform::MaskColor(Bitmap.Image(), transparent)));
}

// ---- cursors ----

void TAnimatedCursor::Attach(QWidget* Widget) {
    Detach();
    if (Frames.empty() || Sequence.empty())
        return;
    widget_ = Widget;
    step_ = 0;
    widget_->setCursor(Frames[size_t(Sequence[0])]);
    if (!timer_) {
        timer_ = new QTimer(this);
        connect(timer_, &QTimer::timeout, this, &TAnimatedCursor::Advance);
    }
    connect(Widget, &QObject::destroyed, this, &TAnimatedCursor::Detach);
    timer_->start(std::max(Rates[0], 1));
}

void TAnimatedCursor::Detach() {
    if (timer_)
        timer_->stop();
    if (widget_)
        disconnect(widget_, nullptr, this, nullptr);
    widget_ = nullptr;
}

void TAnimatedCursor::Advance() {
    if (Sequence.empty())
        return;
    step_ = (step_ + 1) % int(Sequence.size());
    if (widget_) {
        widget_->setCursor(Frames[size_t(Sequence[size_t(step_)])]);
        timer_->start(std::max(Rates[size_t(step_)], 1));
    }
}

namespace {

quint32 dword(const QByteArray& data, qsizetype at) {
    return qFromLittleEndian<quint32>(data.constData() + at);
}

// One frame: an icon or cursor file; a cursor's hot spot stands in its directory entry.
bool readFrame(const QByteArray& data, std::vector<QCursor>& frames) {
    const QImage image = QImage::fromData(data);
    if (image.isNull() || data.size() < 14)
        return false;
    const bool cursor = qFromLittleEndian<quint16>(data.constData() + 2) == 2;
    const int hotX = cursor ? qFromLittleEndian<quint16>(data.constData() + 10) : 0;
    const int hotY = cursor ? qFromLittleEndian<quint16>(data.constData() + 12) : 0;
    frames.emplace_back(QPixmap::fromImage(image), hotX, hotY);
    return true;
}

} // namespace

std::unique_ptr<TAnimatedCursor> ReadAniCursor(const QByteArray& Data) {
    if (Data.size() < 12 || !Data.startsWith("RIFF") || Data.mid(8, 4) != "ACON")
        return nullptr;
    auto cursor = std::make_unique<TAnimatedCursor>();
    int steps = 0, rate = 10;
    std::vector<int> jiffies;
    qsizetype at = 12;
    const auto chunks = [&](qsizetype begin, qsizetype end, auto&& onChunk) {
        for (qsizetype pos = begin; pos + 8 <= end;) {
            const QByteArray id = Data.mid(pos, 4);
            const qsizetype size = dword(Data, pos + 4);
            if (size > end - pos - 8)
                return false;
            if (!onChunk(id, pos + 8, size))
                return false;
            pos += 8 + size + (size & 1);
        }
        return true;
    };
    const bool read =
        chunks(at, Data.size(), [&](const QByteArray& id, qsizetype pos, qsizetype size) {
            if (id == "anih" && size >= 36) {
                steps = int(dword(Data, pos + 8));
                rate = int(dword(Data, pos + 28));
            } else if (id == "rate" || id == "seq ") {
                auto& target = id == "rate" ? jiffies : cursor->Sequence;
                for (qsizetype i = 0; i + 4 <= size; i += 4)
                    target.push_back(int(dword(Data, pos + i)));
            } else if (id == "LIST" && size >= 4 && Data.mid(pos, 4) == "fram") {
                return chunks(
                    pos + 4, pos + size, [&](const QByteArray& inner, qsizetype p, qsizetype s) {
                        return inner != "icon" || readFrame(Data.mid(p, s), cursor->Frames);
                    });
            }
            return true;
        });
    if (!read || cursor->Frames.empty())
        return nullptr;
    const int frames = int(cursor->Frames.size());
    if (cursor->Sequence.empty())
        for (int i = 0; i < std::max(steps, frames); ++i)
            cursor->Sequence.push_back(i % frames);
    for (int& frame : cursor->Sequence)
        if (frame < 0 || frame >= frames)
            return nullptr;
    for (size_t i = 0; i < cursor->Sequence.size(); ++i)
        cursor->Rates.push_back((i < jiffies.size() ? jiffies[i] : rate) * 1000 / 60);
    return cursor;
}

std::unique_ptr<TAnimatedCursor> LoadAniCursor(const QString& Module, const QString& ResID) {
    QFile file(resourcePath(Module, ResID));
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    return ReadAniCursor(file.readAll());
}

int DefineCursor(const QString& Module, const QString& ResID) {
    QFile file(resourcePath(Module, ResID));
    const QByteArray data = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    std::vector<QCursor> frames;
    if (!readFrame(data, frames)) {
        const auto animated = ReadAniCursor(data);
        if (!animated)
            ResourceNotFound(ResID);
        frames.push_back(animated->Frames.front());
    }
    for (int index = 100; index <= 32767; ++index) {
        if (IsScreenCursorFree(index)) {
            SetScreenCursor(index, frames.front());
            return index;
        }
    }
    throw EOutOfResources("Out of system resources");
}

namespace {

int& waitCount() {
    static int count = 0;
    return count;
}

} // namespace

void StartWait() {
    if (waitCount()++ == 0)
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

void StopWait() {
    if (waitCount() <= 0)
        return;
    if (--waitCount() == 0)
        QApplication::restoreOverrideCursor();
}

// ---- inverted frames and rectangles ----

namespace {

// A frame of Width nested rectangles, or a filled rectangle.
struct InvertMark {
    QRect Rect;
    int Width = 0;
    bool Filled = false;
    bool operator==(const InvertMark&) const = default;
};

// Marks drawn over a window, inverting what is under them.
class InvertOverlay : public QWidget {
public:
    explicit InvertOverlay(QWidget* window) : QWidget(window) {
        setObjectName(Name());
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setGeometry(window->rect());
    }
    // Found by name: the class has no meta-object of its own to be found by.
    static QString Name() { return QStringLiteral("quendel.invertOverlay"); }
    void Toggle(const InvertMark& mark) {
        if (!marks_.removeOne(mark))
            marks_.append(mark);
        setVisible(!marks_.isEmpty());
        raise();
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        for (const InvertMark& mark : marks_) {
            if (mark.Filled) {
                painter.fillRect(mark.Rect, Qt::white);
                continue;
            }
            painter.setPen(QPen(Qt::white, 1, Qt::DotLine));
            for (int i = 0; i < mark.Width; ++i)
                painter.drawRect(mark.Rect.adjusted(i, i, -i - 1, -i - 1));
        }
    }

private:
    QList<InvertMark> marks_;
};

// Nothing draws outside the program's windows, so the marks go over the active one.
void toggleInvertMark(const QRect& screenRect, int width, bool filled) {
    QWidget* window = QApplication::activeWindow();
    if (!window)
        return;
    auto* overlay = static_cast<InvertOverlay*>(
        window->findChild<QWidget*>(InvertOverlay::Name(), Qt::FindDirectChildrenOnly));
    if (!overlay)
        overlay = new InvertOverlay(window);
    overlay->setGeometry(window->rect());
    overlay->Toggle(
        {QRect(window->mapFromGlobal(screenRect.topLeft()), screenRect.size()), width, filled});
}

} // namespace

void DrawInvertFrame(const QRect& ScreenRect, int Width) {
    toggleInvertMark(ScreenRect, Width, false);
}

void PaintInverseRect(const QPoint& RectOrg, const QPoint& RectEnd) {
    const QPoint topLeft(std::min(RectOrg.x(), RectEnd.x()), std::min(RectOrg.y(), RectEnd.y()));
    const QSize size(std::abs(RectEnd.x() - RectOrg.x()), std::abs(RectEnd.y() - RectOrg.y()));
    toggleInvertMark(QRect(topLeft, size), 0, true);
}

namespace {

QSize dialogBase() {
    return GetAveCharSize(QFontMetrics(QApplication::font()));
}

} // namespace

int DialogUnitsToPixelsX(int DlgUnits) {
    return DlgUnits * dialogBase().width() / 4;
}

int DialogUnitsToPixelsY(int DlgUnits) {
    return DlgUnits * dialogBase().height() / 8;
}

int PixelsToDialogUnitsX(int PixUnits) {
    return PixUnits * 4 / std::max(dialogBase().width(), 1);
}

int PixelsToDialogUnitsY(int PixUnits) {
    return PixUnits * 8 / std::max(dialogBase().height(), 1);
}

// ---- windows ----

void CenterWindow(QWidget* Wnd) {
    const QRect screen = ScreenWorkArea();
    QRect frame = Wnd->frameGeometry();
    frame.moveCenter(screen.center());
    Wnd->move(KeptInside(frame, screen).topLeft());
}

QRect KeptInside(QRect Rect, const QRect& Area) {
    Rect.moveLeft(std::clamp(Rect.left(), Area.left(),
                             std::max(Area.left(), Area.right() - Rect.width() + 1)));
    Rect.moveTop(std::clamp(Rect.top(), Area.top(),
                            std::max(Area.top(), Area.bottom() - Rect.height() + 1)));
    return Rect;
}

void MergeForm(QWidget* Control, QWidget* Form, TAlign Align, bool Show) {
    const platform::TAlignSuspender suspended(Control);
    Form->hide();
    Form->setParent(Control, Qt::Widget);
    if (Align == alNone)
        Form->move(Control->contentsRect().topLeft());
    else
        platform::SetAlign(Form, Align);
    Form->setVisible(Show);
}

QString WindowClassName(const QWidget* Wnd) {
    return QString::fromLatin1(Wnd->metaObject()->className()).left(255);
}

bool ShowMDIClientEdge(QMdiArea* ClientHandle, bool ShowEdge) {
    if ((ClientHandle->frameShape() != QFrame::NoFrame) == ShowEdge)
        return false;
    ClientHandle->setFrameStyle(ShowEdge ? QFrame::StyledPanel | QFrame::Sunken : QFrame::NoFrame);
    return true;
}

void ShowWinNoAnimate(QWidget* Handle, bool Show) {
    Handle->setVisible(Show);
}

void SwitchToWindow(QWidget* Wnd, bool Restore) {
    if (!Wnd->isEnabled())
        return;
    Wnd->raise();
    Wnd->activateWindow();
    if (Restore && Wnd->isVisible()) {
        if (!Wnd->isMaximized())
            Wnd->showNormal();
        Wnd->setFocus();
    }
}

void ActivateWindow(QWidget* Wnd) {
    if (!Wnd)
        return;
    if (Wnd->isMinimized())
        Wnd->showNormal();
    Wnd->show();
    Wnd->raise();
    Wnd->activateWindow();
}

// Qt takes only every pending event of a kind out of its queue; one alone is taken out of the
// thread's list the way Qt takes its own, leaving an empty entry that delivery skips.
void KillMessage(QObject* Wnd, QEvent::Type Msg) {
    const QObject here; // of the calling thread, whose list it shows
    QPostEventList& pending = QObjectPrivate::get(&here)->threadData.loadRelaxed()->postEventList;
    QPostEvent taken;
    {
        const QMutexLocker locker(&pending.mutex);
        for (qsizetype i = 0; i < pending.size() && !taken.event; ++i) {
            QPostEvent& entry = pending[i];
            if (entry.event && entry.event->type() == Msg && (!Wnd || entry.receiver == Wnd)) {
                taken = entry;
                entry.event = nullptr;
                --QObjectPrivate::get(taken.receiver)->postedEvents;
            }
        }
    }
    if (!taken.event)
        return;
    // Still marked as posted, it looks for itself in the list on deletion and finds nothing.
    delete taken.event;
    // Qt's quit carries no exit code of its own: a new one is the same quit.
    if (Msg == QEvent::Quit)
        QCoreApplication::postEvent(taken.receiver, new QEvent(QEvent::Quit), taken.priority);
}

namespace {

QString instanceName(const QString& MainFormClass, const QString& ATitle) {
    const QByteArray key =
        (QCoreApplication::applicationName() + '\n' + MainFormClass + '\n' + ATitle).toUtf8();
    const QString app = QCoreApplication::applicationName().replace(QRegularExpression("\\W"), "");
    return QStringLiteral("%1-%2-%3")
        .arg(app)
        .arg(getuid())
        .arg(QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Md5).toHex()));
}

// The window comes forward, and before it the modal dialog that holds it when there is one.
void comeForward(QWidget* Wnd) {
    QWidget* top = Wnd->window();
    ActivateWindow(top);
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != top && modal->isVisible())
        SwitchToWindow(modal, false);
}

std::unique_ptr<QLocalServer> listenAs(QWidget* MainForm, const QString& name) {
    auto server = std::make_unique<QLocalServer>();
    QLocalServer::removeServer(name);
    if (!server->listen(name))
        return nullptr;
    QObject::connect(
        server.get(), &QLocalServer::newConnection, MainForm, [server = server.get(), MainForm] {
            while (QLocalSocket* peer = server->nextPendingConnection()) {
                QObject::connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
                QObject::connect(peer, &QLocalSocket::readyRead, MainForm, [peer, MainForm] {
                    if (peer->readAll().contains("activate"))
                        comeForward(MainForm);
                });
            }
        });
    return server;
}

} // namespace

bool ListenForNextInstance(QWidget* MainForm, const QString& MainFormClass, const QString& ATitle) {
    // A later copy may look for this one by its class, its title or both.
    QStringList names;
    if (!MainFormClass.isEmpty())
        names << instanceName(MainFormClass, {});
    if (!ATitle.isEmpty())
        names << instanceName({}, ATitle);
    if (!MainFormClass.isEmpty() && !ATitle.isEmpty())
        names << instanceName(MainFormClass, ATitle);
    std::vector<std::unique_ptr<QLocalServer>> servers;
    for (const QString& name : names) {
        servers.push_back(listenAs(MainForm, name));
        if (!servers.back())
            return false;
    }
    for (auto& server : servers)
        server.release()->setParent(MainForm);
    return !servers.empty();
}

bool FindPrevInstance(const QString& MainFormClass, const QString& ATitle) {
    if (MainFormClass.isEmpty() && ATitle.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(instanceName(MainFormClass, ATitle));
    return socket.waitForConnected(1000);
}

bool ActivatePrevInstance(const QString& MainFormClass, const QString& ATitle) {
    if (MainFormClass.isEmpty() && ATitle.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(instanceName(MainFormClass, ATitle));
    if (!socket.waitForConnected(1000))
        return false;
    socket.write("activate\n");
    return socket.waitForBytesWritten(1000);
}

// ---- the process ----

void Beep() {
    platform::Beep(0);
}

int MsgDlg(const QString& Msg, TMsgDlgType AType, int AButtons, int HelpCtx) {
    int flags = platform::MB_OK;
    if ((AButtons & mbYes) && (AButtons & mbCancel))
        flags = platform::MB_YESNOCANCEL;
    else if (AButtons & mbYes)
        flags = platform::MB_YESNO;
    else if (AButtons & mbCancel)
        flags = platform::MB_OKCANCEL;
    static constexpr int icons[] = {platform::MB_ICONWARNING, platform::MB_ICONERROR,
                                    platform::MB_ICONINFORMATION, platform::MB_ICONQUESTION, 0};
    switch (platform::MessageBox(Msg, platform::ProductCaption(), flags | icons[AType], nullptr,
                                 HelpCtx)) {
    case platform::IDYES:
        return mrYes;
    case platform::IDNO:
        return mrNo;
    case platform::IDCANCEL:
        return mrCancel;
    default:
        return mrOk;
    }
}

void NotImplemented() {
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    platform::MessageBox(QStringLiteral("Function not yet implemented"), platform::ProductCaption(),
                         platform::MB_ICONINFORMATION);
    throw platform::EAbort();
}

namespace {

[[noreturn]] void raiseSystemError(int code, const QString& reason) {
    throw EOSError(code, QStringLiteral("System Error.  Code: %1.\r\n%2").arg(code).arg(reason));
}

} // namespace

void RaiseWin32Error(int Code) {
    if (Code == 0)
        return;
    raiseSystemError(Code, qt_error_string(Code));
}

bool CheckWin32(bool OK) {
    if (!OK)
        RaiseWin32Error(errno != 0 ? errno : EINVAL);
    return OK;
}

std::unique_ptr<QLibrary> LoadDLL(const QString& LibName) {
    auto library = std::make_unique<QLibrary>(LibName);
    // Bound lazily, a function nothing provides would end the process when first called.
    library->setLoadHints(QLibrary::ResolveAllSymbolsHint);
    if (!library->load())
        raiseSystemError(QFile::exists(LibName) ? ENOEXEC : ENOENT, library->errorString());
    return library;
}

bool RegisterServer(const QString& ModuleName) {
    const std::unique_ptr<QLibrary> library = LoadDLL(ModuleName);
    using TRegisterEntry = long (*)();
    const auto entry = reinterpret_cast<TRegisterEntry>(library->resolve("DllRegisterServer"));
    if (entry)
        entry();
    library->unload();
    return entry != nullptr;
}

void FreeUnusedOle() {
    // The look-up counts as one more hold on the library: give that back, then the process's.
    if (void* automation = ::dlopen("OleAut32", RTLD_LAZY | RTLD_NOLOAD)) {
        ::dlclose(automation);
        ::dlclose(automation);
    }
}

QString GetEnvVar(const QString& Name) {
    return qEnvironmentVariable(Name.toLocal8Bit().constData()).left(2048);
}

// ---- strings and memory ----

std::unique_ptr<char[]> StrPAlloc(const QString& S) {
    const QByteArray bytes = S.toLatin1();
    auto copy = std::make_unique<char[]>(size_t(bytes.size()) + 1);
    std::memcpy(copy.get(), bytes.constData(), size_t(bytes.size()) + 1);
    return copy;
}

char* StringToPChar(QByteArray& S) {
    return S.data();
}

QVariant MakeVariant(const QVariantList& Values, int High) {
    if (High > 1)
        return Values.mid(0, High + 1);
    if (High == 1 && !Values.isEmpty())
        return Values.first();
    return QVariant();
}

namespace {

// Each block starts with its size.
constexpr size_t header = sizeof(std::max_align_t);

char* blockStart(void* block) {
    return static_cast<char*>(block) - header;
}

} // namespace

void* AllocMemo(long Size) {
    if (Size < 1)
        return nullptr;
    auto* block = static_cast<char*>(std::calloc(1, header + size_t(Size)));
    if (!block)
        return nullptr;
    *reinterpret_cast<long*>(block) = Size;
    return block + header;
}

void* ReallocMemo(void* fpBlock, long Size) {
    if (!fpBlock)
        return AllocMemo(Size);
    const long old = GetMemoSize(fpBlock);
    auto* block = static_cast<char*>(std::realloc(blockStart(fpBlock), header + size_t(Size)));
    if (!block)
        return nullptr;
    *reinterpret_cast<long*>(block) = Size;
    if (Size > old)
        std::memset(block + header + old, 0, size_t(Size - old));
    return block + header;
}

void FreeMemo(void*& fpBlock) {
    if (fpBlock)
        std::free(blockStart(fpBlock));
    fpBlock = nullptr;
}

long GetMemoSize(void* fpBlock) {
    return fpBlock ? *reinterpret_cast<long*>(blockStart(fpBlock)) : 0;
}

bool CompareMem(const void* fpBlock1, const void* fpBlock2, long Size) {
    return Size <= 0 || std::memcmp(fpBlock1, fpBlock2, size_t(Size)) == 0;
}

void* HugeInc(void* HugePtr, long Amount) {
    return static_cast<char*>(HugePtr) + Amount;
}

void* HugeDec(void* HugePtr, long Amount) {
    return static_cast<char*>(HugePtr) - Amount;
}

void* HugeOffset(void* HugePtr, long Amount) {
    return HugeInc(HugePtr, Amount);
}

void HMemCpy(void* DstPtr, const void* SrcPtr, long Amount) {
    std::memmove(DstPtr, SrcPtr, size_t(std::max(Amount, 0L)));
}

void HugeMove(void* Base, long Dst, long Src, long Count) {
    auto* elements = static_cast<qint32*>(Base);
    std::memmove(elements + Dst, elements + Src, size_t(std::max(Count, 0L)) * sizeof(qint32));
}
