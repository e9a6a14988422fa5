#pragma once
// A rich edit's whole text saved to and loaded from bytes in a given format.

#include "controls/KxRichEdit.h"

#include <QBuffer>

inline QByteArray Saved(TKxRichEdit& edit, TRichStreamFormat format, TRichStreamModes mode = {}) {
    edit.Lines.Format = format;
    edit.Lines.Mode = mode;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    edit.Lines.SaveToStream(buffer);
    return buffer.data();
}

inline void Load(TKxRichEdit& edit, QByteArray data, TRichStreamFormat format,
                 TRichStreamModes mode = {}) {
    edit.Lines.Format = format;
    edit.Lines.Mode = mode;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    edit.Lines.LoadFromStream(buffer);
}
