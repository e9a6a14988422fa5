// Any bytes as an icon stream read without harm, and every image read from it is written and
// read back the same.

#include "platform/Icon.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray stream(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto entries = platform::ReadIconDirectory(stream);
    if (!entries)
        return 0;
    for (const int bits : {1, 4, 8, 16, 32}) {
        const int chosen = platform::ChooseIconEntry(*entries, bits);
        if (chosen < 0 || (chosen >= entries->size() && !entries->isEmpty()))
            std::abort();
    }
    for (const platform::IconEntry& entry : *entries) {
        const QImage image = platform::DecodeIconImage(stream, entry);
        if (image.isNull())
            continue;
        const QByteArray written = platform::EncodeIcon(image);
        const auto again = platform::ReadIconDirectory(written);
        if (!again || again->size() != 1 ||
            platform::DecodeIconImage(written, again->first()) != image)
            std::abort();
    }
    return 0;
}
