#include "editors/field_helpers.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <vector>

#include "editors/kx_config.h"
#include "link/codec.h"

namespace {

bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

// Divides a dotted address the way the device tools always have: blanks end a
// part, "a..b" has an empty part between the dots, a trailing "." adds an
// empty last part. A NUL ends the text.
std::vector<std::string_view> SplitDotted(std::string_view text) {
  const std::size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  std::vector<std::string_view> parts;
  std::size_t p = 0;
  auto skipBlanks = [&] {
    while (p < text.size() && IsBlank(text[p])) ++p;
  };
  skipBlanks();
  while (p < text.size()) {
    const std::size_t start = p;
    while (p < text.size() && !IsBlank(text[p]) && text[p] != '.') ++p;
    parts.push_back(text.substr(start, p - start));
    skipBlanks();
    if (p < text.size() && text[p] == '.') {
      if (p + 1 == text.size()) parts.push_back({});
      ++p;
      skipBlanks();
    }
  }
  return parts;
}

// A signed decimal integer filling the whole part, or nothing.
bool ParseInt(std::string_view part, long long& value) {
  std::string_view digits = part;
  if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) digits.remove_prefix(1);
  if (digits.empty() ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return false;
  }
  if (part.front() == '+') part.remove_prefix(1);
  const auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
  return ec == std::errc{} && end == part.data() + part.size();
}

}  // namespace

std::string BufToStr(std::string_view field) {
  return std::string(field.substr(0, field.find('\0')));
}

void StrToBuf(std::span<char> field, std::string_view text, std::string_view name) {
  if (field.empty() || text.size() > field.size() - 1) {
    throw TFieldTooLong(std::string(name), field.empty() ? 0 : field.size() - 1);
  }
  std::copy(text.begin(), text.end(), field.begin());
  field[text.size()] = '\0';
}

std::string GetDelimitedField(std::string_view text, int n, char delimiter) {
  std::size_t start = 0;
  for (int i = 1; i < n; ++i) {
    const std::size_t d = text.find(delimiter, start);
    if (d == std::string_view::npos) return {};
    start = d + 1;
  }
  const std::size_t end = text.find(delimiter, start);
  return std::string(text.substr(start, end == std::string_view::npos ? end : end - start));
}

bool IsValidIPv4(std::string_view text) {
  const auto parts = SplitDotted(text);
  if (parts.size() != 4) return false;
  return std::all_of(parts.begin(), parts.end(), [](std::string_view part) {
    long long v = 0;
    return ParseInt(part, v) && v < 256;
  });
}

void IPv4ToBytes(std::span<char, 4> bytes, std::string_view text) {
  const auto parts = SplitDotted(text);
  for (std::size_t i = 0; i < parts.size() && i < bytes.size(); ++i) {
    long long v = 0;
    if (!ParseInt(parts[i], v)) v = 0;
    bytes[i] = static_cast<char>(static_cast<std::uint64_t>(v) & 0xFF);
  }
}

std::string TrimText(std::string_view text) {
  std::size_t b = 0;
  std::size_t e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  return std::string(text.substr(b, e - b));
}

std::string PinToFile(std::string_view pin) {
  return HexEncode(XorScramble(pin));
}

std::string PinFromFile(std::string_view text) {
  return XorScramble(HexDecode(text));
}
