#include "RichTextFormat.h"

#include <QBuffer>
#include <QFont>
#include <QImageReader>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <vector>

namespace richtext {

namespace {

enum CharKey {
    kEffects = QTextFormat::UserProperty + 1,
    kHeight,
    kOffset,
    kTextColor,
    kCharSet,
    kPitch,
    kFace,
    kWeight,
    kBackColor,
    kRevAuthor,
    kUnderlineType,
};

enum ParaKey {
    kNumbering = QTextFormat::UserProperty + 40,
    kParaEffects,
    kStartIndent,
    kRightIndent,
    kParaOffset,
    kAlignment,
    kTabs,
    kTabCount,
    kSpaceBefore,
    kSpaceAfter,
    kLineSpacing,
    kStyle,
    kLineSpacingRule,
    kNumberingStyle,
    kNumberingTab,
};

constexpr std::uint32_t EffectMasks = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT |
                                      CFM_PROTECTED | CFM_LINK | CFM_HIDDEN | CFM_DISABLED |
                                      CFM_SUBSCRIPT | CFM_SUPERSCRIPT;

int IntOr(const QTextFormat& format, int key, int fallback) {
    return format.hasProperty(key) ? format.intProperty(key) : fallback;
}

// What a format without our properties says, the document's default where it says nothing.
std::uint32_t EffectsOfQt(const QTextCharFormat& format, std::uint32_t base) {
    std::uint32_t effects = 0;
    const auto flag = [&](int property, bool on, std::uint32_t bit) {
        if (format.hasProperty(property) ? on : (base & bit))
            effects |= bit;
    };
    flag(QTextFormat::FontWeight, format.fontWeight() >= QFont::DemiBold, CFE_BOLD);
    flag(QTextFormat::FontItalic, format.fontItalic(), CFE_ITALIC);
    flag(QTextFormat::TextUnderlineStyle, format.fontUnderline(), CFE_UNDERLINE);
    flag(QTextFormat::FontStrikeOut, format.fontStrikeOut(), CFE_STRIKEOUT);
    if (format.verticalAlignment() == QTextCharFormat::AlignSubScript)
        effects |= CFE_SUBSCRIPT;
    if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        effects |= CFE_SUPERSCRIPT;
    if (format.foreground().style() == Qt::NoBrush)
        effects |= CFE_AUTOCOLOR;
    if (format.background().style() == Qt::NoBrush)
        effects |= CFE_AUTOBACKCOLOR;
    return effects;
}

QTextCharFormat::UnderlineStyle UnderlineStyleOf(std::uint8_t type) {
    switch (type) {
    case 4:
        return QTextCharFormat::DotLine;
    case 5:
        return QTextCharFormat::WaveUnderline;
    default:
        return QTextCharFormat::SingleUnderline;
    }
}

void Render(QTextCharFormat& format, const CharFormat& r) {
    format.setFontWeight((r.effects & CFE_BOLD) ? QFont::Bold : QFont::Normal);
    format.setFontItalic(r.effects & CFE_ITALIC);
    format.setFontStrikeOut(r.effects & CFE_STRIKEOUT);
    const bool underline = r.effects & (CFE_UNDERLINE | CFE_LINK);
    format.setUnderlineStyle(underline ? UnderlineStyleOf(r.underlineType)
                                       : QTextCharFormat::NoUnderline);
    if (r.effects & CFE_AUTOCOLOR)
        format.clearForeground();
    else
        format.setForeground(platform::ToQColor(r.textColor));
    if (r.effects & CFE_AUTOBACKCOLOR)
        format.clearBackground();
    else
        format.setBackground(platform::ToQColor(r.backColor));
    if (r.height > 0)
        format.setFontPointSize(r.height / 20.0);
    if (!r.faceName.isEmpty())
        format.setFontFamilies(QStringList{r.faceName});
    if (r.effects & CFE_SUBSCRIPT)
        format.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    else if (r.effects & CFE_SUPERSCRIPT)
        format.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else
        format.setVerticalAlignment(QTextCharFormat::AlignNormal);
    format.setAnchor(r.effects & CFE_LINK);
}

} // namespace

void MergeChar(CharFormat& to, const CharFormat& from) {
    const std::uint32_t m = from.mask;
    const std::uint32_t effectBits = m & EffectMasks;
    to.effects = (to.effects & ~effectBits) | (from.effects & effectBits);
    if (m & CFM_COLOR) {
        to.textColor = from.textColor;
        to.effects = (to.effects & ~CFE_AUTOCOLOR) | (from.effects & CFE_AUTOCOLOR);
    }
    if (m & CFM_BACKCOLOR) {
        to.backColor = from.backColor;
        to.effects = (to.effects & ~CFE_AUTOBACKCOLOR) | (from.effects & CFE_AUTOBACKCOLOR);
    }
    if (m & CFM_SIZE)
        to.height = from.height;
    if (m & CFM_OFFSET)
        to.offset = from.offset;
    if (m & CFM_CHARSET)
        to.charSet = from.charSet;
    if (m & CFM_FACE) {
        to.faceName = from.faceName.left(31);
        to.pitchAndFamily = from.pitchAndFamily;
    }
    if (m & CFM_WEIGHT)
        to.weight = from.weight;
    if (m & CFM_REVAUTHOR)
        to.revAuthor = from.revAuthor;
    if (m & CFM_UNDERLINETYPE)
        to.underlineType = from.underlineType;
    else if (m & CFM_UNDERLINE)
        // The bare effect draws a solid line unless the text already has a kind of line.
        to.underlineType = (to.effects & CFE_UNDERLINE) ? std::max(to.underlineType, CFU_UNDERLINE)
                                                        : std::uint8_t(0);
}

namespace {

Qt::Alignment QtAlignment(std::uint16_t alignment) {
    switch (alignment) {
    case 2:
        return Qt::AlignRight;
    case 3:
        return Qt::AlignHCenter;
    case 4:
        return Qt::AlignJustify;
    default:
        return Qt::AlignLeft;
    }
}

std::uint16_t AlignmentOfQt(Qt::Alignment alignment) {
    if (alignment & Qt::AlignRight)
        return 2;
    if (alignment & Qt::AlignHCenter)
        return 3;
    if (alignment & Qt::AlignJustify)
        return 4;
    return 1;
}

void RenderLineSpacing(QTextBlockFormat& format, const ParaFormat& r) {
    switch (r.lineSpacingRule) {
    case 1:
        format.setLineHeight(150, QTextBlockFormat::ProportionalHeight);
        break;
    case 2:
        format.setLineHeight(200, QTextBlockFormat::ProportionalHeight);
        break;
    case 3:
        format.setLineHeight(TwipsToUnits(r.lineSpacing), QTextBlockFormat::MinimumHeight);
        break;
    case 4:
        format.setLineHeight(TwipsToUnits(r.lineSpacing), QTextBlockFormat::FixedHeight);
        break;
    case 5:
        format.setLineHeight(std::clamp(r.lineSpacing * 5, 0, 100000),
                             QTextBlockFormat::ProportionalHeight);
        break;
    default:
        format.setLineHeight(100, QTextBlockFormat::ProportionalHeight);
    }
}

void RenderPara(QTextBlockFormat& format, const ParaFormat& r) {
    format.setAlignment(QtAlignment(r.alignment));
    format.setLeftMargin(TwipsToUnits(std::int64_t(r.startIndent) + r.offset));
    format.setTextIndent(TwipsToUnits(-std::int64_t(r.offset)));
    format.setRightMargin(TwipsToUnits(r.rightIndent));
    format.setTopMargin(TwipsToUnits(r.spaceBefore));
    format.setBottomMargin(TwipsToUnits(r.spaceAfter));
    RenderLineSpacing(format, r);
    QList<QTextOption::Tab> tabs;
    for (int i = 0; i < std::clamp<int>(r.tabCount, 0, MaxTabStops); ++i)
        tabs.append(QTextOption::Tab(TwipsToUnits(r.tabs[i]), QTextOption::LeftTab));
    format.setTabPositions(tabs);
}

QTextListFormat::Style ListStyleOf(std::uint16_t numbering) {
    switch (numbering) {
    case 2:
        return QTextListFormat::ListDecimal;
    case 3:
        return QTextListFormat::ListLowerAlpha;
    case 4:
        return QTextListFormat::ListUpperAlpha;
    case 5:
        return QTextListFormat::ListLowerRoman;
    case 6:
        return QTextListFormat::ListUpperRoman;
    default:
        return QTextListFormat::ListDisc;
    }
}

std::uint16_t NumberingOfListStyle(QTextListFormat::Style style) {
    switch (style) {
    case QTextListFormat::ListDecimal:
        return 2;
    case QTextListFormat::ListLowerAlpha:
        return 3;
    case QTextListFormat::ListUpperAlpha:
        return 4;
    case QTextListFormat::ListLowerRoman:
        return 5;
    case QTextListFormat::ListUpperRoman:
        return 6;
    default:
        return 1;
    }
}

} // namespace

namespace {

// Bytes 0x80 to 0x9F; the five the code page leaves undefined stand for themselves.
constexpr char16_t Ansi80[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

QChar FromAnsi(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? QChar(Ansi80[byte - 0x80]) : QChar(byte);
}

int ToAnsi(QChar character) {
    const char16_t u = character.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return u;
    const auto found = std::find(std::begin(Ansi80), std::end(Ansi80), u);
    return found == std::end(Ansi80) ? -1 : int(0x80 + (found - std::begin(Ansi80)));
}

double TwipsToUnits(std::int64_t twips) {
    return double(twips) / 15.0;
}

CharFormat ReadChar(const QTextCharFormat& format, const CharFormat& base) {
    CharFormat r;
    r.mask = CFM_ALL;
    r.effects = std::uint32_t(IntOr(format, kEffects, int(EffectsOfQt(format, base.effects))));
    const double points = format.fontPointSize();
    r.height = IntOr(format, kHeight, points > 0 ? int(points * 20 + 0.5) : base.height);
    r.offset = IntOr(format, kOffset, 0);
    const QBrush fg = format.foreground();
    r.textColor =
        IntOr(format, kTextColor,
              fg.style() == Qt::NoBrush ? base.textColor : platform::FromQColor(fg.color()));
    const QBrush bg = format.background();
    r.backColor =
        IntOr(format, kBackColor,
              bg.style() == Qt::NoBrush ? base.backColor : platform::FromQColor(bg.color()));
    r.charSet = std::uint8_t(IntOr(format, kCharSet, base.charSet));
    r.pitchAndFamily = std::uint8_t(IntOr(format, kPitch, base.pitchAndFamily));
    const QStringList families = format.fontFamilies().toStringList();
    r.faceName = format.hasProperty(kFace) ? format.stringProperty(kFace)
                 : families.isEmpty()      ? base.faceName
                                           : families.first();
    r.weight = std::uint16_t(IntOr(format, kWeight, (r.effects & CFE_BOLD) ? 700 : 400));
    r.revAuthor = std::uint8_t(IntOr(format, kRevAuthor, 0));
    r.underlineType = std::uint8_t(
        IntOr(format, kUnderlineType, (r.effects & CFE_UNDERLINE) ? CFU_UNDERLINE : 0));
    return r;
}

void WriteChar(QTextCharFormat& format, const CharFormat& record, const CharFormat& base) {
    CharFormat r = ReadChar(format, base);
    MergeChar(r, record);
    format.setProperty(kEffects, int(r.effects));
    format.setProperty(kHeight, r.height);
    format.setProperty(kOffset, r.offset);
    format.setProperty(kTextColor, r.textColor);
    format.setProperty(kCharSet, int(r.charSet));
    format.setProperty(kPitch, int(r.pitchAndFamily));
    format.setProperty(kFace, r.faceName);
    format.setProperty(kWeight, int(r.weight));
    format.setProperty(kBackColor, r.backColor);
    format.setProperty(kRevAuthor, int(r.revAuthor));
    format.setProperty(kUnderlineType, int(r.underlineType));
    Render(format, r);
}

CharFormat CharOfFont(const QFont& font, TColor color) {
    CharFormat r;
    r.mask = CFM_SIZE | CFM_COLOR | CFM_FACE | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE |
             CFM_STRIKEOUT | CFM_CHARSET | CFM_WEIGHT;
    r.pitchAndFamily = font.fixedPitch() ? 1 : 0;
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 0.75;
    r.height = int(points * 20 + 0.5);
    r.effects = (font.bold() ? CFE_BOLD : 0) | (font.italic() ? CFE_ITALIC : 0) |
                (font.underline() ? CFE_UNDERLINE : 0) | (font.strikeOut() ? CFE_STRIKEOUT : 0);
    r.faceName = font.family().left(31);
    if (color == platform::clWindowText || color == platform::clDefault)
        r.effects |= CFE_AUTOCOLOR;
    else
        r.textColor = color;
    r.weight = std::uint16_t(font.weight());
    return r;
}

ParaFormat ReadPara(const QTextBlockFormat& format) {
    ParaFormat r;
    r.mask = PFM_ALL;
    r.effects = std::uint16_t(IntOr(format, kParaEffects, 0));
    r.startIndent = IntOr(format, kStartIndent, 0);
    r.rightIndent = IntOr(format, kRightIndent, 0);
    r.offset = IntOr(format, kParaOffset, 0);
    r.alignment = std::uint16_t(IntOr(format, kAlignment, AlignmentOfQt(format.alignment())));
    // All 32 positions are kept: the count may stop short of a tab that was set.
    const QList<int> tabs = format.property(kTabs).value<QList<int>>();
    std::copy_n(tabs.begin(), std::min<qsizetype>(tabs.size(), MaxTabStops), r.tabs.begin());
    r.tabCount = std::int16_t(std::clamp(IntOr(format, kTabCount, 0), 0, MaxTabStops));
    r.spaceBefore = IntOr(format, kSpaceBefore, 0);
    r.spaceAfter = IntOr(format, kSpaceAfter, 0);
    r.lineSpacing = IntOr(format, kLineSpacing, 0);
    r.style = std::int16_t(IntOr(format, kStyle, 0));
    r.lineSpacingRule = std::uint8_t(IntOr(format, kLineSpacingRule, 0));
    r.numbering = std::uint16_t(IntOr(format, kNumbering, 0));
    r.numberingStyle = std::uint16_t(IntOr(format, kNumberingStyle, 0));
    r.numberingTab = std::uint16_t(IntOr(format, kNumberingTab, 0));
    return r;
}

void WritePara(QTextBlockFormat& format, const ParaFormat& record) {
    ParaFormat r = ReadPara(format);
    const std::uint32_t m = record.mask;
    if (m & PFM_STARTINDENT)
        r.startIndent = record.startIndent;
    if (m & PFM_RIGHTINDENT)
        r.rightIndent = record.rightIndent;
    if (m & PFM_OFFSET)
        r.offset = record.offset;
    if (m & PFM_ALIGNMENT)
        r.alignment = record.alignment;
    if (m & PFM_TABSTOPS) {
        r.tabCount = std::int16_t(std::clamp<int>(record.tabCount, 0, MaxTabStops));
        r.tabs = record.tabs;
    }
    if (m & PFM_NUMBERING)
        r.numbering = record.numbering;
    if (m & PFM_SPACEBEFORE)
        r.spaceBefore = record.spaceBefore;
    if (m & PFM_SPACEAFTER)
        r.spaceAfter = record.spaceAfter;
    if (m & PFM_LINESPACING) {
        r.lineSpacing = record.lineSpacing;
        r.lineSpacingRule = record.lineSpacingRule;
    }
    if (m & PFM_STYLE)
        r.style = record.style;
    if (m & PFM_NUMBERINGSTYLE)
        r.numberingStyle = record.numberingStyle;
    if (m & PFM_NUMBERINGTAB)
        r.numberingTab = record.numberingTab;
    if (m & PFM_TABLE)
        r.effects = record.effects;
    format.setProperty(kParaEffects, int(r.effects));
    format.setProperty(kStartIndent, r.startIndent);
    format.setProperty(kRightIndent, r.rightIndent);
    format.setProperty(kParaOffset, r.offset);
    format.setProperty(kAlignment, int(r.alignment));
    format.setProperty(kTabs, QVariant::fromValue(QList<int>(r.tabs.begin(), r.tabs.end())));
    format.setProperty(kTabCount, int(r.tabCount));
    format.setProperty(kSpaceBefore, r.spaceBefore);
    format.setProperty(kSpaceAfter, r.spaceAfter);
    format.setProperty(kLineSpacing, r.lineSpacing);
    format.setProperty(kStyle, int(r.style));
    format.setProperty(kLineSpacingRule, int(r.lineSpacingRule));
    format.setProperty(kNumbering, int(r.numbering));
    format.setProperty(kNumberingStyle, int(r.numberingStyle));
    format.setProperty(kNumberingTab, int(r.numberingTab));
    RenderPara(format, r);
}

void ApplyNumbering(QTextCursor& cursor, const ParaFormat& record) {
    QTextDocument* document = cursor.document();
    const QTextBlock first = document->findBlock(cursor.selectionStart());
    const QTextBlock last = document->findBlock(cursor.selectionEnd());
    for (QTextBlock b = first; b.isValid(); b = b.next()) {
        if (QTextList* list = b.textList())
            list->remove(b);
        QTextCursor c(b);
        QTextBlockFormat plain = b.blockFormat();
        plain.setIndent(0);
        c.setBlockFormat(plain);
        if (b == last)
            break;
    }
    if (record.numbering == 0)
        return;
    QTextListFormat format;
    format.setStyle(ListStyleOf(record.numbering));
    static const char* const prefixes[] = {"", "", "(", ""};
    static const char* const suffixes[] = {")", ".", ")", ""};
    const int style = record.numberingStyle < 4 ? record.numberingStyle : 3;
    format.setNumberPrefix(QString::fromLatin1(prefixes[style]));
    format.setNumberSuffix(QString::fromLatin1(suffixes[style]));
    cursor.createList(format);
}

void ReadNumbering(const QTextBlock& block, ParaFormat& record) {
    const QTextList* list = block.textList();
    if (!list)
        record.numbering = 0;
    else if (record.numbering == 0)
        record.numbering = NumberingOfListStyle(list->format().style());
}

void KeepConsistent(CharFormat& r, const CharFormat& o) {
    const std::uint32_t differing = r.effects ^ o.effects;
    r.mask &= ~(differing & EffectMasks);
    if ((differing & CFE_AUTOCOLOR) || r.textColor != o.textColor)
        r.mask &= ~CFM_COLOR;
    if ((differing & CFE_AUTOBACKCOLOR) || r.backColor != o.backColor)
        r.mask &= ~CFM_BACKCOLOR;
    if (r.height != o.height)
        r.mask &= ~CFM_SIZE;
    if (r.offset != o.offset)
        r.mask &= ~CFM_OFFSET;
    if (r.charSet != o.charSet)
        r.mask &= ~CFM_CHARSET;
    if (r.faceName != o.faceName)
        r.mask &= ~CFM_FACE;
    if (r.weight != o.weight)
        r.mask &= ~CFM_WEIGHT;
    if (r.revAuthor != o.revAuthor)
        r.mask &= ~CFM_REVAUTHOR;
    if (r.underlineType != o.underlineType)
        r.mask &= ~CFM_UNDERLINETYPE;
}

CharFormat ReadCharRange(const QTextDocument& document, int from, int to, const CharFormat& base) {
    CharFormat result;
    bool first = true;
    for (QTextBlock b = document.findBlock(from); b.isValid() && b.position() < to; b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (f.position() + f.length() <= from || f.position() >= to)
                continue;
            const CharFormat r = ReadChar(f.charFormat(), base);
            if (first)
                result = r;
            else
                KeepConsistent(result, r);
            first = false;
        }
    }
    if (first) {
        QTextCursor at(const_cast<QTextDocument*>(&document));
        at.setPosition(std::clamp(from, 0, document.characterCount() - 1));
        result = ReadChar(at.charFormat(), base);
    }
    return result;
}

void WriteCharRange(QTextCursor& cursor, const CharFormat& record, const CharFormat& base) {
    if (!cursor.hasSelection()) {
        QTextCharFormat format = cursor.charFormat();
        WriteChar(format, record, base);
        cursor.setCharFormat(format);
        return;
    }
    struct Run {
        int from, to;
        QTextCharFormat format;
    };
    std::vector<Run> runs;
    const int from = cursor.selectionStart();
    const int to = cursor.selectionEnd();
    QTextDocument* document = cursor.document();
    for (QTextBlock b = document->findBlock(from); b.isValid() && b.position() < to; b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const int a = std::max(from, f.position());
            const int z = std::min(to, f.position() + f.length());
            if (a < z)
                runs.push_back({a, z, f.charFormat()});
        }
    }
    cursor.beginEditBlock();
    for (Run& run : runs) {
        QTextCursor c(document);
        c.setPosition(run.from);
        c.setPosition(run.to, QTextCursor::KeepAnchor);
        WriteChar(run.format, record, base);
        c.setCharFormat(run.format);
    }
    cursor.endEditBlock();
}

// ----- pictures -----

namespace {

quint32 LittleEndian32(const QByteArray& data, qsizetype at) {
    quint32 value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | uchar(data[at + i]);
    return value;
}

quint16 LittleEndian16(const QByteArray& data, qsizetype at) {
    return quint16(uchar(data[at]) | (uchar(data[at + 1]) << 8));
}

void AppendLittleEndian32(QByteArray& out, quint32 value) {
    for (int i = 0; i < 4; ++i)
        out += char((value >> (8 * i)) & 0xFF);
}

// Reads one image of the given kind, its size checked before any pixel is decoded.
QImage DecodeBounded(const QByteArray& data, const char* kind) {
    if (data.isEmpty() || data.size() > MaxPictureBytes)
        return {};
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, kind);
    reader.setDecideFormatFromContent(false);
    reader.setAllocationLimit(int(MaxPicturePixels * 4 / (1024 * 1024)));
    // A bitmap stored top row first declares a negative height.
    const QSize declared = reader.size();
    const qint64 width = std::abs(qint64(declared.width()));
    const qint64 height = std::abs(qint64(declared.height()));
    if (width == 0 || height == 0 || width * height > MaxPicturePixels)
        return {};
    QImage image = reader.read();
    return PictureSizeAllowed(image.size()) ? image : QImage();
}

} // namespace

bool PictureSizeAllowed(QSize size) {
    return size.width() > 0 && size.height() > 0 &&
           qint64(size.width()) * size.height() <= MaxPicturePixels;
}

QTextImageFormat AddPicture(QTextDocument& document, const QImage& image, QSizeF size) {
    // Names that no loader resolves: a picture is only ever what the document was given.
    static std::atomic<quint64> counter{0};
    const QString name = QStringLiteral("kxpict:%1").arg(++counter);
    document.addResource(QTextDocument::ImageResource, QUrl(name), image);
    if (size.isEmpty())
        size = image.size();
    QTextImageFormat format;
    format.setName(name);
    format.setWidth(std::clamp(size.width(), 1.0, double(MaxPictureSide)));
    format.setHeight(std::clamp(size.height(), 1.0, double(MaxPictureSide)));
    return format;
}

QImage PictureOf(const QTextDocument& document, const QTextImageFormat& format) {
    const QUrl name(format.name());
    if (name.scheme() != QLatin1String("kxpict"))
        return {};
    return document.resource(QTextDocument::ImageResource, name).value<QImage>();
}

QImage DecodePng(const QByteArray& data) {
    return data.startsWith("\x89PNG\r\n\x1a\n") ? DecodeBounded(data, "png") : QImage();
}

QImage DecodeJpeg(const QByteArray& data) {
    // One cut short still decodes, its lost rows grey: only one closed by its end marker is read.
    const bool whole = data.startsWith("\xff\xd8\xff") && data.endsWith("\xff\xd9");
    return whole ? DecodeBounded(data, "jpeg") : QImage();
}

QImage DecodeDib(const QByteArray& data) {
    constexpr qsizetype InfoHeader = 40;
    if (data.size() < InfoHeader)
        return {};
    const quint32 headerSize = LittleEndian32(data, 0);
    const qint64 width = qint32(LittleEndian32(data, 4));
    const qint64 height = qint32(LittleEndian32(data, 8));
    const quint16 planes = LittleEndian16(data, 12);
    const quint16 bits = LittleEndian16(data, 14);
    const quint32 compression = LittleEndian32(data, 16);
    const quint32 colorsUsed = LittleEndian32(data, 32);
    constexpr quint32 Uncompressed = 0;
    constexpr quint32 BitFields = 3;
    const bool bitsKnown =
        bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    if (headerSize < InfoHeader || headerSize > quint32(data.size()) || planes != 1 || !bitsKnown ||
        width <= 0 || height == 0 || height == INT32_MIN)
        return {};
    if (compression != Uncompressed && !(compression == BitFields && (bits == 16 || bits == 32)))
        return {};
    const qint64 rows = std::abs(height);
    if (!PictureSizeAllowed(QSize(int(std::min<qint64>(width, INT32_MAX)), int(rows))))
        return {};
    if (bits <= 8 && colorsUsed > (1u << bits))
        return {};
    const qint64 palette = bits <= 8 ? (colorsUsed ? colorsUsed : (1u << bits)) * 4 : 0;
    const qint64 masks = compression == BitFields && headerSize == InfoHeader ? 12 : 0;
    const qint64 bitsAt = headerSize + masks + palette;
    const qint64 rowBytes = (width * bits + 31) / 32 * 4;
    if (bitsAt + rowBytes * rows > data.size())
        return {};
    QByteArray file = "BM";
    AppendLittleEndian32(file, quint32(14 + data.size()));
    AppendLittleEndian32(file, 0);
    AppendLittleEndian32(file, quint32(14 + bitsAt));
    file += data;
    return DecodeBounded(file, "bmp");
}

QByteArray EncodePng(const QImage& image) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "png"))
        return {};
    return buffer.data();
}

} // namespace richtext
