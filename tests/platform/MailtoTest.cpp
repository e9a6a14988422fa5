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
