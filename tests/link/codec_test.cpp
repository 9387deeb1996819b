#include "link/codec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

TEST(Crc8, CheckValues) {
  const struct {
    std::string bytes;
    std::uint8_t crc;
  } cases[] = {
      {"123456789", 0xBC},         {"abc", 0x5A}, {"", 0x00}, {"\x03\x0B\x00\x00\x00\x01"s, 0x3C},
      {"\x05\x02\x0A\x09"s, 0xE5},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Crc8(c.bytes), c.crc) << HexEncode(c.bytes);
  }
}

TEST(Length7, EncodesAndDecodesBothWays) {
  const struct {
    std::size_t length;
    std::string prefix;
  } cases[] = {
      {0, "\x00"s},      {5, "\x05"},       {127, "\x7F"},       {128, "\x80\x01"},
      {200, "\xC8\x01"}, {300, "\xAC\x02"}, {16383, "\xFF\x7F"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeLength7(c.length), c.prefix) << c.length;
    EXPECT_EQ(DecodeLength7(c.prefix), c.length) << c.length;
  }
}

TEST(Length7, RefusesPayloadsTheFormatCannotCarry) {
  EXPECT_THROW(EncodeLength7(16384), TLengthError);
  EXPECT_THROW(EncodeLength7(100000), TLengthError);
  // The frame builder counts the checksum byte: 16383 data bytes do not fit.
  EXPECT_NO_THROW(BinaryFrame("config", std::string(16382, 'x')));
  EXPECT_THROW(BinaryFrame("config", std::string(16383, 'x')), TLengthError);
}

struct TParseCase {
  const char* what;
  std::string bytes;
  std::size_t start;
  std::size_t end;  // npos: all of `bytes`
  std::string result;
  std::size_t positionAfter;
};

TEST(ParseReplyFrame, Cases) {
  constexpr auto kAll = std::string::npos;
  const std::string version = "<version<#\x04\x05\x02\x0A\x09>>"s;
  const std::vector<TParseCase> cases = {
      {"empty text value", "<ok<>>", 0, kAll, "<ok>", 6},
      {"text value", "<error<3>>", 0, kAll, "<error>3", 10},
      {"text value holding <", "<a<b<c>>", 0, kAll, "<a>b<c", 8},
      {"binary value", version, 0, kAll, "<version>\x05\x02\x0A\x09"s, version.size()},
      {"binary value holding delimiters", "<config<#\x06<>>#\x00>>>"s, 0, kAll,
       "<config><>>#\x00>"s, 18},
      {"two-byte prefix", "<c<#\x80\x01"s + std::string(128, '>') + ">>", 0, kAll,
       "<c>" + std::string(128, '>'), 136},
      {"stray byte before the closing >", "<ok<>x>", 0, kAll, "", 7},
      {"noise before the frame",
       "\xFF\x00"
       "ab><ok<>>"s,
       0, kAll, "<ok>", 11},
      {"empty name", "<<x>>", 0, kAll, "<>x", 5},
      {"starts at the position", "<ok<>><error<3>>", 6, kAll, "<error>3", 16},
      {"cut off before the second >", "<ok<>", 0, kAll, "", 0},
      {"cut off inside the value", "<error<3", 0, kAll, "", 0},
      {"bounded by the end, not the size", "<ok<>>", 0, 5, "", 0},
      {"three-byte prefix", "<x<#\x81\x80\x00>>"s, 0, kAll, "", 0},
      {"payload longer than received",
       "<x<#\x0A"
       "abc>>",
       0, kAll, "", 0},
      {"position past the end", "<ok<>>", 7, kAll, "", 7},
      {"nothing", "", 0, kAll, "", 0},
  };
  for (const auto& c : cases) {
    std::size_t position = c.start;
    const std::size_t end = c.end == kAll ? c.bytes.size() : c.end;
    EXPECT_EQ(ParseReplyFrame(c.bytes, position, end), c.result) << c.what;
    EXPECT_EQ(position, c.positionAfter) << c.what;
  }
}

TEST(ParseReplyFrame, ContinuesWithTheNextFrame) {
  const std::string bytes =
      "<version<#\x04\x01\x02\x03\x04>><key<#\x06"
      "abcdef>>"s;
  std::size_t position = 0;
  EXPECT_EQ(ParseReplyFrame(bytes, position, bytes.size()), "<version>\x01\x02\x03\x04");
  EXPECT_EQ(bytes[position], '<');
  EXPECT_EQ(ParseReplyFrame(bytes, position, bytes.size()), "<key>abcdef");
  EXPECT_EQ(position, bytes.size());
  EXPECT_EQ(ParseReplyFrame(bytes, position, bytes.size()), "");
  EXPECT_EQ(position, bytes.size());
}

TEST(Frames, BinaryFrameParsesBackToItsPayload) {
  const std::string gid = "\x00\x11<>\xFF#"s;
  const std::string frame = BinaryFrame("producer", gid);
  EXPECT_EQ(frame, "<producer<#\x07"s + gid + static_cast<char>(Crc8(gid)) + ">>");
  std::size_t position = 0;
  EXPECT_EQ(ParseReplyFrame(frame, position, frame.size()),
            "<producer>" + gid + static_cast<char>(Crc8(gid)));
  EXPECT_EQ(TextFrame("login", "1234"), "<login<1234>>");
  EXPECT_EQ(TextFrame("init", ""), "<init<>>");
}

TEST(Frames, CommandNameAndNormalisedReply) {
  const struct {
    std::string request;
    std::string name;
  } cases[] = {
      {"<version<?>>", "version"},
      {BinaryFrame("config", "\x01<\x02"), "config"},
      {"<login<1234>>", "login"},
      {"<<x>>", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(CommandName(c.request), c.name) << c.request;

  EXPECT_EQ(NormaliseReply("<version<?>>", "<version>\x05\x02\x0A\x09"),
            "<version><version>\x05\x02\x0A\x09");
  EXPECT_EQ(NormaliseReply("<config<?>>", "<error>3"), "<config><error>3");
}

TEST(Hex, Encode) {
  const struct {
    std::string bytes;
    std::string text;
  } cases[] = {{"", ""}, {"abc", "616263"}, {"\x00\x7F\x80\xFF"s, "007F80FF"}};
  for (const auto& c : cases) EXPECT_EQ(HexEncode(c.bytes), c.text);
}

TEST(Hex, Decode) {
  const struct {
    std::string text;
    std::string bytes;
  } cases[] = {
      {"616263", "abc"}, {"6a6", "j"}, {"0", ""}, {"", ""}, {"00fFaB", "\x00\xFF\xAB"s},
  };
  for (const auto& c : cases) EXPECT_EQ(HexDecode(c.text), c.bytes) << c.text;

  for (const char* bad : {"zz", "6g", "12 3", "0x12", "\xC0\xC1"}) {
    EXPECT_THROW(HexDecode(bad), THexError) << bad;
  }
}

TEST(XorScramble, IsItsOwnInverseUpToTheKeyLength) {
  EXPECT_EQ(XorScramble(""), "");
  // Pins the key: the default PIN as every configuration file stores it.
  EXPECT_EQ(HexEncode(XorScramble("9072")), "6D5D0060");

  const std::string longText = "0123456789abcdefghijKLMNO";  // 25 bytes
  EXPECT_EQ(XorScramble(longText).size(), 20u);
  EXPECT_EQ(XorScramble(longText), XorScramble(longText.substr(0, 20)));

  for (const std::string& text :
       {"9072"s, "\x00\xFF\x01 pin with NUL\x00"s, longText.substr(0, 20)}) {
    EXPECT_EQ(XorScramble(XorScramble(text)), text) << HexEncode(text);
  }
}

}  // namespace
