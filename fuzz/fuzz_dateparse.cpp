// Any text parses to a valid date or fails cleanly, by mask and by scan, under each format;
// whatever parses formats back without harm.

#include "storage/DateUtil.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString formats[] = {"DD/MM/YYYY", "MM/DD/YY", "YYYY/MM/DD", "DD-MMM-YYYY"};
    const QString text = QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const QString& format : formats) {
        TDateTime date = NullDate;
        if (InternalStrToDate(format, text, date)) {
            if (!text.isEmpty() && !ValidDate(date))
                std::abort();
            FormatDateFmt(format, date);
        }
    }
    return 0;
}
