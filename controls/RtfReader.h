#pragma once
// Reads rich text (RTF) into a QTextDocument. Any input is taken: unknown words are ignored,
// unknown ignorable groups and pictures skipped, and nesting, words, numbers and binary runs are
// bounded, so no input can exhaust memory or the stack.

#include "controls/RichTextFormat.h"

#include <QByteArray>

class QTextCursor;

class RtfReader {
public:
    explicit RtfReader(const richtext::CharFormat& base) : base_(base) {}

    // Whether the data starts (after blanks) as rich text does: "{\rtf".
    static bool IsRichText(const QByteArray& data);
    // Inserts the text at the cursor, replacing its selection; false, changing nothing, when the
    // data is not rich text.
    bool Read(const QByteArray& data, QTextCursor& cursor) const;

private:
    richtext::CharFormat base_;
};
