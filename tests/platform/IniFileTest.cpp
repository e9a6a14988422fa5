#include "platform/IniFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's own count of the heap, which malloc's statistics do not see.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace {

class IniFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("Quendel.ini"));

    void writeRaw(const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray raw() const {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

TEST_F(IniFileTest, MissingFileSectionAndKeyGiveTheDefault) {
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("S", "K", "def"), "def");
    EXPECT_EQ(ini.ReadInteger("S", "K", 7), 7);
    EXPECT_TRUE(ini.ReadBool("S", "K", true));
    EXPECT_TRUE(ini.ReadSections().isEmpty());
    writeRaw("[S]\nEmpty=\nOther=1\n");
    EXPECT_EQ(ini.ReadString("S", "Empty", "def"), "");
    EXPECT_EQ(ini.ReadString("S", "Missing", "def"), "def");
    EXPECT_EQ(ini.ReadString("T", "Other", "def"), "def");
    EXPECT_TRUE(ini.ValueExists("S", "Empty"));
    EXPECT_FALSE(ini.ValueExists("S", "Missing"));
}

TEST_F(IniFileTest, ReadingIgnoresCaseTrimsAndRemovesOnePairOfQuotes) {
    writeRaw("  [ Finestra ]  \n"
             "  Nome  =   valore con spazi   \n"
             "Doppie=\"\"x\"\"\n"
             "Semplici='y'\n"
             "Miste=\"z'\n"
             "Una=\"\n"
             "Due=\"\"\n"
             "Interne=a\"b\"\n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("FINESTRA", "nome", ""), "valore con spazi");
    EXPECT_EQ(ini.ReadString("finestra", "Doppie", ""), "\"x\"");
    EXPECT_EQ(ini.ReadString("Finestra", "Semplici", ""), "y");
    EXPECT_EQ(ini.ReadString("Finestra", "Miste", ""), "\"z'");
    EXPECT_EQ(ini.ReadString("Finestra", "Una", ""), "\"");
    EXPECT_EQ(ini.ReadString("Finestra", "Due", "x"), "");
    EXPECT_EQ(ini.ReadString("Finestra", "Interne", ""), "a\"b\"");
    EXPECT_TRUE(ini.SectionExists("finestra"));
    EXPECT_EQ(ini.ReadSection("FINESTRA").first(), "Nome");
}

TEST_F(IniFileTest, IntegersAcceptDecimalAndHexAndFallBackOnAnythingElse) {
    writeRaw("[N]\nA=42\nB=-17\nC=0x1F\nD=0XfF\nE=abc\nF=99999999999\nG=\nH=12abc\nI=0x\n"
             "J=1\nK=0\nL=0xFFFFFFFF\n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("N", "A", 0), 42);
    EXPECT_EQ(ini.ReadInteger("N", "B", 0), -17);
    EXPECT_EQ(ini.ReadInteger("N", "C", 0), 31);
    EXPECT_EQ(ini.ReadInteger("N", "D", 0), 255);
    EXPECT_EQ(ini.ReadInteger("N", "L", 0), -1);
    for (const char* key : {"E", "F", "G", "H", "I"})
        EXPECT_EQ(ini.ReadInteger("N", key, -5), -5) << key;
    EXPECT_TRUE(ini.ReadBool("N", "J", false));
    EXPECT_FALSE(ini.ReadBool("N", "K", true));
    EXPECT_TRUE(ini.ReadBool("N", "A", false));
    EXPECT_TRUE(ini.ReadBool("N", "E", true));
}

TEST_F(IniFileTest, NewKeysGoToTheEndOfTheirSectionAndNewSectionsToTheEndOfTheFile) {
    writeRaw("; comment\n[A]\nx=1\n\n[B]\ny=2\n");
    TIniFile ini(path);
    ini.WriteString("a", "z", "3");
    ini.WriteString("C", "w", "4");
    ini.WriteString("B", "Y", "5");
    EXPECT_EQ(raw(), "; comment\n[A]\nx=1\nz=3\n\n[B]\nY=5\n[C]\nw=4\n");
    ini.EraseSection("A");
    ini.WriteString("A", "x", "6");
    EXPECT_EQ(raw(), "; comment\n[B]\nY=5\n[C]\nw=4\n[A]\nx=6\n");
    EXPECT_EQ(ini.ReadSections(), QStringList({"B", "C", "A"}));
}

TEST_F(IniFileTest, WritesIntegersAndBooleansAsTheProfileFileDoes) {
    TIniFile ini(path);
    ini.WriteInteger("S", "Int", -12);
    ini.WriteBool("S", "Yes", true);
    ini.WriteBool("S", "No", false);
    EXPECT_EQ(raw(), "[S]\nInt=-12\nYes=1\nNo=0\n");
}

TEST_F(IniFileTest, DeleteKeyAndEraseSectionRemoveOnlyWhatTheyName) {
    writeRaw("[A]\nx=1\ny=2\n[B]\nx=3\n");
    TIniFile ini(path);
    ini.DeleteKey("a", "X");
    ini.DeleteKey("A", "missing");
    ini.EraseSection("missing");
    EXPECT_EQ(raw(), "[A]\ny=2\n[B]\nx=3\n");
    ini.EraseSection("b");
    EXPECT_EQ(raw(), "[A]\ny=2\n");
}

TEST_F(IniFileTest, AValueIsOneLineAndNamesThatWouldBreakTheFileAreRefused) {
    TIniFile ini(path);
    ini.WriteString("S", "K", "one\r\ntwo\nthree\rfour");
    EXPECT_EQ(ini.ReadString("S", "K", ""), "one two three four");
    EXPECT_THROW(ini.WriteString("S", "a=b", "v"), EIniFileException);
    EXPECT_THROW(ini.WriteString("S", "", "v"), EIniFileException);
    EXPECT_THROW(ini.WriteString("S]", "k", "v"), EIniFileException);
    EXPECT_THROW(ini.WriteString("S", "line\nbreak", "v"), EIniFileException);
    EXPECT_EQ(raw(), "[S]\nK=one two three four\n");
}

TEST_F(IniFileTest, TextIsLatin1AndAnyLineEndingIsRead) {
    writeRaw("[S]\r\nA=perch\xe8\r\nB=2\rC=3\nD=4");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("S", "A", ""), QString::fromUtf8("perchè"));
    EXPECT_EQ(ini.ReadString("S", "B", ""), "2");
    EXPECT_EQ(ini.ReadString("S", "C", ""), "3");
    EXPECT_EQ(ini.ReadString("S", "D", ""), "4");
    ini.WriteString("S", "E", QString::fromUtf8("città"));
    EXPECT_EQ(raw(), "[S]\r\nA=perch\xe8\r\nB=2\r\nC=3\r\nD=4\r\nE=citt\xe0\r\n");
}

TEST_F(IniFileTest, BadContentIsReadWithoutHarm) {
    QByteArray bytes = QByteArray("\0\x01\xff[S]", 6) +
                       "\nkeyless line\n=novalue\nK=1\n[S]\nK=2\nL=3\n[Open\nM=4\n";
    bytes += QByteArray(5000, '\xfe');
    bytes += "\n[T]\nBig=-99999999999999999999\nK=v\nK=w\n";
    writeRaw(bytes);
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("S", "K", ""), "2");
    EXPECT_EQ(ini.ReadString("Open", "M", ""), "4");
    EXPECT_EQ(ini.ReadInteger("T", "Big", 3), 3);
    EXPECT_EQ(ini.ReadString("T", "K", ""), "v");
    ini.WriteString("T", "New", "x");
    EXPECT_EQ(ini.ReadString("T", "New", ""), "x");
    EXPECT_TRUE(raw().startsWith(bytes.left(40)));
}

TEST_F(IniFileTest, TheFirstOfDuplicatedSectionsIsReadAndErasingRemovesThemAll) {
    writeRaw("[D]\nA=1\n[x]\n[d]\nA=2\nB=3\n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("D", "A", ""), "1");
    EXPECT_EQ(ini.ReadString("D", "B", "none"), "none");
    EXPECT_EQ(ini.ReadSections(), QStringList({"D", "x"}));
    ini.WriteString("D", "A", "9");
    EXPECT_EQ(raw(), "[D]\nA=9\n[x]\n[d]\nA=2\nB=3\n");
    ini.EraseSection("D");
    EXPECT_EQ(raw(), "[x]\n");
}

TEST_F(IniFileTest, TwoObjectsOnOneFileSeeEachOthersWrites) {
    TIniFile first(path);
    TIniFile second(path);
    EXPECT_EQ(second.ReadString("S", "K", "none"), "none");
    first.WriteString("S", "K", "a");
    EXPECT_EQ(second.ReadString("S", "K", "none"), "a");
    second.WriteString("S", "L", "b");
    first.WriteString("S", "K", "c");
    EXPECT_EQ(second.ReadString("S", "K", ""), "c");
    EXPECT_EQ(first.ReadString("S", "L", ""), "b");
    second.EraseSection("S");
    EXPECT_FALSE(first.SectionExists("S"));
}

TEST_F(IniFileTest, TwoProcessesWritingAtOnceBothKeepTheirKeys) {
    constexpr int count = 60;
    QProcess one;
    QProcess two;
    one.start(INI_WRITER_PATH, {path, "Uno", "a", QString::number(count)});
    two.start(INI_WRITER_PATH, {path, "Due", "b", QString::number(count)});
    TIniFile ini(path);
    for (int i = 0; i < count; ++i)
        ini.WriteInteger("Tre", "c" + QString::number(i), i);
    ASSERT_TRUE(one.waitForFinished(60000));
    ASSERT_TRUE(two.waitForFinished(60000));
    EXPECT_EQ(one.exitCode(), 0);
    EXPECT_EQ(two.exitCode(), 0);
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(ini.ReadInteger("Uno", "a" + QString::number(i), -1), i);
        EXPECT_EQ(ini.ReadInteger("Due", "b" + QString::number(i), -1), i);
        EXPECT_EQ(ini.ReadInteger("Tre", "c" + QString::number(i), -1), i);
    }
}

TEST_F(IniFileTest, AFailedWriteIsReportedAndLeavesTheOldFileIntact) {
    writeRaw("[S]\nK=old\n");
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    TIniFile ini(path);
    EXPECT_THROW(ini.WriteString("S", "K", "new"), EIniFileException);
    EXPECT_THROW(ini.EraseSection("S"), EIniFileException);
    EXPECT_EQ(ini.ReadString("S", "K", ""), "old");
    EXPECT_EQ(raw(), "[S]\nK=old\n");
}

TEST_F(IniFileTest, AFolderOrAnUnreachablePathReadsAsEmptyAndRefusesWrites) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("Quendel.ini"));
    TIniFile folder(path);
    EXPECT_EQ(folder.ReadString("S", "K", "def"), "def");
    EXPECT_THROW(folder.WriteString("S", "K", "v"), EIniFileException);
    TIniFile unreachable(dir.filePath("missing/folder/Quendel.ini"));
    EXPECT_EQ(unreachable.ReadInteger("S", "K", 3), 3);
    try {
        unreachable.WriteInteger("S", "K", 1);
        FAIL() << "no exception";
    } catch (const EIniFileException& e) {
        EXPECT_TRUE(
            e.Message().startsWith("Impossibile scrivere il file " + unreachable.FileName()))
            << e.Message().toStdString();
    }
}

TEST_F(IniFileTest, AnOversizedFileIsNeitherReadNorRewritten) {
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[S]\nK=1\n");
        ASSERT_TRUE(file.resize(platform::MaxIniFileSize + 1));
    }
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("S", "K", "def"), "def");
    EXPECT_THROW(ini.WriteString("S", "K", "2"), EIniFileException);
    EXPECT_EQ(QFileInfo(path).size(), platform::MaxIniFileSize + 1);
}

TEST_F(IniFileTest, AnOversizedFileSaysWhyItCannotBeRead) {
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadError(), "");
    writeRaw("[S]\nK=1\n");
    EXPECT_EQ(ini.ReadError(), "");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.resize(platform::MaxIniFileSize + 1));
    }
    EXPECT_EQ(ini.ReadError(),
              "Impossibile leggere il file " + path + ": file troppo grande (oltre 16 MB)");
    try {
        ini.WriteString("S", "K", "2");
        FAIL() << "no exception";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message(), ini.ReadError());
    }
}

// Scripts of writes run one by one and in one update on the same file give the same bytes.
TEST_F(IniFileTest, WritesInOneUpdateGiveTheBytesOfWritesOneByOne) {
    using Script = std::function<void(TIniFile&)>;
    const QByteArray inputs[] = {
        "",
        "Orfana=1\n[Finestra]\nNome=\"valore\"\n\n; nota\n\n[Altra]\r\nK=1\r\n",
        "[S]\r\nA=1\r\n\r\n[s]\r\nA=2\r\nB='b'\r\n[]\r\nA=3\r\n[T]\r\n\r\n\r\n",
        "[Finestra]\nNome=x\nnome=y\n[FINESTRA]\nNome=z",
    };
    const Script scripts[] = {
        [](TIniFile& ini) {
            ini.WriteString("Finestra", "Nome", "\"tra virgolette\"");
            ini.WriteString("Finestra", "Nuova", " 'semplici' ");
            ini.WriteString("Nuova sezione", "K", "a\r\nb");
            ini.WriteInteger("finestra", "NOME", 7);
            ini.WriteBool("Nuova sezione", "B", true);
        },
        [](TIniFile& ini) {
            ini.WriteString("S", "C", "1");
            ini.EraseSection("s");
            ini.WriteString("S", "A", "di nuovo");
            ini.CreateSection("Vuota");
            ini.CreateSection("VUOTA");
            ini.WriteString("T", "X", "");
            ini.DeleteKey("Finestra", "nome");
            ini.DeleteKey("S", "Mancante");
            ini.EraseSection("Mancante");
        },
        [](TIniFile& ini) {
            ini.WriteString(QString::fromUtf8("Sezione \u03a9"), "K", QString::fromUtf8("\u20ac"));
            ini.WriteString(QString::fromUtf8("Sezione \u03a9"), "L", "2");
            ini.WriteString(QString::fromUtf8("Sezione ?"), "K", "3");
            ini.WriteString("Finestra", QString::fromUtf8("Chiave \u00e8"), "4");
            ini.WriteString("Finestra", QString::fromUtf8("CHIAVE \u00c8"), "5");
        },
        [](TIniFile& ini) {
            for (int i = 0; i < 50; ++i) {
                const QString section = QStringLiteral("S%1").arg(i % 7);
                ini.WriteInteger(section, QStringLiteral("K%1").arg(i % 5), i);
                if (i % 11 == 0)
                    ini.EraseSection(QStringLiteral("s%1").arg(i % 3));
                if (i % 13 == 0)
                    ini.DeleteKey(section, QStringLiteral("k%1").arg(i % 4));
            }
        },
    };
    const QString batched = dir.filePath("batched.ini");
    int round = 0;
    for (const QByteArray& input : inputs) {
        for (const Script& script : scripts) {
            SCOPED_TRACE(++round);
            QFile::remove(path);
            QFile::remove(batched);
            writeRaw(input);
            ASSERT_TRUE(QFile::copy(path, batched));
            TIniFile oneByOne(path);
            script(oneByOne);
            TIniFile inOne(batched);
            inOne.BeginUpdate();
            inOne.BeginUpdate();
            script(inOne);
            inOne.EndUpdate();
            QFile file(batched);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_EQ(file.readAll(), input) << "written before the outermost end";
            file.close();
            // Inside the update its own writes are read back.
            EXPECT_EQ(inOne.ReadSections(), oneByOne.ReadSections());
            for (const QString& section : oneByOne.ReadSections())
                for (const QString& key : oneByOne.ReadSection(section))
                    EXPECT_EQ(inOne.ReadString(section, key, "?"),
                              oneByOne.ReadString(section, key, "?"));
            inOne.EndUpdate();
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_EQ(file.readAll(), raw());
        }
    }
}

// Many writes in any order, most of them to keys already there, give in one update the bytes of
// the same writes one by one, and are read back alike on the way.
TEST_F(IniFileTest, ManyWritesInAnyOrderInOneUpdateGiveTheBytesOfWritesOneByOne) {
    const QString batched = dir.filePath("batched.ini");
    std::mt19937 random(20261207);
    const auto pick = [&](int count) { return int(random() % unsigned(count)); };
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        QByteArray input = round % 2 ? "; nota\r\n" : "";
        for (int s = 0; s < 8; ++s) {
            input += "[S" + QByteArray::number(s) + "]" + (round % 2 ? "\r\n" : "\n");
            for (int k = 0; k < 8; ++k)
                input += "K" + QByteArray::number(k) + "=" + QByteArray(pick(12), 'v') +
                         (round % 2 ? "\r\n" : "\n");
            if (pick(3) == 0)
                input += round % 2 ? "\r\n" : "\n";
        }
        QFile::remove(path);
        QFile::remove(batched);
        writeRaw(input);
        ASSERT_TRUE(QFile::copy(path, batched));
        TIniFile oneByOne(path);
        TIniFile inOne(batched);
        inOne.BeginUpdate();
        for (int step = 0; step < 150; ++step) {
            const QString section = QStringLiteral("%1%2").arg(pick(2) ? "S" : "s").arg(pick(9));
            const QString key = QStringLiteral("%1%2").arg(pick(4) ? "K" : "k").arg(pick(10));
            const int kind = pick(40);
            const auto both = [&](const std::function<void(TIniFile&)>& write) {
                write(oneByOne);
                write(inOne);
            };
            if (kind == 0)
                both([&](TIniFile& ini) { ini.EraseSection(section); });
            else if (kind == 1)
                both([&](TIniFile& ini) { ini.DeleteKey(section, key); });
            else if (kind == 2)
                both([&](TIniFile& ini) { ini.CreateSection(section); });
            else if (kind < 6)
                EXPECT_EQ(inOne.ReadString(section, key, "?"),
                          oneByOne.ReadString(section, key, "?"));
            else {
                const QString value(pick(20), QChar(char16_t(u'a' + pick(26))));
                both([&](TIniFile& ini) { ini.WriteString(section, key, value); });
            }
        }
        inOne.EndUpdate();
        QFile file(batched);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), raw());
    }
}

TEST_F(IniFileTest, AFailedUpdateThrowsAtItsEndAndLeavesTheOldFileIntact) {
    writeRaw("[S]\nK=old\n");
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    TIniFile ini(path);
    EXPECT_THROW(platform::InOneRewrite(ini,
                                        [&] {
                                            ini.WriteString("S", "K", "new");
                                            ini.WriteString("T", "L", "new");
                                        }),
                 EIniFileException);
    EXPECT_FALSE(ini.Updating());
    EXPECT_EQ(ini.ReadString("S", "K", ""), "old");
    EXPECT_FALSE(ini.SectionExists("T"));
    EXPECT_EQ(raw(), "[S]\nK=old\n");
    // A body that throws still has what it wrote before written.
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_THROW(platform::InOneRewrite(ini,
                                        [&] {
                                            ini.WriteString("S", "K", "new");
                                            ini.WriteString("S", "K=", "bad");
                                        }),
                 EIniFileException);
    EXPECT_EQ(raw(), "[S]\nK=new\n");
}

TEST_F(IniFileTest, AWriteThatWouldPassTheSizeLimitIsRefusedAndLeavesTheFileAsItWas) {
    const QByteArray start = "[S]\r\nK=1\r\n; ";
    QByteArray bytes = start + QByteArray(platform::MaxIniFileSize - 327 - start.size() - 2, 'x');
    bytes += "\r\n";
    writeRaw(bytes);
    const QString tooLarge =
        "Impossibile scrivere il file " + path + ": file troppo grande (oltre 16 MB)";
    TIniFile ini(path);
    const QString over(400, u'v');
    try {
        ini.WriteString("S", "K", over);
        FAIL() << "no exception";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message(), tooLarge);
    }
    EXPECT_EQ(ini.ReadString("S", "K", ""), "1");
    // Writes that fit one by one but not together are refused together in one update.
    const QString half(200, u'v');
    try {
        platform::InOneRewrite(ini, [&] {
            ini.WriteString("S", "A", half);
            ini.WriteString("T", "B", half);
        });
        FAIL() << "no exception";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message(), tooLarge);
    }
    EXPECT_FALSE(ini.ValueExists("S", "A"));
    EXPECT_TRUE(raw() == bytes);
    // Up to the limit itself is written: the value of 1 grows by 327 bytes.
    const QString fits(1 + 327, u'v');
    ini.WriteString("S", "K", fits);
    EXPECT_EQ(QFileInfo(path).size(), platform::MaxIniFileSize);
    EXPECT_EQ(TIniFile(path).ReadString("S", "K", ""), fits);
}

// What the heap holds now.
size_t HeapBytes() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

// A file of many small sections, each its own version on disk.
QByteArray ManySections(int count) {
    QByteArray text;
    for (int s = 0; s < count; ++s)
        text += "[Sez" + QByteArray::number(s) + "]\r\nK=" + QByteArray::number(s) + "\r\n";
    return text;
}

TEST_F(IniFileTest, AFileOfManySectionsTakesASmallMultipleOfItsSize) {
    const QByteArray bytes = ManySections(100000);
    writeRaw(bytes);
    const size_t before = HeapBytes();
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("sez99999", "k", ""), "99999");
    const size_t held = HeapBytes() - before;
    EXPECT_LT(held, 4 * size_t(bytes.size())) << held << " bytes for a file of " << bytes.size();
    EXPECT_EQ(ini.ReadSections().size(), 100000);
    EXPECT_EQ(ini.ReadSection("SEZ5"), QStringList{"K"});
}

TEST_F(IniFileTest, AFileUnchangedSinceItsLastWriteIsNotParsedAgainButAnotherWriteIsSeen) {
    writeRaw(ManySections(100000));
    TIniFile writer(path);
    writer.WriteString("Sez7", "Nuova", "1");
    // Another object shares the file written, as long as it is unchanged on disk.
    const size_t before = HeapBytes();
    TIniFile reader(path);
    EXPECT_EQ(reader.ReadString("Sez7", "Nuova", ""), "1");
    const size_t held = HeapBytes() - before;
    EXPECT_LT(held, size_t(QFileInfo(path).size()) / 10);
    // A write by another process in between is read, and kept by the next write.
    QProcess other;
    other.start(INI_WRITER_PATH, {path, "Altro", "a", "1"});
    ASSERT_TRUE(other.waitForFinished(60000));
    EXPECT_EQ(other.exitCode(), 0);
    EXPECT_EQ(reader.ReadInteger("Altro", "a0", -1), 0);
    writer.WriteString("Sez8", "Nuova", "2");
    EXPECT_EQ(reader.ReadInteger("Altro", "a0", -1), 0);
    EXPECT_EQ(reader.ReadString("Sez8", "Nuova", ""), "2");
    EXPECT_EQ(TIniFile(path).ReadString("Sez7", "Nuova", ""), "1");
}

// The file clock of the tests, given back at the end.
struct FileClock {
    explicit FileClock(const platform::IniFileClock& clock) { platform::SetIniFileClock(clock); }
    ~FileClock() { platform::SetIniFileClock({}); }
};

struct stat StatOf(const QString& path) {
    struct stat st {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    return st;
}

// The byte at offset replaced in place, the size and the file unchanged.
void ReplaceByte(const QString& path, qint64 offset, char byte) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.seek(offset));
    ASSERT_EQ(file.write(&byte, 1), 1);
}

TEST_F(IniFileTest, AnEditInPlaceWithinTheSecondOfAWriteIsKeptByTheNextWrites) {
    const FileClock clock({.wholeSeconds = true});
    writeRaw("[Altro]\nValore=0\n");
    TIniFile ini(path);
    for (char round = '1'; round <= '5'; ++round) {
        SCOPED_TRACE(round);
        // The program writes, and another program changes a byte of the file within that second.
        for (int tries = 0; tries < 10; ++tries) {
            ini.WriteString("Mia", "Giro", QString(QChar(round)));
            const struct stat written = StatOf(path);
            ReplaceByte(path, raw().indexOf("Valore=") + 7, round);
            const struct stat edited = StatOf(path);
            if (edited.st_mtim.tv_sec == written.st_mtim.tv_sec &&
                edited.st_ctim.tv_sec == written.st_ctim.tv_sec)
                break;
        }
        EXPECT_EQ(ini.ReadString("Altro", "Valore", ""), QString(QChar(round)));
    }
    ini.WriteString("Mia", "Fine", "1");
    EXPECT_EQ(raw(), "[Altro]\nValore=5\n[Mia]\nGiro=5\nFine=1\n");
}

TEST_F(IniFileTest, AByteRewrittenInPlaceWithItsModificationTimePutBackIsReadAfresh) {
    // The file's times are past doubt at once: only its stamp tells a change.
    const FileClock clock({.secondsAhead = 60});
    writeRaw("[S]\nK=1\n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("S", "K", ""), "1");
    const struct stat before = StatOf(path);
    for (int tries = 0; tries < 100; ++tries) {
        ReplaceByte(path, 6, '2');
        const timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
        const struct stat after = StatOf(path);
        ASSERT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
        if (after.st_ctim.tv_sec != before.st_ctim.tv_sec ||
            after.st_ctim.tv_nsec != before.st_ctim.tv_nsec)
            break;
        QThread::msleep(5);
    }
    EXPECT_EQ(ini.ReadString("S", "K", ""), "2");
    EXPECT_EQ(TIniFile(path).ReadString("S", "K", ""), "2");
}

TEST(Trim, RemovesControlCharactersAndBlanksAtBothEnds) {
    EXPECT_EQ(platform::Trim(QString("\t\x01 a b \r\n")), "a b");
    EXPECT_EQ(platform::Trim(" \t "), "");
    EXPECT_EQ(platform::Trim(QString::fromUtf8("\u00a0x")), QString::fromUtf8("\u00a0x"));
}

} // namespace
