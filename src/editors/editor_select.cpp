#include "editors/editor_select.h"

#include <charconv>
#include <optional>

#include "editors/kx4x/kx41_config.h"

namespace {

bool StartsWith(const std::string& s, char c) {
  return !s.empty() && s.front() == c;
}

// The firmware text from its third character on, read as a decimal number
// ("5.25" gives 25). A two-digit major leaves ".x" there, which is no number.
std::optional<int> FirmwareMinor(const std::string& sw) {
  if (sw.size() < 3) return std::nullopt;
  const char* first = sw.data() + 2;
  const char* last = sw.data() + sw.size();
  int value = 0;
  const auto [end, ec] = std::from_chars(first, last, value);
  if (ec != std::errc{} || end != last || *first == '-') return std::nullopt;
  return value;
}

}  // namespace

TVersions VersionsFromReport(std::string_view bytes) {
  if (bytes.size() < 4) return {};
  auto n = [&](std::size_t i) { return std::to_string(static_cast<unsigned char>(bytes[i])); };
  return {n(3) + "." + n(2), n(1) + "." + n(0)};
}

std::string DeviceTitle(const std::string& hw, const std::string& sw) {
  std::string title;
  switch (hw.empty() ? '\0' : hw.front()) {
    case '9':
      title = "KX-41 v " + hw;
      break;
    case '7':
      title = "KX-81 v " + hw;
      break;
    case '6':
      title = "KX-22 v " + hw;
      break;
    case '5':
      title = "KX-21 v " + hw;
      break;
    default:
      title = "Прибор v" + hw;
      break;
  }
  if (sw != "0.0") title += "    FirmWare v " + sw;
  return title;
}

// The rules apply in order; each one that applies replaces the editor chosen
// so far and may set the variant. A rule that needs the firmware minor and
// cannot read it leaves the versions without an editor.
TEditorChoice ChooseEditor(const std::string& hw, const std::string& sw) {
  using K = TEditorKind;
  TEditorChoice c;
  const bool hw9 = StartsWith(hw, '9');
  const bool hw910 = hw == "9.10";
  const char major = sw.empty() ? '\0' : sw.front();
  const std::optional<int> minor = FirmwareMinor(sw);

  if (hw910) {  // 1
    if (!minor) return {};
    c = {K::KX44, *minor < 9 ? 2 : 3};
  }
  if (hw9 && (major == '1' || major == '2' || (major == '0' && sw != "0.0")))
    c.Kind = K::KX41;                         // 2
  if (hw9 && major == '3') c.Kind = K::KX42;  // 3
  if (hw9 && major == '4') c = {K::KX42, 1};  // 4
  if (hw9 && major == '5' && !hw910) {        // 5
    c.Kind = K::KX43;
    if (sw == "5.5") {
      c.Variant = 1;
    } else {
      if (!minor) return {};
      const int m = *minor;
      if (m >= 25)
        c.Variant = 21;
      else if (m >= 20)
        c.Variant = 20;
      else if (m >= 9)
        c.Variant = 3;
      else if (m >= 6)
        c.Variant = 2;
    }
  }
  if (StartsWith(hw, '7')) c.Kind = sw == "1.4" ? K::KX82 : K::KX81;  // 6
  if (StartsWith(hw, '6')) {                                          // 7
    c.Kind = K::KX22;
    if (sw == "2.1") c.Variant = 1;
  }
  if (StartsWith(hw, '5')) c.Kind = K::KX21;  // 8

  if (c.Kind == K::None) c.Variant = 0;
  return c;
}

const char* EditorName(TEditorKind kind) {
  switch (kind) {
    case TEditorKind::KX21:
      return "KX-21";
    case TEditorKind::KX22:
      return "KX-22";
    case TEditorKind::KX41:
      return "KX-41";
    case TEditorKind::KX42:
      return "KX-42";
    case TEditorKind::KX43:
      return "KX-43";
    case TEditorKind::KX44:
      return "KX-44";
    case TEditorKind::KX81:
      return "KX-81";
    case TEditorKind::KX82:
      return "KX-82";
    case TEditorKind::None:
      break;
  }
  return "none";
}

namespace {

struct TModelFactory {
  TEditorKind Kind;
  std::unique_ptr<IKXConfig> (*Create)();
};

template <class TModel>
std::unique_ptr<IKXConfig> Make() {
  return std::make_unique<TModel>();
}

// One row per editor that has a configuration model.
constexpr TModelFactory kModels[] = {
    {TEditorKind::KX41, &Make<TKX41Config>},
};

}  // namespace

std::unique_ptr<IKXConfig> CreateConfigModel(TEditorKind kind) {
  for (const auto& m : kModels) {
    if (m.Kind == kind) return m.Create();
  }
  return nullptr;
}
