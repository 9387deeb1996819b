#include "link/codec.h"

#include <array>

namespace {

constexpr std::string_view kScrambleKey = "Tm7RwQzKe2LpVb9NsXhD";

// A prefix longer than this is outside the format.
constexpr std::size_t kMaxPrefixBytes = 2;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string ParseReplyFrame(std::string_view bytes, std::size_t& position, std::size_t end) {
  if (end > bytes.size()) end = bytes.size();
  std::string result;
  std::size_t mark = 0;
  int state = 0;
  std::size_t i = position;
  while (i < end) {
    const char c = bytes[i];
    switch (state) {
      case 0:  // seeking a frame
        if (c == '<') {
          mark = i;
          state = 1;
        }
        break;
      case 1:  // frame name
        if (c == '<') {
          result.assign("<");
          result.append(bytes.substr(mark + 1, i - mark - 1));
          result.push_back('>');
          mark = i;
          state = 2;
        }
        break;
      case 2:  // first byte of the value
        if (c == '#') {
          mark = i;
          state = 3;
        } else if (c == '>') {
          state = 5;
        } else {
          state = 4;
        }
        break;
      case 3: {  // length prefix
        const auto b = static_cast<unsigned char>(c);
        if (i - mark > kMaxPrefixBytes) return {};
        if (b >= 128) break;
        const std::uint32_t n = DecodeLength7(bytes.substr(mark + 1, i - mark));
        if (n > end - i - 1) return {};  // payload runs past what was received
        mark = i;
        i += n;
        state = 4;
        break;
      }
      case 4:  // value
        if (c == '>') {
          result.append(bytes.substr(mark + 1, i - mark - 1));
          state = 5;
        }
        break;
      case 5:  // closing
        if (c == '>') {
          position = i + 1;
          return result;
        }
        result.clear();
        break;
    }
    ++i;
  }
  return {};
}

std::string EncodeLength7(std::size_t length) {
  if (length > kMaxPayloadLength) {
    throw TLengthError("payload of " + std::to_string(length) + " bytes is too long (at most " +
                       std::to_string(kMaxPayloadLength) + ")");
  }
  std::string out;
  if (length < 128) {
    out.push_back(static_cast<char>(length));
  } else {
    out.push_back(static_cast<char>((length & 127) | 128));
    out.push_back(static_cast<char>(length >> 7));
  }
  return out;
}

std::uint32_t DecodeLength7(std::string_view prefix) {
  std::uint32_t value = 0;
  for (auto it = prefix.rbegin(); it != prefix.rend(); ++it) {
    value = (value << 7) + (static_cast<unsigned char>(*it) & 127u);
  }
  return value;
}

std::uint8_t Crc8(std::string_view bytes) {
  std::uint8_t crc = 0;
  for (char c : bytes) {
    crc ^= static_cast<std::uint8_t>(c);
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 0x80) ? static_cast<std::uint8_t>((crc << 1) ^ 0xD5)
                         : static_cast<std::uint8_t>(crc << 1);
    }
  }
  return crc;
}

std::string HexEncode(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 15]);
  }
  return out;
}

std::string HexDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size() / 2);
  for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
    const int hi = HexDigit(text[i]);
    const int lo = HexDigit(text[i + 1]);
    if (hi < 0 || lo < 0) {
      throw THexError("'" + std::string(text.substr(i, 2)) + "' не является шестнадцатеричным числом");
    }
    out.push_back(static_cast<char>(hi * 16 + lo));
  }
  return out;
}

std::string XorScramble(std::string_view text) {
  std::string out(text.substr(0, kScrambleKey.size()));
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<char>(out[i] ^ kScrambleKey[i]);
  return out;
}

std::string TextFrame(std::string_view name, std::string_view argument) {
  std::string out = "<";
  out.append(name).append("<").append(argument).append(">>");
  return out;
}

std::string BinaryFrame(std::string_view name, std::string_view data) {
  std::string out = "<";
  out.append(name).append("<#").append(EncodeLength7(data.size() + 1));
  out.append(data);
  out.push_back(static_cast<char>(Crc8(data)));
  out.append(">>");
  return out;
}

std::string CommandName(std::string_view request) {
  if (request.size() < 2) return {};
  const std::size_t lt = request.find('<', 1);
  return std::string(
      request.substr(1, lt == std::string_view::npos ? std::string_view::npos : lt - 1));
}

std::string NormaliseReply(std::string_view request, std::string_view parseResult) {
  std::string out = "<";
  out.append(CommandName(request)).append(">").append(parseResult);
  return out;
}
