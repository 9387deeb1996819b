// How a layout table row names the member of a model's data it binds.
#pragma once

#include <concepts>
#include <cstdint>
#include <span>
#include <string>

#include "editors/field_types.h"

// A handle on one member of the data `D`: `Get` for rendering (images, files),
// `Mut` for filling. Made from a captureless generic lambda, so one expression
// serves both, and any member path works (`Phone[2]`, `Zones[1].Type`).
template <class D, class T>
struct TRef {
  T& (*Mut)(D&) = nullptr;
  const T& (*Get)(const D&) = nullptr;

  constexpr TRef() = default;
  template <class F>
  requires std::convertible_to<F, T& (*)(D&)> && std::convertible_to<F, const T& (*)(const D&)>
  constexpr TRef(F f) : Mut(f), Get(f) {}
};

// KX_REF(Phone[0]) is the handle on `data.Phone[0]`.
#define KX_REF(member)   \
  [](auto& d) -> auto& { \
    return d.member;     \
  }

// What a row binds: the slot its kind uses (a text kind uses Text, a count
// kind Number and Range, the APN kind Apn with Flag as its guard, the array
// kinds Texts or Flags).
template <class D>
struct TBinding {
  TRef<D, std::string> Text{};
  TRef<D, int> Number{};
  TRef<D, bool> Flag{};
  TRef<D, TApnTriple> Apn{};
  std::span<const TRef<D, std::string>> Texts{};
  std::span<const TRef<D, bool>> Flags{};
  TSpinRange Range{0, 0};
};

// Rows that only some editor variants carry name them in a mask (variants are
// 0 to 31); the rest apply to every variant.
inline constexpr std::uint32_t kAllVariants = 0xFFFFFFFFu;
constexpr std::uint32_t VariantBit(int variant) {
  return std::uint32_t{1} << variant;
}
constexpr bool InVariant(std::uint32_t mask, int variant) {
  return variant >= 0 && variant < 32 && (mask & VariantBit(variant)) != 0;
}
