#include "storage/Kxstrutils.h"

#include <QCoreApplication>
#include <algorithm>
#include <array>
#include <cctype>

TCharSet::TCharSet(const QString& chars) {
    for (QChar c : chars) {
        if (c.unicode() < 256)
            bits_.set(c.unicode());
    }
}

namespace {

constexpr QChar Blank = u' ';

int length(const QString& s) {
    return int(s.size());
}

// 1-based character access.
QChar at(const QString& s, int i) {
    return s.at(i - 1);
}

// Code page 850 (the OEM code page of Western Europe), bytes 0x80 to 0xFF.
constexpr std::array<char16_t, 128> Oem850 = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0, 0x00A9, 0x2563, 0x2551, 0x2557,
    0x255D, 0x00A2, 0x00A5, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4, 0x00F0, 0x00D0, 0x00CA, 0x00CB,
    0x00C8, 0x0131, 0x00CD, 0x00CE, 0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE, 0x00DE, 0x00DA, 0x00DB, 0x00D9,
    0x00FD, 0x00DD, 0x00AF, 0x00B4, 0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,
};

QByteArray bytesOf(const QString& s) {
    return s.toLatin1();
}

int hexValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

int romanValue(QChar c) {
    switch (c.toUpper().unicode()) {
    case 'I':
        return 1;
    case 'V':
        return 5;
    case 'X':
        return 10;
    case 'L':
        return 50;
    case 'C':
        return 100;
    case 'D':
        return 500;
    case 'M':
        return 1000;
    default:
        return 0;
    }
}

int sign(int value) {
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

// "*" matches any run and "?" one character; on a mismatch the last "*" takes one more character.
bool wildMatch(const QString& text, const QString& wilds) {
    qsizetype ti = 0;
    qsizetype wi = 0;
    qsizetype star = -1;
    qsizetype mark = 0;
    while (ti < text.size()) {
        if (wi < wilds.size() && (wilds.at(wi) == u'?' || wilds.at(wi) == text.at(ti))) {
            ++ti;
            ++wi;
        } else if (wi < wilds.size() && wilds.at(wi) == u'*') {
            star = wi++;
            mark = ti;
        } else if (star >= 0) {
            wi = star + 1;
            ti = ++mark;
        } else {
            return false;
        }
    }
    while (wi < wilds.size() && wilds.at(wi) == u'*')
        ++wi;
    return wi == wilds.size();
}

} // namespace

QString ReplaceStr(const QString& S, const QString& Srch, const QString& Replace) {
    if (Srch.isEmpty())
        return S;
    QString result;
    qsizetype from = 0;
    for (qsizetype found = S.indexOf(Srch); found >= 0; found = S.indexOf(Srch, from)) {
        result += S.mid(from, found - from) + Replace;
        from = found + Srch.size();
    }
    return result + S.mid(from);
}

QString DelChars(const QString& S, QChar Chr) {
    QString result = S;
    result.remove(Chr);
    return result;
}

QString DelSpace(const QString& S) {
    return DelChars(S, Blank);
}

QString DelBSpace(const QString& S) {
    int i = 1;
    while (i <= length(S) && at(S, i) == Blank)
        ++i;
    return S.mid(i - 1);
}

QString DelESpace(const QString& S) {
    int i = length(S);
    while (i > 0 && at(S, i) == Blank)
        --i;
    return S.left(i);
}

QString DelRSpace(const QString& S) {
    return DelBSpace(DelESpace(S));
}

QString DelSpace1(const QString& S) {
    QString result;
    for (QChar c : S) {
        if (c != Blank || !result.endsWith(Blank))
            result += c;
    }
    return result;
}

QString Tab2Space(const QString& S, int Numb) {
    return ReplaceStr(S, "\t", MakeStr(Blank, Numb));
}

bool IsEmptyStr(const QString& S, const TCharSet& EmptyChars) {
    for (QChar c : S) {
        if (!EmptyChars.Contains(c))
            return false;
    }
    return true;
}

QString MakeStr(QChar C, int N) {
    return N < 1 ? QString() : QString(N, C);
}

QString MS(QChar C, int N) {
    return MakeStr(C, N);
}

int NPos(const QString& C, const QString& S, int N) {
    if (C.isEmpty() || N < 1)
        return 0;
    qsizetype found = -1;
    for (int i = 0; i < N; ++i) {
        found = S.indexOf(C, found + 1);
        if (found < 0)
            return 0;
    }
    return int(found) + 1;
}

QString AddChar(QChar C, const QString& S, int N) {
    return length(S) < N ? MakeStr(C, N - length(S)) + S : S;
}

QString AddCharR(QChar C, const QString& S, int N) {
    return length(S) < N ? S + MakeStr(C, N - length(S)) : S;
}

QString LeftStr(const QString& S, int N) {
    return AddCharR(Blank, S, N);
}

QString RightStr(const QString& S, int N) {
    return AddChar(Blank, S, N);
}

QString CenterStr(const QString& S, int Len) {
    if (length(S) >= Len)
        return S;
    const QString left = MakeStr(Blank, Len / 2 - length(S) / 2) + S;
    return left + MakeStr(Blank, Len - length(left));
}

int CompStr(const QString& S1, const QString& S2) {
    return sign(S1.localeAwareCompare(S2));
}

int CompText(const QString& S1, const QString& S2) {
    return sign(S1.toUpper().localeAwareCompare(S2.toUpper()));
}

QString Copy2Symb(const QString& S, QChar Symb) {
    const qsizetype found = S.indexOf(Symb);
    return found < 0 ? S : S.left(found);
}

QString Copy2SymbDel(QString& S, QChar Symb) {
    const QString result = Copy2Symb(S, Symb);
    S = DelBSpace(S.mid(result.size() + 1));
    return result;
}

QString Copy2Space(const QString& S) {
    return Copy2Symb(S, Blank);
}

QString Copy2SpaceDel(QString& S) {
    return Copy2SymbDel(S, Blank);
}

QString AnsiProperCase(const QString& S, const TCharSet& WordDelims) {
    QString result = S.toLower();
    int i = 1;
    while (i <= length(result)) {
        while (i <= length(result) && WordDelims.Contains(at(result, i)))
            ++i;
        if (i <= length(result))
            result[i - 1] = at(result, i).toUpper();
        while (i <= length(result) && !WordDelims.Contains(at(result, i)))
            ++i;
    }
    return result;
}

QString StrToOem(const QString& AnsiStr) {
    QString result;
    for (QChar c : AnsiStr) {
        if (c.unicode() < 0x80) {
            result += c;
            continue;
        }
        const auto found = std::find(Oem850.begin(), Oem850.end(), c.unicode());
        result +=
            found == Oem850.end() ? QChar(u'?') : QChar(char16_t(0x80 + (found - Oem850.begin())));
    }
    return result;
}

QString OemToAnsiStr(const QString& OemStr) {
    QString result;
    for (QChar c : OemStr) {
        const char16_t u = c.unicode();
        if (u < 0x80 || u > 0xFF) {
            result += u < 0x80 ? c : QChar(u'?');
            continue;
        }
        const char16_t ansi = Oem850.at(u - 0x80);
        result += ansi <= 0xFF ? QChar(ansi) : QChar(u'?');
    }
    return result;
}

int WordCount(const QString& S, const TCharSet& WordDelims) {
    int count = 0;
    int i = 1;
    while (i <= length(S)) {
        while (i <= length(S) && WordDelims.Contains(at(S, i)))
            ++i;
        if (i <= length(S))
            ++count;
        while (i <= length(S) && !WordDelims.Contains(at(S, i)))
            ++i;
    }
    return count;
}

int WordPosition(int N, const QString& S, const TCharSet& WordDelims) {
    int count = 0;
    int i = 1;
    while (i <= length(S) && count != N) {
        while (i <= length(S) && WordDelims.Contains(at(S, i)))
            ++i;
        if (i <= length(S))
            ++count;
        if (count == N)
            return i;
        while (i <= length(S) && !WordDelims.Contains(at(S, i)))
            ++i;
    }
    return 0;
}

QString ExtractWordPos(int N, const QString& S, const TCharSet& WordDelims, int& Pos) {
    Pos = WordPosition(N, S, WordDelims);
    QString result;
    for (int i = Pos; i > 0 && i <= length(S) && !WordDelims.Contains(at(S, i)); ++i)
        result += at(S, i);
    return result;
}

QString ExtractWord(int N, const QString& S, const TCharSet& WordDelims) {
    int pos = 0;
    return ExtractWordPos(N, S, WordDelims, pos);
}

QString ExtractDelimited(int N, const QString& S, const TCharSet& Delims) {
    int current = 0;
    QString result;
    for (int i = 1; i <= length(S) && current != N; ++i) {
        if (Delims.Contains(at(S, i)))
            ++current;
        else if (current == N - 1)
            result += at(S, i);
    }
    return result;
}

QString ExtractSubstr(const QString& S, int& Pos, const TCharSet& Delims) {
    Pos = std::max(Pos, 1);
    int i = Pos;
    while (i <= length(S) && !Delims.Contains(at(S, i)))
        ++i;
    const QString result = S.mid(Pos - 1, i - Pos);
    if (i <= length(S))
        ++i;
    Pos = i;
    return result;
}

bool IsWordPresent(const QString& W, const QString& S, const TCharSet& WordDelims) {
    const int count = WordCount(S, WordDelims);
    for (int i = 1; i <= count; ++i) {
        if (ExtractWord(i, S, WordDelims) == W)
            return true;
    }
    return false;
}

QString QuotedString(const QString& S, QChar Quote) {
    return Quote + ReplaceStr(S, Quote, QString(2, Quote)) + Quote;
}

QString ExtractQuotedString(const QString& S, QChar Quote) {
    if (S.isEmpty() || S.front() != Quote)
        return S;
    QString result;
    for (qsizetype i = 1; i < S.size(); ++i) {
        if (S.at(i) != Quote) {
            result += S.at(i);
        } else if (i + 1 < S.size() && S.at(i + 1) == Quote) {
            result += Quote;
            ++i;
        } else {
            break;
        }
    }
    return result;
}

bool IsWild(const QString& InputStr, const QString& Wilds, bool IgnoreCase) {
    if (Wilds == InputStr)
        return true;
    QString wilds = Wilds;
    while (wilds.contains(QStringLiteral("**")))
        wilds.replace(QStringLiteral("**"), QStringLiteral("*"));
    if (wilds == QStringLiteral("*"))
        return true;
    if (wilds.isEmpty() || InputStr.isEmpty())
        return false;
    return IgnoreCase ? wildMatch(InputStr.toUpper(), wilds.toUpper()) : wildMatch(InputStr, wilds);
}

int FindPart(const QString& HelpWilds, const QString& InputStr) {
    if (!HelpWilds.contains(u'?'))
        return HelpWilds.isEmpty() ? 0 : int(InputStr.indexOf(HelpWilds)) + 1;
    for (qsizetype start = 0; start + HelpWilds.size() <= InputStr.size(); ++start) {
        qsizetype j = 0;
        while (j < HelpWilds.size() &&
               (HelpWilds.at(j) == u'?' || HelpWilds.at(j) == InputStr.at(start + j)))
            ++j;
        if (j == HelpWilds.size())
            return int(start) + 1;
    }
    return 0;
}

QString Numb2USA(const QString& S) {
    QString result = S;
    for (qsizetype i = result.size() - 3; i > 0; i -= 3)
        result.insert(i, u',');
    return result;
}

QString Dec2Hex(int N, int A) {
    return QString::number(static_cast<quint32>(N), 16).toUpper().rightJustified(A, u'0');
}

QString D2H(int N, int A) {
    return Dec2Hex(N, A);
}

int Hex2Dec(const QString& S) {
    QString digits = S;
    if (digits.startsWith(u'$'))
        digits.remove(0, 1);
    // Only "$" marks hexadecimal: "0x1F" is no number.
    const auto isHexDigit = [](QChar c) { return std::isxdigit(c.unicode()) && c.unicode() < 128; };
    if (digits.isEmpty() || digits.size() > 8 ||
        !std::all_of(digits.begin(), digits.end(), isHexDigit))
        return 0;
    bool ok = false;
    const quint32 value = digits.toUInt(&ok, 16);
    return ok ? static_cast<int>(value) : 0;
}

int H2D(const QString& S) {
    return Hex2Dec(S);
}

QString Dec2Numb(int N, int A, int B) {
    if (B < 2 || B > 36)
        return QString();
    if (N == 0)
        return QStringLiteral("0");
    QString result;
    for (auto number = static_cast<quint32>(N); number > 0; number /= quint32(B)) {
        const int digit = int(number % quint32(B));
        result.prepend(QChar(digit > 9 ? digit + 55 : digit + 48));
    }
    return AddChar(u'0', result, A);
}

int Numb2Dec(const QString& S, int B) {
    if (B < 2 || B > 36)
        return 0;
    const QString digits = S.toUpper();
    quint32 result = 0;
    quint32 weight = 1;
    for (qsizetype i = digits.size() - 1; i >= 0; --i) {
        const int code = digits.at(i).unicode();
        result += quint32(code > '@' ? code - 55 : code - 48) * weight;
        weight *= quint32(B);
    }
    return static_cast<int>(result);
}

int RomanToInt(const QString& S) {
    const bool negative = S.startsWith(u'-');
    const QString digits = negative ? S.mid(1) : S;
    int result = 0;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        const int value = romanValue(digits.at(i));
        if (value == 0)
            return 0;
        const int next = i + 1 < digits.size() ? romanValue(digits.at(i + 1)) : 0;
        result += value < next ? -value : value;
    }
    return negative ? -result : result;
}

QString IntToRoman(int Value) {
    static const std::array<std::pair<int, const char*>, 13> numerals = {{{1000, "M"},
                                                                          {900, "CM"},
                                                                          {500, "D"},
                                                                          {400, "CD"},
                                                                          {100, "C"},
                                                                          {90, "XC"},
                                                                          {50, "L"},
                                                                          {40, "XL"},
                                                                          {10, "X"},
                                                                          {9, "IX"},
                                                                          {5, "V"},
                                                                          {4, "IV"},
                                                                          {1, "I"}}};
    QString result;
    for (const auto& [value, text] : numerals) {
        for (; Value >= value; Value -= value)
            result += QLatin1String(text);
    }
    return result;
}

QString IntToBin(int Value, int Digits, int Spaces) {
    QString result;
    const auto bits = static_cast<quint32>(Value);
    for (int remaining = std::min(Digits, 32); remaining > 0; --remaining) {
        if (Spaces >= 1 && remaining % Spaces == 0)
            result += Blank;
        result += (bits >> (remaining - 1)) & 1 ? u'1' : u'0';
    }
    return result;
}

QString XorString(const QString& Key, const QString& Src) {
    const QByteArray key = bytesOf(Key);
    QByteArray result = bytesOf(Src).left(255);
    if (!key.isEmpty()) {
        for (qsizetype i = 0; i < result.size(); ++i)
            result[i] = char(result.at(i) ^ key.at(i % key.size()));
    }
    return QString::fromLatin1(result);
}

QString XorEncode(const QString& Key, const QString& Source) {
    const QByteArray key = bytesOf(Key);
    const QByteArray source = bytesOf(Source);
    QString result;
    for (qsizetype i = 0; i < source.size(); ++i) {
        const auto c = quint8(key.isEmpty() ? source.at(i) : source.at(i) ^ key.at(i % key.size()));
        result += QString::number(c, 16).rightJustified(2, u'0');
    }
    return result;
}

QString XorDecode(const QString& Key, const QString& Source) {
    const QByteArray key = bytesOf(Key);
    QByteArray result;
    for (qsizetype i = 0; i < Source.size() / 2; ++i) {
        const int high = hexValue(Source.at(2 * i));
        const int low = hexValue(Source.at(2 * i + 1));
        auto c = char(high < 0 || low < 0 ? ' ' : high * 16 + low);
        if (!key.isEmpty())
            c = char(c ^ key.at(i % key.size()));
        result += c;
    }
    return QString::fromLatin1(result);
}

QString GetCmdLineArg(const QString& Switch, const TCharSet& SwitchChars) {
    return GetCmdLineArg(Switch, SwitchChars, QCoreApplication::arguments());
}

QString GetCmdLineArg(const QString& Switch, const TCharSet& SwitchChars,
                      const QStringList& Arguments) {
    for (qsizetype i = 1; i + 1 < Arguments.size(); ++i) {
        const QString& arg = Arguments.at(i);
        const bool isSwitch =
            SwitchChars.IsEmpty() || (arg.size() > 1 && SwitchChars.Contains(arg.front()));
        if (isSwitch && arg.mid(1).compare(Switch, Qt::CaseInsensitive) == 0)
            return Arguments.at(i + 1);
    }
    return QString();
}
