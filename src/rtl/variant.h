// An owning OLE-compatible variant. Strings inside it are OLE strings from the system allocator,
// so that a host frees them with VariantClear; the host runtime's 8-bit string (type 0x100) holds
// a reference on a counted string block and is released by this class itself.
#pragma once

#include "platform/ole_variant.h"
#include "rtl/ansi_string.h"
#include "rtl/variant_types.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace rtl {

using platform::VariantRec;

/// True when the value's type code is 0 (Empty) or 1 (Null).
inline bool IsEmptyValue(const VariantRec& v) noexcept {
  return v.vt == platform::vtEmpty || v.vt == platform::vtNull;
}

/// True for the types held by value in the record itself: copying one is copying the record, and
/// clearing one frees nothing, so neither needs the OLE functions.
constexpr bool IsPlainScalar(uint16_t vt) noexcept {
  using namespace platform;
  constexpr uint32_t kPlain = 1u << vtEmpty | 1u << vtNull | 1u << vtI2 | 1u << vtI4 | 1u << vtR4 |
                              1u << vtR8 | 1u << vtCurrency | 1u << vtDate | 1u << vtError |
                              1u << vtBool | 1u << vtI1 | 1u << vtUI1 | 1u << vtUI2 | 1u << vtUI4 |
                              1u << vtI8 | 1u << vtUI8 | 1u << vtInt | 1u << vtUInt;
  return vt < 32 && ((kPlain >> vt) & 1u) != 0;
}

/// A plain scalar that is already what an OLE host reads: its OLE-compatible copy is the record
/// itself (the types Variant::OleCompatible converts are left out).
constexpr bool IsPlainOleScalar(uint16_t vt) noexcept {
  using namespace platform;
  constexpr uint32_t kPlainOle = 1u << vtEmpty | 1u << vtNull | 1u << vtI2 | 1u << vtI4 |
                                 1u << vtR4 | 1u << vtR8 | 1u << vtCurrency | 1u << vtDate |
                                 1u << vtError | 1u << vtBool | 1u << vtUI8 | 1u << vtInt |
                                 1u << vtUInt;
  return vt < 32 && ((kPlainOle >> vt) & 1u) != 0;
}

// OleCompatibleCopy passes a plain OLE scalar on as it stands: they are exactly the plain scalars
// that OleCompatible does not convert.
static_assert([] {
  for (uint16_t vt = 0; vt < 0x200; ++vt)
    if (IsPlainOleScalar(vt) != (IsPlainScalar(vt) && !IsOleConverted(vt)))
      return false;
  return true;
}());

/// Makes a variant field Empty with every byte zero, as a freshly initialised variant is.
inline void InitVariant(VariantRec& v) noexcept {
  v = VariantRec{};
}

/// Frees what a variant field owns that is not held in the record itself (OLE strings, arrays,
/// interfaces, the 8-bit string payload) and makes it Empty.
void ClearOwnedVariant(VariantRec& v) noexcept;

/// Frees what a variant field owns, including the 8-bit string payload, and makes it Empty.
inline void ClearVariant(VariantRec& v) noexcept {
  if (IsPlainScalar(v.vt))
    InitVariant(v);
  else
    ClearOwnedVariant(v);
}
/// Dest := a copy of Source (8-bit string payloads share their block).
void CopyVariant(VariantRec& dest, const VariantRec& source);

class Variant {
public:
  Variant() noexcept { InitVariant(rec_); }
  Variant(const VariantRec& rec) : Variant() { CopyVariant(rec_, rec); }
  Variant(const Variant& other) : Variant() { CopyVariant(rec_, other.rec_); }
  Variant(Variant&& other) noexcept : rec_(other.rec_) { InitVariant(other.rec_); }
  Variant& operator=(const Variant& other);
  Variant& operator=(Variant&& other) noexcept;
  ~Variant() { ClearVariant(rec_); }

  static Variant Null();
  static Variant Int16(int16_t v);
  static Variant Int32(int32_t v);
  static Variant UInt32(uint32_t v);
  static Variant Int64(int64_t v);
  static Variant UInt64(uint64_t v);
  static Variant Byte(uint8_t v);
  static Variant Word(uint16_t v);
  static Variant Single(float v);
  static Variant Double(double v);
  static Variant Bool(bool v);
  static Variant Wide(std::u16string_view text);
  /// A wide string converted from ANSI text.
  static Variant FromAnsiText(std::string_view text);
  /// The host runtime's 8-bit string (type 0x100).
  static Variant Ansi(const AnsiString& text);

  uint16_t Type() const noexcept { return rec_.vt; }
  bool IsEmptyValue() const noexcept { return rtl::IsEmptyValue(rec_); }
  const VariantRec& Rec() const noexcept { return rec_; }
  VariantRec& Rec() noexcept { return rec_; }
  /// Gives the record to the caller, who now owns what it holds.
  VariantRec Detach() noexcept {
    const VariantRec r = rec_;
    InitVariant(rec_);
    return r;
  }

  /// The value as the host's OLE side sees it: an 8-bit string becomes a wide string (ANSI code
  /// page), 8- and 16-bit unsigned and signed 8-bit integers become 32-bit integers, a 32-bit or
  /// 64-bit integer that does not fit 32 signed bits becomes a double.
  Variant OleCompatible() const;
  /// The OLE-compatible copy of a stored value. Only the types that the conversion changes go
  /// through OleCompatible, so that a wide string is copied once, not twice.
  static Variant OleCompatibleCopy(const VariantRec& rec) {
    // Most values of a data stream are numbers that are already what an OLE host reads.
    if (IsPlainOleScalar(rec.vt)) {
      Variant v;
      v.rec_ = rec;
      return v;
    }
    return ConvertedOleCompatibleCopy(rec);
  }

  /// Text form: Empty and Null give "", strings their text, booleans "True"/"False",
  /// numbers the system's string conversion.
  std::string ToText() const;
  std::u16string ToWide() const;
  /// Converts to a 32-bit integer with the system's rules; throws EVariantError when impossible.
  int32_t ToInt32() const;
  int64_t ToInt64() const;
  double ToDouble() const;
  /// Booleans, numbers (non-zero) and the texts "True"/"False"; throws EVariantError otherwise.
  bool ToBool() const;

  /// Converts in place to type Vt with the system's VariantChangeType; answers its result code.
  int32_t ChangeType(uint16_t vt, uint16_t flags = 0);

private:
  static Variant ConvertedOleCompatibleCopy(const VariantRec& rec);

  VariantRec rec_;
};

} // namespace rtl
