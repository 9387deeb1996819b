// Configuration file members as data: a layout is a table of rows (key, kind,
// the members it binds) that drives both reading and writing the editor's
// JSON object. Kinds and variant marks work as in image_layout.h.
//
// Texts in the data are Windows-1251; in the file they are UTF-8 strings, and
// the rendered text escapes every non-ASCII character, so files are plain ASCII.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <utility>

#include "editors/apn.h"
#include "editors/cp1251.h"
#include "editors/field_helpers.h"
#include "editors/field_ref.h"

// A member a file cannot be read with (wrong JSON type, a required array
// missing). Caught by TJsonLayout::Read, which then reports failure.
class TJsonShapeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

template <class D>
struct TJsonField {
  using TJson = nlohmann::ordered_json;
  // `value` is nullptr when the object has no such member.
  using TReadFn = void (*)(const TJsonField&, const TJson* value, D& data);
  using TWriteFn = TJson (*)(const TJsonField&, const D& data);

  const char* Key = "";
  TReadFn Read = nullptr;
  TWriteFn Write = nullptr;
  TBinding<D> Bind{};
  std::uint32_t Variants = kAllVariants;

  constexpr TJsonField OnlyIn(std::uint32_t variants) const {
    TJsonField f = *this;
    f.Variants = variants;
    return f;
  }

  // A string, trimmed when written; missing reads as empty.
  static constexpr TJsonField String(const char* key, TRef<D, std::string> ref) {
    return {key, &ReadString, &WriteString, {.Text = ref}};
  }
  // An integer, clamped to the range when read; missing reads as 0, clamped.
  static constexpr TJsonField Int(const char* key, TRef<D, int> ref, TSpinRange range) {
    return {key, &ReadInt, &WriteInt, {.Number = ref, .Range = range}};
  }
  // A boolean; missing reads as false.
  static constexpr TJsonField Bool(const char* key, TRef<D, bool> ref) {
    return {key, &ReadBool, &WriteBool, {.Flag = ref}};
  }
  // An array of strings, one per ref, trimmed when written. The array itself
  // is required; a missing element reads as empty.
  static constexpr TJsonField StringArray(const char* key,
                                          std::span<const TRef<D, std::string>> refs) {
    return {key, &ReadStrings, &WriteStrings, {.Texts = refs}};
  }
  // An array of booleans, one per ref. Required; a missing element reads as false.
  static constexpr TJsonField BoolArray(const char* key, std::span<const TRef<D, bool>> refs) {
    return {key, &ReadBools, &WriteBools, {.Flags = refs}};
  }
  // The SIM PIN, scrambled and hexadecimal (PinToFile); missing reads as empty,
  // text that is not hexadecimal fails the file.
  static constexpr TJsonField Pin(const char* key, TRef<D, std::string> ref) {
    return {key, &ReadPin, &WritePin, {.Text = ref}};
  }
  // The APN triple as one string, "" while the guard is clear; reading ticks
  // the guard when the APN is not empty. Missing reads as empty, guard clear.
  static constexpr TJsonField Apn(const char* key, TRef<D, TApnTriple> apn, TRef<D, bool> guard) {
    return {key, &ReadApn, &WriteApn, {.Flag = guard, .Apn = apn}};
  }

 private:
  [[noreturn]] static void Fail(const TJsonField& f, const char* what) {
    throw TJsonShapeError(std::string("\"") + f.Key + "\": " + what);
  }
  static std::string Text(const TJsonField& f, const TJson* v) {
    if (v == nullptr) return {};
    if (!v->is_string()) Fail(f, "not a string");
    return Utf8ToCp1251(v->template get_ref<const std::string&>());
  }
  static bool Boolean(const TJsonField& f, const TJson* v) {
    if (v == nullptr) return false;
    if (!v->is_boolean()) Fail(f, "not a boolean");
    return v->template get<bool>();
  }
  static const TJson& Array(const TJsonField& f, const TJson* v) {
    if (v == nullptr) Fail(f, "missing");
    if (!v->is_array()) Fail(f, "not an array");
    return *v;
  }
  static const TJson* Element(const TJson& array, std::size_t i) {
    return i < array.size() ? &array[i] : nullptr;
  }

  static void ReadString(const TJsonField& f, const TJson* v, D& d) {
    f.Bind.Text.Mut(d) = Text(f, v);
  }
  static TJson WriteString(const TJsonField& f, const D& d) {
    return Cp1251ToUtf8(TrimText(f.Bind.Text.Get(d)));
  }
  static void ReadInt(const TJsonField& f, const TJson* v, D& d) {
    long long n = 0;
    if (v != nullptr) {
      if (v->is_number_unsigned()) {
        n = static_cast<long long>(std::min<std::uint64_t>(v->template get<std::uint64_t>(),
                                                           std::numeric_limits<int>::max()));
      } else if (v->is_number_integer()) {
        n = v->template get<std::int64_t>();
      } else {
        Fail(f, "not an integer");
      }
    }
    const auto r = f.Bind.Range;
    f.Bind.Number.Mut(d) = static_cast<int>(std::clamp<long long>(n, r.Min, r.Max));
  }
  static TJson WriteInt(const TJsonField& f, const D& d) { return f.Bind.Number.Get(d); }
  static void ReadBool(const TJsonField& f, const TJson* v, D& d) {
    f.Bind.Flag.Mut(d) = Boolean(f, v);
  }
  static TJson WriteBool(const TJsonField& f, const D& d) { return f.Bind.Flag.Get(d); }
  static void ReadStrings(const TJsonField& f, const TJson* v, D& d) {
    const TJson& a = Array(f, v);
    for (std::size_t i = 0; i < f.Bind.Texts.size(); ++i)
      f.Bind.Texts[i].Mut(d) = Text(f, Element(a, i));
  }
  static TJson WriteStrings(const TJsonField& f, const D& d) {
    TJson a = TJson::array();
    for (const auto& ref : f.Bind.Texts) a.push_back(Cp1251ToUtf8(TrimText(ref.Get(d))));
    return a;
  }
  static void ReadBools(const TJsonField& f, const TJson* v, D& d) {
    const TJson& a = Array(f, v);
    for (std::size_t i = 0; i < f.Bind.Flags.size(); ++i)
      f.Bind.Flags[i].Mut(d) = Boolean(f, Element(a, i));
  }
  static TJson WriteBools(const TJsonField& f, const D& d) {
    TJson a = TJson::array();
    for (const auto& ref : f.Bind.Flags) a.push_back(ref.Get(d));
    return a;
  }
  static void ReadPin(const TJsonField& f, const TJson* v, D& d) {
    if (v != nullptr && !v->is_string()) Fail(f, "not a string");
    f.Bind.Text.Mut(d) =
        v == nullptr ? std::string() : PinFromFile(v->template get_ref<const std::string&>());
  }
  static TJson WritePin(const TJsonField& f, const D& d) {
    return PinToFile(TrimText(f.Bind.Text.Get(d)));
  }
  static void ReadApn(const TJsonField& f, const TJson* v, D& d) {
    TApnTriple& apn = f.Bind.Apn.Mut(d);
    apn = ApnFromText(Text(f, v));
    f.Bind.Flag.Mut(d) = !apn.Apn.empty();
  }
  static TJson WriteApn(const TJsonField& f, const D& d) {
    return f.Bind.Flag.Get(d) ? Cp1251ToUtf8(ApnToText(f.Bind.Apn.Get(d))) : std::string();
  }
};

template <class D>
struct TJsonLayout {
  using TJson = nlohmann::ordered_json;
  std::span<const TJsonField<D>> Fields;

  // Fills `data` from a file's JSON text. False, with `data` untouched, when
  // the text is not a JSON object or any row cannot be read. Never throws.
  bool Read(const std::string& text, D& data, int variant = 0) const noexcept {
    try {
      const TJson j = TJson::parse(text);
      if (!j.is_object()) return false;
      D next = data;
      for (const auto& f : Fields) {
        if (!InVariant(f.Variants, variant)) continue;
        const auto it = j.find(f.Key);
        f.Read(f, it == j.end() ? nullptr : &*it, next);
      }
      data = std::move(next);
      return true;
    } catch (...) {
      return false;
    }
  }

  // The object with one member per row, in table order.
  TJson Object(const D& data, int variant = 0) const {
    TJson j = TJson::object();
    for (const auto& f : Fields) {
      if (InVariant(f.Variants, variant)) j[f.Key] = f.Write(f, data);
    }
    return j;
  }

  // Indented, every non-ASCII character as a \u escape.
  std::string Write(const D& data, int variant = 0) const {
    return Object(data, variant).dump(2, ' ', true);
  }
};
