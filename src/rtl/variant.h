// An owning OLE-compatible variant. Strings inside it are OLE strings from the system allocator,
// so that a host frees them with VariantClear; the host runtime's 8-bit string (type 0x100) holds
// a reference on a counted string block and is released by this class itself.
#pragma once

#include "platform/ole_variant.h"
#include "rtl/ansi_string.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace rtl {

using platform::VariantRec;

/// True when the value's type code is 0 (Empty) or 1 (Null).
inline bool IsEmptyValue(const VariantRec& v) noexcept {
  return v.vt == platform::vtEmpty || v.vt == platform::vtNull;
}

/// Frees what a variant field owns, including the 8-bit string payload, and makes it Empty.
void ClearVariant(VariantRec& v) noexcept;
/// Dest := a copy of Source (8-bit string payloads share their block).
void CopyVariant(VariantRec& dest, const VariantRec& source);

class Variant {
public:
  Variant() noexcept { platform::OleVariantInit(rec_); }
  Variant(const VariantRec& rec) : Variant() { CopyVariant(rec_, rec); }
  Variant(const Variant& other) : Variant() { CopyVariant(rec_, other.rec_); }
  Variant(Variant&& other) noexcept : rec_(other.rec_) { platform::OleVariantInit(other.rec_); }
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
  VariantRec Detach() noexcept;

  /// The value as the host's OLE side sees it: an 8-bit string becomes a wide string (ANSI code
  /// page), 8- and 16-bit unsigned and signed 8-bit integers become 32-bit integers, a 32-bit or
  /// 64-bit integer that does not fit 32 signed bits becomes a double.
  Variant OleCompatible() const;
  /// The OLE-compatible copy of a stored value. Only the types that the conversion changes go
  /// through OleCompatible, so that a wide string is copied once, not twice.
  static Variant OleCompatibleCopy(const VariantRec& rec);

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
  VariantRec rec_;
};

} // namespace rtl
