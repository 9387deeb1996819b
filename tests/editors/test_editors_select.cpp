// Naming a device and choosing its editor from its version report.
#include <gtest/gtest.h>

#include <string>

#include "editors/editor_select.h"

using namespace std::string_literals;
using K = TEditorKind;

TEST(Select, VersionsFromReport) {
  const TVersions v = VersionsFromReport("\x05\x02\x0A\x09"s);
  EXPECT_EQ(v.Hw, "9.10");
  EXPECT_EQ(v.Sw, "2.5");
  const TVersions big = VersionsFromReport("\xFF\x00\x00\xC8"s);
  EXPECT_EQ(big.Hw, "200.0");
  EXPECT_EQ(big.Sw, "0.255");
  const TVersions cut = VersionsFromReport("\x05\x02"s);
  EXPECT_TRUE(cut.Hw.empty() && cut.Sw.empty());
}

// One row per report: the title, the editor and its variant.
TEST(Select, ReportsGiveTitleEditorAndVariant) {
  struct TCase {
    std::string report;  // b0 fw minor, b1 fw major, b2 hw minor, b3 hw major
    std::string title;
    K kind;
    int variant;
  };
  const TCase cases[] = {
      {"\x05\x02\x0A\x09"s, "KX-41 v 9.10    FirmWare v 2.5", K::KX41, 2},
      {"\x00\x00\x0A\x09"s, "KX-41 v 9.10", K::KX44, 2},
      {"\x05\x05\x03\x09"s, "KX-41 v 9.3    FirmWare v 5.5", K::KX43, 1},
      {"\x0C\x05\x03\x09"s, "KX-41 v 9.3    FirmWare v 5.12", K::KX43, 3},
      {"\x03\x05\x03\x09"s, "KX-41 v 9.3    FirmWare v 5.3", K::KX43, 0},
      {"\x04\x01\x05\x07"s, "KX-81 v 7.5    FirmWare v 1.4", K::KX82, 0},
      {"\x04\x02\x05\x07"s, "KX-81 v 7.5    FirmWare v 2.4", K::KX81, 0},
      {"\x01\x02\x00\x03"s, "Прибор v3.0    FirmWare v 2.1", K::None, 0},
      {"\x01\x02\x01\x06"s, "KX-22 v 6.1    FirmWare v 2.1", K::KX22, 1},
      {"\x02\x02\x01\x06"s, "KX-22 v 6.1    FirmWare v 2.2", K::KX22, 0},
      {"\x03\x01\x02\x05"s, "KX-21 v 5.2    FirmWare v 1.3", K::KX21, 0},
      {"\x00\x00\x02\x05"s, "KX-21 v 5.2", K::KX21, 0},
  };
  for (const auto& c : cases) {
    const TVersions v = VersionsFromReport(c.report);
    EXPECT_EQ(DeviceTitle(v.Hw, v.Sw), c.title);
    EXPECT_EQ(ChooseEditor(v.Hw, v.Sw), (TEditorChoice{c.kind, c.variant})) << c.title;
  }
}

// Hardware 9.x: the outcome for every firmware family, on 9.3 and on 9.10.
TEST(Select, Hardware9Outcomes) {
  struct TCase {
    std::string sw;
    TEditorChoice other;  // hardware 9.3
    TEditorChoice h910;   // hardware 9.10
  };
  const TCase cases[] = {
      {"0.0", {K::None, 0}, {K::KX44, 2}},   {"0.3", {K::KX41, 0}, {K::KX41, 2}},
      {"1.8", {K::KX41, 0}, {K::KX41, 2}},   {"2.9", {K::KX41, 0}, {K::KX41, 3}},
      {"2.15", {K::KX41, 0}, {K::KX41, 3}},  {"3.2", {K::KX42, 0}, {K::KX42, 2}},
      {"3.9", {K::KX42, 0}, {K::KX42, 3}},   {"4.0", {K::KX42, 1}, {K::KX42, 1}},
      {"4.12", {K::KX42, 1}, {K::KX42, 1}},  {"5.5", {K::KX43, 1}, {K::KX44, 2}},
      {"5.0", {K::KX43, 0}, {K::KX44, 2}},   {"5.6", {K::KX43, 2}, {K::KX44, 2}},
      {"5.8", {K::KX43, 2}, {K::KX44, 2}},   {"5.9", {K::KX43, 3}, {K::KX44, 3}},
      {"5.19", {K::KX43, 3}, {K::KX44, 3}},  {"5.20", {K::KX43, 20}, {K::KX44, 3}},
      {"5.24", {K::KX43, 20}, {K::KX44, 3}}, {"5.25", {K::KX43, 21}, {K::KX44, 3}},
      {"6.1", {K::None, 0}, {K::KX44, 2}},   {"9.10", {K::None, 0}, {K::KX44, 3}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ChooseEditor("9.3", c.sw), c.other) << "9.3 / " << c.sw;
    EXPECT_EQ(ChooseEditor("9.10", c.sw), c.h910) << "9.10 / " << c.sw;
  }
}

// A firmware minor that cannot be read where a rule needs it leaves no editor;
// where no rule needs it, it does not matter.
TEST(Select, UnreadableFirmwareMinor) {
  struct TCase {
    std::string hw, sw;
    TEditorChoice want;
  };
  const TCase cases[] = {
      {"9.10", "10.2", {K::None, 0}},  // rule 1 needs ".2"
      {"9.3", "51.2", {K::None, 0}},   // rule 5 needs ".2"
      {"9.3", "5.x", {K::None, 0}},   {"9.3", "5.", {K::None, 0}},   {"9.3", "5.-3", {K::None, 0}},
      {"9.10", "", {K::None, 0}},     {"9.3", "12.1", {K::KX41, 0}},  // rule 2 needs no minor
      {"7.5", "14.1", {K::KX81, 0}},  {"9.3", "", {K::None, 0}},     {"", "", {K::None, 0}},
  };
  for (const auto& c : cases) EXPECT_EQ(ChooseEditor(c.hw, c.sw), c.want) << c.hw << " / " << c.sw;
}

TEST(Select, TitlesWithoutKnownHardware) {
  EXPECT_EQ(DeviceTitle("", "0.0"), "Прибор v");
  EXPECT_EQ(DeviceTitle("12.1", "1.0"), "Прибор v12.1    FirmWare v 1.0");
}

TEST(Select, EditorNamesAndModels) {
  const std::pair<K, std::string> names[] = {
      {K::None, "none"},  {K::KX21, "KX-21"}, {K::KX22, "KX-22"},
      {K::KX41, "KX-41"}, {K::KX42, "KX-42"}, {K::KX43, "KX-43"},
      {K::KX44, "KX-44"}, {K::KX81, "KX-81"}, {K::KX82, "KX-82"},
  };
  for (const auto& [kind, name] : names) EXPECT_EQ(EditorName(kind), name);

  auto model = CreateConfigModel(K::KX41);
  ASSERT_NE(model, nullptr);
  model->Init(2);
  EXPECT_EQ(model->ToDevice().size(), 194u);
  EXPECT_EQ(CreateConfigModel(K::None), nullptr);
}
