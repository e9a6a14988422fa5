// The application's form helpers, the one-line INI text and unique file names.

#include "platform/Dialogs.h"
#include "storage/Apputils.h"

#include "platform/Classes.h"
#include "platform/IniFile.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>

class TFormUno : public QWidget {
    Q_OBJECT
public:
    int broadcasts = 0;
    bool answer = true;

protected:
    bool event(QEvent* e) override {
        if (e->type() != QEvent::User + 17)
            return QWidget::event(e);
        ++broadcasts;
        return answer;
    }
};

class TFormDue : public TFormUno {
    Q_OBJECT
};

class TDialogo : public QDialog {
    Q_OBJECT
};

// MDI children that note their creation, and whether the wait cursor showed meanwhile.
QStringList createdChildren;

class TFiglio : public QWidget {
    Q_OBJECT
protected:
    explicit TFiglio(const QString& name) {
        const QCursor* cursor = QApplication::overrideCursor();
        createdChildren.append(name +
                               (cursor && cursor->shape() == Qt::WaitCursor ? " waiting" : ""));
    }
};

class TFiglioA : public TFiglio {
    Q_OBJECT
public:
    TFiglioA() : TFiglio("TFiglioA") {}
};

class TFiglioB : public TFiglio {
    Q_OBJECT
public:
    TFiglioB() : TFiglio("TFiglioB") {}
};

namespace {

TEST(AppHelpers, FormsAreFoundByClassOrAncestorAndCaption) {
    EXPECT_EQ(FindForm<TFormUno>(), nullptr);
    TFormDue due;
    due.setWindowTitle("Seconda");
    EXPECT_EQ(FindForm<TFormUno>(), &due);
    EXPECT_EQ(FindForm(TFormDue::staticMetaObject), &due);
    EXPECT_EQ(FindForm<TDialogo>(), nullptr);

    due.showMinimized();
    EXPECT_EQ(FindShowForm<TFormUno>("Seconda"), &due);
    EXPECT_TRUE(due.isVisible());
    EXPECT_FALSE(due.isMinimized());
    EXPECT_EQ(FindShowForm<TFormUno>(""), &due);

    TFormUno* created = FindShowForm<TFormUno>("Nuova");
    ASSERT_NE(created, &due);
    EXPECT_EQ(created->windowTitle(), "Nuova");
    EXPECT_TRUE(created->isVisible());
    EXPECT_EQ(FindShowForm<TFormUno>("Nuova"), created);
    delete created;
}

TEST(AppHelpers, InstantiateFormCreatesOnlyWhenTheReferenceIsEmpty) {
    TFormUno* reference = nullptr;
    TFormUno* made = InstantiateForm(reference);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(reference, made);
    EXPECT_FALSE(made->isVisible());
    EXPECT_EQ(InstantiateForm(reference), made);
    delete made;
}

TEST(AppHelpers, ShowDialogIsTrueForOkAndYesOnly) {
    const auto previous = platform::SetShowModalHook(nullptr);
    for (const auto& [result, expected] : std::vector<std::pair<int, bool>>{
             {1, true}, {6, true}, {0, false}, {2, false}, {7, false}}) {
        bool sawDialog = false;
        platform::SetShowModalHook([&](QDialog& dialog) {
            sawDialog = qobject_cast<TDialogo*>(&dialog) != nullptr;
            return result;
        });
        EXPECT_EQ(ShowDialog<TDialogo>(), expected) << result;
        EXPECT_TRUE(sawDialog);
    }
    platform::SetShowModalHook(previous);
}

TEST(AppHelpers, ABroadcastReachesEveryFormAndGivesTheLastAnswer) {
    QEvent event(QEvent::Type(QEvent::User + 17));
    TFormUno uno;
    TFormDue due;
    QWidget child(&uno);
    uno.answer = false;
    due.answer = false;
    EXPECT_FALSE(AppBroadcast(event));
    EXPECT_EQ(uno.broadcasts, 1);
    EXPECT_EQ(due.broadcasts, 1);
    uno.answer = true;
    due.answer = true;
    EXPECT_TRUE(AppBroadcast(event));
    EXPECT_EQ(uno.broadcasts, 2);
}

TEST(AppHelpers, LineBreaksBecomeBackslashNAndBack) {
    const std::vector<std::pair<QString, QString>> cases = {
        {"uno\r\ndue", "uno\\ndue"},
        {"uno\rdue", "uno\\ndue"},
        {"uno\ndue", "uno\\ndue"},
        {"uno\n\rdue", "uno\\ndue"},
        {"a\r\n\r\nb", "a\\n\\nb"},
        {"a\n\r\nb", "a\\n\\nb"},
        {"\r", "\\n"},
        {"senza a capo", "senza a capo"},
    };
    for (const auto& [text, line] : cases)
        EXPECT_EQ(StrToIniStr(text), line) << text.toStdString();
    EXPECT_EQ(IniStrToStr("uno\\ndue\\n"), "uno\r\ndue\r\n");
    // A text that already holds a backslash and an "n" does not come back.
    EXPECT_EQ(IniStrToStr(StrToIniStr("C:\\nuovo")), "C:\r\nuovo");
    const QString longest(4096, u'x');
    EXPECT_EQ(StrToIniStr(longest), longest);
    EXPECT_THROW(StrToIniStr(longest + "x"), std::length_error);
    EXPECT_THROW(IniStrToStr(longest + "x"), std::length_error);
}

TEST(AppHelpers, AUniqueNameTakesTheFirstFreeNumber) {
    QTemporaryDir dir;
    QStringList taken = {"partita0.qzd", "partita1.qzd", "partita3.qzd", "007.tmp"};
    for (int i = 0; i < 10; ++i)
        taken.append("h" + QString::number(i));
    for (const QString& name : taken) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const std::vector<std::pair<QString, QString>> cases = {
        {"partita%d.qzd", "partita2.qzd"},
        {"%.3d.tmp", "000.tmp"},
        {"h%x", "hA"},
        {"[%-3d]", "[0  ]"},
        {"[%3u]", "[  0]"},
        {"100%%_%d", "100%_0"},
        {"fisso.txt", ""},
        {"%s.txt", ""},
        {"%d_%d", ""},
        {"%5.2f", ""},
        {"partita%", ""},
        {"%999d", ""},
    };
    for (const auto& [mask, expected] : cases) {
        EXPECT_EQ(GetUniqueFileNameInDir(dir.path(), mask), expected) << mask.toStdString();
        EXPECT_EQ(GetUniqueFileNameInDir(dir.path() + "/", mask), expected) << mask.toStdString();
    }
    QFile zero(dir.filePath("000.tmp"));
    ASSERT_TRUE(zero.open(QIODevice::WriteOnly));
    EXPECT_EQ(GetUniqueFileNameInDir(dir.path(), "%.3d.tmp"), "001.tmp");
}

} // namespace

namespace {

struct MDIMain {
    QWidget form;
    QMdiArea* area = new QMdiArea(&form);
    QStringList children() const {
        QStringList names;
        for (QMdiSubWindow* child : area->subWindowList(QMdiArea::StackingOrder))
            names.prepend(platform::ClassName(child->widget()));
        return names;
    }
};

TEST(AppHelpers, MDIChildrenAreSavedTopmostFirstAndRestoredByRegisteredClass) {
    platform::RegisterClass<TFiglioA>();
    platform::RegisterClass<TFiglioB>();
    QTemporaryDir dir;
    TIniFile ini(dir.filePath("mdi.ini"));
    {
        MDIMain main;
        main.area->addSubWindow(new TFiglioB)->show();
        main.area->addSubWindow(new TFiglioA)->show();
        main.form.show();
        ASSERT_EQ(main.children(), QStringList({"TFiglioA", "TFiglioB"}));
        SaveMDIChildren(&main.form, &ini);
    }
    EXPECT_EQ(ini.ReadString("MDI Children", "Count", ""), "2");
    EXPECT_EQ(ini.ReadString("MDI Children", "Item0", ""), "TFiglioA");
    EXPECT_EQ(ini.ReadString("MDI Children", "Item1", ""), "TFiglioB");

    // From the last stored to the first, so the first ends on top; unknown names skipped.
    ini.WriteString("MDI Children", "Count", "3");
    ini.WriteString("MDI Children", "Item2", "TNessuno");
    createdChildren.clear();
    MDIMain main;
    main.form.show();
    RestoreMDIChildren(&main.form, &ini);
    EXPECT_EQ(createdChildren, QStringList({"TFiglioB waiting", "TFiglioA waiting"}));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(main.children(), QStringList({"TFiglioA", "TFiglioB"}));

    // A class the area already has a child of (names ignoring case) brings that child up.
    ini.WriteString("MDI Children", "Count", "1");
    ini.WriteString("MDI Children", "Item0", "tfiglioB");
    RestoreMDIChildren(&main.form, &ini);
    EXPECT_EQ(createdChildren.size(), 2);
    EXPECT_EQ(main.children(), QStringList({"TFiglioB", "TFiglioA"}));

    // No children: the section is only erased.
    MDIMain empty;
    SaveMDIChildren(&empty.form, &ini);
    EXPECT_TRUE(ini.ReadSection("MDI Children").isEmpty());
}

TEST(AppHelpers, MDIChildrenGoThroughTheRegistryAndNeedAnMDIForm) {
    platform::RegisterClass<TFiglioB>();
    TRegIniFile reg("Software\\Quendel\\MDI");
    MDIMain main;
    main.area->addSubWindow(new TFiglioB)->show();
    SaveMDIChildrenReg(&main.form, &reg);
    EXPECT_EQ(reg.ReadString("MDI Children", "Item0", ""), "TFiglioB");
    createdChildren.clear();
    MDIMain other;
    RestoreMDIChildrenReg(&other.form, &reg);
    EXPECT_EQ(other.children(), QStringList({"TFiglioB"}));

    QWidget plain;
    TIniFile ini(QTemporaryDir().filePath("x.ini"));
    for (const auto& call : {std::function<void()>([&] { SaveMDIChildren(&plain, &ini); }),
                             std::function<void()>([&] { RestoreMDIChildrenReg(&plain, &reg); })}) {
        try {
            call();
            ADD_FAILURE() << "no error";
        } catch (const EInvalidOperation& e) {
            EXPECT_STREQ(e.what(), "Cannot create form. No MDI forms are currently active");
        }
    }
}

} // namespace

#include "AppHelpersTest.moc"
