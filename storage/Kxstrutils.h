#pragma once
// The component library's free string functions. Strings are 8-bit (each QChar holds one
// Latin-1 byte); positions are 1-based and 0 means "not found".

#include <QString>
#include <QStringList>
#include <bitset>

// A set of 8-bit characters.
class TCharSet {
public:
    TCharSet() = default;
    TCharSet(const char* chars) : TCharSet(QString::fromLatin1(chars)) {}
    explicit TCharSet(const QString& chars);

    bool Contains(QChar c) const { return c.unicode() < 256 && bits_.test(c.unicode()); }
    bool IsEmpty() const { return bits_.none(); }

private:
    std::bitset<256> bits_;
};

QString ReplaceStr(const QString& S, const QString& Srch, const QString& Replace);
QString DelChars(const QString& S, QChar Chr);
QString DelSpace(const QString& S);
QString DelBSpace(const QString& S);
QString DelESpace(const QString& S);
QString DelRSpace(const QString& S);
QString DelSpace1(const QString& S);
QString Tab2Space(const QString& S, int Numb);
bool IsEmptyStr(const QString& S, const TCharSet& EmptyChars);
QString MakeStr(QChar C, int N);
QString MS(QChar C, int N);
int NPos(const QString& C, const QString& S, int N);
QString AddChar(QChar C, const QString& S, int N);
QString AddCharR(QChar C, const QString& S, int N);
QString LeftStr(const QString& S, int N);
QString RightStr(const QString& S, int N);
QString CenterStr(const QString& S, int Len);
int CompStr(const QString& S1, const QString& S2);
int CompText(const QString& S1, const QString& S2);
QString Copy2Symb(const QString& S, QChar Symb);
QString Copy2SymbDel(QString& S, QChar Symb);
QString Copy2Space(const QString& S);
QString Copy2SpaceDel(QString& S);
QString AnsiProperCase(const QString& S, const TCharSet& WordDelims);
QString StrToOem(const QString& AnsiStr);
QString OemToAnsiStr(const QString& OemStr);

int WordCount(const QString& S, const TCharSet& WordDelims);
int WordPosition(int N, const QString& S, const TCharSet& WordDelims);
QString ExtractWord(int N, const QString& S, const TCharSet& WordDelims);
QString ExtractWordPos(int N, const QString& S, const TCharSet& WordDelims, int& Pos);
QString ExtractDelimited(int N, const QString& S, const TCharSet& Delims);
QString ExtractSubstr(const QString& S, int& Pos, const TCharSet& Delims);
bool IsWordPresent(const QString& W, const QString& S, const TCharSet& WordDelims);
QString QuotedString(const QString& S, QChar Quote);
QString ExtractQuotedString(const QString& S, QChar Quote);

bool IsWild(const QString& InputStr, const QString& Wilds, bool IgnoreCase);
int FindPart(const QString& HelpWilds, const QString& InputStr);

QString Numb2USA(const QString& S);
QString Dec2Hex(int N, int A);
QString D2H(int N, int A);
int Hex2Dec(const QString& S);
int H2D(const QString& S);
// Bases outside 2..36 give "" and 0.
QString Dec2Numb(int N, int A, int B);
int Numb2Dec(const QString& S, int B);
int RomanToInt(const QString& S);
QString IntToRoman(int Value);
// A group below 1 writes no blanks.
QString IntToBin(int Value, int Digits, int Spaces);

QString XorString(const QString& Key, const QString& Src);
QString XorEncode(const QString& Key, const QString& Source);
QString XorDecode(const QString& Key, const QString& Source);

// The program argument after the one made of a switch character and Switch.
QString GetCmdLineArg(const QString& Switch, const TCharSet& SwitchChars);
QString GetCmdLineArg(const QString& Switch, const TCharSet& SwitchChars,
                      const QStringList& Arguments);
