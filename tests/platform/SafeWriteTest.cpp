#include "platform/SafeWrite.h"
#include "platform/IniFile.h"

#include "ChildProcess.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

namespace {

class SafeWriteTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("Quendel.ini"));
    const QByteArray old = "[S]\r\nK=" + QByteArray(200, 'o') + "\r\n";

    void SetUp() override {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(old);
    }

    QByteArray raw() const {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

// Exit codes of the children: 0 refused with the Italian sentence naming the file, 1 taken for
// success, 2 a wrong message.
int Verdict(bool written, const QString& error, const QString& fileName) {
    if (written)
        return 1;
    return error.startsWith(QStringLiteral("Impossibile scrivere il file ") + fileName) ? 0 : 2;
}

TEST_F(SafeWriteTest, AWriteBeyondTheFileSizeLimitIsRefusedAndKeepsTheOldFile) {
    const QByteArray bigger(4096, 'n');
    const int verdict = RunWithFileSizeLimit(100, [&] {
        QString error;
        const bool written = platform::WriteWholeFile(path, bigger, &error);
        // The system's reason follows the sentence.
        if (!written && !error.endsWith(QString::fromLocal8Bit(std::strerror(EFBIG))))
            return 3;
        return Verdict(written, error, path);
    });
    EXPECT_EQ(verdict, 0);
    EXPECT_EQ(raw(), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"Quendel.ini"});
}

TEST_F(SafeWriteTest, AProfileFileWriteBeyondTheLimitThrowsAndKeepsTheOldFile) {
    const int verdict = RunWithFileSizeLimit(100, [&] {
        TIniFile ini(path);
        try {
            ini.WriteString("S", "Altro", "1");
        } catch (const EIniFileException& e) {
            return Verdict(false, e.Message(), path);
        }
        return 1;
    });
    EXPECT_EQ(verdict, 0);
    EXPECT_EQ(raw(), old);
}

// The probe writes what the rewrite would, and leaves the file and its folder as they were.
TEST_F(SafeWriteTest, AProbeSaysWhetherTheLinesWouldFitAndChangesNothing) {
    const QStringList lines(40, QString(10, 'n'));
    EXPECT_EQ(
        RunWithFileSizeLimit(1 << 20, [&] { return platform::CanWriteLines(path, lines) ? 0 : 1; }),
        0);
    const int verdict = RunWithFileSizeLimit(100, [&] {
        QString error;
        return Verdict(platform::CanWriteLines(path, lines, &error), error, path);
    });
    EXPECT_EQ(verdict, 0);
    EXPECT_EQ(raw(), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"Quendel.ini"});
}

TEST_F(SafeWriteTest, WithinTheLimitTheFileIsReplacedWhole) {
    const int verdict = RunWithFileSizeLimit(1 << 20, [&] {
        return platform::WriteLines(path, {"a", "b"}) ? 0 : 1;
    });
    EXPECT_EQ(verdict, 0);
    EXPECT_EQ(raw(), "a\r\nb\r\n");
}

} // namespace
