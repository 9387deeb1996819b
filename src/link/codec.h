// Wire format of the KX protocol: reply-frame parser, length prefix, checksum,
// hexadecimal text and the PIN scrambler. All functions are pure and thread-safe.
//
// Every frame, payload and reply is a byte string (std::string used as bytes):
// texts are single-byte Windows-1251, binary payloads may hold any byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

// Extracts the first complete reply frame at or after `position`, scanning the
// bytes [position, end). Returns "<" + name + ">" + value, or an empty string
// when no complete frame is there. On success `position` moves just past the
// frame's closing ">>"; on failure it is left unchanged.
//
// A length prefix of more than two bytes, or one whose payload runs past `end`,
// makes the frame incomplete (the device only writes the two-byte form).
std::string ParseReplyFrame(std::string_view bytes, std::size_t& position, std::size_t end);

// Longest payload the two-byte length prefix can carry.
constexpr std::size_t kMaxPayloadLength = 16383;

// Thrown by EncodeLength7 (and every frame builder) for payloads the format
// cannot carry; no frame is built then.
class TLengthError : public std::length_error {
 public:
  using std::length_error::length_error;
};

// One byte for lengths below 128, two bytes (low 7 bits | 0x80, then the rest)
// up to 16383. Longer lengths throw TLengthError.
std::string EncodeLength7(std::size_t length);

// Base-128 number, least significant group first.
std::uint32_t DecodeLength7(std::string_view prefix);

// CRC-8/DVB-S2: polynomial 0xD5, initial 0, no reflection, no final XOR.
std::uint8_t Crc8(std::string_view bytes);

// Two upper-case hexadecimal digits per byte.
std::string HexEncode(std::string_view bytes);

// Thrown by HexDecode on a pair that is not hexadecimal; what() is a message
// that can be shown to the user as it is.
class THexError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Each pair of hexadecimal digits (either case) gives one byte; a last unpaired
// character is ignored.
std::string HexDecode(std::string_view text);

// XOR with a fixed 20-byte key; inputs longer than the key are cut to it.
// Its own inverse for inputs of at most 20 bytes.
std::string XorScramble(std::string_view text);

// "<" + name + "<" + argument + ">>"
std::string TextFrame(std::string_view name, std::string_view argument);

// "<" + name + "<#" + EncodeLength7(n) + data + Crc8(data) + ">>", n = data length + 1.
// Throws TLengthError when the payload is too long for the format.
std::string BinaryFrame(std::string_view name, std::string_view data);

// The command name of a request frame: the text from its second character up
// to the next "<" ("config" for both "<config<?>>" and "<config<#...").
std::string CommandName(std::string_view request);

// "<" + command name + ">" + parse result: what the exchange thread hands on.
std::string NormaliseReply(std::string_view request, std::string_view parseResult);
