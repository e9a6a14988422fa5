#include "app/CodEncoding.h"

#include <QByteArray>
#include <QtGlobal>
#include <algorithm>
#include <array>
#include <vector>

namespace {

constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char ScrambleKey[] = "Kp7#vQ9!zL";
constexpr int ScrambleKeyLength = 10;

const std::array<unsigned char, 128>& DecodeTable() {
    static const std::array<unsigned char, 128> table = [] {
        std::array<unsigned char, 128> t{};
        for (int i = 0; i < 64; ++i)
            t[static_cast<unsigned char>(Alphabet[i])] = static_cast<unsigned char>(i);
        return t;
    }();
    return table;
}

unsigned char DecodeChar(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 128 ? DecodeTable()[byte] : 0;
}

void Xor(QByteArray& bytes) {
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(bytes[i] ^ ScrambleKey[i % ScrambleKeyLength]);
}

bool UrlKeeps(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

namespace CodEncoding {

int Base64Encode(const unsigned char* source, char* target, int length) {
    Q_ASSERT_X(source != nullptr || length == 0, "Base64Encode", "source");
    Q_ASSERT_X(target != nullptr, "Base64Encode", "target");
    int out = 0;
    for (int i = 0; i < length; i += 3) {
        const int left = std::min(3, length - i);
        const unsigned value = (source[i] << 16) | (left > 1 ? source[i + 1] << 8 : 0) |
                               (left > 2 ? source[i + 2] : 0);
        target[out++] = Alphabet[(value >> 18) & 63];
        target[out++] = Alphabet[(value >> 12) & 63];
        target[out++] = left > 1 ? Alphabet[(value >> 6) & 63] : '=';
        target[out++] = left > 2 ? Alphabet[value & 63] : '=';
    }
    target[out] = '\0';
    return out;
}

int Base64Decode(const char* source, unsigned char* target, int length) {
    Q_ASSERT_X(source != nullptr || length == 0, "Base64Decode", "source");
    Q_ASSERT_X(target != nullptr, "Base64Decode", "target");
    int out = 0;
    for (int i = 0; i + 4 <= length; i += 4) {
        const unsigned value = (DecodeChar(source[i]) << 18) | (DecodeChar(source[i + 1]) << 12) |
                               (DecodeChar(source[i + 2]) << 6) | DecodeChar(source[i + 3]);
        const int padding = int(source[i + 2] == '=') + int(source[i + 3] == '=');
        const unsigned char bytes[3] = {static_cast<unsigned char>(value >> 16),
                                        static_cast<unsigned char>(value >> 8),
                                        static_cast<unsigned char>(value)};
        for (int k = 0; k < 3 - padding; ++k)
            target[out++] = bytes[k];
    }
    target[out] = 0;
    return out;
}

QString UrlEncode(const QString& text) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    QByteArray out;
    for (const char c : text.toLatin1()) {
        const auto byte = static_cast<unsigned char>(c);
        if (UrlKeeps(c)) {
            out += c;
        } else if (c == ' ') {
            out += '+';
        } else {
            out += '%';
            out += Hex[byte >> 4];
            out += Hex[byte & 15];
        }
    }
    return QString::fromLatin1(out);
}

QString UrlDecode(const QString& text) {
    const QByteArray in = text.toLatin1();
    QByteArray out;
    for (qsizetype i = 0; i < in.size(); ++i) {
        const char c = in[i];
        if (c == '%' && i + 2 < in.size() && HexValue(in[i + 1]) >= 0 && HexValue(in[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(in[i + 1]) * 16 + HexValue(in[i + 2]));
            i += 2;
        } else if (c == '+') {
            out += ' ';
        } else if (c == '&') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return QString::fromLatin1(out);
}

} // namespace CodEncoding

void ScramblePassword(QString& text) {
    QByteArray bytes = text.toLatin1();
    Xor(bytes);
    std::vector<char> encoded(4 * ((bytes.size() + 2) / 3) + 1);
    const int n =
        CodEncoding::Base64Encode(reinterpret_cast<const unsigned char*>(bytes.constData()),
                                  encoded.data(), static_cast<int>(bytes.size()));
    bytes.fill('x');
    text = QString::fromLatin1(encoded.data(), n);
}

void UnscramblePassword(QString& text) {
    const QByteArray source = text.toLatin1();
    std::vector<unsigned char> work(3 * (source.size() / 4) + 1);
    const int n =
        CodEncoding::Base64Decode(source.constData(), work.data(), static_cast<int>(source.size()));
    QByteArray plain(reinterpret_cast<const char*>(work.data()), n);
    Xor(plain);
    text = QString::fromLatin1(plain.left(plain.indexOf('\0') < 0 ? n : plain.indexOf('\0')));
    std::fill(work.begin(), work.end(), 'x');
    plain.fill('x');
}
