#include "RtfReader.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <algorithm>
#include <map>
#include <string_view>
#include <vector>

using namespace richtext;

namespace {

constexpr int MaxDepth = 200;     // deeper groups are skipped whole
constexpr int MaxWordLength = 32; // longer words are read and ignored
constexpr int MaxDigits = 10;     // longer numbers are read, their rest ignored
constexpr int MaxTableEntries = 4096;

enum class Dest { Text, FontTable, ColorTable, Skip, OwnChar, OwnPara, Picture };

struct State {
    Dest dest = Dest::Text;
    CharFormat chr;
    ParaFormat para;
    std::int64_t leftIndent = 0; // \li and \fi as RTF gives them
    std::int64_t firstIndent = 0;
    int lineSpacing = 0; // \sl and \slmult, unless our own group gave the rule
    bool lineMultiple = false;
    bool ownLineSpacing = false;
    int unicodeSkip = 1;
};

struct Font {
    QString face;
    std::uint8_t charSet = 0;
    std::uint8_t pitch = 0;
};

constexpr std::string_view SkippedDestinations[] = {"info",
                                                    "stylesheet",
                                                    "object",
                                                    "header",
                                                    "headerl",
                                                    "headerr",
                                                    "headerf",
                                                    "footer",
                                                    "footerl",
                                                    "footerr",
                                                    "footerf",
                                                    "footnote",
                                                    "fldinst",
                                                    "pntext",
                                                    "pn",
                                                    "listtable",
                                                    "listoverridetable",
                                                    "themedata",
                                                    "colorschememapping",
                                                    "latentstyles",
                                                    "datastore",
                                                    "xmlnstbl",
                                                    "rsidtbl",
                                                    "generator",
                                                    "filetbl",
                                                    "revtbl",
                                                    "bkmkstart",
                                                    "bkmkend",
                                                    "annotation",
                                                    "atnid",
                                                    "atnauthor",
                                                    "nonshppict",
                                                    "userprops",
                                                    "docvar",
                                                    "template",
                                                    "xe",
                                                    "tc",
                                                    "txe",
                                                    "pgdsctbl",
                                                    "wgrffmtfilter",
                                                    "mmathPr",
                                                    "listtext",
                                                    "fonttbl_",
                                                    "shpinst",
                                                    "sp",
                                                    "sn",
                                                    "sv"};

// A \pict group as it is read: its kind, the size it is shown at and its data. The pixel size
// is the data's own.
struct Picture {
    enum Kind { Unknown, Png, Jpeg, Dib, Other } kind = Unknown;
    std::int64_t goalWidth = 0; // \picwgoal, \pichgoal: twips
    std::int64_t goalHeight = 0;
    std::int64_t scaleX = 100; // percent
    std::int64_t scaleY = 100;
    QByteArray data;
    int nibble = -1; // a first hex digit waiting for its second
    bool broken = false;

    void Add(const char* bytes, std::int64_t count) {
        if (broken || data.size() + count > MaxPictureBytes) {
            broken = true;
            data.clear();
        } else {
            data.append(bytes, qsizetype(count));
        }
    }
};

std::int32_t Clamp32(std::int64_t value) {
    return std::int32_t(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

class Parser {
public:
    Parser(const QByteArray& data, QTextCursor& cursor, const CharFormat& base, bool pictures)
        : p_(data.constData()), end_(data.constData() + data.size()), cursor_(cursor), base_(base),
          pictures_(pictures) {
        base_.mask = CFM_ALL;
        state_.chr = base_;
        state_.para.alignment = 1;
    }

    void Run() {
        while (p_ < end_) {
            const char c = *p_++;
            if (c == '{')
                Open();
            else if (c == '}') {
                if (!Close())
                    break;
            } else if (c == '\\')
                Control();
            else if (c != '\r' && c != '\n')
                Emit(FromAnsi(static_cast<unsigned char>(c)));
        }
        Flush();
        ApplyParagraph();
    }

private:
    void Open() {
        // A group boundary ends the skip of a \u character's fallback.
        pendingSkip_ = 0;
        if (stack_.size() >= size_t(MaxDepth)) {
            SkipGroup();
            return;
        }
        Flush();
        stack_.push_back(state_);
    }

    // False once the outermost group has closed.
    bool Close() {
        pendingSkip_ = 0;
        Flush();
        if (stack_.empty())
            return false;
        const State inner = state_;
        state_ = stack_.back();
        stack_.pop_back();
        if (inner.dest == Dest::OwnChar)
            state_.chr = inner.chr;
        if (inner.dest == Dest::OwnPara) {
            state_.para = inner.para;
            state_.ownLineSpacing = inner.ownLineSpacing;
        }
        if (inner.dest == Dest::Picture && state_.dest != Dest::Picture)
            EndPicture();
        return true;
    }

    // Skips a group too deep to read, braces counted, escapes stepped over.
    void SkipGroup() {
        int depth = 1;
        while (p_ < end_ && depth > 0) {
            const char c = *p_++;
            if (c == '\\' && p_ < end_)
                ++p_;
            else if (c == '{')
                ++depth;
            else if (c == '}')
                --depth;
        }
    }

    static bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

    static int HexValue(char c) {
        if (IsDigit(c))
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    void Control() {
        if (p_ >= end_)
            return;
        const char c = *p_;
        if (!IsLetter(c)) {
            ++p_;
            Symbol(c);
            return;
        }
        std::string word;
        while (p_ < end_ && IsLetter(*p_)) {
            if (word.size() < size_t(MaxWordLength))
                word += *p_;
            ++p_;
        }
        bool hasParam = false;
        bool negative = false;
        std::int64_t param = 0;
        if (p_ < end_ && *p_ == '-' && p_ + 1 < end_ && IsDigit(p_[1])) {
            negative = true;
            ++p_;
        }
        for (int digits = 0; p_ < end_ && IsDigit(*p_); ++p_, ++digits) {
            hasParam = true;
            if (digits < MaxDigits)
                param = param * 10 + (*p_ - '0');
        }
        if (negative)
            param = -param;
        if (p_ < end_ && *p_ == ' ')
            ++p_;
        Word(word, hasParam, Clamp32(param));
    }

    void Symbol(char c) {
        switch (c) {
        case '\'': {
            const int high = p_ < end_ ? HexValue(*p_) : -1;
            const int low = p_ + 1 < end_ ? HexValue(p_[1]) : -1;
            if (high >= 0 && low >= 0) {
                p_ += 2;
                Emit(FromAnsi(static_cast<unsigned char>(high * 16 + low)));
            }
            break;
        }
        case '*':
            ignorable_ = true;
            return;
        case '~':
            Emit(QChar(0xA0));
            break;
        case '_':
            Emit(QChar(0x2011));
            break;
        case '\r':
        case '\n':
            Paragraph();
            break;
        case '\\':
        case '{':
        case '}':
            Emit(QLatin1Char(c));
            break;
        default:
            break;
        }
        ignorable_ = false;
    }

    void Emit(QChar c) {
        if (pendingSkip_ > 0) {
            --pendingSkip_;
            return;
        }
        switch (state_.dest) {
        case Dest::Text:
            pending_ += c;
            break;
        case Dest::FontTable:
            if (c == QLatin1Char(';')) {
                if (fonts_.size() < size_t(MaxTableEntries))
                    fonts_[fontNumber_] = font_;
                font_ = {};
            } else if (font_.face.size() < 256) {
                font_.face += c;
            }
            break;
        case Dest::Picture:
            PictureDigit(c);
            break;
        case Dest::ColorTable:
            if (c == QLatin1Char(';')) {
                if (colors_.size() < size_t(MaxTableEntries))
                    colors_.push_back(colorSet_ ? int(colorValue_) : -1);
                colorValue_ = 0;
                colorSet_ = false;
            }
            break;
        default:
            break;
        }
    }

    void Flush() {
        if (pending_.isEmpty())
            return;
        QTextCharFormat format;
        WriteChar(format, state_.chr, base_);
        cursor_.insertText(pending_, format);
        pending_.clear();
    }

    void ApplyParagraph() {
        ParaFormat para = state_.para;
        para.mask = PFM_ALL;
        para.startIndent = Clamp32(state_.leftIndent + state_.firstIndent);
        para.offset = Clamp32(-state_.firstIndent);
        if (!state_.ownLineSpacing)
            LineSpacingOfRtf(para);
        const QTextBlock block = cursor_.block();
        QTextBlockFormat format = block.blockFormat();
        WritePara(format, para);
        cursor_.setBlockFormat(format);
        if (QTextList* own = block.textList(); own && (para.numbering == 0 || own != list_)) {
            own->remove(block);
        }
        if (para.numbering == 0) {
            list_ = nullptr;
            return;
        }
        if (list_ && listKind_ == std::make_pair(int(para.numbering), int(para.numberingStyle))) {
            list_->add(block);
            return;
        }
        QTextCursor at(block);
        ApplyNumbering(at, para);
        list_ = block.textList();
        listKind_ = {para.numbering, para.numberingStyle};
    }

    void LineSpacingOfRtf(ParaFormat& para) const {
        const int sl = state_.lineSpacing;
        if (sl == 0) {
            para.lineSpacingRule = 0;
            para.lineSpacing = 0;
        } else if (state_.lineMultiple) {
            para.lineSpacingRule = sl == 360 ? 1 : sl == 480 ? 2 : sl == 240 ? 0 : 5;
            para.lineSpacing = para.lineSpacingRule == 5 ? sl / 12 : 0;
        } else {
            para.lineSpacingRule = sl > 0 ? 3 : 4;
            para.lineSpacing = sl > 0 ? sl : -sl;
        }
    }

    void Paragraph() {
        if (state_.dest != Dest::Text)
            return;
        Flush();
        ApplyParagraph();
        cursor_.insertBlock();
    }

    void Destination(Dest dest) {
        Flush();
        state_.dest = dest;
    }

    TColor ColorAt(int index, bool& automatic) const {
        automatic = index < 0 || index >= int(colors_.size()) || colors_[index] < 0;
        return automatic ? 0 : TColor(colors_[index]);
    }

    void SetFlag(std::uint32_t bit, bool on) {
        state_.chr.effects = on ? (state_.chr.effects | bit) : (state_.chr.effects & ~bit);
    }

    void Word(const std::string& w, bool hasParam, int param) {
        const bool wasIgnorable = std::exchange(ignorable_, false);
        if (w == "bin") {
            Flush();
            const std::int64_t skip = std::clamp<std::int64_t>(param, 0, end_ - p_);
            if (state_.dest == Dest::Picture)
                picture_.Add(p_, skip);
            p_ += skip;
            return;
        }
        if (state_.dest == Dest::Skip)
            return;
        if (state_.dest == Dest::Picture)
            return wasIgnorable ? Destination(Dest::Skip) : PictureWord(w, param);
        if (w == "pict") {
            picture_ = {};
            return Destination(Dest::Picture);
        }
        // Word's wrapper of a picture other readers may not know; its picture is read.
        if (w == "shppict")
            return;
        if (w == "fonttbl")
            return Destination(Dest::FontTable);
        if (w == "colortbl")
            return Destination(Dest::ColorTable);
        if (w == "kxchar")
            return Destination(Dest::OwnChar);
        if (w == "kxpara")
            return Destination(Dest::OwnPara);
        if (wasIgnorable ||
            std::find(std::begin(SkippedDestinations), std::end(SkippedDestinations), w) !=
                std::end(SkippedDestinations))
            return Destination(Dest::Skip);
        if (state_.dest == Dest::FontTable)
            return FontWord(w, param);
        if (state_.dest == Dest::ColorTable)
            return ColorWord(w, param);
        Flush();
        const bool on = !hasParam || param != 0;
        if (!CharWord(w, on, param) && !ParaWord(w, param))
            TextWord(w, param);
    }

    void PictureWord(const std::string& w, int param) {
        static const std::map<std::string, Picture::Kind> kinds = {
            {"pngblip", Picture::Png},      {"dibitmap", Picture::Dib},
            {"jpegblip", Picture::Jpeg},    {"emfblip", Picture::Other},
            {"wmetafile", Picture::Other},  {"macpict", Picture::Other},
            {"pmmetafile", Picture::Other}, {"wbitmap", Picture::Other}};
        if (const auto kind = kinds.find(w); kind != kinds.end()) {
            // A second kind makes the data nothing we can trust.
            picture_.kind = picture_.kind == Picture::Unknown ? kind->second : Picture::Other;
        } else if (w == "picwgoal") {
            picture_.goalWidth = param;
        } else if (w == "pichgoal") {
            picture_.goalHeight = param;
        } else if (w == "picscalex") {
            picture_.scaleX = param;
        } else if (w == "picscaley") {
            picture_.scaleY = param;
        }
    }

    void PictureDigit(QChar c) {
        if (c.isSpace() || picture_.broken)
            return;
        const int value = c.unicode() < 0x80 ? HexValue(char(c.unicode())) : -1;
        if (value < 0) {
            picture_.broken = true;
            picture_.data.clear();
        } else if (picture_.nibble < 0) {
            picture_.nibble = value;
        } else {
            const char byte = char(picture_.nibble * 16 + value);
            picture_.Add(&byte, 1);
            picture_.nibble = -1;
        }
    }

    // A picture that cannot be read, or is too large, is left out; the text goes on.
    void EndPicture() {
        Picture picture = std::exchange(picture_, {});
        if (!pictures_ || state_.dest != Dest::Text || picture.broken || picture.nibble >= 0)
            return;
        QImage image;
        if (picture.kind == Picture::Png)
            image = DecodePng(picture.data);
        else if (picture.kind == Picture::Jpeg)
            image = DecodeJpeg(picture.data);
        else if (picture.kind == Picture::Dib)
            image = DecodeDib(picture.data);
        if (image.isNull())
            return;
        const auto side = [](std::int64_t goal, int pixels, std::int64_t scale) {
            const std::int64_t twips = goal > 0 ? goal : std::int64_t(pixels) * 15;
            return TwipsToUnits(twips) * std::clamp<std::int64_t>(scale, 1, 1000) / 100.0;
        };
        const QSizeF size(side(picture.goalWidth, image.width(), picture.scaleX),
                          side(picture.goalHeight, image.height(), picture.scaleY));
        QTextDocument& document = *cursor_.document();
        QTextImageFormat format = AddPicture(document, image, size);
        WriteChar(format, state_.chr, base_);
        cursor_.insertImage(format);
    }

    void FontWord(const std::string& w, int param) {
        if (w == "f") {
            fontNumber_ = param;
            font_ = {};
        } else if (w == "fcharset") {
            font_.charSet = std::uint8_t(param);
        } else if (w == "fprq") {
            font_.pitch = std::uint8_t(param);
        }
    }

    void ColorWord(const std::string& w, int param) {
        const int shift = w == "red" ? 0 : w == "green" ? 8 : w == "blue" ? 16 : -1;
        if (shift < 0)
            return;
        colorValue_ = (colorValue_ & ~(0xFFu << shift)) | (unsigned(param & 0xFF) << shift);
        colorSet_ = true;
    }

    bool CharWord(const std::string& w, bool on, int param) {
        CharFormat& f = state_.chr;
        static const std::map<std::string, std::uint32_t> flags = {{"b", CFE_BOLD},
                                                                   {"i", CFE_ITALIC},
                                                                   {"strike", CFE_STRIKEOUT},
                                                                   {"protect", CFE_PROTECTED},
                                                                   {"v", CFE_HIDDEN},
                                                                   {"kxlink", CFE_LINK},
                                                                   {"kxdisabled", CFE_DISABLED}};
        static const std::map<std::string, int> underlines = {
            {"ul", CFU_UNDERLINE}, {"ulw", 2},    {"uldb", 3}, {"uld", 4},
            {"ulwave", 5},         {"uldash", 4}, {"ulth", 1}};
        if (const auto it = flags.find(w); it != flags.end()) {
            SetFlag(it->second, on);
        } else if (const auto u = underlines.find(w); u != underlines.end()) {
            SetFlag(CFE_UNDERLINE, on);
            f.underlineType = std::uint8_t(on ? u->second : 0);
        } else if (w == "ulnone") {
            SetFlag(CFE_UNDERLINE, false);
            f.underlineType = 0;
        } else if (w == "kxultype") {
            f.underlineType = std::uint8_t(std::clamp(param, 0, 5));
        } else if (w == "plain") {
            f = base_;
        } else if (w == "f") {
            if (const auto font = fonts_.find(param); font != fonts_.end()) {
                f.faceName = font->second.face.trimmed().left(31);
                f.charSet = font->second.charSet;
                f.pitchAndFamily = font->second.pitch;
            }
        } else if (w == "fs") {
            f.height = Clamp32(std::int64_t(std::max(param, 0)) * 10);
        } else if (w == "cf") {
            bool automatic = false;
            f.textColor = ColorAt(param, automatic);
            SetFlag(CFE_AUTOCOLOR, automatic);
        } else if (w == "cb" || w == "chcbpat" || w == "highlight") {
            bool automatic = false;
            f.backColor = ColorAt(param, automatic);
            SetFlag(CFE_AUTOBACKCOLOR, automatic);
        } else if (w == "up" || w == "dn") {
            f.offset = Clamp32(std::int64_t(w == "up" ? param : -std::int64_t(param)) * 10);
        } else if (w == "kxoffset") {
            f.offset = param;
        } else if (w == "sub" || w == "super") {
            SetFlag(CFE_SUBSCRIPT | CFE_SUPERSCRIPT, false);
            SetFlag(w == "sub" ? CFE_SUBSCRIPT : CFE_SUPERSCRIPT, on);
        } else if (w == "nosupersub") {
            SetFlag(CFE_SUBSCRIPT | CFE_SUPERSCRIPT, false);
        } else if (w == "revauth") {
            f.revAuthor = std::uint8_t(param);
        } else if (w == "kxweight") {
            f.weight = std::uint16_t(std::clamp(param, 0, 1000));
        } else {
            return false;
        }
        return true;
    }

    bool ParaWord(const std::string& w, int param) {
        ParaFormat& p = state_.para;
        static const std::map<std::string, int> alignments = {
            {"ql", 1}, {"qr", 2}, {"qc", 3}, {"qj", 4}};
        if (const auto a = alignments.find(w); a != alignments.end()) {
            p.alignment = std::uint16_t(a->second);
        } else if (w == "pard") {
            p = {};
            p.alignment = 1;
            state_.leftIndent = state_.firstIndent = 0;
            state_.lineSpacing = 0;
            state_.lineMultiple = state_.ownLineSpacing = false;
        } else if (w == "li") {
            state_.leftIndent = param;
        } else if (w == "fi") {
            state_.firstIndent = param;
        } else if (w == "ri") {
            p.rightIndent = param;
        } else if (w == "sb") {
            p.spaceBefore = param;
        } else if (w == "sa") {
            p.spaceAfter = param;
        } else if (w == "sl") {
            state_.lineSpacing = param;
        } else if (w == "slmult") {
            state_.lineMultiple = param != 0;
        } else if (w == "tx") {
            if (p.tabCount < MaxTabStops)
                p.tabs[p.tabCount++] = param;
        } else if (w == "kxnum") {
            p.numbering = std::uint16_t(std::clamp(param, 0, 6));
        } else if (w == "kxnumstyle") {
            p.numberingStyle = std::uint16_t(std::clamp(param, 0, 3));
        } else if (w == "kxnumtab") {
            p.numberingTab = std::uint16_t(std::clamp(param, 0, 0xFFFF));
        } else if (w == "kxstyle") {
            p.style = std::int16_t(std::clamp(param, -32768, 32767));
        } else if (w == "kxlsrule") {
            p.lineSpacingRule = std::uint8_t(std::clamp(param, 0, 5));
            state_.ownLineSpacing = true;
        } else if (w == "kxls") {
            p.lineSpacing = param;
        } else if (w == "kxtable") {
            p.effects = std::uint16_t(param & 0xC000);
        } else {
            return false;
        }
        return true;
    }

    void TextWord(const std::string& w, int param) {
        static const std::map<std::string, char16_t> characters = {
            {"tab", u'\t'},        {"cell", u'\t'},       {"line", 0x2028},    {"emdash", 0x2014},
            {"endash", 0x2013},    {"bullet", 0x2022},    {"lquote", 0x2018},  {"rquote", 0x2019},
            {"ldblquote", 0x201C}, {"rdblquote", 0x201D}, {"emspace", 0x2003}, {"enspace", 0x2002}};
        if (w == "par" || w == "sect" || w == "row" || w == "page") {
            Paragraph();
        } else if (const auto it = characters.find(w); it != characters.end()) {
            Emit(QChar(it->second));
        } else if (w == "u") {
            Emit(QChar(char16_t(param < 0 ? param + 65536 : param)));
            pendingSkip_ = state_.unicodeSkip;
        } else if (w == "uc") {
            state_.unicodeSkip = std::clamp(param, 0, 8);
        }
    }

    const char* p_;
    const char* end_;
    QTextCursor& cursor_;
    CharFormat base_;
    State state_;
    std::vector<State> stack_;
    bool ignorable_ = false;
    int pendingSkip_ = 0;
    QString pending_;
    std::map<int, Font> fonts_;
    Font font_;
    int fontNumber_ = 0;
    std::vector<int> colors_;
    unsigned colorValue_ = 0;
    bool colorSet_ = false;
    QTextList* list_ = nullptr;
    std::pair<int, int> listKind_{0, 0};
    bool pictures_;
    Picture picture_;
};

} // namespace

bool RtfReader::IsRichText(const QByteArray& data) {
    qsizetype i = 0;
    while (i < data.size() && QChar::isSpace(uchar(data[i])))
        ++i;
    return data.mid(i, 5) == "{\\rtf";
}

bool RtfReader::Read(const QByteArray& data, QTextCursor& cursor) const {
    if (!IsRichText(data))
        return false;
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    Parser(data.mid(data.indexOf('{') + 1), cursor, base_, pictures_).Run();
    cursor.endEditBlock();
    return true;
}
