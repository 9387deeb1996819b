// Configuration images as data: a layout is a table of field rows (offset,
// width, kind, the member it binds, the name the technician knows it by) that
// drives both reading and writing.
//
// A kind is a pair of functions over one field's bytes. The kinds every editor
// shares are the factories below; a format quirk (an inverted flag, an index
// stored with a bias, a code table) becomes another factory, here or beside
// its one editor, never a branch inside Read or Write. Rows that only some
// editor variants carry are marked with OnlyIn().
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "editors/apn.h"
#include "editors/field_helpers.h"
#include "editors/field_ref.h"
#include "editors/kx_config.h"

template <class D>
struct TImageField {
  // `field` is exactly this row's bytes of the image.
  using TReadFn = void (*)(const TImageField&, std::string_view field, D& data);
  using TWriteFn = void (*)(const TImageField&, const D& data, std::span<char> field);

  std::size_t Offset = 0;
  std::size_t Width = 0;
  TReadFn Read = nullptr;
  TWriteFn Write = nullptr;
  TBinding<D> Bind{};
  const char* Name = "";  // UTF-8, for TFieldTooLong
  std::uint32_t Variants = kAllVariants;

  constexpr TImageField OnlyIn(std::uint32_t variants) const {
    TImageField f = *this;
    f.Variants = variants;
    return f;
  }

  // Windows-1251 text and its NUL; at most Width - 1 characters.
  static constexpr TImageField Text(std::size_t offset, std::size_t width, TRef<D, std::string> ref,
                                    const char* name) {
    return {offset, width, &ReadText, &WriteText, {.Text = ref}, name};
  }
  // One byte, clamped to the range when read and when written.
  static constexpr TImageField Count8(std::size_t offset, TRef<D, int> ref, TSpinRange range) {
    return {offset, 1, &ReadCount, &WriteCount, {.Number = ref, .Range = range}};
  }
  // Two bytes, little-endian, clamped like Count8.
  static constexpr TImageField Count16(std::size_t offset, TRef<D, int> ref, TSpinRange range) {
    return {offset, 2, &ReadCount, &WriteCount, {.Number = ref, .Range = range}};
  }
  // Ticked when the byte is not 0; written as 1 or 0.
  static constexpr TImageField Flag(std::size_t offset, TRef<D, bool> ref) {
    return {offset, 1, &ReadFlag, &WriteFlag, {.Flag = ref}};
  }
  // Ignored when read, written as zeros.
  static constexpr TImageField Reserved(std::size_t offset, std::size_t width) {
    return {offset, width, &ReadNothing, &WriteZeros, {}};
  }
  // The APN triple as one text, written only while the guard flag is ticked
  // (an empty text otherwise); reading ticks the guard when the APN is not empty.
  static constexpr TImageField ApnTriple(std::size_t offset, std::size_t width,
                                         TRef<D, TApnTriple> apn, TRef<D, bool> guard,
                                         const char* name) {
    return {offset, width, &ReadApn, &WriteApn, {.Flag = guard, .Apn = apn}, name};
  }

 private:
  static void ReadText(const TImageField& f, std::string_view field, D& d) {
    f.Bind.Text.Mut(d) = BufToStr(field);
  }
  static void WriteText(const TImageField& f, const D& d, std::span<char> field) {
    StrToBuf(field, f.Bind.Text.Get(d), f.Name);
  }
  static unsigned ReadLE(std::string_view field) {
    unsigned v = 0;
    for (std::size_t i = field.size(); i-- > 0;)
      v = (v << 8) | static_cast<unsigned char>(field[i]);
    return v;
  }
  static void ReadCount(const TImageField& f, std::string_view field, D& d) {
    f.Bind.Number.Mut(d) = f.Bind.Range.Clamp(static_cast<int>(ReadLE(field)));
  }
  static void WriteCount(const TImageField& f, const D& d, std::span<char> field) {
    auto v = static_cast<unsigned>(f.Bind.Range.Clamp(f.Bind.Number.Get(d)));
    for (char& b : field) {
      b = static_cast<char>(v & 0xFF);
      v >>= 8;
    }
  }
  static void ReadFlag(const TImageField& f, std::string_view field, D& d) {
    f.Bind.Flag.Mut(d) = field[0] != 0;
  }
  static void WriteFlag(const TImageField& f, const D& d, std::span<char> field) {
    field[0] = f.Bind.Flag.Get(d) ? 1 : 0;
  }
  static void ReadNothing(const TImageField&, std::string_view, D&) {}
  static void WriteZeros(const TImageField&, const D&, std::span<char> field) {
    std::fill(field.begin(), field.end(), '\0');
  }
  static void ReadApn(const TImageField& f, std::string_view field, D& d) {
    TApnTriple& apn = f.Bind.Apn.Mut(d);
    apn = ApnFromText(BufToStr(field));
    f.Bind.Flag.Mut(d) = !apn.Apn.empty();
  }
  static void WriteApn(const TImageField& f, const D& d, std::span<char> field) {
    StrToBuf(field, f.Bind.Flag.Get(d) ? ApnToText(f.Bind.Apn.Get(d)) : std::string(), f.Name);
  }
};

template <class D>
struct TImageLayout {
  std::size_t Size = 0;
  std::span<const TImageField<D>> Fields;

  // Fills `data` from the first Size bytes of `image` (later bytes are
  // ignored). Throws TImageTooShort for a shorter image; `data` is then
  // untouched, as it is when any row fails.
  void Read(std::string_view image, D& data, int variant = 0) const {
    if (image.size() < Size) throw TImageTooShort(image.size(), Size);
    D next = data;
    for (const auto& f : Fields) {
      if (!InVariant(f.Variants, variant)) continue;
      CheckBounds(f);
      f.Read(f, image.substr(f.Offset, f.Width), next);
    }
    data = std::move(next);
  }

  // A new image of exactly Size bytes; bytes no row writes are 0. Throws
  // TFieldTooLong for a text that does not fit; no image is produced then.
  std::string Write(const D& data, int variant = 0) const {
    std::string image(Size, '\0');
    for (const auto& f : Fields) {
      if (!InVariant(f.Variants, variant)) continue;
      CheckBounds(f);
      f.Write(f, data, std::span<char>(image).subspan(f.Offset, f.Width));
    }
    return image;
  }

  // True when the variant's rows lie in offset order and cover every byte of
  // the image exactly once: a mistyped offset or width breaks it. Meant for
  // static_assert beside each table.
  constexpr bool Tiles(int variant = 0) const {
    std::size_t next = 0;
    for (const auto& f : Fields) {
      if (!InVariant(f.Variants, variant)) continue;
      if (f.Offset != next || f.Width == 0) return false;
      next += f.Width;
    }
    return next == Size;
  }

 private:
  void CheckBounds(const TImageField<D>& f) const {
    if (f.Offset > Size || f.Width > Size - f.Offset) {
      throw std::logic_error(std::string("image layout row outside the image: ") + f.Name);
    }
  }
};
