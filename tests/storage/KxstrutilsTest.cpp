#include "storage/Kxstrutils.h"

#include <gtest/gtest.h>

namespace {

const TCharSet Delims(" ,;");

TEST(Kxstrutils, ReplaceStrDoesNotRescanReplacedText) {
    EXPECT_EQ(ReplaceStr("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(ReplaceStr("a.b.c", ".", ""), "abc");
    EXPECT_EQ(ReplaceStr("abc", "", "x"), "abc");
    EXPECT_EQ(ReplaceStr("abab", "ab", "b"), "bb");
}

TEST(Kxstrutils, BlanksAreTrimmedSqueezedAndRemovedButNotOtherControls) {
    EXPECT_EQ(DelRSpace("  a b \t "), "a b \t");
    EXPECT_EQ(DelBSpace("  a "), "a ");
    EXPECT_EQ(DelESpace("  a  "), "  a");
    EXPECT_EQ(DelSpace(" a b c "), "abc");
    EXPECT_EQ(DelSpace1("a   b  c"), "a b c");
    EXPECT_EQ(DelChars("banana", u'a'), "bnn");
    EXPECT_EQ(Tab2Space("a\tb", 3), "a   b");
    EXPECT_TRUE(IsEmptyStr("", Delims));
    EXPECT_TRUE(IsEmptyStr(" ,; ", Delims));
    EXPECT_FALSE(IsEmptyStr(" x ", Delims));
}

TEST(Kxstrutils, PaddingAndCentring) {
    EXPECT_EQ(MakeStr(u'x', 3), "xxx");
    EXPECT_EQ(MakeStr(u'x', 0), "");
    EXPECT_EQ(MS(u'-', -2), "");
    EXPECT_EQ(AddChar(u'0', "42", 5), "00042");
    EXPECT_EQ(AddCharR(u'.', "42", 4), "42..");
    EXPECT_EQ(AddChar(u'0', "12345", 3), "12345");
    EXPECT_EQ(LeftStr("ab", 4), "ab  ");
    EXPECT_EQ(RightStr("ab", 4), "  ab");
    EXPECT_EQ(CenterStr("ab", 7), "  ab   ");
    EXPECT_EQ(CenterStr("abcdef", 3), "abcdef");
}

TEST(Kxstrutils, WordsSkipRunsOfDelimitersButDelimitedFieldsDoNot) {
    const QString text = ",, one;two  three,";
    EXPECT_EQ(WordCount(text, Delims), 3);
    EXPECT_EQ(ExtractWord(1, text, Delims), "one");
    EXPECT_EQ(ExtractWord(2, text, Delims), "two");
    EXPECT_EQ(ExtractWord(4, text, Delims), "");
    EXPECT_EQ(WordPosition(3, text, Delims), 13);
    int pos = 0;
    EXPECT_EQ(ExtractWordPos(2, text, Delims, pos), "two");
    EXPECT_EQ(pos, 8);
    EXPECT_EQ(ExtractDelimited(2, "a;;b", ";"), "");
    EXPECT_EQ(ExtractDelimited(3, "a;;b", ";"), "b");
    EXPECT_TRUE(IsWordPresent("two", text, Delims));
    EXPECT_FALSE(IsWordPresent("tw", text, Delims));
    int at = 1;
    EXPECT_EQ(ExtractSubstr("ab,cd", at, ","), "ab");
    EXPECT_EQ(at, 4);
    EXPECT_EQ(ExtractSubstr("ab,cd", at, ","), "cd");
    EXPECT_EQ(at, 6);
    EXPECT_EQ(AnsiProperCase("hELLO wORLD-again", " -"), "Hello World-Again");
}

TEST(Kxstrutils, SearchingAndCopying) {
    EXPECT_EQ(NPos("aa", "aaaa", 3), 3);
    EXPECT_EQ(NPos("b", "abab", 3), 0);
    EXPECT_EQ(Copy2Symb("key=value", u'='), "key");
    EXPECT_EQ(Copy2Symb("novalue", u'='), "novalue");
    QString rest = "first   second third";
    EXPECT_EQ(Copy2SpaceDel(rest), "first");
    EXPECT_EQ(rest, "second third");
    EXPECT_EQ(FindPart("b?d", "abcde"), 2);
    EXPECT_EQ(FindPart("cd", "abcde"), 3);
    EXPECT_EQ(FindPart("x?", "abc"), 0);
    EXPECT_EQ(QuotedString("it's", u'\''), "'it''s'");
    EXPECT_EQ(ExtractQuotedString("'it''s' more", u'\''), "it's");
    EXPECT_EQ(ExtractQuotedString("plain", u'\''), "plain");
}

TEST(Kxstrutils, WildcardsMatchSectionNames) {
    EXPECT_TRUE(IsWild("FinestraPrincipale.Sound", "finestraprincipale.*", true));
    EXPECT_FALSE(IsWild("FinestraPrincipale.Sound", "finestraprincipale.*", false));
    EXPECT_TRUE(IsWild("abc", "a?c", false));
    EXPECT_TRUE(IsWild("", "*", false));
    EXPECT_TRUE(IsWild("", "", false));
    EXPECT_FALSE(IsWild("", "a", false));
    EXPECT_FALSE(IsWild("a", "", false));
    EXPECT_TRUE(IsWild("abcbd", "a**b?", false));
    EXPECT_FALSE(IsWild("abc", "a*d", false));
    EXPECT_TRUE(IsWild(QString(5000, u'a'), QString(40, u'*') + "a*a*a*b*" + QString(4, u'*') + "?",
                       false) == false);
}

TEST(Kxstrutils, NumbersInOtherForms) {
    EXPECT_EQ(Numb2USA("1234567"), "1,234,567");
    EXPECT_EQ(Numb2USA("123"), "123");
    EXPECT_EQ(Dec2Hex(255, 4), "00FF");
    EXPECT_EQ(D2H(-1, 2), "FFFFFFFF");
    EXPECT_EQ(Hex2Dec("ff"), 255);
    EXPECT_EQ(H2D("$10"), 16);
    EXPECT_EQ(Hex2Dec("FFFFFFFF"), -1);
    EXPECT_EQ(Hex2Dec("xyz"), 0);
    EXPECT_EQ(Hex2Dec("123456789"), 0);
    for (const char* other : {"0x1F", "0X1F", "$0x1F", "1F ", "-1", "+1"})
        EXPECT_EQ(Hex2Dec(other), 0) << other;
    EXPECT_EQ(H2D("0x1F"), 0);
    EXPECT_EQ(Dec2Numb(255, 10, 2), "0011111111");
    EXPECT_EQ(Dec2Numb(35, 0, 36), "Z");
    EXPECT_EQ(Dec2Numb(0, 3, 16), "0");
    EXPECT_EQ(Numb2Dec("ff", 16), 255);
    EXPECT_EQ(Numb2Dec("101", 2), 5);
    EXPECT_EQ(RomanToInt("MCMXCIV"), 1994);
    EXPECT_EQ(RomanToInt("-xiv"), -14);
    EXPECT_EQ(RomanToInt("XIIQ"), 0);
    EXPECT_EQ(IntToRoman(1994), "MCMXCIV");
    EXPECT_EQ(IntToRoman(3888), "MMMDCCCLXXXVIII");
    EXPECT_EQ(IntToBin(5, 8, 4), " 0000 0101");
    EXPECT_EQ(IntToBin(-1, 40, 8).count(u'1'), 32);
}

TEST(Kxstrutils, BasesAndGroupsBelowTheirMinimumGiveADefinedResult) {
    EXPECT_EQ(Dec2Numb(10, 0, 0), "");
    EXPECT_EQ(Dec2Numb(10, 0, 1), "");
    EXPECT_EQ(Dec2Numb(10, 0, 37), "");
    EXPECT_EQ(Numb2Dec("10", 0), 0);
    EXPECT_EQ(Numb2Dec("10", 1), 0);
    EXPECT_EQ(IntToBin(5, 4, 0), "0101");
    EXPECT_EQ(IntToBin(5, 4, -3), "0101");
    EXPECT_EQ(NPos("a", "aaa", 0), 0);
}

TEST(Kxstrutils, XorCodingRoundTripsAndWritesLowerCaseHex) {
    const QString text = QString::fromUtf8("Password è 123");
    EXPECT_EQ(XorDecode("key", XorEncode("key", text)), text);
    EXPECT_EQ(XorEncode("", "AZ"), "415a");
    EXPECT_EQ(XorEncode("\x01", "AB"), "4043");
    EXPECT_EQ(XorDecode("", "415a"), "AZ");
    EXPECT_EQ(XorDecode("", "zz41"), " A");
    EXPECT_EQ(XorDecode("", "415"), "A");
    EXPECT_EQ(XorString("k", XorString("k", "secret")), "secret");
    EXPECT_EQ(XorString("", "same"), "same");
    EXPECT_EQ(XorString("k", QString(300, u'a')).size(), 255);
}

TEST(Kxstrutils, OemConversionRoundTripsTheAccentedLetters) {
    const QString ansi = QString::fromUtf8("perché città");
    const QString oem = StrToOem(ansi);
    EXPECT_EQ(oem.at(5).unicode(), 0x82);
    EXPECT_EQ(OemToAnsiStr(oem), ansi);
    EXPECT_EQ(OemToAnsiStr(QString(QChar(0xC4))), "?");
}

TEST(Kxstrutils, ComparisonsGiveMinusOneZeroOrOne) {
    EXPECT_EQ(CompStr("a", "b"), -1);
    EXPECT_EQ(CompStr("b", "a"), 1);
    EXPECT_EQ(CompText("ABC", "abc"), 0);
}

TEST(Kxstrutils, CommandLineArgumentFollowsItsSwitch) {
    const QStringList args{"quendel", "/Ini", "my.ini", "-x", "file.qzd"};
    EXPECT_EQ(GetCmdLineArg("ini", "/-", args), "my.ini");
    EXPECT_EQ(GetCmdLineArg("x", "/-", args), "file.qzd");
    EXPECT_EQ(GetCmdLineArg("file.qzd", "/-", args), "");
    EXPECT_EQ(GetCmdLineArg("ini", "", args), "my.ini");
}

} // namespace
