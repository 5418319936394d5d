// Own implementation of OLE variants for the POSIX build. It keeps the 16-byte layout, owns BSTRs
// in a length-prefixed block like oleaut32 and converts between the scalar types with the rules the
// library relies on: integers round half to even from floating values, range errors answer
// DISP_E_OVERFLOW, strings parse as numbers in the invariant format, booleans are -1 and 0.
#include "platform/ole_variant.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <string>

namespace platform {
namespace {

struct Number {
  bool isFloat = false;
  double d = 0;
  long double exact = 0; // integers up to 64 bits are held exactly
};

bool IsScalar(uint16_t vt) {
  switch (vt) {
  case vtEmpty:
  case vtI2:
  case vtI4:
  case vtR4:
  case vtR8:
  case vtCurrency:
  case vtDate:
  case vtBool:
  case vtI1:
  case vtUI1:
  case vtUI2:
  case vtUI4:
  case vtI8:
  case vtUI8:
  case vtInt:
  case vtUInt:
    return true;
  default:
    return false;
  }
}

Number ReadNumber(const VariantRec& v) {
  Number n;
  switch (v.vt) {
  case vtEmpty:
    break;
  case vtI2:
    n.exact = v.iVal;
    break;
  case vtI4:
  case vtInt:
    n.exact = v.lVal;
    break;
  case vtI1:
    n.exact = v.cVal;
    break;
  case vtUI1:
    n.exact = v.bVal;
    break;
  case vtUI2:
    n.exact = v.uiVal;
    break;
  case vtUI4:
  case vtUInt:
    n.exact = v.ulVal;
    break;
  case vtI8:
    n.exact = static_cast<long double>(v.llVal);
    break;
  case vtUI8:
    n.exact = static_cast<long double>(v.ullVal);
    break;
  case vtBool:
    n.exact = v.boolVal ? -1 : 0;
    break;
  case vtR4:
    n.isFloat = true;
    n.d = v.fltVal;
    break;
  case vtR8:
  case vtDate:
    n.isFloat = true;
    n.d = v.dblVal;
    break;
  case vtCurrency:
    n.isFloat = true;
    n.d = static_cast<double>(v.cyVal) / 10000.0;
    break;
  }
  if (!n.isFloat)
    n.d = static_cast<double>(n.exact);
  else
    n.exact = n.d;
  return n;
}

// Rounds half to even, as the system's integer conversions do.
long double RoundEven(long double x) {
  long double r = std::nearbyint(x); // default rounding mode is to nearest, ties to even
  return r;
}

template <typename T> bool FitInteger(const Number& n, T& out) {
  long double x = n.isFloat ? RoundEven(n.exact) : n.exact;
  if (std::isnan(static_cast<double>(x)))
    return false;
  if (x < static_cast<long double>(std::numeric_limits<T>::min()) ||
      x > static_cast<long double>(std::numeric_limits<T>::max()))
    return false;
  out = static_cast<T>(x);
  return true;
}

std::u16string Widen(const std::string& s) {
  return std::u16string(s.begin(), s.end());
}

std::string Narrow(const OleChar* s, uint32_t len) {
  std::string out;
  out.reserve(len);
  for (uint32_t i = 0; i < len; ++i)
    out.push_back(s[i] < 128 ? static_cast<char>(s[i]) : '?');
  return out;
}

std::string FormatFloat(double d, int digits) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*G", digits, d);
  return buf;
}

std::string FormatNumber(const VariantRec& v, uint16_t flags) {
  Number n = ReadNumber(v);
  switch (v.vt) {
  case vtEmpty:
    return std::string();
  case vtBool:
    if (flags & 0x02) // VARIANT_ALPHABOOL
      return v.boolVal ? "True" : "False";
    return v.boolVal ? "-1" : "0";
  case vtR4:
    return FormatFloat(v.fltVal, 7);
  case vtR8:
  case vtDate:
    return FormatFloat(v.dblVal, 15);
  case vtCurrency:
    return FormatFloat(n.d, 19);
  case vtUI8:
    return std::to_string(v.ullVal);
  case vtI8:
    return std::to_string(v.llVal);
  default:
    return std::to_string(static_cast<long long>(n.exact));
  }
}

bool ParseNumber(const OleChar* s, uint32_t len, Number& n) {
  std::string text = Narrow(s, len);
  size_t b = text.find_first_not_of(" \t");
  size_t e = text.find_last_not_of(" \t");
  if (b == std::string::npos)
    return false;
  text = text.substr(b, e - b + 1);
  char* end = nullptr;
  errno = 0;
  double d = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || *end != '\0' || text.find_first_of("xXpP") != std::string::npos)
    return false;
  if (text.find_first_of(".eE") == std::string::npos) {
    // A plain integer keeps its exact value.
    long double x = std::strtold(text.c_str(), nullptr);
    n.isFloat = false;
    n.exact = x;
    n.d = d;
  } else {
    n.isFloat = true;
    n.d = d;
    n.exact = d;
  }
  return true;
}

bool ParseBool(const OleChar* s, uint32_t len, bool& out) {
  std::string text = Narrow(s, len);
  for (char& c : text)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (text == "true" || text == "yes" || text == "on") {
    out = true;
    return true;
  }
  if (text == "false" || text == "no" || text == "off") {
    out = false;
    return true;
  }
  Number n;
  if (!ParseNumber(s, len, n))
    return false;
  out = n.d != 0;
  return true;
}

int32_t StoreNumber(VariantRec& r, const Number& n, uint16_t vt) {
  r.ullVal = 0;
  switch (vt) {
  case vtI2:
    if (!FitInteger(n, r.iVal))
      return kOverflow;
    break;
  case vtI4:
  case vtInt:
    if (!FitInteger(n, r.lVal))
      return kOverflow;
    break;
  case vtI1:
    if (!FitInteger(n, r.cVal))
      return kOverflow;
    break;
  case vtUI1:
    if (!FitInteger(n, r.bVal))
      return kOverflow;
    break;
  case vtUI2:
    if (!FitInteger(n, r.uiVal))
      return kOverflow;
    break;
  case vtUI4:
  case vtUInt:
    if (!FitInteger(n, r.ulVal))
      return kOverflow;
    break;
  case vtI8:
    if (!FitInteger(n, r.llVal))
      return kOverflow;
    break;
  case vtUI8:
    if (!FitInteger(n, r.ullVal))
      return kOverflow;
    break;
  case vtR4:
    if (std::fabs(n.d) > std::numeric_limits<float>::max() && !std::isinf(n.d))
      return kOverflow;
    r.fltVal = static_cast<float>(n.d);
    break;
  case vtR8:
  case vtDate:
    r.dblVal = n.d;
    break;
  case vtCurrency: {
    Number scaled;
    scaled.isFloat = true;
    scaled.exact = n.exact * 10000;
    if (!FitInteger(scaled, r.cyVal))
      return kOverflow;
    break;
  }
  case vtBool:
    r.boolVal = n.d != 0 ? -1 : 0;
    break;
  default:
    return kTypeMismatch;
  }
  r.vt = vt;
  return kOk;
}

} // namespace

void OleVariantInit(VariantRec& v) noexcept {
  std::memset(&v, 0, sizeof v);
}

int32_t OleVariantClear(VariantRec& v) noexcept {
  if (v.vt == vtBstr)
    OleStrFree(v.bstrVal);
  else if (v.vt & vtArray)
    return kBadVarType; // arrays are never created by this build
  OleVariantInit(v);
  return kOk;
}

int32_t OleVariantCopy(VariantRec& dest, const VariantRec& source) noexcept {
  if (&dest == &source)
    return kOk;
  VariantRec copy = source;
  if (source.vt == vtBstr) {
    try {
      copy.bstrVal =
          source.bstrVal ? OleStrAlloc(source.bstrVal, OleStrLen(source.bstrVal)) : nullptr;
    } catch (...) {
      return kOutOfMemory;
    }
  }
  OleVariantClear(dest);
  dest = copy;
  return kOk;
}

int32_t OleVariantChangeType(VariantRec& dest, const VariantRec& source, uint16_t flags,
                             uint16_t vt) noexcept {
  if (source.vt == vt)
    return OleVariantCopy(dest, source);
  VariantRec r;
  OleVariantInit(r);
  int32_t hr = kOk;
  try {
    if (vt == vtEmpty) {
      // Empty stays in r.
    } else if (source.vt == vtNull) {
      hr = kTypeMismatch;
    } else if (vt == vtBstr) {
      if (!IsScalar(source.vt))
        return kTypeMismatch;
      std::u16string w = Widen(FormatNumber(source, flags));
      r.bstrVal = OleStrAlloc(w.data(), static_cast<uint32_t>(w.size()));
      r.vt = vtBstr;
    } else if (source.vt == vtBstr) {
      uint32_t len = OleStrLen(source.bstrVal);
      if (vt == vtBool) {
        bool b = false;
        if (!ParseBool(source.bstrVal, len, b))
          return kTypeMismatch;
        r.vt = vtBool;
        r.boolVal = b ? -1 : 0;
      } else {
        Number n;
        if (!ParseNumber(source.bstrVal, len, n))
          return kTypeMismatch;
        hr = StoreNumber(r, n, vt);
      }
    } else if (IsScalar(source.vt)) {
      hr = StoreNumber(r, ReadNumber(source), vt);
    } else {
      hr = kTypeMismatch;
    }
  } catch (...) {
    hr = kOutOfMemory;
  }
  if (hr != kOk) {
    OleVariantClear(r);
    return hr;
  }
  OleVariantClear(dest);
  dest = r;
  return kOk;
}

OleStr OleStrAlloc(const OleChar* text, uint32_t length) {
  // Block: 32-bit byte length, the characters, a terminating zero.
  auto* block =
      static_cast<uint32_t*>(std::malloc(sizeof(uint32_t) + (length + 1u) * sizeof(OleChar)));
  if (!block)
    throw std::bad_alloc();
  block[0] = length * static_cast<uint32_t>(sizeof(OleChar));
  auto* chars = reinterpret_cast<OleChar*>(block + 1);
  if (text)
    std::memcpy(chars, text, length * sizeof(OleChar));
  else
    std::memset(chars, 0, length * sizeof(OleChar));
  chars[length] = 0;
  return chars;
}

void OleStrFree(OleStr s) noexcept {
  if (s)
    std::free(reinterpret_cast<uint32_t*>(s) - 1);
}

uint32_t OleStrLen(const OleChar* s) noexcept {
  return s ? reinterpret_cast<const uint32_t*>(s)[-1] / static_cast<uint32_t>(sizeof(OleChar)) : 0;
}

} // namespace platform
