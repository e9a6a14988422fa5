#include "platform/Registry.h"

#include "ConfigHome.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

class RegistryTest : public ::testing::Test {
protected:
    ConfigHome home;

    QByteArray raw(const QString& root = "HKEY_CURRENT_USER") const {
        QFile file(home.registryFile(root));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void writeRaw(const QByteArray& bytes) {
        ASSERT_TRUE(QDir().mkpath(home.path() + "/quendel/registry"));
        QFile file(home.registryFile("HKEY_CURRENT_USER"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
};

TEST_F(RegistryTest, NamesAndValuesComeBackExactlyAsWritten) {
    const QList<std::pair<QString, QString>> cases = {
        {"Plain", "valore"},
        {"Quoted", "\"tra virgolette\""},
        {"Single", "'apici'"},
        {"OneQuote", "\""},
        {"Blanks", "  a destra e a sinistra  "},
        {"Lines", "riga uno\r\nriga due\nriga tre"},
        {"Command", "C:\\Quendel\\quendel.exe \"%1\""},
        {"Equals=in=name", "a=b"},
        {"[Bracket", ";punto e virgola"},
        {"@", "not the default value"},
        {"Escapes", "\\x41 \\u0041 \\"},
        {"Accents", QString::fromUtf8("perche\xcc\x81 caff\xc3\xa8 \xe2\x82\xac")},
        {"Empty", ""},
        {"", "il valore predefinito"},
    };
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("Software\\Quendel", true));
        for (const auto& [name, value] : cases)
            reg.WriteString(name, value);
    }
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\software\\QUENDEL", false));
    QStringList names;
    for (const auto& [name, value] : cases) {
        EXPECT_TRUE(reg.ValueExists(name)) << name.toStdString();
        EXPECT_EQ(reg.ReadString(name), value) << name.toStdString();
        names.append(name);
    }
    EXPECT_EQ(reg.GetValueNames(), names);
    EXPECT_FALSE(reg.ValueExists("Missing"));
    EXPECT_EQ(reg.ReadString("Missing"), "");
    // The file stays 8-bit text, one line per value.
    EXPECT_EQ(raw().count('\n'), cases.size() + 1);
    EXPECT_TRUE(raw().contains("@=\"il valore predefinito\""));
}

TEST_F(RegistryTest, KeyNamesComeBackExactlyAsWritten) {
    const QStringList keys = {
        QString::fromUtf8("Ωmega"),
        QString::fromUtf8("中文"),
        "spazio in coda  ",
        "  spazio in testa",
        QString::fromUtf8("perché"),
        "100% [quadre]",
        "tab\tinterno",
        QString::fromUtf8("emoji \U0001F600"),
    };
    {
        TRegistry reg;
        for (const QString& key : keys) {
            // Each name alone, and as a parent with a value of the same kind of name below it.
            ASSERT_TRUE(reg.OpenKey("\\Software\\" + key, true)) << key.toStdString();
            reg.WriteString(key, key + " valore");
            ASSERT_TRUE(reg.OpenKey(key, true)) << key.toStdString();
            reg.WriteString(key, key);
        }
    }
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\Software", false));
    EXPECT_EQ(reg.GetKeyNames(), keys);
    for (const QString& key : keys) {
        ASSERT_TRUE(reg.OpenKey("\\Software\\" + key, false)) << key.toStdString();
        EXPECT_EQ(reg.GetValueNames(), QStringList{key});
        EXPECT_EQ(reg.ReadString(key), key + " valore");
        EXPECT_EQ(reg.GetKeyNames(), QStringList{key});
        ASSERT_TRUE(reg.OpenKey(key, false));
        EXPECT_EQ(reg.ReadString(key), key);
    }
    // Letters beyond Latin-1 compare without regard to case too.
    ASSERT_TRUE(reg.OpenKey(QString::fromUtf8("\\software\\ωMEGA"), false));
    EXPECT_EQ(reg.ReadString(QString::fromUtf8("Ωmega")), QString::fromUtf8("Ωmega valore"));
    reg.WriteString("altro", "1");
    ASSERT_TRUE(reg.DeleteKey(QString::fromUtf8("\\Software\\ΩMEGA")));
    EXPECT_FALSE(reg.KeyExists(QString::fromUtf8("\\Software\\Ωmega\\Ωmega")));
    EXPECT_EQ(raw().count("mega"), 0);
    EXPECT_TRUE(raw().contains("[\\Software\\\\\\u4E2D\\\\u6587]\n"));
    EXPECT_TRUE(raw().contains("[\\Software\\spazio in coda\\\\x20\\\\x20]\n"));
    EXPECT_TRUE(raw().contains("[\\Software\\100% [quadre\\\\x5D]\n"));
}

TEST_F(RegistryTest, FilesWrittenBeforeKeyEscapesReadTheSame) {
    writeRaw(
        "[\\Software\\Quendel]\n\"A\"=\"1\"\n[\\Software\\a b \\c]\n\"B\"=\"2\"\n"
        "[\\Software\\tab\tkey]\n\"C\"=\"3\"\n[\\Software\\caff\xe8 % \\u0041]\n\"D\"=\"4\"\n");
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\Software", false));
    EXPECT_EQ(reg.GetKeyNames(),
              QStringList({"Quendel", "a b ", "tab\tkey", QString::fromUtf8("caffè % ")}));
    const QList<std::pair<QString, QString>> values = {
        {"\\Software\\Quendel", "A"},
        {"\\Software\\a b \\c", "B"},
        {"\\Software\\tab\tkey", "C"},
        {QString::fromUtf8("\\Software\\caffè % \\u0041"), "D"},
    };
    for (qsizetype i = 0; i < values.size(); ++i) {
        ASSERT_TRUE(reg.OpenKey(values.at(i).first, false)) << values.at(i).first.toStdString();
        EXPECT_EQ(reg.ReadInteger(values.at(i).second), i + 1);
        reg.WriteInteger(values.at(i).second, 10 + int(i));
    }
    // Writes go into the sections as they stand; a plain new key looks as it always did.
    ASSERT_TRUE(reg.OpenKey("\\Software\\Nuova", true));
    reg.WriteString("F", "6");
    EXPECT_EQ(raw(),
              "[\\Software\\Quendel]\n\"A\"=\"10\"\n[\\Software\\a b \\c]\n\"B\"=\"11\"\n"
              "[\\Software\\tab\tkey]\n\"C\"=\"12\"\n"
              "[\\Software\\caff\xe8 % \\u0041]\n\"D\"=\"13\"\n[\\Software\\Nuova]\n\"F\"=\"6\"\n");
}

TEST_F(RegistryTest, KeyPathsIgnoreCaseEmptyPartsAndStartAtTheRootWithABackslash) {
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey("Software\\Quendel", false));
    ASSERT_TRUE(reg.OpenKey("\\\\Software\\\\Quendel\\", true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Quendel");
    ASSERT_TRUE(reg.OpenKey("Impostazioni", true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Quendel\\Impostazioni");
    reg.WriteInteger("Porta", 119);
    ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\quendel\\IMPOSTAZIONI", false));
    EXPECT_EQ(reg.ReadInteger("porta"), 119);
    EXPECT_TRUE(reg.KeyExists("\\software"));
    EXPECT_TRUE(reg.KeyExists("\\"));
    reg.CloseKey();
    EXPECT_EQ(reg.CurrentPath(), "");
    EXPECT_EQ(reg.GetKeyNames(), QStringList({"Software"}));
    EXPECT_TRUE(raw().contains("[\\Software\\Quendel]\n"));
    EXPECT_TRUE(raw().contains("[\\Software\\Quendel\\Impostazioni]\n\"Porta\"=\"119\"\n"));
}

TEST_F(RegistryTest, EachRootIsAFileOfItsOwn) {
    const QList<std::pair<HKEY, QString>> roots = {
        {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},     {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
        {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},   {HKEY_USERS, "HKEY_USERS"},
        {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"}, {HKEY_DYN_DATA, "HKEY_DYN_DATA"},
    };
    for (const auto& [root, name] : roots) {
        TRegistry reg;
        reg.SetRootKey(root);
        EXPECT_EQ(TRegistry::RootFileName(root), home.registryFile(name));
        ASSERT_TRUE(reg.OpenKey("\\.qzd", true));
        reg.WriteString("", name);
    }
    for (const auto& [root, name] : roots) {
        TRegistry reg;
        reg.SetRootKey(root);
        ASSERT_TRUE(reg.OpenKey(".qzd", false));
        EXPECT_EQ(reg.ReadString(""), name);
        EXPECT_EQ(raw(name), "[\\.qzd]\n@=\"" + name.toLatin1() + "\"\n");
    }
}

TEST_F(RegistryTest, ValuesAndKeysAreDeletedWithEverythingBelowThem) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\quendel_game_file\\shell\\open\\command", true));
    reg.WriteString("", "quendel \"%1\"");
    ASSERT_TRUE(reg.OpenKey("\\quendel_game_file", true));
    reg.WriteString("", "Partita Quendel");
    reg.WriteString("Other", "x");
    ASSERT_TRUE(reg.OpenKey("\\.qzd", true));
    reg.WriteString("", "quendel_game_file");
    ASSERT_TRUE(reg.OpenKey("\\Empty", true));
    reg.CloseKey();
    EXPECT_EQ(reg.GetKeyNames(), QStringList({"quendel_game_file", ".qzd", "Empty"}));

    ASSERT_TRUE(reg.OpenKey("\\quendel_game_file", false));
    EXPECT_TRUE(reg.DeleteValue("other"));
    EXPECT_FALSE(reg.DeleteValue("other"));
    EXPECT_EQ(reg.GetValueNames(), QStringList({""}));
    EXPECT_EQ(reg.GetKeyNames(), QStringList({"shell"}));
    EXPECT_TRUE(reg.DeleteKey("\\QUENDEL_GAME_FILE"));
    EXPECT_FALSE(reg.KeyExists("\\quendel_game_file\\shell\\open\\command"));
    EXPECT_FALSE(reg.DeleteKey("\\quendel_game_file"));
    EXPECT_FALSE(reg.DeleteKey("\\"));
    reg.CloseKey();
    EXPECT_EQ(reg.GetKeyNames(), QStringList({".qzd", "Empty"}));
}

TEST_F(RegistryTest, AReadOnlyRegistryNeitherCreatesNorWrites) {
    TRegistry reg(true);
    EXPECT_FALSE(reg.OpenKey("\\Software\\Quendel", true));
    EXPECT_THROW(reg.WriteString("Nome", "v"), ERegistryException);
    EXPECT_FALSE(QFile::exists(home.registryFile("HKEY_CURRENT_USER")));
    TRegIniFile ini("Software\\Quendel", true);
    EXPECT_EQ(ini.ReadString("Finestra", "Nome", "def"), "def");
    EXPECT_THROW(ini.WriteString("Finestra", "Nome", "v"), ERegistryException);
}

TEST_F(RegistryTest, AnIntegerThatIsMissingOrNotANumberIsAnError) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\Numeri", true));
    reg.WriteString("Testo", "dodici");
    reg.WriteString("Hex", "0x1F");
    reg.WriteInteger("Zero", 0);
    EXPECT_EQ(reg.ReadInteger("Hex"), 31);
    EXPECT_EQ(reg.ReadInteger("Zero"), 0);
    EXPECT_THROW(reg.ReadInteger("Testo"), ERegistryException);
    EXPECT_THROW(reg.ReadInteger("Missing"), ERegistryException);
}

TEST_F(RegistryTest, TheIniViewWorksBelowItsKeyAndAnAbsoluteSectionFromTheRoot) {
    TRegIniFile ini("Software\\Quendel");
    EXPECT_FALSE(QFile::exists(home.registryFile("HKEY_CURRENT_USER")));
    ini.WriteString("FinestraPrincipale", "Nome", "\"x\"");
    ini.WriteInteger("FinestraPrincipale\\TFormMain.MRUManager1", "Count", 2);
    ini.WriteBool("Impostazioni", "Suono", true);
    ini.WriteString("", "Proprio", "sulla chiave");
    ini.WriteString("\\Altrove", "Assoluto", "1");
    EXPECT_EQ(ini.ReadString("finestraprincipale", "nome", ""), "\"x\"");
    EXPECT_EQ(ini.ReadInteger("FinestraPrincipale\\TFormMain.MRUManager1", "Count", 0), 2);
    EXPECT_TRUE(ini.ReadBool("Impostazioni", "Suono", false));
    EXPECT_EQ(ini.ReadInteger("Impostazioni", "Missing", 5), 5);
    EXPECT_EQ(ini.ReadString("", "Proprio", ""), "sulla chiave");
    EXPECT_EQ(ini.ReadSections(), QStringList({"FinestraPrincipale", "Impostazioni"}));
    EXPECT_EQ(ini.ReadSection("FinestraPrincipale"), QStringList({"Nome"}));
    EXPECT_EQ(ini.CurrentPath(), "Software\\Quendel");

    ini.DeleteKey("FinestraPrincipale", "Nome");
    EXPECT_EQ(ini.ReadString("FinestraPrincipale", "Nome", "gone"), "gone");
    ini.EraseSection("FinestraPrincipale");
    EXPECT_EQ(ini.ReadInteger("FinestraPrincipale\\TFormMain.MRUManager1", "Count", 0), 0);
    EXPECT_EQ(ini.ReadSections(), QStringList({"Impostazioni"}));

    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\Altrove", false));
    EXPECT_EQ(reg.ReadString("Assoluto"), "1");
}

TEST_F(RegistryTest, TwoObjectsOnOneRootSeeEachOthersWrites) {
    TRegIniFile first("Software\\Quendel");
    TRegIniFile second("SOFTWARE\\QUENDEL");
    first.WriteString("S", "K", "a");
    EXPECT_EQ(second.ReadString("S", "K", ""), "a");
    second.WriteString("S", "L", "b");
    first.WriteString("S", "K", "c");
    EXPECT_EQ(second.ReadString("S", "K", ""), "c");
    EXPECT_EQ(first.ReadString("S", "L", ""), "b");
    second.EraseSection("S");
    EXPECT_TRUE(first.ReadSections().isEmpty());
}

TEST_F(RegistryTest, TwoProcessesWritingOneRootLoseNothing) {
    constexpr int count = 40;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", home.path());
    QProcess one;
    QProcess two;
    one.setProcessEnvironment(env);
    two.setProcessEnvironment(env);
    one.start(REG_WRITER_PATH, {"Software\\Uno", "a", QString::number(count)});
    two.start(REG_WRITER_PATH, {"Software\\Due", "b", QString::number(count)});
    TRegIniFile reg("Software");
    for (int i = 0; i < count; ++i)
        reg.WriteInteger("Tre", "c" + QString::number(i), i);
    ASSERT_TRUE(one.waitForFinished(60000));
    ASSERT_TRUE(two.waitForFinished(60000));
    EXPECT_EQ(one.exitCode(), 0) << one.readAllStandardError().toStdString();
    EXPECT_EQ(two.exitCode(), 0) << two.readAllStandardError().toStdString();
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(reg.ReadInteger("Uno", "a" + QString::number(i), -1), i);
        EXPECT_EQ(reg.ReadInteger("Due", "b" + QString::number(i), -1), i);
        EXPECT_EQ(reg.ReadInteger("Tre", "c" + QString::number(i), -1), i);
    }
}

TEST_F(RegistryTest, ARootWithoutRightsRefusesWritesAndKeepsItsFileWhole) {
    {
        TRegistry reg;
        reg.SetRootKey(HKEY_LOCAL_MACHINE);
        ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\Classes\\.qzd", true));
        reg.WriteString("", "quendel_game_file");
    }
    const QByteArray before = raw("HKEY_LOCAL_MACHINE");
    ASSERT_TRUE(TRegistry::SetRootReadOnly(HKEY_LOCAL_MACHINE, true));
    ASSERT_TRUE(TRegistry::SetRootReadOnly(HKEY_CLASSES_ROOT, true));
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\Classes\\.qzd", true));
    EXPECT_THROW(reg.WriteString("", "altro"), std::runtime_error);
    EXPECT_THROW(reg.OpenKey("\\SOFTWARE\\Classes\\quendel_game_file", true), std::runtime_error);
    EXPECT_THROW(reg.DeleteKey("\\SOFTWARE\\Classes\\.qzd"), std::runtime_error);
    EXPECT_EQ(reg.ReadString(""), "quendel_game_file");
    EXPECT_EQ(raw("HKEY_LOCAL_MACHINE"), before);
    reg.SetRootKey(HKEY_CLASSES_ROOT);
    EXPECT_THROW(reg.OpenKey("\\.qzd", true), std::runtime_error);
    EXPECT_EQ(raw("HKEY_CLASSES_ROOT"), "");
    ASSERT_TRUE(TRegistry::SetRootReadOnly(HKEY_LOCAL_MACHINE, false));
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\Classes\\.qzd", false));
    reg.WriteString("", "altro");
    EXPECT_EQ(reg.ReadString(""), "altro");
}

TEST_F(RegistryTest, AFolderThatCannotBeMadeIsReported) {
    QFile blocker(home.path() + "/quendel");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    TRegIniFile ini("Software\\Quendel");
    EXPECT_EQ(ini.ReadString("S", "K", "def"), "def");
    try {
        ini.WriteString("S", "K", "v");
        FAIL() << "no exception";
    } catch (const ERegistryException& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).startsWith("Impossibile creare la cartella"));
    }
}

TEST_F(RegistryTest, ADamagedFileReadsWithoutHarm) {
    writeRaw("garbage\n[\\Ok]\n\"A\"=\"1\"\n[no backslash]\n\"B\"=\"2\"\n[\\Bad\\\\Path]\n"
             "\"C\"=\"3\"\n[\\Ok]\n\"A\"=\"second\"\n[\\Esc]\nbare=\\x4\n\"Q\"=\"\\u12\n"
             "[\\Ok\\Sub\n=novalue\n\xff\xfe\x00\x01");
    TRegistry reg;
    EXPECT_EQ(reg.GetKeyNames(), QStringList({"Ok", "Esc"}));
    ASSERT_TRUE(reg.OpenKey("\\Ok", false));
    EXPECT_EQ(reg.ReadString("A"), "1");
    EXPECT_EQ(reg.GetKeyNames(), QStringList({"Sub"}));
    ASSERT_TRUE(reg.OpenKey("\\Esc", false));
    EXPECT_EQ(reg.GetValueNames(), QStringList({"Q"}));
    EXPECT_FALSE(reg.ValueExists("bare"));
    EXPECT_EQ(reg.ReadString("Q"), "\"\\u12");
    reg.WriteString("Nuovo", "v");
    ASSERT_TRUE(reg.OpenKey("\\Ok", false));
    EXPECT_EQ(reg.ReadString("A"), "1");
}

} // namespace

namespace {

// A burst of registry writes in one update: read back at once, written at its end in one rewrite
// with the bytes the same writes make one by one, and a key's removal the same.
TEST_F(RegistryTest, WritesInOneUpdateGiveTheBytesOfWritesOneByOne) {
    const auto burst = [](TRegistry& reg) {
        ASSERT_TRUE(reg.OpenKey("Software\\Quendel\\Finestra", true));
        for (int i = 0; i < 30; ++i)
            reg.WriteString(QStringLiteral("Valore%1").arg(i % 12),
                            QStringLiteral(" \"%1\" ").arg(i));
        reg.WriteInteger("Numero", 7);
        ASSERT_TRUE(reg.OpenKey("\\Software\\Quendel\\Altra\\Sotto", true));
        reg.WriteString("", "predefinito");
        reg.DeleteValue("Mancante");
        EXPECT_TRUE(reg.DeleteKey("\\Software\\Quendel\\Altra"));
        ASSERT_TRUE(reg.OpenKey("\\Software\\Quendel", false));
        reg.WriteString("Dopo", "1");
    };
    writeRaw("[\\Software\\Quendel]\n\"Vecchio\"=\"1\"\n");
    {
        TRegistry reg;
        burst(reg);
    }
    const QByteArray oneByOne = raw();
    writeRaw("[\\Software\\Quendel]\n\"Vecchio\"=\"1\"\n");
    TRegistry reg;
    reg.BeginUpdate();
    burst(reg);
    EXPECT_EQ(raw(), "[\\Software\\Quendel]\n\"Vecchio\"=\"1\"\n");
    EXPECT_EQ(reg.ReadString("Dopo"), "1");
    EXPECT_FALSE(reg.KeyExists("\\Software\\Quendel\\Altra"));
    reg.EndUpdate();
    EXPECT_EQ(raw(), oneByOne);
}

} // namespace
