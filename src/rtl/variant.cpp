#include "rtl/variant.h"

#include "platform/codepage.h"
#include "rtl/exceptions.h"

#include <cstring>
#include <limits>

namespace rtl {

using namespace platform;

void ClearOwnedVariant(VariantRec& v) noexcept {
  if (IsPlainScalar(v.vt)) {
    InitVariant(v);
    return;
  }
  if (v.vt == vtAnsiString) {
    AnsiString::Release(static_cast<const char*>(v.ptr));
    OleVariantInit(v);
    return;
  }
  OleVariantClear(v);
  v.vt = vtEmpty;
}

void CopyVariant(VariantRec& dest, const VariantRec& source) {
  if (&dest == &source)
    return;
  if (source.vt == vtAnsiString) {
    ClearVariant(dest);
    dest = source;
    AnsiString::AddRef(static_cast<const char*>(source.ptr));
    return;
  }
  if (IsPlainScalar(source.vt)) {
    ClearVariant(dest);
    dest = source;
    return;
  }
  VariantRec copy;
  OleVariantInit(copy);
  int32_t hr = OleVariantCopy(copy, source);
  if (hr != kOk)
    throw EVariantError("Invalid variant operation");
  ClearVariant(dest);
  dest = copy;
}

Variant& Variant::operator=(const Variant& other) {
  if (this != &other)
    CopyVariant(rec_, other.rec_);
  return *this;
}

Variant& Variant::operator=(Variant&& other) noexcept {
  if (this != &other) {
    ClearVariant(rec_);
    rec_ = other.rec_;
    InitVariant(other.rec_);
  }
  return *this;
}

Variant Variant::Null() {
  Variant v;
  v.rec_.vt = vtNull;
  return v;
}

#define AGG_SCALAR(name, type, field, code)                                                        \
  Variant Variant::name(type x) {                                                                  \
    Variant v;                                                                                     \
    v.rec_.vt = code;                                                                              \
    v.rec_.field = x;                                                                              \
    return v;                                                                                      \
  }
AGG_SCALAR(Int16, int16_t, iVal, vtI2)
AGG_SCALAR(Int32, int32_t, lVal, vtI4)
AGG_SCALAR(UInt32, uint32_t, ulVal, vtUI4)
AGG_SCALAR(Int64, int64_t, llVal, vtI8)
AGG_SCALAR(UInt64, uint64_t, ullVal, vtUI8)
AGG_SCALAR(Byte, uint8_t, bVal, vtUI1)
AGG_SCALAR(Word, uint16_t, uiVal, vtUI2)
AGG_SCALAR(Single, float, fltVal, vtR4)
AGG_SCALAR(Double, double, dblVal, vtR8)
#undef AGG_SCALAR

Variant Variant::Bool(bool x) {
  Variant v;
  v.rec_.vt = vtBool;
  v.rec_.boolVal = x ? -1 : 0;
  return v;
}

Variant Variant::Wide(std::u16string_view text) {
  Variant v;
  v.rec_.bstrVal = OleStrAlloc(text.data(), static_cast<uint32_t>(text.size()));
  v.rec_.vt = vtBstr;
  return v;
}

Variant Variant::FromAnsiText(std::string_view text) {
  return Wide(AnsiToWide(text));
}

Variant Variant::Ansi(const AnsiString& text) {
  Variant v;
  AnsiString::AddRef(text.BlockPointer());
  v.rec_.ptr = const_cast<char*>(text.BlockPointer());
  v.rec_.vt = vtAnsiString;
  return v;
}

Variant Variant::ConvertedOleCompatibleCopy(const VariantRec& rec) {
  return IsOleConverted(rec.vt) ? Variant(rec).OleCompatible() : Variant(rec);
}

Variant Variant::OleCompatible() const {
  switch (rec_.vt) {
  case vtAnsiString: {
    const char* chars = static_cast<const char*>(rec_.ptr);
    return FromAnsiText(AnsiString::FromBlock(chars).View());
  }
  case vtI1:
    return Int32(rec_.cVal);
  case vtUI1:
    return Int32(rec_.bVal);
  case vtUI2:
    return Int32(rec_.uiVal);
  case vtUI4:
    if (rec_.ulVal < 0x80000000u)
      return Int32(static_cast<int32_t>(rec_.ulVal));
    return Double(static_cast<double>(rec_.ulVal));
  case vtI8:
    if (rec_.llVal >= std::numeric_limits<int32_t>::min() &&
        rec_.llVal <= std::numeric_limits<int32_t>::max())
      return Int32(static_cast<int32_t>(rec_.llVal));
    return Double(static_cast<double>(rec_.llVal));
  default:
    return *this;
  }
}

std::string Variant::ToText() const {
  switch (rec_.vt) {
  case vtEmpty:
  case vtNull:
    return {};
  case vtAnsiString:
    return AnsiString::FromBlock(static_cast<const char*>(rec_.ptr)).Str();
  case vtBstr:
    return WideToAnsi(std::u16string_view(rec_.bstrVal, OleStrLen(rec_.bstrVal)));
  case vtBool:
    return rec_.boolVal ? "True" : "False";
  default: {
    VariantRec r;
    OleVariantInit(r);
    if (OleVariantChangeType(r, rec_, 0, vtBstr) != kOk)
      throw EVariantError("Could not convert variant to string");
    std::string out = WideToAnsi(std::u16string_view(r.bstrVal, OleStrLen(r.bstrVal)));
    OleVariantClear(r);
    return out;
  }
  }
}

std::u16string Variant::ToWide() const {
  if (rec_.vt == vtBstr)
    return std::u16string(rec_.bstrVal, OleStrLen(rec_.bstrVal));
  return AnsiToWide(ToText());
}

namespace {
Variant Converted(const Variant& v, uint16_t vt) {
  Variant source = v.OleCompatible();
  if (source.Type() == vtEmpty && vt != vtEmpty) {
    Variant zero = Variant::Int32(0);
    return Converted(zero, vt);
  }
  Variant out;
  if (OleVariantChangeType(out.Rec(), source.Rec(), 0, vt) != kOk)
    throw EVariantError("Could not convert variant");
  return out;
}
} // namespace

int32_t Variant::ToInt32() const {
  return Converted(*this, vtI4).Rec().lVal;
}
int64_t Variant::ToInt64() const {
  return Converted(*this, vtI8).Rec().llVal;
}
double Variant::ToDouble() const {
  return Converted(*this, vtR8).Rec().dblVal;
}
bool Variant::ToBool() const {
  return Converted(*this, vtBool).Rec().boolVal != 0;
}

int32_t Variant::ChangeType(uint16_t vt, uint16_t flags) {
  if (rec_.vt == vtAnsiString)
    *this = OleCompatible();
  return OleVariantChangeType(rec_, rec_, flags, vt);
}

} // namespace rtl
