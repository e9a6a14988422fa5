// Any text through the settings' decoders: no crash, no write past the buffers, and what the
// encoders make comes back.

#include "app/CodEncoding.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    std::vector<unsigned char> decoded(3 * (size / 4) + 1);
    const int n = CodEncoding::Base64Decode(bytes.constData(), decoded.data(), int(size));
    if (n < 0 || size_t(n) > 3 * (size / 4))
        std::abort();

    QString password = QString::fromLatin1(bytes);
    UnscramblePassword(password);

    const QString text = QString::fromLatin1(bytes);
    CodEncoding::UrlDecode(text);
    if (CodEncoding::UrlDecode(CodEncoding::UrlEncode(text)) != text)
        std::abort();

    QString plain = QString::fromLatin1(
        bytes.left(bytes.indexOf('\0') < 0 ? bytes.size() : bytes.indexOf('\0')));
    QString scrambled = plain;
    ScramblePassword(scrambled);
    UnscramblePassword(scrambled);
    if (scrambled != plain)
        std::abort();
    return 0;
}
