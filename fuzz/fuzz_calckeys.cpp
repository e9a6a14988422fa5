// Any key sequence leaves the calculator with a finite value and no longer a display than its
// digits allow.

#include "controls/KxCalcEngine.h"

#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TCalcEngine engine;
    engine.Precision = size > 0 ? data[0] : 15;
    for (size_t i = 1; i < size; ++i) {
        switch (data[i]) {
        case 0xF0:
            engine.MemoryStore();
            break;
        case 0xF1:
            engine.MemoryRecall();
            break;
        case 0xF2:
            engine.MemoryPlus();
            break;
        case 0xF3:
            engine.PasteText(QString::fromLatin1(reinterpret_cast<const char*>(data + i + 1),
                                                 qsizetype(std::min<size_t>(size - i - 1, 24))));
            break;
        default:
            engine.ProcessKey(QChar(data[i]));
        }
        const double value = engine.DisplayValue();
        if (!std::isfinite(value) || engine.Text().size() > 26)
            std::abort();
    }
    return 0;
}
