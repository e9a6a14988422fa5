#pragma once
// Rich text (RTF) of a QTextDocument: text, runs and paragraphs with every attribute the rich
// edit keeps, and pictures as PNG. What RTF has no word for travels in an ignorable group only
// this reader knows.

#include "controls/RichTextFormat.h"

#include <QByteArray>

class QTextDocument;

class RtfWriter {
public:
    // `base` is what text without a format of its own looks like; without `pictures` every
    // picture is left out.
    explicit RtfWriter(const richtext::CharFormat& base, bool pictures = true)
        : base_(base), pictures_(pictures) {}

    // The positions [from, to) of the document; to -1 means its end.
    QByteArray Write(const QTextDocument& document, int from = 0, int to = -1) const;

private:
    richtext::CharFormat base_;
    bool pictures_;
};
