#include "storage/MRUList.h"
#include "platform/IniFile.h"
#include "platform/MessageBox.h"
#include "storage/Apputils.h"
#include "storage/StoredForm.h"

#include <QMainWindow>
#include <QMenu>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// The main window's arrangement: a store in "FinestraPrincipale" and the recent-files list in
// the "Recent1" menu, four entries.
class TFormMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TFormMain(const QString& iniFile) {
        FormStorage1->SetIniFileName(iniFile);
        FormStorage1->SetIniSection("FinestraPrincipale");
        FormStorage1->SetOptions({});
        MRUManager1->setObjectName("MRUManager1");
        MRUManager1->SetCapacity(4);
        MRUManager1->SetIniStorage(FormStorage1);
        MRUManager1->SetRecentMenu(Recent1);
    }
    TFormStorage* FormStorage1 = new TFormStorage(this);
    QMenu* Recent1 = new QMenu("&Recenti", this);
    TMRUManager* MRUManager1 = new TMRUManager(this);
};

namespace {

QStringList names(const TRecentStrings& list) {
    QStringList result;
    for (int i = 0; i < list.Count(); ++i)
        result.append(list.Strings(i));
    return result;
}

QStringList captions(const QMenu* menu) {
    QStringList result;
    for (const QAction* action : menu->actions())
        result.append(action->isSeparator() ? "-" : action->text());
    return result;
}

TEST(RecentStrings, AddingMovesAnExistingNameToTheFrontKeepingItsSpelling) {
    TRecentStrings list;
    EXPECT_EQ(list.Add("a.qzd"), 0);
    list.Add("b.qzd");
    list.Add("A.QZD");
    EXPECT_EQ(names(list), QStringList({"a.qzd", "b.qzd"}));
    list.SetMode(rmAppend);
    EXPECT_EQ(list.Add("a.qzd"), 1);
    EXPECT_EQ(names(list), QStringList({"b.qzd", "a.qzd"}));
}

TEST(RecentStrings, TheCapacityDropsTheOldestEntries) {
    TRecentStrings list;
    int changes = 0;
    list.OnChange = [&] { ++changes; };
    list.SetMaxSize(4);
    for (const char* name : {"1", "2", "3", "4", "5"})
        list.Add(name);
    EXPECT_EQ(names(list), QStringList({"5", "4", "3", "2"}));
    EXPECT_EQ(changes, 5);
    list.SetMaxSize(2);
    EXPECT_EQ(names(list), QStringList({"5", "4"}));
    list.SetMaxSize(0);
    EXPECT_EQ(list.MaxSize(), 1);
    EXPECT_EQ(names(list), QStringList({"5"}));

    TRecentStrings appended;
    appended.SetMode(rmAppend);
    appended.SetMaxSize(2);
    for (const char* name : {"1", "2", "3"})
        appended.Add(name);
    EXPECT_EQ(names(appended), QStringList({"2", "3"}));
}

TEST(RecentStrings, AddStringsKeepsTheOtherListsOrderAtTheFront) {
    TRecentStrings source;
    source.SetMode(rmAppend);
    for (const char* name : {"x", "y", "z"})
        source.Add(name, 7);
    TRecentStrings list;
    list.SetMaxSize(4);
    list.Add("old");
    list.Add("older");
    list.AddStrings(source);
    EXPECT_EQ(names(list), QStringList({"x", "y", "z", "older"}));
    EXPECT_EQ(list.Objects(0), 7);
    list.Remove("Y");
    list.Remove("missing");
    EXPECT_EQ(names(list), QStringList({"x", "z", "older"}));
}

class MRUListTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath("Quendel.ini");
    TIniFile ini{path};
    const QString section = "FinestraPrincipale\\TFormMain.MRUManager1";
};

TEST_F(MRUListTest, TheMenuShowsNumberedEntriesAndIsEnabledOnlyWithEntries) {
    TStoredForm<TFormMain> w(path);
    EXPECT_FALSE(w.Recent1->menuAction()->isEnabled());
    w.MRUManager1->Add("c:/partite/uno.qzd", 0);
    w.MRUManager1->Add("due.qzd", 0);
    EXPECT_TRUE(w.Recent1->menuAction()->isEnabled());
    EXPECT_EQ(captions(w.Recent1), QStringList({"&1\tdue.qzd", "&2\tc:/partite/uno.qzd"}));
    w.MRUManager1->SetAccelDelimiter(adSpace);
    w.MRUManager1->SetStartAccel(9);
    EXPECT_EQ(captions(w.Recent1), QStringList({"&9 due.qzd", "&A c:/partite/uno.qzd"}));
    w.MRUManager1->SetStartAccel(100);
    EXPECT_EQ(captions(w.Recent1).last(), "  c:/partite/uno.qzd");
    w.MRUManager1->SetShowAccelChar(false);
    w.MRUManager1->Add("nome|suggerimento", 0);
    EXPECT_EQ(captions(w.Recent1).first(), "nome");
    EXPECT_EQ(w.Recent1->actions().first()->statusTip(), "suggerimento");
    w.MRUManager1->Clear();
    EXPECT_TRUE(w.Recent1->actions().isEmpty());
    EXPECT_FALSE(w.Recent1->menuAction()->isEnabled());
}

TEST_F(MRUListTest, SeparatorsSplitGroupsAndFollowTheMenusOwnItems) {
    TStoredForm<TFormMain> w(path);
    w.Recent1->addAction("Apri...");
    w.MRUManager1->SetSeparateSize(2);
    for (const char* name : {"a", "b", "c"})
        w.MRUManager1->Add(name, 0);
    EXPECT_EQ(captions(w.Recent1), QStringList({"Apri...", "-", "&1\tc", "&2\tb", "-", "&3\ta"}));
}

TEST_F(MRUListTest, ItemDataAndClicksReachTheEvents) {
    TStoredForm<TFormMain> w(path);
    w.MRUManager1->OnGetItemData = [](QObject*, QString& caption, QKeySequence& shortCut,
                                      int data) {
        caption += QString(" (%1)").arg(data);
        shortCut = QKeySequence("Ctrl+1");
    };
    QStringList clicked;
    w.MRUManager1->OnClick = [&](QObject*, const QString& name, const QString& caption, int data) {
        clicked << name << caption << QString::number(data);
    };
    w.MRUManager1->Add("uno.qzd", 5);
    QAction* item = w.Recent1->actions().first();
    EXPECT_EQ(item->shortcut(), QKeySequence("Ctrl+1"));
    item->trigger();
    EXPECT_EQ(clicked, QStringList({"uno.qzd", "&1\tuno.qzd (5)", "5"}));
}

TEST_F(MRUListTest, AClickThatChangesTheListFinishesBeforeTheMenuIsRebuilt) {
    TStoredForm<TFormMain> w(path);
    w.MRUManager1->Add("uno.qzd", 0);
    w.MRUManager1->Add("due.qzd", 0);
    QAction* clickedItem = nullptr;
    bool stillInMenu = false;
    w.MRUManager1->OnClick = [&](QObject*, const QString& name, const QString&, int) {
        w.MRUManager1->Add(name, 0);
        w.MRUManager1->Add("tre.qzd", 0);
        stillInMenu = w.Recent1->actions().contains(clickedItem);
    };
    clickedItem = w.Recent1->actions().at(1);
    clickedItem->trigger();
    EXPECT_TRUE(stillInMenu);
    EXPECT_EQ(captions(w.Recent1), QStringList({"&1\ttre.qzd", "&2\tuno.qzd", "&3\tdue.qzd"}));
}

// The main window's handler removes the clicked name from the list before it opens the file.
TEST_F(MRUListTest, AHandlerThatRemovesTheClickedEntryStillHasItsName) {
    const QStringList all{"a|b.qzd", "partita con spazi.qzd", "città é ù.qzd", "x"};
    for (int index = 0; index < all.size(); ++index) {
        TStoredForm<TFormMain> w(path);
        for (qsizetype i = all.size() - 1; i >= 0; --i)
            w.MRUManager1->Add(all[i], 0);
        QString opened;
        w.MRUManager1->OnClick = [&](QObject*, const QString& name, const QString&, int) {
            w.MRUManager1->Remove(name);
            w.MRUManager1->Add("altro nome molto più lungo di tutti gli altri.qzd", 0);
            opened = name;
        };
        w.Recent1->actions().at(index)->trigger();
        EXPECT_EQ(opened, all[index]);
    }
}

TEST_F(MRUListTest, RemoveOnSelectDropsTheChosenEntryEvenWhenTheHandlerFails) {
    TStoredForm<TFormMain> w(path);
    w.MRUManager1->SetRemoveOnSelect(true);
    w.MRUManager1->Add("uno.qzd", 0);
    w.MRUManager1->Add("due.qzd", 0);
    w.MRUManager1->OnClick = [](QObject*, const QString&, const QString&, int) {
        throw std::runtime_error("cannot open");
    };
    QStringList errors;
    const auto previous =
        platform::SetMessageBoxHook([&](const QString& text, const QString&, int) {
            errors.append(text);
            return int(platform::IDOK);
        });
    w.Recent1->actions().at(1)->trigger();
    platform::SetMessageBoxHook(previous);
    EXPECT_EQ(errors, QStringList({"cannot open"}));
    EXPECT_EQ(names(w.MRUManager1->Strings()), QStringList({"due.qzd"}));
    EXPECT_EQ(captions(w.Recent1), QStringList({"&1\tdue.qzd"}));
}

TEST_F(MRUListTest, TheListIsKeptInItsSubSection) {
    {
        TStoredForm<TFormMain> w(path);
        w.show();
        for (const char* name : {"a.qzd", "\"quoted\".qzd\"", "c.qzd"})
            w.MRUManager1->Add(name, 0);
        w.MRUManager1->Add("data.qzd", 3);
        w.close();
    }
    EXPECT_EQ(ini.ReadSection(section),
              QStringList({"Item_0", "User_0", "Item_1", "Item_2", "Item_3"}));
    EXPECT_EQ(ini.ReadString(section, "Item_0", ""), "data.qzd");
    EXPECT_EQ(ini.ReadString(section, "User_0", ""), "3");
    EXPECT_EQ(ini.ReadString(section, "Item_3", ""), "a.qzd");
    EXPECT_EQ(ini.ReadString("FinestraPrincipale", "FormVersion", ""), "0");
    TStoredForm<TFormMain> again(path);
    again.show();
    EXPECT_EQ(names(again.MRUManager1->Strings()),
              QStringList({"data.qzd", "c.qzd", "\"quoted\".qzd\"", "a.qzd"}));
    EXPECT_EQ(again.MRUManager1->Strings().Objects(0), 3);
}

TEST_F(MRUListTest, LoadingSkipsGapsIndexesBeyondTheCapacityAndDuplicates) {
    ini.WriteString(section, "Item_0", "primo.qzd");
    ini.WriteString(section, "Item_2", "PRIMO.qzd");
    ini.WriteString(section, "Item_3", "terzo.qzd");
    ini.WriteString(section, "Item_5", "oltre.qzd");
    ini.WriteString(section, "User_3", "x");
    TStoredForm<TFormMain> w(path);
    w.MRUManager1->Add("prima del caricamento", 0);
    w.show();
    // The entry keeps the spelling it was first added with.
    EXPECT_EQ(names(w.MRUManager1->Strings()), QStringList({"PRIMO.qzd", "terzo.qzd"}));
    EXPECT_EQ(w.MRUManager1->Strings().Objects(1), 0);
    EXPECT_EQ(w.MRUManager1->Mode(), rmInsert);
}

TEST_F(MRUListTest, ReadAndWriteEventsReplaceTheKeys) {
    TStoredForm<TFormMain> w(path);
    w.MRUManager1->OnWriteItem = [](QObject*, TIniObject file, const QString& s, int index,
                                    const QString& name, int) {
        IniWriteString(file, s, QString("File%1").arg(index), name);
    };
    w.MRUManager1->OnReadItem = [](QObject*, TIniObject file, const QString& s, int index,
                                   QString& name, int& data) {
        name = IniReadString(file, s, QString("File%1").arg(index), "");
        data = 9;
    };
    w.show();
    w.MRUManager1->Add("x.qzd", 0);
    w.close();
    EXPECT_EQ(ini.ReadSection(section), QStringList({"File0"}));
    w.show();
    EXPECT_EQ(w.MRUManager1->Strings().Objects(0), 9);
}

TEST_F(MRUListTest, ADestroyedMenuIsForgotten) {
    TStoredForm<TFormMain> w(path);
    w.MRUManager1->Add("a", 0);
    delete w.Recent1;
    EXPECT_EQ(w.MRUManager1->RecentMenu(), nullptr);
    w.MRUManager1->Add("b", 0);
    EXPECT_EQ(w.MRUManager1->Strings().Count(), 2);
}

} // namespace

#include "MRUListTest.moc"
