// OLE automation variants and their strings (BSTR). On Windows these are the real oleaut32
// functions, so that a host can free what the library hands out with VariantClear and
// SysFreeString. On POSIX an own implementation keeps the same layout and the conversions the
// library relies on.
#pragma once

#include <cstdint>

namespace platform {

/// One UTF-16 code unit of an OLE string.
using OleChar = char16_t;
/// An OLE string: points to the first character; the 32-bit byte length stands just before it and
/// a terminating zero follows the characters. Null is the empty string.
using OleStr = OleChar*;

/// Variant type codes used by the library.
enum VarType : uint16_t {
  vtEmpty = 0,
  vtNull = 1,
  vtI2 = 2,
  vtI4 = 3,
  vtR4 = 4,
  vtR8 = 5,
  vtCurrency = 6,
  vtDate = 7,
  vtBstr = 8,
  vtDispatch = 9,
  vtError = 10,
  vtBool = 11,
  vtVariant = 12,
  vtUnknown = 13,
  vtDecimal = 14,
  vtI1 = 16,
  vtUI1 = 17,
  vtUI2 = 18,
  vtUI4 = 19,
  vtI8 = 20,
  vtUI8 = 21,
  vtInt = 22,
  vtUInt = 23,
  /// The host runtime's 8-bit string; the data model handles it itself (the payload is a counted
  /// 8-bit string block, see rtl/ansi_string.h).
  vtAnsiString = 0x100,
  vtArray = 0x2000,
  vtByRef = 0x4000,
};

/// An OLE VARIANT, laid out as the system's VARIANT: 16 bytes in a 32-bit process.
struct VariantRec {
  uint16_t vt;
  uint16_t reserved1;
  uint16_t reserved2;
  uint16_t reserved3;
  union {
    int8_t cVal;
    uint8_t bVal;
    int16_t iVal;
    uint16_t uiVal;
    int32_t lVal;
    uint32_t ulVal;
    int64_t llVal;
    uint64_t ullVal;
    float fltVal;
    double dblVal;
    int64_t cyVal; // currency: value times 10000
    double date;
    int16_t boolVal; // VARIANT_TRUE is -1
    int32_t scode;
    OleStr bstrVal;
    void* ptr;
    struct {
      void* pvRecord;
      void* pRecInfo;
    } record; // makes the variant 16 bytes in a 32-bit process and 24 in a 64-bit one
  };
};
static_assert(sizeof(VariantRec) == 8 + 2 * sizeof(void*), "VARIANT size");

/// Result codes of the variant functions (HRESULT values).
constexpr int32_t kOk = 0;
constexpr int32_t kTypeMismatch = static_cast<int32_t>(0x80020005);
constexpr int32_t kOverflow = static_cast<int32_t>(0x8002000A);
constexpr int32_t kBadVarType = static_cast<int32_t>(0x80020008);
constexpr int32_t kOutOfMemory = static_cast<int32_t>(0x8007000E);

void OleVariantInit(VariantRec& v) noexcept;
/// Frees what the variant owns (its string or array) and makes it Empty.
int32_t OleVariantClear(VariantRec& v) noexcept;
/// Dest := a deep copy of Source (Dest is cleared first).
int32_t OleVariantCopy(VariantRec& dest, const VariantRec& source) noexcept;
/// Converts Source to type Vt into Dest (which may be Source itself), with the system's rules.
int32_t OleVariantChangeType(VariantRec& dest, const VariantRec& source, uint16_t flags,
                             uint16_t vt) noexcept;

/// Allocates an OLE string of Length characters copied from Text (Text may be null: zeros).
OleStr OleStrAlloc(const OleChar* text, uint32_t length);
void OleStrFree(OleStr s) noexcept;
/// Number of characters of an OLE string (0 for null).
uint32_t OleStrLen(const OleChar* s) noexcept;

} // namespace platform
