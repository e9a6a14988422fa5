#include "RtfWriter.h"

#include <QTextBlock>
#include <QTextDocument>

#include <map>
#include <optional>
#include <tuple>

using namespace richtext;

namespace {

struct FontKey {
    QString face;
    int charSet;
    int pitch;
    bool operator<(const FontKey& o) const {
        return std::tie(face, charSet, pitch) < std::tie(o.face, o.charSet, o.pitch);
    }
};

struct Run {
    QString text;
    CharFormat format;
    std::optional<QTextImageFormat> picture; // a picture's one position
};

struct Paragraph {
    ParaFormat format;
    std::vector<Run> runs;
    bool ended; // followed by a paragraph break inside the range
};

class Tables {
public:
    int Font(const CharFormat& f) {
        const FontKey key{f.faceName, f.charSet, f.pitchAndFamily & 3};
        return fonts_.try_emplace(key, int(fonts_.size())).first->second;
    }
    // 0 is the automatic colour.
    int Color(TColor color) {
        const QColor c = platform::ToQColor(color);
        const auto key = std::make_tuple(c.red(), c.green(), c.blue());
        return colors_.try_emplace(key, int(colors_.size()) + 1).first->second;
    }
    QByteArray Header() const {
        QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl";
        std::vector<const FontKey*> fonts(fonts_.size());
        for (const auto& [key, index] : fonts_)
            fonts[index] = &key;
        for (size_t i = 0; i < fonts.size(); ++i) {
            out += "{\\f" + QByteArray::number(int(i)) + "\\fnil\\fcharset" +
                   QByteArray::number(fonts[i]->charSet);
            if (fonts[i]->pitch != 0)
                out += "\\fprq" + QByteArray::number(fonts[i]->pitch);
            out += ' ' + Escaped(fonts[i]->face) + ";}";
        }
        out += "}{\\colortbl ;";
        std::vector<std::tuple<int, int, int>> colors(colors_.size());
        for (const auto& [key, index] : colors_)
            colors[index - 1] = key;
        for (const auto& [r, g, b] : colors)
            out += "\\red" + QByteArray::number(r) + "\\green" + QByteArray::number(g) + "\\blue" +
                   QByteArray::number(b) + ';';
        out += "}\n";
        return out;
    }

    static QByteArray Escaped(const QString& text) {
        QByteArray out;
        for (QChar c : text) {
            const char16_t u = c.unicode();
            if (u == '\\' || u == '{' || u == '}')
                out += '\\' + QByteArray(1, char(u));
            else if (u == '\t')
                out += "\\tab ";
            else if (c == QChar::LineSeparator)
                out += "\\line ";
            else if (u >= 0x20 && u < 0x80)
                out += char(u);
            else if (const int ansi = ToAnsi(c); ansi >= 0 && u >= 0x80)
                out += "\\'" + QByteArray::number(ansi, 16).rightJustified(2, '0');
            else
                out += "\\u" + QByteArray::number(int(std::int16_t(u))) + '?';
        }
        return out;
    }

private:
    std::map<FontKey, int> fonts_;
    std::map<std::tuple<int, int, int>, int> colors_;
};

QByteArray Word(const char* word, int value) {
    return word + QByteArray::number(value);
}

QByteArray ParagraphWords(const ParaFormat& p) {
    static const char* const alignments[] = {"\\ql", "\\ql", "\\qr", "\\qc", "\\qj"};
    QByteArray out = "\\pard";
    out += alignments[p.alignment <= 4 ? p.alignment : 0];
    const std::int64_t left = std::int64_t(p.startIndent) + p.offset;
    if (left != 0)
        out += "\\li" + QByteArray::number(left);
    if (p.offset != 0)
        out += "\\fi" + QByteArray::number(-std::int64_t(p.offset));
    if (p.rightIndent != 0)
        out += Word("\\ri", p.rightIndent);
    if (p.spaceBefore != 0)
        out += Word("\\sb", p.spaceBefore);
    if (p.spaceAfter != 0)
        out += Word("\\sa", p.spaceAfter);
    for (int i = 0; i < p.tabCount && i < MaxTabStops; ++i)
        out += Word("\\tx", p.tabs[i]);
    static const char* const levels[] = {"",
                                         "\\pnlvlblt",
                                         "\\pnlvlbody\\pndec",
                                         "\\pnlvlbody\\pnlcltr",
                                         "\\pnlvlbody\\pnucltr",
                                         "\\pnlvlbody\\pnlcrm",
                                         "\\pnlvlbody\\pnucrm"};
    if (p.numbering > 0 && p.numbering <= 6)
        out += QByteArray("{\\*\\pn") + levels[p.numbering] + "\\pnstart1}";
    // The exact values, for this reader only.
    QByteArray own;
    if (p.numbering != 0)
        own += Word("\\kxnum", p.numbering);
    if (p.numberingStyle != 0)
        own += Word("\\kxnumstyle", p.numberingStyle);
    if (p.numberingTab != 0)
        own += Word("\\kxnumtab", p.numberingTab);
    if (p.style != 0)
        own += Word("\\kxstyle", p.style);
    if (p.lineSpacingRule != 0 || p.lineSpacing != 0)
        own += Word("\\kxlsrule", p.lineSpacingRule) + Word("\\kxls", p.lineSpacing);
    if (p.effects != 0)
        own += Word("\\kxtable", p.effects);
    if (!own.isEmpty())
        out += "{\\*\\kxpara" + own + '}';
    return out;
}

QByteArray RunWords(const CharFormat& f, Tables& tables) {
    QByteArray out = "\\plain";
    out += Word("\\f", tables.Font(f));
    if (f.height > 0)
        out += Word("\\fs", f.height / 10);
    if (f.effects & CFE_BOLD)
        out += "\\b";
    if (f.effects & CFE_ITALIC)
        out += "\\i";
    if (f.effects & CFE_UNDERLINE) {
        static const char* const kinds[] = {"\\ul", "\\ul", "\\ulw", "\\uldb", "\\uld", "\\ulwave"};
        out += kinds[f.underlineType <= 5 ? f.underlineType : 0];
    }
    if (f.effects & CFE_STRIKEOUT)
        out += "\\strike";
    if (!(f.effects & CFE_AUTOCOLOR))
        out += Word("\\cf", tables.Color(f.textColor));
    if (!(f.effects & CFE_AUTOBACKCOLOR))
        out += Word("\\chcbpat", tables.Color(f.backColor));
    if (f.offset > 0)
        out += Word("\\up", f.offset / 10);
    else if (f.offset < 0)
        out += Word("\\dn", -f.offset / 10);
    if (f.effects & CFE_SUBSCRIPT)
        out += "\\sub";
    else if (f.effects & CFE_SUPERSCRIPT)
        out += "\\super";
    if (f.effects & CFE_PROTECTED)
        out += "\\protect";
    if (f.effects & CFE_HIDDEN)
        out += "\\v";
    if (f.revAuthor != 0)
        out += Word("\\revauth", f.revAuthor);
    QByteArray own;
    if ((f.effects & CFE_UNDERLINE) && f.underlineType != 0)
        own += Word("\\kxultype", f.underlineType);
    if (f.effects & CFE_LINK)
        own += "\\kxlink";
    if (f.effects & CFE_DISABLED)
        own += "\\kxdisabled";
    const bool plainWeight = f.weight == ((f.effects & CFE_BOLD) ? 700 : 400);
    if (!plainWeight)
        own += Word("\\kxweight", f.weight);
    if (f.offset % 10 != 0)
        own += Word("\\kxoffset", f.offset);
    // The group goes first: a blank after it would be text.
    const QByteArray group = own.isEmpty() ? QByteArray() : "{\\*\\kxchar" + own + '}';
    return "\\plain" + group + out.mid(6) + ' ';
}

std::vector<Paragraph> Collect(const QTextDocument& document, int from, int to,
                               const CharFormat& base) {
    std::vector<Paragraph> paragraphs;
    const QTextBlock first = document.findBlock(from);
    for (QTextBlock b = first; b.isValid(); b = b.next()) {
        if (b != first && b.position() >= to)
            break;
        Paragraph p{ReadPara(b.blockFormat()), {}, b.position() + b.length() - 1 < to};
        ReadNumbering(b, p.format);
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const int a = std::max(from, f.position());
            const int z = std::min(to, f.position() + f.length());
            if (a >= z)
                continue;
            const CharFormat format = ReadChar(f.charFormat(), base);
            if (f.charFormat().isImageFormat()) {
                for (int i = a; i < z; ++i)
                    p.runs.push_back({{}, format, f.charFormat().toImageFormat()});
            } else {
                p.runs.push_back({f.text().mid(a - f.position(), z - a), format, std::nullopt});
            }
        }
        paragraphs.push_back(std::move(p));
    }
    return paragraphs;
}

// A picture as PNG in hex, its pixel size and the size it is shown at; nothing when the document
// does not hold its image.
QByteArray PictureGroup(const QTextDocument& document, const QTextImageFormat& format) {
    const QImage image = PictureOf(document, format);
    const QByteArray png = image.isNull() ? QByteArray() : EncodePng(image);
    if (png.isEmpty())
        return {};
    const auto twips = [](double units) { return QByteArray::number(qRound64(units * 15)); };
    QByteArray out = "{\\pict\\pngblip" + Word("\\picw", image.width()) +
                     Word("\\pich", image.height()) + "\\picwgoal" + twips(format.width()) +
                     "\\pichgoal" + twips(format.height()) + '\n';
    const QByteArray hex = png.toHex();
    constexpr qsizetype LineLength = 128;
    for (qsizetype at = 0; at < hex.size(); at += LineLength)
        out += hex.mid(at, LineLength) + '\n';
    return out + '}';
}

} // namespace

QByteArray RtfWriter::Write(const QTextDocument& document, int from, int to) const {
    const int length = document.characterCount() - 1;
    if (to < 0 || to > length)
        to = length;
    from = std::clamp(from, 0, to);
    Tables tables;
    tables.Font(base_);
    QByteArray body;
    for (const Paragraph& p : Collect(document, from, to, base_)) {
        body += ParagraphWords(p.format);
        for (const Run& run : p.runs) {
            if (!run.picture)
                body += RunWords(run.format, tables) + Tables::Escaped(run.text);
            else if (pictures_)
                body += RunWords(run.format, tables) + PictureGroup(document, *run.picture);
        }
        if (p.ended)
            body += "\\par\n";
    }
    return tables.Header() + body + "}\n";
}
