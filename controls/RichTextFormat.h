#pragma once
// The rich edit's character and paragraph format records and their place in a QTextDocument.
// Every value is kept exactly in the format's user properties; what Qt draws is derived from
// them, so a read returns what was written. Text that carries no such property (pasted or typed
// into a plain document) reads what Qt's own format says.

#include "platform/Colors.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>

#include <array>
#include <cstdint>

class QFont;
class QTextBlock;
class QTextCursor;
class QTextDocument;

namespace richtext {

// Mask bits of the character record.
inline constexpr std::uint32_t CFM_BOLD = 0x1;
inline constexpr std::uint32_t CFM_ITALIC = 0x2;
inline constexpr std::uint32_t CFM_UNDERLINE = 0x4;
inline constexpr std::uint32_t CFM_STRIKEOUT = 0x8;
inline constexpr std::uint32_t CFM_PROTECTED = 0x10;
inline constexpr std::uint32_t CFM_LINK = 0x20;
inline constexpr std::uint32_t CFM_HIDDEN = 0x100;
inline constexpr std::uint32_t CFM_DISABLED = 0x2000;
inline constexpr std::uint32_t CFM_REVAUTHOR = 0x8000;
inline constexpr std::uint32_t CFM_SUBSCRIPT = 0x10000;
inline constexpr std::uint32_t CFM_SUPERSCRIPT = 0x20000;
inline constexpr std::uint32_t CFM_WEIGHT = 0x400000;
inline constexpr std::uint32_t CFM_UNDERLINETYPE = 0x800000;
inline constexpr std::uint32_t CFM_BACKCOLOR = 0x4000000;
inline constexpr std::uint32_t CFM_CHARSET = 0x8000000;
inline constexpr std::uint32_t CFM_OFFSET = 0x10000000;
inline constexpr std::uint32_t CFM_FACE = 0x20000000;
inline constexpr std::uint32_t CFM_COLOR = 0x40000000;
inline constexpr std::uint32_t CFM_SIZE = 0x80000000;
inline constexpr std::uint32_t CFM_ALL = 0xFCC3A13F;

// Effect bits (the same as their mask bits, the two automatic colours apart).
inline constexpr std::uint32_t CFE_BOLD = 0x1;
inline constexpr std::uint32_t CFE_ITALIC = 0x2;
inline constexpr std::uint32_t CFE_UNDERLINE = 0x4;
inline constexpr std::uint32_t CFE_STRIKEOUT = 0x8;
inline constexpr std::uint32_t CFE_PROTECTED = 0x10;
inline constexpr std::uint32_t CFE_LINK = 0x20;
inline constexpr std::uint32_t CFE_HIDDEN = 0x100;
inline constexpr std::uint32_t CFE_DISABLED = 0x2000;
inline constexpr std::uint32_t CFE_SUBSCRIPT = 0x10000;
inline constexpr std::uint32_t CFE_SUPERSCRIPT = 0x20000;
inline constexpr std::uint32_t CFE_AUTOBACKCOLOR = 0x4000000;
inline constexpr std::uint32_t CFE_AUTOCOLOR = 0x40000000;

// The underline type of a plain solid line.
inline constexpr std::uint8_t CFU_UNDERLINE = 1;

struct CharFormat {
    std::uint32_t mask = 0;
    std::uint32_t effects = 0;
    std::int32_t height = 0; // twips
    std::int32_t offset = 0; // twips
    TColor textColor = 0;
    std::uint8_t charSet = 0;
    std::uint8_t pitchAndFamily = 0;
    QString faceName;
    std::uint16_t weight = 0;
    TColor backColor = 0;
    std::uint8_t revAuthor = 0;
    std::uint8_t underlineType = 0;

    bool operator==(const CharFormat&) const = default;
};

// Mask bits of the paragraph record.
inline constexpr std::uint32_t PFM_STARTINDENT = 0x1;
inline constexpr std::uint32_t PFM_RIGHTINDENT = 0x2;
inline constexpr std::uint32_t PFM_OFFSET = 0x4;
inline constexpr std::uint32_t PFM_ALIGNMENT = 0x8;
inline constexpr std::uint32_t PFM_TABSTOPS = 0x10;
inline constexpr std::uint32_t PFM_NUMBERING = 0x20;
inline constexpr std::uint32_t PFM_SPACEBEFORE = 0x40;
inline constexpr std::uint32_t PFM_SPACEAFTER = 0x80;
inline constexpr std::uint32_t PFM_LINESPACING = 0x100;
inline constexpr std::uint32_t PFM_STYLE = 0x400;
inline constexpr std::uint32_t PFM_NUMBERINGSTYLE = 0x2000;
inline constexpr std::uint32_t PFM_NUMBERINGTAB = 0x4000;
inline constexpr std::uint32_t PFM_TABLE = 0xC0000000;
inline constexpr std::uint32_t PFM_ALL = 0xC00065FF;

constexpr int MaxTabStops = 32;

struct ParaFormat {
    std::uint32_t mask = 0;
    std::uint16_t numbering = 0;
    std::uint16_t effects = 0;
    std::int32_t startIndent = 0; // twips, each
    std::int32_t rightIndent = 0;
    std::int32_t offset = 0;
    std::uint16_t alignment = 0; // 1 left, 2 right, 3 centre, 4 justified; 0 unset
    std::int16_t tabCount = 0;
    std::array<std::int32_t, MaxTabStops> tabs{};
    std::int32_t spaceBefore = 0;
    std::int32_t spaceAfter = 0;
    std::int32_t lineSpacing = 0;
    std::int16_t style = 0;
    std::uint8_t lineSpacingRule = 0;
    std::uint16_t numberingStyle = 0;
    std::uint16_t numberingTab = 0;

    bool operator==(const ParaFormat&) const = default;
};

// The ANSI code page (1252) of rich text's \'hh escapes: a byte's character, and a character's
// byte or -1 when the code page has none.
QChar FromAnsi(unsigned char byte);
int ToAnsi(QChar character);

// Twips as Qt's document units (pixels at 96 per inch) and back.
double TwipsToUnits(std::int64_t twips);

// The record a character format holds, every field present (mask CFM_ALL). `base` fills the
// fields that the format leaves to the document's default.
CharFormat ReadChar(const QTextCharFormat& format, const CharFormat& base);
// Writes the fields that record.mask names into the format and derives Qt's drawing from them.
void WriteChar(QTextCharFormat& format, const CharFormat& record, const CharFormat& base);
// The record of a font, with the mask the font assignment names.
CharFormat CharOfFont(const QFont& font, TColor color);

ParaFormat ReadPara(const QTextBlockFormat& format);
void WritePara(QTextBlockFormat& format, const ParaFormat& record);
// Numbering lives in the block's list: puts the cursor's blocks into one list of that kind, or
// out of any list for none.
void ApplyNumbering(QTextCursor& cursor, const ParaFormat& record);
// The numbering of a block (its list's kind), as the record keeps it.
void ReadNumbering(const QTextBlock& block, ParaFormat& record);

// Over a range of the document: the record of its first character, with the mask bits cleared
// for every field that differs somewhere in the range.
CharFormat ReadCharRange(const QTextDocument& document, int from, int to, const CharFormat& base);
// Applies the masked fields to every run of the cursor's selection (none: the cursor's format).
void WriteCharRange(QTextCursor& cursor, const CharFormat& record, const CharFormat& base);

// Pictures: an image resource of the document shown by an image format at one position. What a
// file or the clipboard hands over is bounded in pixels and bytes; past the bounds it is refused.
inline constexpr qint64 MaxPicturePixels = 64LL * 1024 * 1024;
inline constexpr qint64 MaxPictureBytes = 64LL * 1024 * 1024;
// The largest side a picture is shown at, in document units.
inline constexpr int MaxPictureSide = 32767;

bool PictureSizeAllowed(QSize size);
// Adds the image to the document and returns the format that shows it at `size` (document
// units, each side clamped to 1..MaxPictureSide); an empty size shows it at its pixel size.
QTextImageFormat AddPicture(QTextDocument& document, const QImage& image, QSizeF size = {});
// The image a picture format shows; null when the document holds none under its name.
QImage PictureOf(const QTextDocument& document, const QTextImageFormat& format);
// Decoded within the bounds; null when broken, of another kind or too large.
QImage DecodePng(const QByteArray& data);
QImage DecodeJpeg(const QByteArray& data);
// A device-independent bitmap: its information header, masks, colour table and bits, with no
// file header; uncompressed or bit-field kinds only, and its bits must all be there.
QImage DecodeDib(const QByteArray& data);
QByteArray EncodePng(const QImage& image);

// Copies the fields that from.mask names into `to`.
void MergeChar(CharFormat& to, const CharFormat& from);
// Drops from the mask every field in which `other` differs.
void KeepConsistent(CharFormat& record, const CharFormat& other);

} // namespace richtext
