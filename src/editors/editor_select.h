// Naming a device and choosing its editor from the hardware and firmware
// versions. Shared by the window and the command line.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "editors/kx_config.h"

enum class TEditorKind { None, KX21, KX22, KX41, KX42, KX43, KX44, KX81, KX82 };

struct TEditorChoice {
  TEditorKind Kind = TEditorKind::None;
  int Variant = 0;
  bool operator==(const TEditorChoice&) const = default;
};

struct TVersions {
  std::string Hw;  // "9.10"
  std::string Sw;  // "2.5"
};

// From the four bytes of a version report: b0 firmware minor, b1 firmware
// major, b2 hardware minor, b3 hardware major. `bytes` must hold at least 4.
TVersions VersionsFromReport(std::string_view bytes);

// "KX-41 v 9.10    FirmWare v 2.5" and the like, as the title strip shows it.
std::string DeviceTitle(const std::string& hw, const std::string& sw);

// The editor and variant for the versions. Versions that match no editor, or a
// firmware whose minor number a rule needs but cannot be read, give None.
TEditorChoice ChooseEditor(const std::string& hw, const std::string& sw);

// "KX-41" ... "KX-82", "none".
const char* EditorName(TEditorKind kind);

// A new configuration model of that kind, not yet initialised; nullptr for
// None and for kinds that have no model yet. Call Init(variant) on it.
std::unique_ptr<IKXConfig> CreateConfigModel(TEditorKind kind);
