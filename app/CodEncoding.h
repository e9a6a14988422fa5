#pragma once
// The service settings' encodings: Base64, the scrambled password and the URL-encoded signature.
// Texts are 8-bit: they go through Latin-1.

#include <QString>

namespace CodEncoding {

// Writes the Base64 text of `length` bytes and a NUL to target (room for 4 * ((length + 2) / 3)
// characters and the NUL); returns the characters written.
int Base64Encode(const unsigned char* source, char* target, int length);
// Decodes `length` characters in whole groups of four; writes the bytes and a NUL to target (room
// for 3 * (length / 4) bytes and the NUL); returns the bytes written. A character outside the
// alphabet reads as 0.
int Base64Decode(const char* source, unsigned char* target, int length);

// Letters and digits stay, a blank becomes "+", every other byte "%" and two upper-case
// hexadecimal digits.
QString UrlEncode(const QString& text);
// "%" and two hexadecimal digits give their byte ("%" without them stays), "+" a blank, "&" a
// line break (CR LF).
QString UrlDecode(const QString& text);

} // namespace CodEncoding

// The password XORed with the program's key, then Base64; any length.
void ScramblePassword(QString& text);
// The reverse, up to the first NUL of the decoded bytes.
void UnscramblePassword(QString& text);
