// Reading and writing fields of configuration images and files; the same
// rules for every device editor.
#pragma once

#include <span>
#include <string>
#include <string_view>

// The text of an image field: its bytes up to the first NUL, or the whole
// field when it holds none. Never reads past the field.
std::string BufToStr(std::string_view field);

// Writes `text` and one NUL at the start of `field`. A text that leaves no room
// for the NUL throws TFieldTooLong(name, field width - 1) and writes nothing.
void StrToBuf(std::span<char> field, std::string_view text, std::string_view name);

// The n-th field (from 1; n of 1 or less gives the first) of `text` divided at
// `delimiter`; empty when the text has fewer than n fields.
std::string GetDelimitedField(std::string_view text, int n, char delimiter);

// Exactly four parts divided at "." (blanks and control characters around a
// part are skipped and also end it), each a signed decimal integer below 256.
bool IsValidIPv4(std::string_view text);

// Writes the first four parts of a dotted address, each read as a decimal
// integer (0 when it is not one) and stored as its low 8 bits. Bytes without a
// part in the text are left as they are.
void IPv4ToBytes(std::span<char, 4> bytes, std::string_view text);

// Blanks and control characters removed from both ends.
std::string TrimText(std::string_view text);

// The SIM PIN as configuration files hold it: HexEncode(XorScramble(pin)).
std::string PinToFile(std::string_view pin);
// The inverse; throws THexError when the text is not hexadecimal.
std::string PinFromFile(std::string_view text);
