#include "app/CodInfo.h"
#include "app/Help.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <QTextBrowser>

#include <gtest/gtest.h>

namespace {

QString HelpText() {
    HelpWindow(nullptr); // loads the help's resource
    QFile file(QStringLiteral(":/help/quendel.html"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return QString::fromUtf8(file.readAll());
}

QStringList Captures(const QString& text, const QString& pattern) {
    QStringList found;
    for (const auto& match : QRegularExpression(pattern).globalMatch(text))
        found << match.captured(1);
    return found;
}

} // namespace

TEST(HelpTest, EveryTopicHasItsLinkInTheContentsAndTheSubjectsAreThere) {
    const QString text = HelpText();
    const QString contents =
        text.section(QStringLiteral("<h2>Indice</h2>"), 1).section("</ul>", 0, 0);
    const QStringList topics = Captures(text, QStringLiteral("<a name=\"([^\"]+)\">"));
    const QStringList links = Captures(contents, QStringLiteral("href=\"#([^\"]+)\""));
    EXPECT_EQ(links, topics);
    for (const QString& link : Captures(text, QStringLiteral("href=\"#([^\"]+)\"")))
        EXPECT_TRUE(topics.contains(link)) << link.toStdString();
    for (const char* subject :
         {"finestra-principale", "dati-partita", "impostazioni", "vexlor", "news", "ricevi",
          "email", "incolla", "rete", "pgn", "posizione", "toolbar"})
        EXPECT_TRUE(topics.contains(subject)) << subject;
}

TEST(HelpTest, EachWindowsContextOpensItsOwnTopic) {
    struct Case {
        int context;
        QString anchor;
        QString heading;
    };
    const Case cases[] = {
        {4000, "finestra-principale", "La finestra principale"},
        {6000, "dati-partita", "I dati della partita"},
        {0, "", "Indice"},
        {12345, "", "Indice"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HelpTopic(c.context), c.anchor) << c.context;
        ShowHelpContext(nullptr, c.context);
        QTextBrowser* help = HelpWindow(nullptr);
        EXPECT_TRUE(help->isVisible());
        EXPECT_EQ(help->source().fragment(), c.anchor) << c.context;
        EXPECT_TRUE(help->toPlainText().contains(c.heading)) << c.context;
        help->close();
    }
}

TEST(HelpTest, F1InTheGameDataWindowOpensItsTopic) {
    TFormInfo dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClick(&dialog, Qt::Key_F1);
    QTextBrowser* help = HelpWindow(nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->source().fragment(), "dati-partita");
    help->close();
}
