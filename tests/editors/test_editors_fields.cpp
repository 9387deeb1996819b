// Field helpers, Windows-1251, the PIN's file form, the APN triple and the
// layout engine's own rules (variant rows, bounds).
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "editors/apn.h"
#include "editors/cp1251.h"
#include "editors/field_helpers.h"
#include "editors/image_layout.h"
#include "editors/json_layout.h"
#include "link/codec.h"

using namespace std::string_literals;

TEST(Fields, BufToStrStopsAtNulOrFieldEnd) {
  EXPECT_EQ(BufToStr("\0abc"s), "");
  EXPECT_EQ(BufToStr("ab\0cd"s), "ab");
  // A field without NUL gives its full width and nothing of what follows it.
  const std::string image = "abcdefXYZ"s;
  EXPECT_EQ(BufToStr(std::string_view(image).substr(0, 6)), "abcdef");
  EXPECT_EQ(BufToStr(""), "");
}

TEST(Fields, StrToBufWritesTextAndOneNul) {
  std::string buf(6, 'x');
  StrToBuf(buf, "", "PIN");
  EXPECT_EQ(buf, "\0xxxxx"s);
  StrToBuf(buf, "12345", "PIN");
  EXPECT_EQ(buf, "12345\0"s);
}

TEST(Fields, StrToBufRefusesTextWithoutRoomForNul) {
  std::string buf(6, 'x');
  try {
    StrToBuf(buf, "123456", "PIN");
    FAIL() << "no TFieldTooLong";
  } catch (const TFieldTooLong& e) {
    EXPECT_EQ(e.Field(), "PIN");
    EXPECT_EQ(e.Limit(), 5u);
    EXPECT_NE(std::string(e.what()).find("PIN"), std::string::npos);
  }
  EXPECT_EQ(buf, "xxxxxx") << "nothing written";
}

TEST(Fields, GetDelimitedField) {
  struct TCase {
    std::string text;
    int n;
    std::string want;
  };
  const TCase cases[] = {
      {"a,b,c", 2, "b"}, {"a,b", 3, ""},    {"a,,c", 2, ""}, {"abc", 1, "abc"},
      {"a,b,c", 0, "a"}, {"a,b,c", 3, "c"}, {"", 1, ""},     {"a,b,", 3, ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(GetDelimitedField(c.text, c.n, ','), c.want) << c.text << " " << c.n;
}

TEST(Fields, IsValidIPv4) {
  const std::pair<std::string, bool> cases[] = {
      {"192.168.0.1", true},
      {"192.168.0", false},
      {"1.2.3.4.5", false},
      {"1.2.3.256", false},
      {"1..2.3", false},
      {" 10.0.0.1", true},
      {"-1.2.3.4", true},
      {"10.0.0.1 ", true},
      {"1.2.3.", false},
      {"1.2.3.x", false},
      {"", false},
      {"1.2.3.255", true},
      {"1 2.3.4", true},  // a blank ends a part, as the dotted reader always did
      {"1.2.3.99999999999999999999", false},
  };
  for (const auto& [text, valid] : cases) EXPECT_EQ(IsValidIPv4(text), valid) << "'" << text << "'";
}

TEST(Fields, IPv4ToBytes) {
  std::array<char, 4> b{};
  IPv4ToBytes(b, "10.0.300.1");
  EXPECT_EQ(b, (std::array<char, 4>{10, 0, 44, 1}));

  b = {9, 9, 9, 9};
  IPv4ToBytes(b, "1.x");  // fewer parts leave the other bytes; a non-number is 0
  EXPECT_EQ(b, (std::array<char, 4>{1, 0, 9, 9}));

  IPv4ToBytes(b, "-1.2.3.4.5");
  EXPECT_EQ(b, (std::array<char, 4>{'\xFF', 2, 3, 4}));
}

TEST(Fields, TrimText) {
  EXPECT_EQ(TrimText(" \t+7900\r\n"), "+7900");
  EXPECT_EQ(TrimText("  "), "");
  EXPECT_EQ(TrimText("a b"), "a b");
  EXPECT_EQ(TrimText("\xC0"), "\xC0") << "Cyrillic letters are not blanks";
}

TEST(Fields, PinFileFormRoundTrips) {
  for (const std::string& pin : {""s, "9072"s, "12345678901234567890"s, "\x01\xFF"s}) {
    const std::string file = PinToFile(pin);
    EXPECT_EQ(file.size(), 2 * pin.size());
    EXPECT_EQ(file.find_first_not_of("0123456789ABCDEF"), std::string::npos) << file;
    EXPECT_EQ(PinFromFile(file), pin);
  }
  EXPECT_EQ(PinToFile("9072"), HexEncode(XorScramble("9072")));
  EXPECT_THROW(PinFromFile("6D5G"), THexError);
}

TEST(Fields, Cp1251RoundTripsCyrillic) {
  const std::string utf8 = "Привет, Ёж! ё№«»€";
  const std::string cp = Utf8ToCp1251(utf8);
  EXPECT_EQ(cp, "\xCF\xF0\xE8\xE2\xE5\xF2, \xA8\xE6! \xB8\xB9\xAB\xBB\x88");
  EXPECT_EQ(Cp1251ToUtf8(cp), utf8);
  // Every byte survives the trip through UTF-8.
  std::string all;
  for (int c = 1; c < 256; ++c) all.push_back(static_cast<char>(c));
  EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(all)), all);
}

TEST(Fields, Utf8ToCp1251ReplacesWhatTheCodePageCannotHold) {
  EXPECT_EQ(Utf8ToCp1251("a\xE4\xB8\xAD"
                         "b"),
            "a?b");                                         // a CJK character
  EXPECT_EQ(Utf8ToCp1251("\xF0\x9F\x98\x80"), "?");         // outside the BMP
  EXPECT_EQ(Utf8ToCp1251("x\xC0\xAFy\xFF\xD0"), "x??y??");  // overlong, stray, cut off
  EXPECT_EQ(Utf8ToCp1251("\xED\xA0\x80"), "???");           // a surrogate
}

TEST(Fields, ApnTriple) {
  EXPECT_EQ(ApnToText({"internet", "", ""}), R"("internet","","")");
  EXPECT_EQ(ApnToText({"", "", ""}), R"("","","")");
  EXPECT_EQ(ApnFromText(R"("internet","u","p")"), (TApnTriple{"internet", "u", "p"}));
  EXPECT_EQ(ApnFromText("internet,u,p"), (TApnTriple{"internet", "u", "p"}));
  EXPECT_EQ(ApnFromText(R"("a,b","u","p")"), (TApnTriple{"a", "b", "u"}))
      << "a comma shifts the rest";
  EXPECT_EQ(ApnFromText(R"("a"b","u","p")"), (TApnTriple{"ab", "u", "p"})) << "a quote is lost";
  EXPECT_EQ(ApnFromText("internet"), (TApnTriple{"internet", "", ""}));
}

// The engine's variant column, on a toy format: a byte that only variant 2
// carries, and the same member at another offset elsewhere.
namespace {
struct TToy {
  int Level = 0;
  bool On = false;
};
using TF = TImageField<TToy>;
constexpr TF kToyFields[] = {
    TF::Flag(0, KX_REF(On)),
    TF::Count8(1, KX_REF(Level), {0, 9}).OnlyIn(VariantBit(2)),
    TF::Reserved(1, 1).OnlyIn(~VariantBit(2)),
};
constexpr TImageLayout<TToy> kToy{2, kToyFields};
static_assert(kToy.Tiles(0) && kToy.Tiles(2));
constexpr TF kGap[] = {TF::Flag(0, KX_REF(On)), TF::Flag(2, KX_REF(On))};
static_assert(!TImageLayout<TToy>{3, kGap}.Tiles(), "a gap is caught");
}  // namespace

TEST(Layout, VariantRowsApplyOnlyToTheirVariants) {
  TToy d{7, true};
  EXPECT_EQ(kToy.Write(d, 0), "\x01\x00"s);
  EXPECT_EQ(kToy.Write(d, 2), "\x01\x07"s);
  TToy r;
  kToy.Read("\x00\x05"s, r, 0);
  EXPECT_EQ(r.Level, 0);
  kToy.Read("\x00\x0C"s, r, 2);
  EXPECT_EQ(r.Level, 9) << "clamped";
}

TEST(Layout, RowOutsideTheImageIsRefused) {
  constexpr TF bad[] = {TF::Count16(1, KX_REF(Level), {0, 9})};
  const TImageLayout<TToy> layout{2, bad};
  TToy d;
  EXPECT_THROW(layout.Write(d), std::logic_error);
  EXPECT_THROW(layout.Read("\0\0\0"s, d), std::logic_error);
}
