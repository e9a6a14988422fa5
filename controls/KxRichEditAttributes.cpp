// Character and paragraph attributes of the rich edit.

#include "KxRichEdit.h"

#include "platform/Scaling.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cstdint>

using namespace richtext;

namespace {

// Points as twips, computed wide and clamped into the record's field.
std::int32_t Twips(int points) {
    return std::int32_t(std::clamp<std::int64_t>(std::int64_t(points) * 20, INT32_MIN, INT32_MAX));
}

CharFormat Masked(std::uint32_t mask) {
    CharFormat r;
    r.mask = mask;
    return r;
}

} // namespace

TKxTextAttributes::TKxTextAttributes(TKxCustomRichEdit* owner, TKxAttributeType type)
    : richEdit_(owner), type_(type) {}

CharFormat TKxTextAttributes::GetAttributes() const {
    const CharFormat& base = richEdit_->DefaultRecord();
    if (type_ == atDefaultText)
        return base;
    QTextCursor c = richEdit_->textCursor();
    if (type_ == atWord && !c.hasSelection())
        c.select(QTextCursor::WordUnderCursor);
    if (!c.hasSelection())
        return ReadChar(c.charFormat(), base);
    return ReadCharRange(*richEdit_->document(), c.selectionStart(), c.selectionEnd(), base);
}

void TKxTextAttributes::SetAttributes(const CharFormat& record) {
    TKxCustomRichEdit::ChangeMute mute(*richEdit_);
    if (type_ == atDefaultText) {
        MergeChar(richEdit_->defaultRecord_, record);
        richEdit_->ApplyDefaultFormat();
        return;
    }
    QTextCursor c = richEdit_->textCursor();
    const bool word = type_ == atWord && !c.hasSelection();
    QTextCursor target = c;
    if (word)
        target.select(QTextCursor::WordUnderCursor);
    WriteCharRange(target, record, richEdit_->DefaultRecord());
    richEdit_->SetCursorKeepingScroll(word ? c : target);
}

TKxConsistentAttributes TKxTextAttributes::ConsistentAttributes() const {
    TKxConsistentAttributes result;
    if (type_ == atDefaultText)
        return result;
    const std::uint32_t mask = GetAttributes().mask;
    const std::pair<std::uint32_t, TKxConsistentAttribute> table[] = {
        {CFM_BOLD, caBold},
        {CFM_COLOR, caColor},
        {CFM_FACE, caFace},
        {CFM_ITALIC, caItalic},
        {CFM_SIZE, caSize},
        {CFM_STRIKEOUT, caStrikeOut},
        {CFM_UNDERLINE, caUnderline},
        {CFM_PROTECTED, caProtected},
        {CFM_OFFSET, caOffset},
        {CFM_HIDDEN, caHidden},
        {CFM_LINK, caLink},
        {CFM_BACKCOLOR, caBackColor},
        {CFM_DISABLED, caDisabled},
        {CFM_WEIGHT, caWeight},
        {CFM_SUBSCRIPT | CFM_SUPERSCRIPT, caSubscript},
        {CFM_REVAUTHOR, caRevAuthor},
    };
    for (const auto& [bits, member] : table) {
        if ((mask & bits) == bits)
            result |= member;
    }
    return result;
}

void TKxTextAttributes::Assign(const QFont& font, TColor color) {
    SetAttributes(CharOfFont(font, color));
}

void TKxTextAttributes::Assign(const TKxTextAttributes& source) {
    SetAttributes(source.GetAttributes());
}

void TKxTextAttributes::AssignTo(QFont& font, TColor* color) const {
    if (color)
        *color = Color();
    font.setFamilies({Name()});
    const TFontStyles style = Style();
    font.setBold(style & fsBold);
    font.setItalic(style & fsItalic);
    font.setUnderline(style & fsUnderline);
    font.setStrikeOut(style & fsStrikeOut);
    if (Size() > 0)
        font.setPointSize(Size());
    font.setFixedPitch(Pitch() == fpFixed);
}

void TKxTextAttributes::SetEffect(std::uint32_t mask, bool on) {
    CharFormat r = Masked(mask);
    r.effects = on ? mask : 0;
    SetAttributes(r);
}

TColor TKxTextAttributes::Color() const {
    const CharFormat r = GetAttributes();
    return (r.effects & CFE_AUTOCOLOR) ? platform::clWindowText : r.textColor;
}

void TKxTextAttributes::SetColor(TColor value) {
    CharFormat r = Masked(CFM_COLOR);
    if (value == platform::clWindowText || value == platform::clDefault)
        r.effects = CFE_AUTOCOLOR;
    else
        r.textColor = value;
    SetAttributes(r);
}

TColor TKxTextAttributes::BackColor() const {
    const CharFormat r = GetAttributes();
    return (r.effects & CFE_AUTOBACKCOLOR) ? platform::clWindow : r.backColor;
}

void TKxTextAttributes::SetBackColor(TColor value) {
    CharFormat r = Masked(CFM_BACKCOLOR);
    if (value == platform::clWindow || value == platform::clDefault)
        r.effects = CFE_AUTOBACKCOLOR;
    else
        r.backColor = value;
    SetAttributes(r);
}

TFontStyles TKxTextAttributes::Style() const {
    return TFontStyles::fromInt(int(GetAttributes().effects & 0xF));
}

void TKxTextAttributes::SetStyle(TFontStyles value) {
    CharFormat r = Masked(CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT);
    r.effects = std::uint32_t(value.toInt()) & 0xF;
    SetAttributes(r);
}

QString TKxTextAttributes::Name() const {
    return GetAttributes().faceName;
}

void TKxTextAttributes::SetName(const QString& value) {
    CharFormat r = Masked(CFM_FACE);
    r.faceName = value.left(31);
    SetAttributes(r);
}

int TKxTextAttributes::Size() const {
    return GetAttributes().height / 20;
}

void TKxTextAttributes::SetSize(int value) {
    CharFormat r = Masked(CFM_SIZE);
    r.height = Twips(value);
    SetAttributes(r);
}

int TKxTextAttributes::Height() const {
    return platform::MulDiv(Size(), platform::PixelsPerInch(), 72);
}

void TKxTextAttributes::SetHeight(int value) {
    SetSize(platform::MulDiv(value, 72, platform::PixelsPerInch()));
}

int TKxTextAttributes::Offset() const {
    return GetAttributes().offset / 20;
}

void TKxTextAttributes::SetOffset(int value) {
    CharFormat r = Masked(CFM_OFFSET);
    r.offset = Twips(value);
    SetAttributes(r);
}

int TKxTextAttributes::Charset() const {
    return GetAttributes().charSet;
}

void TKxTextAttributes::SetCharset(int value) {
    CharFormat r = Masked(CFM_CHARSET);
    r.charSet = std::uint8_t(value);
    SetAttributes(r);
}

TFontPitch TKxTextAttributes::Pitch() const {
    switch (GetAttributes().pitchAndFamily & 3) {
    case 1:
        return fpFixed;
    case 2:
        return fpVariable;
    default:
        return fpDefault;
    }
}

// The pitch travels with the face name: alone, its record names no field and changes nothing.
void TKxTextAttributes::SetPitch(TFontPitch value) {
    CharFormat r = Masked(0);
    r.pitchAndFamily = value == fpVariable ? 2 : value == fpFixed ? 1 : 0;
    SetAttributes(r);
}

bool TKxTextAttributes::Protected() const {
    return GetAttributes().effects & CFE_PROTECTED;
}
void TKxTextAttributes::SetProtected(bool value) {
    SetEffect(CFM_PROTECTED, value);
}
bool TKxTextAttributes::Link() const {
    return GetAttributes().effects & CFE_LINK;
}
void TKxTextAttributes::SetLink(bool value) {
    SetEffect(CFM_LINK, value);
}
bool TKxTextAttributes::Hidden() const {
    return GetAttributes().effects & CFE_HIDDEN;
}
void TKxTextAttributes::SetHidden(bool value) {
    SetEffect(CFM_HIDDEN, value);
}
bool TKxTextAttributes::Disabled() const {
    return GetAttributes().effects & CFE_DISABLED;
}
void TKxTextAttributes::SetDisabled(bool value) {
    SetEffect(CFM_DISABLED, value);
}

int TKxTextAttributes::RevAuthorIndex() const {
    return GetAttributes().revAuthor;
}

void TKxTextAttributes::SetRevAuthorIndex(int value) {
    CharFormat r = Masked(CFM_REVAUTHOR);
    r.revAuthor = std::uint8_t(value);
    SetAttributes(r);
}

TSubscriptStyle TKxTextAttributes::SubscriptStyle() const {
    const std::uint32_t effects = GetAttributes().effects;
    if (effects & CFE_SUBSCRIPT)
        return ssSubscript;
    return (effects & CFE_SUPERSCRIPT) ? ssSuperscript : ssNone;
}

void TKxTextAttributes::SetSubscriptStyle(TSubscriptStyle value) {
    CharFormat r = Masked(CFM_SUBSCRIPT | CFM_SUPERSCRIPT);
    r.effects = value == ssSubscript ? CFE_SUBSCRIPT : value == ssSuperscript ? CFE_SUPERSCRIPT : 0;
    SetAttributes(r);
}

TUnderlineType TKxTextAttributes::UnderlineType() const {
    const CharFormat r = GetAttributes();
    if (!(r.effects & CFE_UNDERLINE) || !(r.mask & CFM_UNDERLINETYPE))
        return utNone;
    return TUnderlineType(std::min<int>(r.underlineType, utWave));
}

void TKxTextAttributes::SetUnderlineType(TUnderlineType value) {
    CharFormat r = Masked(CFM_UNDERLINETYPE | CFM_UNDERLINE);
    r.underlineType = std::uint8_t(value);
    r.effects = value == utNone ? 0 : CFE_UNDERLINE;
    SetAttributes(r);
}

// ---------------------------------------------------------------------------------------------

TKxParaAttributes::TKxParaAttributes(TKxCustomRichEdit* owner) : richEdit_(owner) {}

ParaFormat TKxParaAttributes::GetAttributes() const {
    const QTextBlock block =
        richEdit_->document()->findBlock(richEdit_->textCursor().selectionStart());
    ParaFormat r = ReadPara(block.blockFormat());
    ReadNumbering(block, r);
    return r;
}

void TKxParaAttributes::SetAttributes(const ParaFormat& record) {
    TKxCustomRichEdit::ChangeMute mute(*richEdit_);
    QTextCursor c = richEdit_->textCursor();
    QTextDocument* document = richEdit_->document();
    const QTextBlock last = document->findBlock(c.selectionEnd());
    c.beginEditBlock();
    for (QTextBlock b = document->findBlock(c.selectionStart()); b.isValid(); b = b.next()) {
        QTextBlockFormat format = b.blockFormat();
        WritePara(format, record);
        QTextCursor(b).setBlockFormat(format);
        if (b == last)
            break;
    }
    if (record.mask & PFM_NUMBERING)
        ApplyNumbering(c, ReadPara(document->findBlock(c.selectionStart()).blockFormat()));
    c.endEditBlock();
}

void TKxParaAttributes::Assign(const TKxParaAttributes& source) {
    SetAttributes(source.GetAttributes());
}

namespace {

ParaFormat ParaMasked(std::uint32_t mask) {
    ParaFormat r;
    r.mask = mask;
    return r;
}

} // namespace

TParaAlignment TKxParaAttributes::Alignment() const {
    return TParaAlignment(std::clamp(GetAttributes().alignment - 1, 0, int(paJustify)));
}

void TKxParaAttributes::SetAlignment(TParaAlignment value) {
    ParaFormat r = ParaMasked(PFM_ALIGNMENT);
    r.alignment = std::uint16_t(value + 1);
    SetAttributes(r);
}

int TKxParaAttributes::FirstIndent() const {
    return GetAttributes().startIndent / 20;
}

void TKxParaAttributes::SetFirstIndent(int value) {
    ParaFormat r = ParaMasked(PFM_STARTINDENT);
    r.startIndent = Twips(value);
    SetAttributes(r);
}

int TKxParaAttributes::LeftIndent() const {
    return GetAttributes().offset / 20;
}

void TKxParaAttributes::SetLeftIndent(int value) {
    ParaFormat r = ParaMasked(PFM_OFFSET);
    r.offset = Twips(value);
    SetAttributes(r);
}

int TKxParaAttributes::RightIndent() const {
    return GetAttributes().rightIndent / 20;
}

void TKxParaAttributes::SetRightIndent(int value) {
    ParaFormat r = ParaMasked(PFM_RIGHTINDENT);
    r.rightIndent = Twips(value);
    SetAttributes(r);
}

TKxNumbering TKxParaAttributes::Numbering() const {
    return TKxNumbering(std::min<int>(GetAttributes().numbering, nsUpCaseRoman));
}

void TKxParaAttributes::SetNumbering(TKxNumbering value) {
    if (value == nsNone)
        SetLeftIndent(0);
    else if (LeftIndent() < 10)
        SetLeftIndent(10);
    ParaFormat r = ParaMasked(PFM_NUMBERING);
    r.numbering = std::uint16_t(value);
    SetAttributes(r);
}

TKxNumberingStyle TKxParaAttributes::NumberingStyle() const {
    return TKxNumberingStyle(std::min<int>(GetAttributes().numberingStyle & 0xFF, nsSimple));
}

void TKxParaAttributes::SetNumberingStyle(TKxNumberingStyle value) {
    ParaFormat r = ParaMasked(PFM_NUMBERINGSTYLE);
    r.numberingStyle = std::uint16_t(value);
    SetAttributes(r);
}

int TKxParaAttributes::NumberingTab() const {
    return GetAttributes().numberingTab / 20;
}

void TKxParaAttributes::SetNumberingTab(int value) {
    ParaFormat r = ParaMasked(PFM_NUMBERINGTAB);
    r.numberingTab = std::uint16_t(std::clamp(Twips(value), 0, 0xFFFF));
    SetAttributes(r);
}

int TKxParaAttributes::HeadingStyle() const {
    return std::int8_t(GetAttributes().style & 0xFF);
}

void TKxParaAttributes::SetHeadingStyle(int value) {
    ParaFormat r = ParaMasked(PFM_STYLE);
    r.style = std::int8_t(value);
    SetAttributes(r);
}

int TKxParaAttributes::SpaceBefore() const {
    return GetAttributes().spaceBefore / 20;
}

void TKxParaAttributes::SetSpaceBefore(int value) {
    ParaFormat r = ParaMasked(PFM_SPACEBEFORE);
    r.spaceBefore = Twips(value);
    SetAttributes(r);
}

int TKxParaAttributes::SpaceAfter() const {
    return GetAttributes().spaceAfter / 20;
}

void TKxParaAttributes::SetSpaceAfter(int value) {
    ParaFormat r = ParaMasked(PFM_SPACEAFTER);
    r.spaceAfter = Twips(value);
    SetAttributes(r);
}

int TKxParaAttributes::LineSpacing() const {
    return GetAttributes().lineSpacing / 20;
}

void TKxParaAttributes::SetLineSpacing(int value) {
    ParaFormat r = GetAttributes();
    r.mask = PFM_LINESPACING;
    r.lineSpacing = Twips(value);
    SetAttributes(r);
}

TLineSpacingRule TKxParaAttributes::LineSpacingRule() const {
    return TLineSpacingRule(std::min<int>(GetAttributes().lineSpacingRule, lsMultiple));
}

void TKxParaAttributes::SetLineSpacingRule(TLineSpacingRule value) {
    ParaFormat r = GetAttributes();
    r.mask = PFM_LINESPACING;
    r.lineSpacingRule = std::uint8_t(value);
    SetAttributes(r);
}

int TKxParaAttributes::Tab(int index) const {
    if (index < 0 || index >= MaxTabStops)
        return 0;
    return GetAttributes().tabs[index] / 20;
}

// The count rises to the index, not past it, as the original control did.
void TKxParaAttributes::SetTab(int index, int value) {
    if (index < 0 || index >= MaxTabStops)
        return;
    ParaFormat r = GetAttributes();
    r.mask = PFM_TABSTOPS;
    r.tabs[index] = Twips(value);
    if (r.tabCount < index)
        r.tabCount = std::int16_t(index);
    SetAttributes(r);
}

int TKxParaAttributes::TabCount() const {
    return GetAttributes().tabCount;
}

void TKxParaAttributes::SetTabCount(int value) {
    ParaFormat r = GetAttributes();
    r.mask = PFM_TABSTOPS;
    r.tabCount = std::int16_t(std::clamp(value, 0, MaxTabStops));
    SetAttributes(r);
}

TParaTableStyle TKxParaAttributes::TableStyle() const {
    switch (GetAttributes().effects & 0xC000) {
    case 0xC000:
        return tsTableRow;
    case 0x8000:
        return tsTableCellEnd;
    case 0x4000:
        return tsTableCell;
    default:
        return tsNone;
    }
}

void TKxParaAttributes::SetTableStyle(TParaTableStyle value) {
    static constexpr std::uint16_t effects[] = {0, 0xC000, 0x8000, 0x4000};
    ParaFormat r = ParaMasked(PFM_TABLE);
    r.effects = effects[value];
    SetAttributes(r);
}
