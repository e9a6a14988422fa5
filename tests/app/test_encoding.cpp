// The settings' encodings: Base64, the scrambled password and the URL-encoded signature.

#include "app/CodEncoding.h"

#include <QRandomGenerator>
#include <QStringList>
#include <gtest/gtest.h>
#include <vector>

namespace {

QByteArray Encode(const QByteArray& bytes) {
    std::vector<char> out(4 * ((bytes.size() + 2) / 3) + 1, '?');
    const int n = CodEncoding::Base64Encode(reinterpret_cast<const unsigned char*>(bytes.data()),
                                            out.data(), int(bytes.size()));
    EXPECT_EQ(out[n], '\0');
    return QByteArray(out.data(), n);
}

QByteArray Decode(const QByteArray& text) {
    std::vector<unsigned char> out(3 * (text.size() / 4) + 1, '?');
    const int n = CodEncoding::Base64Decode(text.data(), out.data(), int(text.size()));
    EXPECT_EQ(out[n], 0);
    return QByteArray(reinterpret_cast<const char*>(out.data()), n);
}

TEST(Base64, KnownTextsAndPadding) {
    const std::pair<QByteArray, QByteArray> cases[] = {
        {"", ""},        {"f", "Zg=="},        {"fo", "Zm8="},
        {"foo", "Zm9v"}, {"foob", "Zm9vYg=="}, {QByteArray("\0\xff\x10", 3), "AP8Q"}};
    for (const auto& [plain, text] : cases) {
        EXPECT_EQ(Encode(plain), text);
        EXPECT_EQ(Decode(text), plain);
    }
}

TEST(Base64, DecodeIgnoresTailAndReadsStrangersAsZero) {
    EXPECT_EQ(Decode("Zm9vYg"), "foo");
    EXPECT_EQ(Decode(QByteArray("\xe9\xe9\xe9\xe9", 4)), QByteArray(3, '\0'));
    EXPECT_EQ(Decode("!!!!"), QByteArray(3, '\0'));
}

TEST(Base64, AnyBytesComeBack) {
    auto* random = QRandomGenerator::global();
    for (int length = 0; length < 200; ++length) {
        QByteArray bytes(length, '\0');
        for (char& c : bytes)
            c = char(random->bounded(256));
        EXPECT_EQ(Decode(Encode(bytes)), bytes);
    }
}

TEST(Password, StoredLengthsAndRoundTrips) {
    const std::pair<QString, int> cases[] = {{"", 0},    {"a", 4},    {"ab", 4},
                                             {"abc", 4}, {"abcd", 8}, {QString(93, 'p'), 124}};
    for (const auto& [plain, stored] : cases) {
        QString text = plain;
        ScramblePassword(text);
        EXPECT_EQ(text.size(), stored) << plain.toStdString();
        UnscramblePassword(text);
        EXPECT_EQ(text, plain);
    }
}

TEST(Password, KeyBytesGiveNulsAndLongPasswordsSurvive) {
    // The key's own text XORs to NULs, which the scrambled form must carry.
    QString text = "Kp7#vQ9!zLKp7";
    ScramblePassword(text);
    EXPECT_EQ(text, "AAAAAAAAAAAAAAAAAA==");
    QString longer(300, QChar(0xe8));
    QString copy = longer;
    ScramblePassword(copy);
    UnscramblePassword(copy);
    EXPECT_EQ(copy, longer);
}

TEST(Password, DamagedTextsDecodeWithoutHarm) {
    const QStringList damaged = {"!",
                                 "====",
                                 "AAAA",
                                 "AB=",
                                 QString(500, QLatin1Char('/')),
                                 QString(QChar(0xff)) + QChar(0xfe)};
    for (QString text : damaged) {
        UnscramblePassword(text);
        EXPECT_FALSE(text.contains(QChar(0)));
    }
}

TEST(Url, EncodedSignatures) {
    const std::pair<QString, QString> cases[] = {{"Ciao a tutti", "Ciao+a+tutti"},
                                                 {"riga1\r\nriga2", "riga1%0D%0Ariga2"},
                                                 {"caffe'", "caffe%27"},
                                                 {QString::fromLatin1("\xe8+%&"), "%E8%2B%25%26"}};
    for (const auto& [plain, encoded] : cases) {
        EXPECT_EQ(CodEncoding::UrlEncode(plain), encoded);
        EXPECT_EQ(CodEncoding::UrlDecode(encoded), plain);
    }
}

TEST(Url, DecodeRules) {
    const std::pair<QString, QString> cases[] = {
        {"a&b", "a\r\nb"}, {"%4a%4A", "JJ"}, {"100%", "100%"}, {"%4", "%4"},
        {"%zz1", "%zz1"},  {"%%41", "%A"},   {"+%20+", "   "}};
    for (const auto& [encoded, plain] : cases)
        EXPECT_EQ(CodEncoding::UrlDecode(encoded), plain) << encoded.toStdString();
}

TEST(Url, AnyLatin1TextComesBack) {
    QString all;
    for (int c = 1; c < 256; ++c)
        all += QChar(c);
    EXPECT_EQ(CodEncoding::UrlDecode(CodEncoding::UrlEncode(all)), all);
}

} // namespace
