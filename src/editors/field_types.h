// Small value types shared by the configuration models.
#pragma once

#include <algorithm>
#include <string>

// Range of a spin box; values given from an image or a file are clamped to it.
struct TSpinRange {
  int Min;
  int Max;
  constexpr int Clamp(int v) const { return std::clamp(v, Min, Max); }
};

// The GPRS access point name, user and password; they travel as one text of
// quoted values separated by commas ('"apn","user","pass"').
struct TApnTriple {
  std::string Apn;
  std::string User;
  std::string Pass;
  bool operator==(const TApnTriple&) const = default;
};
