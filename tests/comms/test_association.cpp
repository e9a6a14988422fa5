// The ".qzd" association as the desktop sees it, under a temporary XDG_DATA_HOME and
// XDG_CONFIG_HOME, checked by the desktop's own tools.

#include "app/Association.h"
#include "platform/MessageBox.h"
#include "platform/Registry.h"
#include "tests/comms/FakeNetHost.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class AssociationTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QByteArray oldData = qgetenv("XDG_DATA_HOME");
    QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    QStringList errors;
    platform::MessageBoxHook oldBox;

    void SetUp() override {
        qputenv("XDG_DATA_HOME", dir.filePath("data").toUtf8());
        qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
        oldBox = platform::SetMessageBoxHook([this](const QString& t, const QString&, int) {
            errors << t;
            return int(platform::IDOK);
        });
    }
    void TearDown() override {
        qputenv("XDG_DATA_HOME", oldData);
        qputenv("XDG_CONFIG_HOME", oldConfig);
        platform::SetMessageBoxHook(oldBox);
    }

    static QString Run(const QString& program, const QStringList& arguments, int* code = nullptr) {
        QProcess process;
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start(program, arguments);
        EXPECT_TRUE(process.waitForFinished(30000)) << program.toStdString();
        if (code)
            *code = process.exitCode();
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    }

    static QByteArray Read(const QString& name) {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

TEST_F(AssociationTest, DesktopToolsSeeOurTypeAndEntry) {
    QDir().mkpath(dir.filePath("config"));
    QFile list(association::MimeAppsFile());
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("[Default Applications]\ntext/plain=editor.desktop\n[Added Associations]\n"
               "application/x-quendel-game=other.desktop;\n");
    list.close();

    ASSERT_TRUE(association::Associate("/opt/my games/quendel"));
    EXPECT_TRUE(errors.isEmpty());

    int code = -1;
    const QString validation = Run(QStandardPaths::findExecutable("desktop-file-validate"),
                                   {association::DesktopFile()}, &code);
    EXPECT_EQ(code, 0) << validation.toStdString();
    EXPECT_TRUE(Read(association::DesktopFile()).contains("Exec=\"/opt/my games/quendel\" %f\n"));
    EXPECT_TRUE(Read(association::DesktopFile()).contains("Path=" + QDir::currentPath().toUtf8()));

    QFile game(dir.filePath("partita.qzd"));
    ASSERT_TRUE(game.open(QIODevice::WriteOnly));
    game.write("e2-e4\r\n");
    game.close();
    EXPECT_EQ(Run(QUENDEL_PEER, {"--mime-of", game.fileName()}), association::MimeType);
    EXPECT_EQ(Run(QStandardPaths::findExecutable("xdg-mime"),
                  {"query", "default", association::MimeType}),
              association::DesktopFileName);
    EXPECT_EQ(Read(association::MimeAppsFile()),
              "[Default Applications]\napplication/x-quendel-game=quendel.desktop\n"
              "text/plain=editor.desktop\n[Added Associations]\n"
              "application/x-quendel-game=other.desktop;\n");

    ASSERT_TRUE(association::Dissociate());
    EXPECT_FALSE(QFile::exists(association::DesktopFile()));
    EXPECT_FALSE(QFile::exists(association::MimePackageFile()));
    EXPECT_EQ(Read(association::MimeAppsFile()),
              "[Default Applications]\ntext/plain=editor.desktop\n[Added Associations]\n"
              "application/x-quendel-game=other.desktop;\n");
    EXPECT_NE(Run(QUENDEL_PEER, {"--mime-of", game.fileName()}), association::MimeType);
}

TEST_F(AssociationTest, ARefusedWriteIsReported) {
    QFile blocker(dir.filePath("data"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(association::Associate("/usr/bin/quendel"));
    EXPECT_EQ(errors.size(), 1);
}

TEST_F(AssociationTest, RegistryKeysUnderBothRootsAndARefusedRoot) {
    ASSERT_TRUE(association::Associate("/usr/bin/quendel"));
    const std::pair<HKEY, QString> roots[] = {{HKEY_CLASSES_ROOT, ""},
                                              {HKEY_LOCAL_MACHINE, "\\SOFTWARE\\Classes"}};
    for (const auto& [root, prefix] : roots) {
        TRegistry registry(true);
        registry.SetRootKey(root);
        ASSERT_TRUE(registry.OpenKey(prefix + "\\.qzd", false));
        EXPECT_EQ(registry.ReadString(""), "quendel_game_file");
        ASSERT_TRUE(registry.OpenKey(prefix + "\\quendel_game_file", false));
        EXPECT_EQ(registry.ReadString(""), "Partita Quendel");
        ASSERT_TRUE(registry.OpenKey(prefix + "\\quendel_game_file\\shell\\open\\command", false));
        EXPECT_EQ(registry.ReadString(""), "/usr/bin/quendel \"%1\"");
    }
    ASSERT_TRUE(association::Dissociate());
    for (const auto& [root, prefix] : roots) {
        TRegistry registry(true);
        registry.SetRootKey(root);
        EXPECT_FALSE(registry.KeyExists(prefix + "\\.qzd"));
        EXPECT_FALSE(registry.KeyExists(prefix + "\\quendel_game_file"));
    }

    ASSERT_TRUE(TRegistry::SetRootReadOnly(HKEY_LOCAL_MACHINE, true));
    EXPECT_THROW(association::Associate("/usr/bin/quendel"), std::exception);
    TRegistry::SetRootReadOnly(HKEY_LOCAL_MACHINE, false);
    EXPECT_FALSE(QFile::exists(association::DesktopFile()));
}

TEST(AssociationTexts, ExecQuotingAndMimeAppsLines) {
    EXPECT_EQ(association::QuoteExecArgument("/a b/q"), "\"/a b/q\"");
    EXPECT_EQ(association::QuoteExecArgument("/a\"$`\\%/q"), "\"/a\\\\\"\\\\$\\\\`\\\\\\\\%%/q\"");
    EXPECT_EQ(
        association::WithDefault({}),
        (QStringList{"[Default Applications]", "application/x-quendel-game=quendel.desktop"}));
    EXPECT_EQ(association::WithoutDefault(association::WithDefault({"a=b"})),
              (QStringList{"a=b", "[Default Applications]"}));
}

} // namespace
