#pragma once
// Reads rich text (RTF) into a QTextDocument. Any input is taken: unknown words are ignored,
// unknown ignorable groups skipped, and nesting, words, numbers, binary runs and pictures are
// bounded, so no input can exhaust memory or the stack. PNG and device-independent bitmap
// pictures become images of the document; other kinds, and broken or too large ones, are left out.

#include "controls/RichTextFormat.h"

#include <QByteArray>

class QTextCursor;

class RtfReader {
public:
    // Without `pictures` every picture is left out.
    explicit RtfReader(const richtext::CharFormat& base, bool pictures = true)
        : base_(base), pictures_(pictures) {}

    // Whether the data starts (after blanks) as rich text does: "{\rtf".
    static bool IsRichText(const QByteArray& data);
    // Inserts the text at the cursor, replacing its selection; false, changing nothing, when the
    // data is not rich text.
    bool Read(const QByteArray& data, QTextCursor& cursor) const;

private:
    richtext::CharFormat base_;
    bool pictures_;
};
