// Loading, saving, conversions, plain-text switching and the clipboard's rich text.

#include "KxRichEdit.h"

#include "controls/RtfReader.h"
#include "controls/RtfWriter.h"
#include "platform/SafeWrite.h"
#include "storage/Kxstrutils.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QTextCursor>
#include <QTextDocument>

#include <list>

namespace {

struct ConversionFormat {
    QString extension;
    bool plainText;
    TConversionClass conversionClass;
};

// Newest first, so a later registration of an extension wins.
std::list<ConversionFormat>& ConversionFormats() {
    static std::list<ConversionFormat> formats = {
        {"txt", true, ConversionClassOf<TConversion>()},
        {"rtf", false, ConversionClassOf<TConversion>()},
    };
    return formats;
}

const ConversionFormat* FormatOfFile(const QString& fileName) {
    const QString extension = QFileInfo(fileName).suffix().toLower();
    for (const ConversionFormat& format : ConversionFormats()) {
        if (format.extension == extension)
            return &format;
    }
    return nullptr;
}

constexpr int ChunkSize = 4096;

// Everything left in the stream through the conversion; false on a read error or an exception
// of the conversion.
bool ReadThrough(TConversion& conversion, QIODevice& stream, QByteArray& bytes) {
    try {
        char buffer[ChunkSize];
        for (;;) {
            const int count = conversion.ConvertReadStream(stream, buffer, ChunkSize);
            if (count < 0)
                return false;
            if (count == 0)
                return true;
            bytes.append(buffer, count);
        }
    } catch (const std::exception&) {
        return false;
    }
}

bool WriteThrough(TConversion& conversion, QIODevice& stream, const QByteArray& bytes) {
    try {
        for (qsizetype done = 0; done < bytes.size(); done += ChunkSize) {
            const int count = int(std::min<qsizetype>(ChunkSize, bytes.size() - done));
            if (conversion.ConvertWriteStream(stream, bytes.constData() + done, count) != count)
                return false;
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

QString PlainTextOf(const QByteArray& bytes, bool unicode) {
    if (!unicode)
        return QString::fromLatin1(bytes);
    QString text(bytes.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = QChar(char16_t(uchar(bytes[2 * i]) | (uchar(bytes[2 * i + 1]) << 8)));
    return text;
}

QByteArray PlainBytesOf(const QString& text, bool unicode) {
    if (!unicode)
        return text.toLatin1();
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    for (QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

} // namespace

int TConversion::ConvertReadStream(QIODevice& Stream, char* Buffer, int BufSize) {
    return int(Stream.read(Buffer, BufSize));
}

int TConversion::ConvertWriteStream(QIODevice& Stream, const char* Buffer, int BufSize) {
    return int(Stream.write(Buffer, BufSize));
}

int TOEMConversion::ConvertReadStream(QIODevice& Stream, char* Buffer, int BufSize) {
    const int count = TConversion::ConvertReadStream(Stream, Buffer, BufSize);
    if (count > 0) {
        const QByteArray ansi = OemToAnsiStr(QString::fromLatin1(Buffer, count)).toLatin1();
        std::copy_n(ansi.constData(), count, Buffer);
    }
    return count;
}

int TOEMConversion::ConvertWriteStream(QIODevice& Stream, const char* Buffer, int BufSize) {
    const QByteArray oem = StrToOem(QString::fromLatin1(Buffer, BufSize)).toLatin1();
    return TConversion::ConvertWriteStream(Stream, oem.constData(), int(oem.size()));
}

void TKxCustomRichEdit::RegisterConversionFormat(const QString& Extension, bool PlainText,
                                                 TConversionClass ConversionClass) {
    ConversionFormats().push_front({Extension.toLower(), PlainText, std::move(ConversionClass)});
}

bool TRichEditStrings::PlainInEffect(TRichStreamFormat format) const {
    return format == sfPlainText || (format == sfDefault && richEdit_->PlainText());
}

void TRichEditStrings::LoadFromStream(QIODevice& Stream) {
    std::unique_ptr<TConversion> temporary;
    TConversion* conversion = conversion_.get();
    if (!conversion) {
        temporary = richEdit_->DefaultConversion();
        conversion = temporary.get();
    }
    const qint64 start = Stream.pos();
    QByteArray bytes;
    bool plain = PlainInEffect(Format);
    bool unicode = plain && (Mode & smUnicode);
    bool read = ReadThrough(*conversion, Stream, bytes) && (plain || RtfReader::IsRichText(bytes));
    if (!read) {
        // Once more from where the stream began, in the other bare format.
        Stream.seek(start);
        bytes.clear();
        plain = !plain;
        unicode = false;
        read = ReadThrough(*conversion, Stream, bytes) && (plain || RtfReader::IsRichText(bytes));
    }
    if (!read)
        throw EOutOfResources("Failed to Load Stream");

    TKxCustomRichEdit::ChangeMute mute(*richEdit_);
    QTextCursor cursor = richEdit_->textCursor();
    const bool selection = Mode & smSelection;
    if (!selection)
        cursor.select(QTextCursor::Document);
    if (plain) {
        cursor.beginEditBlock();
        cursor.removeSelectedText();
        TKxCustomRichEdit::InsertAtCursor(cursor, PlainTextOf(bytes, unicode));
        cursor.endEditBlock();
    } else {
        RtfReader(richEdit_->DefaultRecord(), richEdit_->TakesPictures()).Read(bytes, cursor);
    }
    if (!selection)
        richEdit_->ClearUndo();
    richEdit_->SetSelection(0, 0, true);
}

void TRichEditStrings::SaveToStream(QIODevice& Stream) {
    std::unique_ptr<TConversion> temporary;
    TConversion* conversion = conversion_.get();
    if (!conversion) {
        temporary = richEdit_->DefaultConversion();
        conversion = temporary.get();
    }
    TCharRange range{0, -1};
    if (Mode & smSelection)
        range = richEdit_->GetSelection();
    QByteArray bytes;
    if (PlainInEffect(Format)) {
        // Plain text has no place for pictures.
        const QString text = richEdit_->GetTextRange(range.cpMin, range.cpMax)
                                 .remove(QChar::ObjectReplacementCharacter)
                                 .replace(QLatin1Char('\r'), QLatin1String("\r\n"));
        bytes = PlainBytesOf(text, Mode & smUnicode);
    } else {
        bytes = RtfWriter(richEdit_->DefaultRecord(), !(Mode & smNoObjects))
                    .Write(*richEdit_->document(), range.cpMin, range.cpMax);
    }
    if (!WriteThrough(*conversion, Stream, bytes))
        throw EOutOfResources("Failed to Save Stream");
}

template <class Action>
void TRichEditStrings::WithFileFormat(const QString& fileName, Action action) {
    const TRichStreamFormat saved = Format;
    if (const ConversionFormat* format = FormatOfFile(fileName)) {
        if (!conversion_)
            conversion_ = format->conversionClass();
        Format = format->plainText ? sfPlainText : sfRichText;
    }
    try {
        action();
    } catch (...) {
        Format = saved;
        throw;
    }
    Format = saved;
}

void TRichEditStrings::LoadFromFile(const QString& FileName) {
    WithFileFormat(FileName, [&] {
        QFile file(FileName);
        if (!file.open(QIODevice::ReadOnly))
            throw std::runtime_error(QStringLiteral("Impossibile aprire il file \"%1\": %2")
                                         .arg(FileName, file.errorString())
                                         .toStdString());
        LoadFromStream(file);
    });
}

void TRichEditStrings::SaveToFile(const QString& FileName) {
    WithFileFormat(FileName, [&] {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        SaveToStream(buffer);
        QString error;
        if (!platform::WriteWholeFile(FileName, buffer.data(), &error))
            throw std::runtime_error(error.toStdString());
    });
}

// Switching to plain text drops the formatting; switching back keeps the text.
void TKxCustomRichEdit::SetPlainText(bool value) {
    if (value == plainText_)
        return;
    const TRichStreamFormat format = Lines.Format;
    const TRichStreamModes mode = Lines.Mode;
    Lines.Format = value ? sfPlainText : sfRichText;
    Lines.Mode = {};
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    Lines.SaveToStream(buffer);
    buffer.seek(0);
    plainText_ = value;
    setAcceptRichText(!value);
    Lines.LoadFromStream(buffer);
    Lines.Format = format;
    Lines.Mode = mode;
}

void TKxCustomRichEdit::AddRichText(QMimeData& data) const {
    const TCharRange range = GetSelection();
    data.setData(RichTextMime,
                 RtfWriter(defaultRecord_).Write(*document(), range.cpMin, range.cpMax));
}

bool TKxCustomRichEdit::PasteRichText(const QMimeData& data, QTextCursor& cursor, bool pictures) {
    if (plainText_)
        return false;
    for (const char* mime : {RichTextMime, "application/rtf"}) {
        if (data.hasFormat(mime) &&
            RtfReader(defaultRecord_, pictures && TakesPictures()).Read(data.data(mime), cursor))
            return true;
    }
    return false;
}
