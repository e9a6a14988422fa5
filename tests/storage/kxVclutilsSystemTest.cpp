// The toolbox's animated cursors, cursor table, previous instance, boxes, errors and memory.
#include "platform/Dialogs.h"
#include "platform/ExceptionDisplay.h"
#include "platform/Help.h"
#include "platform/MessageBox.h"
#include "storage/Kxconst.h"
#include "storage/kxVclutils.h"
#include "tests/HelpButton.h"
#include "tests/WaitFor.h"

#include <QBuffer>
#include <QDialog>
#include <QLibrary>
#include <QMdiArea>
#include <QMessageBox>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <cstdlib>
#include <dlfcn.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace platform;

namespace {

QByteArray Dword(quint32 value) {
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray Chunk(const QByteArray& id, const QByteArray& data) {
    QByteArray chunk = id + Dword(quint32(data.size())) + data;
    if (data.size() & 1)
        chunk += '\0';
    return chunk;
}

QByteArray Icon(QColor color) {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "ICO");
    return data;
}

// Two frames shown in the order 1, 0, 1 at 6, 12 and 30 jiffies.
QByteArray Animation() {
    QByteArray header;
    for (quint32 v : {36u, 2u, 3u, 16u, 16u, 32u, 1u, 10u, 1u})
        header += Dword(v);
    QByteArray rates = Dword(6) + Dword(12) + Dword(30);
    QByteArray sequence = Dword(1) + Dword(0) + Dword(1);
    QByteArray frames = "fram" + Chunk("icon", Icon(Qt::red)) + Chunk("icon", Icon(Qt::blue));
    QByteArray body = "ACON" + Chunk("anih", header) + Chunk("rate", rates) +
                      Chunk("seq ", sequence) + Chunk("LIST", frames);
    return "RIFF" + Dword(quint32(body.size())) + body;
}

} // namespace

TEST(AniCursorTest, FramesStepsAndRates) {
    const auto cursor = ReadAniCursor(Animation());
    ASSERT_NE(cursor, nullptr);
    EXPECT_EQ(cursor->Frames.size(), 2u);
    EXPECT_EQ(cursor->Sequence, (std::vector<int>{1, 0, 1}));
    EXPECT_EQ(cursor->Rates, (std::vector<int>{100, 200, 500}));
    QWidget widget;
    cursor->Attach(&widget);
    cursor->Advance();
    cursor->Advance();
    EXPECT_EQ(cursor->Step(), 2);
    cursor->Advance();
    EXPECT_EQ(cursor->Step(), 0);
}

TEST(AniCursorTest, BadDataGivesNoCursor) {
    const QByteArray good = Animation();
    EXPECT_EQ(ReadAniCursor(QByteArray()), nullptr);
    EXPECT_EQ(ReadAniCursor("RIFF0000WAVE"), nullptr);
    for (qsizetype cut : {qsizetype(20), qsizetype(60), good.size() / 2, good.size() - 3})
        EXPECT_EQ(ReadAniCursor(good.left(cut)), nullptr) << cut;
    QByteArray badSequence = good;
    badSequence.replace(Dword(1) + Dword(0) + Dword(1), Dword(1) + Dword(9) + Dword(1));
    EXPECT_EQ(ReadAniCursor(badSequence), nullptr);
}

TEST(CursorTableTest, MissingResourceIsReported) {
    try {
        DefineCursor("kx", "nessuno.cur");
        FAIL();
    } catch (const EResNotFound& e) {
        EXPECT_STREQ(e.what(), "Resource nessuno.cur not found");
    }
    EXPECT_THROW(MakeBitmap("nessuno.bmp"), EResNotFound);
    EXPECT_TRUE(MakeIcon("nessuno.ico").isNull());
    EXPECT_FALSE(IsScreenCursorFree(crHand));
    EXPECT_TRUE(IsScreenCursorFree(100));
}

TEST(PrevInstanceTest, ALaterCopyFindsAndActivatesTheFirst) {
    EXPECT_FALSE(FindPrevInstance("", ""));
    const QString title = QStringLiteral("Prova %1").arg(QCoreApplication::applicationPid());
    EXPECT_FALSE(FindPrevInstance("TFormMain", title));
    QWidget main;
    ASSERT_TRUE(ListenForNextInstance(&main, "TFormMain", title));
    EXPECT_TRUE(FindPrevInstance("TFormMain", title));
    EXPECT_FALSE(main.isVisible());
    EXPECT_TRUE(ActivatePrevInstance("TFormMain", title));
    ASSERT_TRUE(WaitFor([&] { return main.isVisible(); }));
}

TEST(PrevInstanceTest, ACopyIsFoundByItsClassItsTitleOrBoth) {
    const QString pid = QString::number(QCoreApplication::applicationPid());
    const QString form = "TFormCercata" + pid, title = "Cercata " + pid;
    const struct Case {
        QString form, title;
        bool found;
    } cases[] = {
        {form, title, true},
        {form, "", true},
        {"", title, true},
        {form, "Altro " + pid, false},
        {"TAltra" + pid, title, false},
        {"", "Altro " + pid, false},
    };
    const auto trace = [](const Case& c) { return (c.form + " / " + c.title).toStdString(); };
    for (const Case& c : cases)
        EXPECT_FALSE(FindPrevInstance(c.form, c.title)) << "before listening: " << trace(c);
    QWidget main;
    ASSERT_TRUE(ListenForNextInstance(&main, form, title));
    for (const Case& c : cases) {
        EXPECT_EQ(FindPrevInstance(c.form, c.title), c.found) << trace(c);
        EXPECT_EQ(ActivatePrevInstance(c.form, c.title), c.found) << trace(c);
    }
    ASSERT_TRUE(WaitFor([&] { return main.isVisible(); }));
}

TEST(PrevInstanceTest, ACopyHeldByAModalDialogBringsTheDialogForward) {
    const QString title = QStringLiteral("Con dialogo %1").arg(QCoreApplication::applicationPid());
    QWidget main;
    ASSERT_TRUE(ListenForNextInstance(&main, "", title));
    main.show();
    QDialog dialog(&main);
    dialog.setWindowModality(Qt::WindowModal);
    dialog.show();
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_TRUE(ActivatePrevInstance("", title));
    EXPECT_TRUE(WaitFor([&] { return QApplication::activeWindow() == &dialog; }));
}

TEST(BoxesTest, MsgDlgAndNotImplemented) {
    std::vector<int> flags;
    auto old = SetMessageBoxHook([&](const QString& text, const QString&, int f) {
        flags.push_back(f);
        return text == "Salvare?" ? int(IDNO) : int(IDOK);
    });
    EXPECT_EQ(MsgDlg("Salvare?", mtConfirmation, mbYes | mbNo | mbCancel), mrNo);
    EXPECT_EQ(MsgDlg("Fatto", mtInformation, mbOK), mrOk);
    EXPECT_THROW(NotImplemented(), EAbort);
    SetMessageBoxHook(old);
    EXPECT_EQ(flags, (std::vector<int>{MB_YESNOCANCEL | MB_ICONQUESTION, MB_ICONINFORMATION,
                                       MB_ICONINFORMATION}));
}

// The real box, shown: its help button and F1 open the help and leave it open.
TEST(BoxesTest, MsgDlgWithAHelpContextOpensTheHelpFromTheBox) {
    QList<int> helps;
    const HelpHook oldHelp = SetHelpHook([&](QWidget*, int context) { helps.append(context); });
    struct Seen {
        QString helpText;
        bool atLeft = false;
        bool stillOpen = false;
        QList<int> helps;
    };
    Seen seen;
    const ShowModalHook oldModal = SetShowModalHook([&](QDialog& dialog) {
        auto* box = qobject_cast<QMessageBox*>(&dialog);
        if (!box)
            return int(QDialog::Rejected);
        box->show();
        box->activateWindow();
        if (!QTest::qWaitForWindowActive(box))
            ADD_FAILURE() << "the box did not become active";
        if (QPushButton* help = HelpButton(*box, seen.atLeft)) {
            seen.helpText = help->text();
            EXPECT_TRUE(box->rect().contains(help->geometry())) << help->geometry().y();
            help->click();
        }
        QTest::keyClick(box, Qt::Key_F1);
        seen.stillOpen = box->isVisible() && !box->clickedButton();
        seen.helps = helps;
        box->button(QMessageBox::No)->click();
        return box->result();
    });
    for (const int context : {0, 4000}) {
        seen = Seen();
        helps.clear();
        EXPECT_EQ(MsgDlg("Salvare?", mtConfirmation, mbYes | mbNo | mbCancel, context), mrNo);
        EXPECT_EQ(seen.helpText, context ? "&Help" : "") << context;
        EXPECT_EQ(seen.atLeft, context != 0) << context;
        EXPECT_TRUE(seen.stillOpen) << context;
        EXPECT_EQ(seen.helps, context ? QList<int>({context, context}) : QList<int>()) << context;
    }
    SetShowModalHook(oldModal);
    SetHelpHook(oldHelp);
}

TEST(ErrorsTest, SystemErrorsCarryCodeAndText) {
    EXPECT_NO_THROW(RaiseWin32Error(0));
    try {
        RaiseWin32Error(ENOENT);
        FAIL();
    } catch (const EOSError& e) {
        EXPECT_EQ(e.ErrorCode, ENOENT);
        EXPECT_TRUE(QString(e.what()).startsWith("System Error.  Code: 2.\r\n"));
    }
    EXPECT_TRUE(CheckWin32(true));
    EXPECT_THROW(LoadDLL("/nessuna/libreria.so"), EOSError);
}

namespace {

bool IsLoaded(const char* library) {
    void* handle = ::dlopen(library, RTLD_LAZY | RTLD_NOLOAD);
    if (handle)
        ::dlclose(handle);
    return handle != nullptr;
}

} // namespace

TEST(LibrariesTest, RegisterServerCallsTheEntryWhenTheLibraryHasOne) {
    ::unsetenv("QUENDEL_SERVER_REGISTERED");
    EXPECT_FALSE(RegisterServer(QUENDEL_SERVER_WITHOUT_ENTRY));
    EXPECT_EQ(::getenv("QUENDEL_SERVER_REGISTERED"), nullptr);
    EXPECT_TRUE(RegisterServer(QUENDEL_SERVER_WITH_ENTRY)) << "whatever the entry answers";
    EXPECT_STREQ(::getenv("QUENDEL_SERVER_REGISTERED"), "1");
    EXPECT_FALSE(IsLoaded(QUENDEL_SERVER_WITH_ENTRY)) << "freed again";
    EXPECT_FALSE(IsLoaded(QUENDEL_SERVER_WITHOUT_ENTRY));
    EXPECT_THROW(RegisterServer("/nessuna/libreria.so"), EOSError);
}

TEST(LibrariesTest, AFileTheLoaderRefusesRaisesItsReason) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const auto write = [&](const QString& name, const QByteArray& data) {
        QFile file(folder.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(data) == data.size());
        return file.fileName();
    };
    QByteArray noise(4096, '\0');
    QRandomGenerator random(39);
    std::generate(noise.begin(), noise.end(), [&] { return char(random.generate()); });
    struct Case {
        const char* what;
        QString path;
        int code;
        const char* reason;
    } cases[] = {
        {"a text file", write("testo.so", "Non sono una libreria.\n"), ENOEXEC, "file too short"},
        {"random bytes", write("rumore.so", noise), ENOEXEC, "invalid ELF header"},
        {"a position-independent executable", QCoreApplication::applicationFilePath(), ENOEXEC,
         "cannot dynamically load position-independent executable"},
        {"a library calling a function nothing provides", QUENDEL_SERVER_WITH_UNRESOLVED_CALL,
         ENOEXEC, "undefined symbol: quendel_nowhere"},
        {"no file", "/nessuna/libreria.so", ENOENT, "No such file or directory"},
    };
    ::unsetenv("QUENDEL_SERVER_REGISTERED");
    for (const Case& c : cases) {
        try {
            RegisterServer(c.path);
            ADD_FAILURE() << c.what << " was loaded";
        } catch (const EOSError& e) {
            EXPECT_EQ(e.ErrorCode, c.code) << c.what;
            EXPECT_THAT(
                e.what(),
                testing::StartsWith(
                    QStringLiteral("System Error.  Code: %1.\r\n").arg(c.code).toStdString()))
                << c.what;
            EXPECT_THAT(e.what(), testing::HasSubstr(c.reason)) << c.what;
        }
    }
    EXPECT_EQ(::getenv("QUENDEL_SERVER_REGISTERED"), nullptr);
}

TEST(LibrariesTest, FreeUnusedOleLeavesAProcessWithoutTheAutomationLibraryAsItWas) {
    QLibrary held(QUENDEL_SERVER_WITHOUT_ENTRY);
    ASSERT_TRUE(held.load());
    EXPECT_FALSE(IsLoaded("OleAut32"));
    EXPECT_NO_THROW(FreeUnusedOle());
    EXPECT_FALSE(IsLoaded("OleAut32"));
    EXPECT_TRUE(IsLoaded(QUENDEL_SERVER_WITHOUT_ENTRY));
    held.unload();
}

TEST(WindowsTest, TheMDIClientEdgeIsShownOrRemovedOnce) {
    QMdiArea area;
    struct Step {
        bool show;
        bool changed;
        int style;
    };
    const int sunken = QFrame::StyledPanel | QFrame::Sunken;
    ASSERT_EQ(area.frameStyle(), QFrame::NoFrame);
    const Step steps[] = {{true, true, sunken},
                          {true, false, sunken},
                          {false, true, QFrame::NoFrame},
                          {false, false, QFrame::NoFrame}};
    for (const Step& step : steps) {
        EXPECT_EQ(ShowMDIClientEdge(&area, step.show), step.changed) << step.show;
        EXPECT_EQ(area.frameStyle(), step.style) << step.show;
        EXPECT_EQ(area.frameWidth() > 0, step.show) << step.show;
    }
}

TEST(MemoryTest, BlocksKnowTheirSizeAndMovesOverlap) {
    EXPECT_EQ(AllocMemo(0), nullptr);
    void* block = AllocMemo(8);
    EXPECT_EQ(GetMemoSize(block), 8);
    EXPECT_EQ(static_cast<char*>(block)[7], 0);
    block = ReallocMemo(block, 16);
    EXPECT_EQ(GetMemoSize(block), 16);
    EXPECT_EQ(static_cast<char*>(block)[15], 0);
    FreeMemo(block);
    EXPECT_EQ(block, nullptr);
    EXPECT_EQ(GetMemoSize(nullptr), 0);

    qint32 numbers[] = {1, 2, 3, 4, 5};
    HugeMove(numbers, 1, 0, 4);
    EXPECT_EQ(std::vector<qint32>(numbers, numbers + 5), (std::vector<qint32>{1, 1, 2, 3, 4}));
    EXPECT_TRUE(CompareMem("abcdef", "abcdeg", 5));
    EXPECT_FALSE(CompareMem("abcdef", "abcdeg", 6));
    EXPECT_EQ(HugeDec(HugeInc(numbers, 8), 8), static_cast<void*>(numbers));
    EXPECT_STREQ(StrPAlloc("Quendel").get(), "Quendel");
}

TEST(MemoryTest, MakeVariantAsStated) {
    const QVariantList values{1, 2, 3};
    EXPECT_EQ(MakeVariant(values, 2), QVariant(values));
    EXPECT_EQ(MakeVariant(values, 1), QVariant(1));
    EXPECT_FALSE(MakeVariant(values, 0).isValid());
}

TEST(TransparentDrawingTest, TheTransparentColourLeavesTheDestination) {
    TBitmap bitmap(4, 4, clRed);
    bitmap.Image().setPixel(1, 1, qRgb(0, 0, 255));
    QImage canvas(8, 8, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    StretchBitmapRectTransparent(painter, 0, 0, 8, 8, QRect(), bitmap, clRed);
    DrawBitmapTransparent(painter, 4, 4, bitmap, clNone);
    painter.end();
    EXPECT_EQ(canvas.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(canvas.pixel(2, 2), qRgb(0, 0, 255));
    EXPECT_EQ(canvas.pixel(7, 7), qRgb(255, 0, 0));
    // The bare bitmap routine: unstretched at its place, its transparent colour taken as given.
    canvas.fill(Qt::white);
    painter.begin(&canvas);
    DrawTransparentBitmap(painter, bitmap.Image(), 3, 3, clRed);
    DrawTransparentBitmap(painter, bitmap.Image(), -2, 4, clBlue);
    painter.end();
    EXPECT_EQ(canvas.pixel(3, 3), qRgb(255, 255, 255));
    EXPECT_EQ(canvas.pixel(4, 4), qRgb(0, 0, 255));
    EXPECT_EQ(canvas.pixel(7, 7), qRgb(255, 255, 255));
    EXPECT_EQ(canvas.pixel(0, 4), qRgb(255, 0, 0));
    EXPECT_EQ(canvas.pixel(2, 4), qRgb(255, 255, 255));
    const QImage icon = CreateIconFromBitmap(bitmap, clDefault).pixmap(4, 4).toImage();
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(icon.pixel(1, 1)), 255);
}

TEST(InvertFrameTest, ASecondCallTakesTheFrameAway) {
    QWidget window;
    window.resize(100, 100);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const QRect rect(window.mapToGlobal(QPoint(10, 10)), QSize(30, 20));
    DrawInvertFrame(rect, 2);
    auto* overlay = window.findChild<QWidget*>();
    ASSERT_NE(overlay, nullptr);
    EXPECT_TRUE(overlay->isVisible());
    DrawInvertFrame(rect, 2);
    EXPECT_FALSE(overlay->isVisible());
}

TEST(InvertFrameTest, AnInverseRectangleIsFilledAndASecondCallRestoresIt) {
    QWidget window;
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(200, 40, 10));
    window.setPalette(palette);
    window.setAutoFillBackground(true);
    window.resize(100, 100);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    // The points in either order span the same rectangle, (10, 10) to (39, 29).
    const QPoint org = window.mapToGlobal(QPoint(40, 30));
    const QPoint end = window.mapToGlobal(QPoint(10, 10));
    PaintInverseRect(org, end);
    QImage shot = window.grab().toImage();
    const QRgb inverted = qRgb(55, 215, 245);
    const QRgb plain = qRgb(200, 40, 10);
    EXPECT_EQ(shot.pixel(10, 10), inverted);
    EXPECT_EQ(shot.pixel(25, 20), inverted);
    EXPECT_EQ(shot.pixel(39, 29), inverted);
    EXPECT_EQ(shot.pixel(40, 30), plain);
    EXPECT_EQ(shot.pixel(9, 10), plain);
    PaintInverseRect(org, end);
    shot = window.grab().toImage();
    EXPECT_EQ(shot.pixel(25, 20), plain);
}

namespace {

// An event that knows when it was posted.
class NumberedEvent : public QEvent {
public:
    NumberedEvent(Type type, int number) : QEvent(type), Number(number) {}
    const int Number;
};

// Notes each event it gets: the number of a numbered one, else its kind.
class EventCounter : public QObject {
public:
    std::vector<int> Seen;
    bool event(QEvent* e) override {
        const auto* numbered = dynamic_cast<NumberedEvent*>(e);
        Seen.push_back(numbered ? numbered->Number : int(e->type()));
        return true;
    }
};

} // namespace

TEST(KillMessageTest, TakesOutTheOldestPendingEventOfTheKindOnly) {
    const auto first = QEvent::Type(QEvent::User);
    const auto second = QEvent::Type(QEvent::User + 1);
    EventCounter a, b;
    QCoreApplication::postEvent(&a, new NumberedEvent(first, 1));
    QCoreApplication::postEvent(&b, new NumberedEvent(second, 2));
    QCoreApplication::postEvent(&a, new NumberedEvent(second, 3));
    QCoreApplication::postEvent(&a, new NumberedEvent(first, 4));
    QCoreApplication::postEvent(&b, new NumberedEvent(first, 5));
    QCoreApplication::postEvent(&a, new NumberedEvent(second, 6));
    KillMessage(&a, first);                          // 1, not 4
    KillMessage(nullptr, second);                    // 2, b's, the oldest of the thread
    KillMessage(&b, QEvent::Type(QEvent::User + 2)); // none pending
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(a.Seen, (std::vector<int>{3, 4, 6}));
    EXPECT_EQ(b.Seen, (std::vector<int>{5}));
}

TEST(KillMessageTest, AQuitTakenOutIsPostedAgain) {
    const auto other = QEvent::Type(QEvent::User);
    EventCounter a, b;
    QCoreApplication::postEvent(&a, new QEvent(QEvent::Quit));
    QCoreApplication::postEvent(&a, new NumberedEvent(other, 1));
    QCoreApplication::postEvent(&b, new QEvent(QEvent::Quit));
    QCoreApplication::postEvent(&b, new NumberedEvent(other, 2));
    KillMessage(&a, QEvent::Quit);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(a.Seen, (std::vector<int>{1, QEvent::Quit}));
    EXPECT_EQ(b.Seen, (std::vector<int>{QEvent::Quit, 2}));
}

TEST(KeptInsideTest, ARectangleMovesTheLeastIntoTheArea) {
    const QRect area(10, 20, 100, 50);
    struct Case {
        QRect rect;
        QPoint topLeft;
    } cases[] = {
        {{30, 30, 20, 10}, {30, 30}},  // inside already
        {{100, 65, 20, 10}, {90, 60}}, // over the right and bottom edges
        {{0, 0, 20, 10}, {10, 20}},    // over the left and top edges
        {{50, 40, 200, 80}, {10, 20}}, // larger than the area: its top left inside
        {{91, 61, 20, 10}, {90, 60}},  // one pixel over: the last row and column are the area's
    };
    for (const Case& c : cases) {
        const QRect kept = KeptInside(c.rect, area);
        EXPECT_EQ(kept.topLeft(), c.topLeft) << c.rect.x() << "," << c.rect.y();
        EXPECT_EQ(kept.size(), c.rect.size());
    }
}
