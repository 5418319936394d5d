#include "platform/ole_variant.h"
#include "platform/win32/windows_include.h"

#include <new>

static_assert(sizeof(VARIANT) == sizeof(platform::VariantRec), "VARIANT layout");
static_assert(sizeof(OLECHAR) == sizeof(platform::OleChar), "OLECHAR width");

namespace platform {
namespace {
VARIANT* Win(VariantRec& v) {
  return reinterpret_cast<VARIANT*>(&v);
}
const VARIANT* Win(const VariantRec& v) {
  return reinterpret_cast<const VARIANT*>(&v);
}
} // namespace

void OleVariantInit(VariantRec& v) noexcept {
  ::VariantInit(Win(v));
}

int32_t OleVariantClear(VariantRec& v) noexcept {
  return ::VariantClear(Win(v));
}

int32_t OleVariantCopy(VariantRec& dest, const VariantRec& source) noexcept {
  return ::VariantCopy(Win(dest), const_cast<VARIANT*>(Win(source)));
}

int32_t OleVariantChangeType(VariantRec& dest, const VariantRec& source, uint16_t flags,
                             uint16_t vt) noexcept {
  return ::VariantChangeType(Win(dest), const_cast<VARIANT*>(Win(source)), flags, vt);
}

OleStr OleStrAlloc(const OleChar* text, uint32_t length) {
  BSTR s = ::SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text), length);
  if (!s)
    throw std::bad_alloc();
  return reinterpret_cast<OleStr>(s);
}

void OleStrFree(OleStr s) noexcept {
  ::SysFreeString(reinterpret_cast<BSTR>(s));
}

uint32_t OleStrLen(const OleChar* s) noexcept {
  return ::SysStringLen(reinterpret_cast<BSTR>(const_cast<OleChar*>(s)));
}

} // namespace platform
