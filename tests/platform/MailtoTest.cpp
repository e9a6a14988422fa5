#include "platform/Mailto.h"

#include <QUrl>
#include <QUrlQuery>

#include <gtest/gtest.h>

TEST(Mailto, FieldsDecodeBackExactly) {
    struct Case {
        QString to, cc, subject, body, bodyBack;
    };
    const Case cases[] = {
        {"a@x.invalid", "t@x.invalid, a@x.invalid", "4001-  1b A-B", "1b e2-e4\r\n1b e2-e4",
         "1b e2-e4\r\n1b e2-e4"},
        {"a&b@x", "c#d@y", "50% + 50% = 100%? sì", QString::fromUtf8("à&b=c#d\nLF\rCR"),
         QString::fromUtf8("à&b=c#d\r\nLF\r\nCR")},
        {"", "", "", "", ""},
    };
    for (const Case& c : cases) {
        const QByteArray encoded = platform::MailtoUrl(c.to, c.cc, c.subject, c.body);
        const QUrl url = QUrl::fromEncoded(encoded, QUrl::StrictMode);
        ASSERT_TRUE(url.isValid()) << encoded.data();
        EXPECT_EQ(url.scheme(), "mailto");
        EXPECT_EQ(url.path(QUrl::FullyDecoded), c.to);
        const QUrlQuery query(url.query(QUrl::FullyEncoded));
        EXPECT_EQ(query.queryItemValue("cc", QUrl::FullyDecoded), c.cc);
        EXPECT_EQ(query.queryItemValue("subject", QUrl::FullyDecoded), c.subject);
        EXPECT_EQ(query.queryItemValue("body", QUrl::FullyDecoded), c.bodyBack);
    }
    EXPECT_TRUE(platform::MailtoUrl("a@b", "", "", "x\ny").endsWith("body=x%0D%0Ay"));
}

// Pasted addresses and subjects keep no line break or NUL, which would start a header of their
// own in the mail program; the body keeps its lines.
TEST(Mailto, HeaderFieldsLoseLineBreaksAndNul) {
    const QString dirty = QStringLiteral("a@x.invalid\r\nBcc: spy@y.invalid") + QChar(0) + "\n";
    const QByteArray encoded =
        platform::MailtoUrl(dirty, dirty, "4001\r\n-1b" + QString(QChar(0)), "1b e2-e4\n1b e2-e4");
    const QByteArray headers = encoded.left(encoded.indexOf("&body="));
    for (const char* escape : {"%0D", "%0A", "%00"})
        EXPECT_FALSE(headers.contains(escape)) << encoded.data();
    const QUrl url = QUrl::fromEncoded(encoded, QUrl::StrictMode);
    ASSERT_TRUE(url.isValid());
    EXPECT_EQ(url.path(QUrl::FullyDecoded), "a@x.invalidBcc: spy@y.invalid");
    const QUrlQuery query(url.query(QUrl::FullyEncoded));
    EXPECT_EQ(query.queryItemValue("cc", QUrl::FullyDecoded), "a@x.invalidBcc: spy@y.invalid");
    EXPECT_EQ(query.queryItemValue("subject", QUrl::FullyDecoded), "4001-1b");
    EXPECT_EQ(query.queryItemValue("body", QUrl::FullyDecoded), "1b e2-e4\r\n1b e2-e4");
}
