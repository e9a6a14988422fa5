// The settings store's registry road, side by side with its profile-file road.

#include "platform/IniFile.h"
#include "platform/MessageBox.h"
#include "platform/PropertyAdapters.h"
#include "platform/Registry.h"
#include "storage/Apputils.h"
#include "storage/MRUList.h"
#include "storage/StoredForm.h"

#include "ConfigHome.h"

#include <QCheckBox>
#include <QFile>
#include <QMainWindow>
#include <QMenu>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// A window with placement, two stored properties and a recent-files list.
class TFormRegistro : public QMainWindow {
    Q_OBJECT
public:
    TFormRegistro(const QString& iniFile, bool useRegistry, TPlacementRegRoot root) {
        CheckBoxSuono->setObjectName("CheckBoxSuono");
        cbServer->setObjectName("cbServer");
        cbServer->addItems({"primo", "\"secondo\"", "terzo"});
        FormStorage1->SetIniFileName(iniFile);
        FormStorage1->SetIniSection("Registro");
        FormStorage1->SetUseRegistry(useRegistry);
        FormStorage1->SetRegistryRoot(root);
        FormStorage1->SetStoredProps({"CheckBoxSuono.Checked", "cbServer.Text"});
        MRUManager1->setObjectName("MRUManager1");
        MRUManager1->SetCapacity(4);
        MRUManager1->SetIniStorage(FormStorage1);
        MRUManager1->SetRecentMenu(Recent1);
        setGeometry(100, 100, 300, 200);
    }

    QCheckBox* CheckBoxSuono = new QCheckBox(this);
    TComboBox* cbServer = new TComboBox(this);
    TFormStorage* FormStorage1 = new TFormStorage(this);
    QMenu* Recent1 = new QMenu("&Recenti", this);
    TMRUManager* MRUManager1 = new TMRUManager(this);
};

namespace {

const QString Key = "Software\\Quendel";

QStringList recentNames(const TMRUManager* manager) {
    QStringList names;
    for (int i = 0; i < manager->Strings().Count(); ++i)
        names.append(manager->Strings().Strings(i));
    return names;
}

class RegistryStoreTest : public ::testing::Test {
protected:
    ConfigHome home;
    QTemporaryDir dir;
    QString path = dir.filePath("Quendel.ini");
    QStringList errors;
    platform::MessageBoxHook previous;

    void SetUp() override {
        previous = platform::SetMessageBoxHook([this](const QString& text, const QString&, int) {
            errors.append(text);
            return int(platform::IDOK);
        });
    }
    void TearDown() override { platform::SetMessageBoxHook(previous); }

    std::unique_ptr<TStoredForm<TFormRegistro>> window(bool registry, TPlacementRegRoot root) {
        return std::make_unique<TStoredForm<TFormRegistro>>(registry ? Key : path, registry, root);
    }

    // Every name and value of a section and the sections below it, as the store's file holds
    // them, read back through the dispatchers.
    QStringList stored(TIniObject ini, const QStringList& sections) {
        QStringList lines;
        for (const QString& section : sections) {
            const QStringList names = ini.RegIniFile() ? ini.RegIniFile()->ReadSection(section)
                                                       : ini.IniFile()->ReadSection(section);
            for (const QString& name : names)
                lines.append(section + "/" + name + "=" + IniReadString(ini, section, name, ""));
        }
        return lines;
    }

    // Saves a moved and resized window with changed properties and recent files, and shows it again
    // in a new window; returns the stored lines.
    QStringList roundTrip(bool registry, TPlacementRegRoot root,
                          const std::function<QStringList()>& read) {
        {
            auto w = window(registry, root);
            w->show();
            w->setGeometry(120, 130, 320, 240);
            w->CheckBoxSuono->setChecked(true);
            w->cbServer->SetItemIndex(1);
            w->MRUManager1->Add("uno.qzd", 0);
            w->MRUManager1->Add("'due'.qzd", 5);
            w->close();
        }
        auto w = window(registry, root);
        w->show();
        EXPECT_EQ(w->geometry(), QRect(120, 130, 320, 240));
        EXPECT_TRUE(w->CheckBoxSuono->isChecked());
        EXPECT_EQ(w->cbServer->Text(), "\"secondo\"");
        EXPECT_EQ(recentNames(w->MRUManager1), QStringList({"'due'.qzd", "uno.qzd"}));
        EXPECT_EQ(w->MRUManager1->Strings().Objects(0), 5);
        return read();
    }
};

TEST_F(RegistryStoreTest, AFormKeepsTheSameSettingsThroughTheProfileFileAndUnderEveryRoot) {
    const QStringList sections = {"Registro", "Registro\\TFormRegistro.MRUManager1"};
    TIniFile ini(path);
    const QStringList expected =
        roundTrip(false, prCurrentUser, [&] { return stored(&ini, sections); });
    ASSERT_FALSE(expected.isEmpty());
    const QList<std::pair<TPlacementRegRoot, HKEY>> roots = {
        {prCurrentUser, HKEY_CURRENT_USER},
        {prLocalMachine, HKEY_LOCAL_MACHINE},
        {prCurrentConfig, HKEY_CURRENT_CONFIG},
        {prClassesRoot, HKEY_CLASSES_ROOT},
        {prUsers, HKEY_USERS},
        {prDynData, HKEY_DYN_DATA},
    };
    for (const auto& [root, hkey] : roots) {
        SCOPED_TRACE(TRegistry::RootName(hkey).toStdString());
        const QStringList got = roundTrip(true, root, [&] {
            TRegIniFile reg(Key, true);
            reg.SetRootKey(hkey);
            EXPECT_TRUE(reg.OpenKey(Key, false));
            return stored(&reg, sections);
        });
        EXPECT_EQ(got, expected);
        // Nothing of another root lands in the current user's file.
        EXPECT_EQ(QFile::exists(TRegistry::RootFileName(HKEY_CURRENT_USER)), root == prCurrentUser);
        QFile::remove(TRegistry::RootFileName(hkey));
    }
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
}

TEST_F(RegistryStoreTest, TheRegistryStoreLaysItsKeysOutBelowTheFileNameKey) {
    auto w = window(true, prCurrentUser);
    w->show();
    w->MRUManager1->Add("uno.qzd", 0);
    w->close();
    TRegistry reg(true);
    ASSERT_TRUE(reg.OpenKey("\\Software\\Quendel\\Registro", false));
    const QString suffix = ScreenSizeSuffix();
    EXPECT_EQ(reg.GetValueNames(),
              QStringList({"FormVersion", "Flags", "ShowCmd", "PixelsPerInch", "MinMaxPos" + suffix,
                           "MinMaxPos", "NormPos" + suffix, "NormPos", "Visible",
                           "CheckBoxSuono_Checked", "cbServer_Text"}));
    EXPECT_EQ(reg.ReadString("NormPos"), "100,100,400,300");
    EXPECT_EQ(reg.GetKeyNames(), QStringList({"TFormRegistro.MRUManager1"}));
    ASSERT_TRUE(reg.OpenKey("TFormRegistro.MRUManager1", false));
    EXPECT_EQ(reg.ReadString("Item_0"), "uno.qzd");

    w->FormStorage1->EraseSections();
    EXPECT_FALSE(reg.KeyExists("\\Software\\Quendel\\Registro"));
    EXPECT_TRUE(reg.KeyExists("\\Software\\Quendel"));
}

TEST_F(RegistryStoreTest, ARestoreFromAnEmptyRootGivesTheDesignedWindowAndCreatesNothing) {
    auto w = window(true, prLocalMachine);
    w->show();
    EXPECT_EQ(w->geometry(), QRect(100, 100, 300, 200));
    EXPECT_EQ(w->FormStorage1->ReadInteger("Missing", 7), 7);
    EXPECT_EQ(w->FormStorage1->ReadString("Missing", "def"), "def");
    EXPECT_FALSE(QFile::exists(TRegistry::RootFileName(HKEY_LOCAL_MACHINE)));
    EXPECT_FALSE(QFile::exists(TRegistry::RootFileName(HKEY_CURRENT_USER)));
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(RegistryStoreTest, ARootWithoutRightsReportsTheFailedSaveAndKeepsItsFile) {
    {
        auto w = window(true, prLocalMachine);
        w->show();
        w->close();
    }
    const QString file = TRegistry::RootFileName(HKEY_LOCAL_MACHINE);
    QFile before(file);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray bytes = before.readAll();
    ASSERT_TRUE(TRegistry::SetRootReadOnly(HKEY_LOCAL_MACHINE, true));
    auto w = window(true, prLocalMachine);
    w->show();
    w->setGeometry(10, 10, 200, 100);
    w->close();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(errors.size(), 1);
    QFile after(file);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), bytes);

    // A store whose key is not there yet cannot even create it.
    errors.clear();
    w->FormStorage1->SetIniFileName("Software\\Altro");
    w->show();
    w->close();
    EXPECT_EQ(errors.size(), 1);
}

TEST_F(RegistryStoreTest, AWriteDuringARestoreIsRefusedByTheReadOnlyRegistryFile) {
    auto w = window(true, prCurrentUser);
    w->FormStorage1->OnRestorePlacement = [&](QObject*) {
        w->FormStorage1->WriteInteger("Durante", 1);
    };
    w->show();
    EXPECT_TRUE(w->isVisible());
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().contains("sola lettura"));
}

TEST_F(RegistryStoreTest, TheFreeFunctionsKeepAPlacementBelowTheNamedKey) {
    QWidget form;
    form.setGeometry(30, 40, 200, 150);
    SaveFormPlacement(&form, Key, true);
    TRegIniFile reg(Key, true);
    EXPECT_EQ(reg.ReadString("QWidget", "NormPos", ""), "30,40,230,190");
    form.setGeometry(0, 0, 50, 50);
    RestoreFormPlacement(&form, Key, true);
    EXPECT_EQ(form.geometry(), QRect(30, 40, 200, 150));

    TRegIniFile writable(Key);
    form.setGeometry(5, 6, 70, 80);
    WriteFormPlacementReg(&form, &writable, "Altra");
    ReadFormPlacementReg(&form, &writable, "QWidget", false, true);
    EXPECT_EQ(form.geometry(), QRect(30, 40, 200, 150));
    ReadFormPlacementReg(&form, &writable, "Altra", false, true);
    EXPECT_EQ(form.geometry(), QRect(5, 6, 70, 80));
}

TEST_F(RegistryStoreTest, TheRecentFilesManagerLoadsAndSavesOnARegistryFile) {
    TMRUManager manager;
    manager.SetCapacity(3);
    manager.Add("a.qzd", 0);
    manager.Add("b.qzd", 2);
    TRegIniFile reg(Key);
    reg.WriteString("Recenti", "Stale", "x");
    manager.SaveToRegistry(&reg, "Recenti");
    EXPECT_EQ(reg.ReadSection("Recenti"), QStringList({"Item_0", "User_0", "Item_1"}));
    TMRUManager loaded;
    loaded.LoadFromRegistry(&reg, "Recenti");
    EXPECT_EQ(recentNames(&loaded), QStringList({"b.qzd", "a.qzd"}));
    EXPECT_EQ(loaded.Strings().Objects(0), 2);
}

// One table of operations, each run on a fresh profile file and a fresh registry file.
struct DispatchCase {
    const char* what;
    std::function<void(TIniObject)> write;
    std::function<QString(TIniObject)> read;
    QString expected;
};

QString written(TIniObject ini, const QString& value) {
    IniWriteString(ini, "S", "K", value);
    return IniReadString(ini, "S", "K", "<default>");
}

TEST_F(RegistryStoreTest, TheDispatchersGiveTheSameResultsOnBothKindsOfFile) {
    const auto text = [](const QString& value) {
        return [value](TIniObject ini) { return written(ini, value); };
    };
    const auto nothing = [](TIniObject) {};
    const std::vector<DispatchCase> cases = {
        {"plain text", nothing, text("testo"), "testo"},
        {"double quotes", nothing, text("\"tra virgolette\""), "\"tra virgolette\""},
        {"single quotes", nothing, text("'apici'"), "'apici'"},
        {"one double quote", nothing, text("\""), "\""},
        {"mixed quotes", nothing, text("\"misto'"), "\"misto'"},
        {"empty text", nothing, text(""), ""},
        {"missing key", nothing,
         [](TIniObject ini) { return IniReadString(ini, "S", "Nessuna", "def"); }, "def"},
        {"integer", [](TIniObject ini) { IniWriteInteger(ini, "S", "N", -42); },
         [](TIniObject ini) { return QString::number(IniReadInteger(ini, "S", "N", 0)); }, "-42"},
        {"hexadecimal integer", [](TIniObject ini) { IniWriteString(ini, "S", "N", "0x1F"); },
         [](TIniObject ini) { return QString::number(IniReadInteger(ini, "S", "N", 0)); }, "31"},
        {"text as integer", [](TIniObject ini) { IniWriteString(ini, "S", "N", "tre"); },
         [](TIniObject ini) { return QString::number(IniReadInteger(ini, "S", "N", 7)); }, "7"},
        {"true", [](TIniObject ini) { IniWriteBool(ini, "S", "B", true); },
         [](TIniObject ini) {
             return IniReadString(ini, "S", "B", "") +
                    (IniReadBool(ini, "S", "B", false) ? "+" : "-");
         },
         "1+"},
        {"false", [](TIniObject ini) { IniWriteBool(ini, "S", "B", false); },
         [](TIniObject ini) {
             return IniReadString(ini, "S", "B", "") +
                    (IniReadBool(ini, "S", "B", true) ? "+" : "-");
         },
         "0-"},
        {"deleted key",
         [](TIniObject ini) {
             IniWriteString(ini, "S", "K", "v");
             IniWriteString(ini, "S", "L", "w");
             IniDeleteKey(ini, "S", "k");
         },
         [](TIniObject ini) {
             return IniReadString(ini, "S", "K", "def") + IniReadString(ini, "S", "L", "def");
         },
         "defw"},
        {"erased section",
         [](TIniObject ini) {
             IniWriteString(ini, "S", "K", "v");
             IniWriteString(ini, "T", "K", "w");
             IniEraseSection(ini, "s");
         },
         [](TIniObject ini) {
             return IniReadString(ini, "S", "K", "def") + IniReadString(ini, "T", "K", "def");
         },
         "defw"},
        {"section list",
         [](TIniObject ini) {
             IniWriteInteger(ini, "Prima", "K", 1);
             IniWriteInteger(ini, "Seconda", "K", 2);
             IniWriteInteger(ini, "PRIMA", "L", 3);
         },
         [](TIniObject ini) { return IniReadSections(ini).join(","); }, "Prima,Seconda"},
        {"no file",
         [](TIniObject) {
             IniWriteString(nullptr, "S", "K", "v");
             IniWriteInteger(nullptr, "S", "K", 1);
             IniEraseSection(nullptr, "S");
         },
         [](TIniObject) {
             return IniReadString(nullptr, "S", "K", "a") +
                    QString::number(IniReadInteger(nullptr, "S", "K", 2)) +
                    (IniReadBool(nullptr, "S", "K", true) ? "t" : "f") +
                    IniReadSections(nullptr).join(",");
         },
         "a2t"},
    };
    for (const DispatchCase& c : cases) {
        SCOPED_TRACE(c.what);
        ConfigHome fresh;
        QTemporaryDir folder;
        TIniFile ini(folder.filePath("Quendel.ini"));
        TRegIniFile reg(Key);
        c.write(&ini);
        c.write(&reg);
        EXPECT_EQ(c.read(&ini), c.expected) << "profile file";
        EXPECT_EQ(c.read(&reg), c.expected) << "registry file";
    }
}

TEST_F(RegistryStoreTest, OnlyTheProfileFileGetsTheExtraQuotes) {
    TIniFile ini(path);
    TRegIniFile reg(Key);
    IniWriteString(&ini, "S", "K", "\"x\"");
    IniWriteString(&reg, "S", "K", "\"x\"");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "[S]\nK=\"\"x\"\"\n");
    TRegistry raw;
    ASSERT_TRUE(raw.OpenKey("\\Software\\Quendel\\S", false));
    EXPECT_EQ(raw.ReadString("K"), "\"x\"");
}

// Three columns kept as the grid layout keeps them.
class Columns : public IGridColumns {
public:
    QObject component;
    QList<int> widths = {40, 50, 60};
    const QObject* GridComponent() const override { return &component; }
    int GridColCount() const override { return int(widths.size()); }
    int GridColWidth(int Col) const override { return widths.at(Col); }
    void SetGridColWidth(int Col, int Width) override { widths[Col] = Width; }
};

TEST_F(RegistryStoreTest, AGridLayoutIsKeptInTheRegistryFileUnderItsDefaultSection) {
    Columns grid;
    grid.component.setObjectName("GridHeaders");
    TRegIniFile reg(Key);
    SaveGridLayoutReg(&grid, &reg);
    EXPECT_EQ(reg.ReadSection("GridHeaders"), QStringList({"Item0", "Item1", "Item2"}));
    reg.WriteInteger("GridHeaders", "Item1", 99);
    reg.DeleteKey("GridHeaders", "Item2");
    grid.widths = {1, 2, 3};
    RestoreGridLayoutReg(&grid, &reg);
    EXPECT_EQ(grid.widths, QList<int>({40, 99, 3}));
}

} // namespace

#include "RegistryStoreTest.moc"
