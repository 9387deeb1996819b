// The KX-41 model: its 194-byte image, its file members and its rules.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "editors/config_file.h"
#include "editors/cp1251.h"
#include "editors/field_helpers.h"
#include "editors/kx4x/kx41_config.h"

using namespace std::string_literals;

namespace {

std::string Fixture(const std::string& name) {
  std::ifstream in(std::filesystem::path(TW_FIXTURES_DIR) / name, std::ios::binary);
  EXPECT_TRUE(in) << name;
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

unsigned Byte(const std::string& image, std::size_t offset) {
  return static_cast<unsigned char>(image.at(offset));
}

TKX41Config Loaded(const std::string& image) {
  TKX41Config c;
  c.Init(0);
  c.FromDevice(image);
  return c;
}

// A valid image with every field away from its default.
std::string FullImage() {
  return Fixture("kx41_full.bin");
}

}  // namespace

TEST(KX41, FixtureRoundTripsThroughImageAndFile) {
  const std::string image = FullImage();
  const std::string cfg = Fixture("kx41_full.cfg");
  ASSERT_EQ(image.size(), 194u);

  TKX41Config c = Loaded(image);
  EXPECT_EQ(c.ToDevice(), image);
  EXPECT_EQ(RenderConfigFile(c.ToJson(), {"9.3", "2.5"}), cfg);

  TKX41Config fromFile;
  fromFile.Init(0);
  ASSERT_TRUE(fromFile.FromJson(cfg));
  EXPECT_EQ(fromFile.ToDevice(), image);
  EXPECT_EQ(fromFile.ToJson(), c.ToJson());
}

// Each control at its own offset, checked against the documented layout
// rather than against the table that produces it.
TEST(KX41, ImageLayoutIsPinned) {
  TKX41Config c;
  c.Init(0);
  TKX41Data& d = c.Data();
  d.Pin = "12345";
  d.Phone = {"1", "22", "333", "4444"};
  d.Ip = {"5", "66", "777"};
  d.Apn = {"ap", "us", "pw"};
  d.Gprs = true;
  d.Try = 5;
  d.Period = 3;
  d.GprsPeriod = 119;
  d.GprsTry = 4;
  d.E000 = true;
  d.Power = true;
  d.Shleif1 = false;
  d.Shleif2 = true;
  d.VUser = false;
  d.Remote = true;
  const std::string image = c.ToDevice();
  ASSERT_EQ(image.size(), 194u);

  EXPECT_EQ(image.substr(0, 6), "12345\0"s);
  EXPECT_EQ(Byte(image, 6), 5u);
  EXPECT_EQ(image.substr(7, 2), "1\0"s);
  EXPECT_EQ(image.substr(23, 3), "22\0"s);
  EXPECT_EQ(image.substr(39, 4), "333\0"s);
  EXPECT_EQ(image.substr(55, 5), "4444\0"s);
  EXPECT_EQ(Byte(image, 72), 3u);
  EXPECT_EQ(Byte(image, 73), 0u);
  EXPECT_EQ(Byte(image, 74), 1u);
  EXPECT_EQ(image.substr(75, 15), "\"ap\",\"us\",\"pw\"\0"s);
  EXPECT_EQ(image.substr(125, 2), "5\0"s);
  EXPECT_EQ(image.substr(141, 3), "66\0"s);
  EXPECT_EQ(image.substr(157, 4), "777\0"s);
  EXPECT_EQ(Byte(image, 173), 4u);
  EXPECT_EQ(Byte(image, 174), 119u);
  EXPECT_EQ(Byte(image, 175), 0u);
  const unsigned flags[] = {1, 0, 1, 0, 1};  // power, loop 1, loop 2, user's number, remote
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(Byte(image, 177 + i), flags[i]) << 177 + i;
  for (std::size_t i : {71, 176}) EXPECT_EQ(Byte(image, i), 0u);
  EXPECT_EQ(image.substr(182), std::string(12, '\0'));

  d.Period = 24;
  d.GprsPeriod = 120;
  EXPECT_EQ(c.ToDevice().substr(72, 2), "\x18\x00"s);
  EXPECT_EQ(c.ToDevice().substr(174, 2), "\x78\x00"s);
}

TEST(KX41, InitRestoresCreationState) {
  TKX41Config c = Loaded(FullImage());
  c.Init(3);
  const TKX41Data def;
  const TKX41Data& d = c.Data();
  EXPECT_EQ(d.Pin, "9072");
  EXPECT_EQ(d.Phone, def.Phone);
  EXPECT_FALSE(d.Gprs);
  EXPECT_FALSE(c.GprsControlsEnabled());
  EXPECT_TRUE(d.Shleif1 && d.Shleif2 && d.VUser && d.E000);
  EXPECT_FALSE(d.Power || d.Remote);
  EXPECT_EQ(std::tie(d.Period, d.Try, d.GprsPeriod, d.GprsTry), std::make_tuple(4, 3, 2, 2));
  EXPECT_EQ(c.ToJson(), TKX41Config().ToJson());
}

// Bytes the model does not keep come back normalised: reserved bytes and what
// follows a text's NUL as 0, flags as 1, numbers clamped to their spin boxes.
TEST(KX41, ReadingNormalisesWhatTheModelDoesNotKeep) {
  std::string image = FullImage();
  image[71] = '\x55';
  image[176] = '\x66';
  image[190] = '\x77';
  image[7 + 14] = 'Z';  // after phone 1's NUL
  image[74] = '\x07';   // E000
  image[72] = 0;        // voice period 0
  image[73] = 0;
  image[174] = static_cast<char>(200);  // GPRS period 200
  image[175] = 0;
  image[173] = 9;  // GPRS attempts 9
  image[6] = 0;    // voice attempts 0

  TKX41Config c = Loaded(image);
  EXPECT_EQ(c.Data().Period, 1);
  EXPECT_EQ(c.Data().GprsPeriod, 120);
  EXPECT_EQ(c.Data().GprsTry, 5);
  EXPECT_EQ(c.Data().Try, 2);
  EXPECT_TRUE(c.Data().E000);

  std::string want = FullImage();
  want[74] = 1;
  want[72] = 1;
  want[174] = 120;
  want[173] = 5;
  want[6] = 2;
  EXPECT_EQ(c.ToDevice(), want);

  // A 16-bit count above 255 is read whole before clamping.
  image[72] = 0x01;
  image[73] = 0x01;  // 257 hours
  EXPECT_EQ(Loaded(image).Data().Period, 24);
}

TEST(KX41, ImageLengthAndExtraBytes) {
  const std::string image = FullImage();
  TKX41Config c = Loaded(image);
  const std::string before = c.ToJson();

  for (std::size_t len : {0, 1, 100, 193}) {
    EXPECT_THROW(c.FromDevice(image.substr(0, len)), TImageTooShort) << len;
    EXPECT_EQ(c.ToJson(), before) << "nothing changed after a " << len << "-byte image";
  }
  TKX41Config fresh;
  fresh.Init(0);
  EXPECT_THROW(fresh.FromDevice(image.substr(0, 193)), TImageTooShort);
  EXPECT_EQ(fresh.Data().Pin, "9072");

  c.Init(0);
  c.FromDevice(image + "\xFF\xFF trailing bytes");
  EXPECT_EQ(c.ToDevice(), image);
}

TEST(KX41, TextFieldWithoutNulStopsAtItsEnd) {
  std::string image = FullImage();
  image.replace(7, 16, std::string(16, '7'));  // phone 1 fills its field; phone 2 follows
  TKX41Config c = Loaded(image);
  EXPECT_EQ(c.Data().Phone[0], std::string(16, '7'));
  EXPECT_EQ(c.Data().Phone[1], "9161234567");
  // Such a text cannot go back unchanged: the technician is told the limit.
  EXPECT_THROW(c.ToDevice(), TFieldTooLong);

  image.replace(182, 12, std::string(12, 'R'));
  image.replace(157, 16, std::string(16, '3'));  // address 3 runs into GPRS attempts
  EXPECT_EQ(Loaded(image).Data().Ip[2], std::string(16, '3'));
}

TEST(KX41, OverlongTextsAreRefusedWithFieldAndLimit) {
  struct TCase {
    void (*set)(TKX41Data&);
    std::string field;
    std::size_t limit;
  };
  const TCase cases[] = {
      {[](TKX41Data& d) { d.Pin = "123456"; }, "PIN", 5},
      {[](TKX41Data& d) { d.Phone[1] = std::string(16, '1'); }, "Телефон ПЦН 2", 15},
      {[](TKX41Data& d) { d.Ip[2] = "192.168.100.1001"; }, "IP 3", 15},
      {[](TKX41Data& d) {
         d.Gprs = true;
         d.Apn = {std::string(41, 'a'), "", ""};  // 41 + 8 = 49 fits
         d.Apn.Apn += "b";
       },
       "APN, пользователь и пароль", 49},
  };
  for (const auto& c : cases) {
    TKX41Config m;
    m.Init(0);
    c.set(m.Data());
    try {
      m.ToDevice();
      ADD_FAILURE() << c.field << ": no TFieldTooLong";
    } catch (const TFieldTooLong& e) {
      EXPECT_EQ(e.Field(), c.field);
      EXPECT_EQ(e.Limit(), c.limit);
    }
  }
  TKX41Config m;
  m.Init(0);
  m.Data().Gprs = true;
  m.Data().Apn = {std::string(41, 'a'), "", ""};
  EXPECT_EQ(BufToStr(m.ToDevice().substr(75, 50)).size(), 49u);
  m.Data().Phone[0] = std::string(15, '1');
  EXPECT_NO_THROW(m.ToDevice());
}

TEST(KX41, GprsTickedWithEmptyApnReadsBackClear) {
  TKX41Config c;
  c.Init(0);
  c.Data().Gprs = true;
  const std::string image = c.ToDevice();
  EXPECT_EQ(image.substr(75, 9), "\"\",\"\",\"\"\0"s);
  EXPECT_NE(c.ToJson().find(R"("apn": "\"\",\"\",\"\"")"), std::string::npos) << c.ToJson();

  TKX41Config fromImage = Loaded(image);
  EXPECT_FALSE(fromImage.Data().Gprs);
  EXPECT_FALSE(fromImage.GprsControlsEnabled());

  TKX41Config fromFile;
  fromFile.Init(0);
  ASSERT_TRUE(fromFile.FromJson(c.ToJson()));
  EXPECT_FALSE(fromFile.Data().Gprs);
}

TEST(KX41, GprsClearWritesEmptyApn) {
  TKX41Config c;
  c.Init(0);
  c.Data().Apn = {"internet", "user", "pass"};
  c.Data().Gprs = false;
  EXPECT_EQ(c.ToDevice().substr(75, 50), std::string(50, '\0'));
  EXPECT_NE(c.ToJson().find(R"("apn": "",)"), std::string::npos);
}

TEST(KX41, ApnFieldForms) {
  struct TCase {
    std::string stored;
    TApnTriple read;
    std::string written;
  };
  const TCase cases[] = {
      {"internet,user,pass", {"internet", "user", "pass"}, R"("internet","user","pass")"},
      {R"("internet","","")", {"internet", "", ""}, R"("internet","","")"},
      {"internet", {"internet", "", ""}, R"("internet","","")"},
      {R"("a,b","u","p")", {"a", "b", "u"}, R"("a","b","u")"},    // a comma shifts the rest
      {R"("a"b","u","p")", {"ab", "u", "p"}, R"("ab","u","p")"},  // a quote is lost
  };
  for (const auto& c : cases) {
    std::string image = FullImage();
    image.replace(75, 50, std::string(50, '\0'));
    image.replace(75, c.stored.size(), c.stored);
    TKX41Config m = Loaded(image);
    EXPECT_EQ(m.Data().Apn, c.read) << c.stored;
    EXPECT_TRUE(m.Data().Gprs);
    EXPECT_EQ(m.ToDevice().substr(75, c.written.size() + 1), c.written + '\0') << c.stored;
  }
}

TEST(KX41, ToJsonIsStableAndReadsBack) {
  TKX41Config c = Loaded(FullImage());
  const std::string once = c.ToJson();
  EXPECT_EQ(c.ToJson(), once);
  EXPECT_EQ(c.ToDevice(), FullImage()) << "ToJson changed nothing";

  TKX41Config back;
  back.Init(0);
  ASSERT_TRUE(back.FromJson(once));
  EXPECT_EQ(back.ToJson(), once);

  const auto j = nlohmann::ordered_json::parse(once);
  std::string keys;
  for (const auto& [key, value] : j.items()) keys += key + " ";
  EXPECT_EQ(keys, "pin apn phone ip period gperiod gtry try e000 power shleif vuser remote ");
  EXPECT_EQ(j["pin"], "655F0466");
}

TEST(KX41, TextsTravelAsUnicodeEscapesAndAreTrimmed) {
  TKX41Config c;
  c.Init(0);
  c.Data().Phone[0] = Utf8ToCp1251("Тест");
  c.Data().Phone[1] = " \t+79001234567 ";
  c.Data().Ip[0] = " 10.0.0.1";
  c.Data().Pin = " 123 ";
  const std::string json = c.ToJson();
  EXPECT_NE(json.find(R"("\u0422\u0435\u0441\u0442")"), std::string::npos) << json;
  for (const char ch : json)
    EXPECT_TRUE(ch == '\n' || (ch >= ' ' && ch <= '~')) << "plain ASCII: " << int(ch);
  // The image keeps texts as typed; the file keeps them trimmed.
  EXPECT_EQ(c.ToDevice().substr(0, 6), " 123 \0"s);
  EXPECT_EQ(c.ToDevice().substr(23, 16), " \t+79001234567 \0"s);

  TKX41Config back;
  back.Init(0);
  ASSERT_TRUE(back.FromJson(json));
  EXPECT_EQ(back.Data().Phone[0], "\xD2\xE5\xF1\xF2");
  EXPECT_EQ(back.Data().Phone[1], "+79001234567");
  EXPECT_EQ(back.Data().Ip[0], "10.0.0.1");
  EXPECT_EQ(back.Data().Pin, "123");
}

TEST(KX41, FromJsonOfThreeEmptyArrays) {
  TKX41Config c = Loaded(FullImage());
  ASSERT_TRUE(c.FromJson(R"({"phone": [], "ip": [], "shleif": []})"));
  const TKX41Data& d = c.Data();
  EXPECT_EQ(d.Pin, "");
  for (const auto& p : d.Phone) EXPECT_EQ(p, "");
  for (const auto& a : d.Ip) EXPECT_EQ(a, "");
  EXPECT_EQ(d.Apn, TApnTriple{});
  EXPECT_FALSE(d.Gprs);
  EXPECT_EQ(std::tie(d.Period, d.Try, d.GprsPeriod, d.GprsTry), std::make_tuple(1, 2, 0, 1));
  EXPECT_FALSE(d.E000 || d.Power || d.Shleif1 || d.Shleif2 || d.VUser || d.Remote);
}

TEST(KX41, FromJsonReadsPartsAndClamps) {
  TKX41Config c;
  c.Init(0);
  ASSERT_TRUE(c.FromJson(R"({"phone": ["1", "2"], "ip": ["9.9.9.9"], "shleif": [true],
                             "period": 100, "gperiod": -5, "gtry": 18446744073709551615,
                             "try": 4, "apn": "internet,u", "extra": {"ignored": 1},
                             "versionsw": "2.5", "versionhw": "9.3"})"));
  const TKX41Data& d = c.Data();
  EXPECT_EQ(d.Phone, (std::array<std::string, 4>{"1", "2", "", ""}));
  EXPECT_EQ(d.Ip, (std::array<std::string, 3>{"9.9.9.9", "", ""}));
  EXPECT_TRUE(d.Shleif1);
  EXPECT_FALSE(d.Shleif2);
  EXPECT_EQ(std::tie(d.Period, d.GprsPeriod, d.GprsTry, d.Try), std::make_tuple(24, 0, 5, 4));
  EXPECT_EQ(d.Apn, (TApnTriple{"internet", "u", ""}));
  EXPECT_TRUE(d.Gprs);
}

// Every failure returns false and leaves the configuration as it was.
TEST(KX41, FromJsonFailuresChangeNothing) {
  const std::string arrays = R"("phone": ["5"], "ip": [], "shleif": [])";
  const std::string cases[] = {
      "",
      "not json",
      "[]",
      "42",
      R"({"ip": [], "shleif": []})",
      R"({"phone": [], "shleif": []})",
      R"({"phone": [], "ip": []})",
      R"({"phone": "123", "ip": [], "shleif": []})",
      R"({"phone": [], "ip": {}, "shleif": []})",
      R"({"phone": [], "ip": [], "shleif": true})",
      "{" + arrays + R"(, "pin": "XYZ1"})",
      "{" + arrays + R"(, "pin": 1234})",
      "{" + arrays + R"(, "period": "4"})",
      "{" + arrays + R"(, "period": 4.5})",
      "{" + arrays + R"(, "e000": 1})",
      "{" + arrays + R"(, "remote": null})",
      "{" + arrays + R"(, "apn": ["internet"]})",
      R"({"phone": [5], "ip": [], "shleif": []})",
      R"({"phone": [], "ip": [], "shleif": [1]})",
      "{" + arrays + ", \"vuser\": true",                     // cut off
      "{\"phone\": [\"\xFF\"], \"ip\": [], \"shleif\": []}",  // not UTF-8
  };
  TKX41Config c = Loaded(FullImage());
  const std::string before = c.ToJson();
  for (const auto& text : cases) {
    EXPECT_FALSE(c.FromJson(text)) << text;
    EXPECT_EQ(c.ToJson(), before) << text;
  }
  EXPECT_TRUE(c.FromJson("{" + arrays + "}")) << "the base of the cases is itself valid";
}
