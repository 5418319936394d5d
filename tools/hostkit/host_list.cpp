#include "host_list.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#ifdef _WIN32
#include <windows.h>
#include <oleauto.h>
#endif

namespace hostkit {
namespace {

#ifdef _WIN32
void* HeapGet(std::size_t n) {
  return ::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, n);
}
void* HeapGrow(void* p, std::size_t n) {
  return p ? ::HeapReAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, p, n) : HeapGet(n);
}
void HeapPut(void* p) {
  if (p)
    ::HeapFree(::GetProcessHeap(), 0, p);
}
#else
void* HeapGet(std::size_t n) {
  return std::calloc(1, n);
}
void* HeapGrow(void* p, std::size_t n) {
  return std::realloc(p, n);
}
void HeapPut(void* p) {
  std::free(p);
}
#endif

// The host's class tables. The word before the class pointer points to a type record whose
// second word names the class.
struct TypeRecord {
  const void* unused;
  const char* name;
};
const TypeRecord kListType{nullptr, "TzetParamsList"};
const TypeRecord kRowsType{nullptr, "TzetRowsParamsList"};
const TypeRecord kItemType{nullptr, "TzetParamsListItem"};
const void* const kListTable[2] = {&kListType, nullptr};
const void* const kRowsTable[2] = {&kRowsType, nullptr};
const void* const kItemTable[2] = {&kItemType, nullptr};

std::string LowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  return out;
}

void AppendUtf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

uint32_t OleStringLength(const void* s) {
  return s ? static_cast<const uint32_t*>(s)[-1] / 2 : 0;
}

std::string FormatDouble(double d) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15g", d);
  return buf;
}

} // namespace

const char* NewCountedString(std::string_view text) {
  if (text.empty())
    return nullptr;
  auto* block = static_cast<char*>(HeapGet(8 + text.size() + 1));
  if (!block)
    throw std::bad_alloc();
  reinterpret_cast<int32_t*>(block)[0] = 1;
  reinterpret_cast<int32_t*>(block)[1] = static_cast<int32_t>(text.size());
  std::memcpy(block + 8, text.data(), text.size());
  block[8 + text.size()] = '\0';
  return block + 8;
}

void ReleaseCountedString(const char* chars) {
  if (!chars)
    return;
  // The library may hold references to the host's blocks (names it keeps) and release them on
  // other threads, so the count changes atomically on both sides.
  auto* count = reinterpret_cast<int32_t*>(const_cast<char*>(chars)) - 2;
  std::atomic_ref<int32_t> references(*count);
  if (references.load(std::memory_order_relaxed) < 0)
    return;
  if (references.fetch_sub(1, std::memory_order_acq_rel) == 1)
    HeapPut(count);
}

std::string_view CountedStringView(const char* chars) {
  if (!chars)
    return {};
  return {chars, static_cast<std::size_t>(reinterpret_cast<const int32_t*>(chars)[-1])};
}

void* NewOleString(std::u16string_view text) {
#ifdef _WIN32
  return ::SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                             static_cast<UINT>(text.size()));
#else
  // The POSIX build of the library uses the same block: byte length, characters, a zero.
  auto* block = static_cast<uint32_t*>(std::malloc(4 + (text.size() + 1) * 2));
  if (!block)
    throw std::bad_alloc();
  block[0] = static_cast<uint32_t>(text.size() * 2);
  auto* chars = reinterpret_cast<char16_t*>(block + 1);
  std::memcpy(chars, text.data(), text.size() * 2);
  chars[text.size()] = 0;
  return chars;
#endif
}

void ClearValue(HostVariant& v) {
#ifdef _WIN32
  ::VariantClear(reinterpret_cast<VARIANT*>(&v));
#else
  if (v.vt == 8 && v.ptr)
    std::free(static_cast<uint32_t*>(v.ptr) - 1);
#endif
  std::memset(&v, 0, sizeof v);
}

HostList::HostList(bool rowsList) {
  list_.ClassPointer = rowsList ? &kRowsTable[1] : &kListTable[1];
  list_.Signature = ZET_LIST_SIGNATURE;
  list_.ListId = NewCountedString("{00000000-0000-0000-0000-000000000001}");
  list_.ItemClass = &kItemTable[1];
}

HostList::~HostList() {
  Clear();
  list_.Signature = 0;
  ReleaseCountedString(list_.ListId);
}

void HostList::Clear() {
  for (int32_t i = 0; list_.Items && i < list_.Count; ++i) {
    auto* item = static_cast<ZetParamsListItemLayout*>(list_.Items[i]);
    if (!item)
      continue;
    ReleaseCountedString(item->Name);
    ReleaseCountedString(item->LowerName);
    ClearValue(*reinterpret_cast<HostVariant*>(&item->Value));
    HeapPut(item);
  }
  HeapPut(list_.Items);
  list_.Items = nullptr;
  list_.Count = 0;
  list_.Capacity = 0;
}

void HostList::Reserve() {
  if (list_.Count == list_.Capacity) {
    int32_t capacity = list_.Capacity ? list_.Capacity * 2 : 4;
    auto** items = static_cast<void**>(HeapGrow(list_.Items, sizeof(void*) * capacity));
    if (!items)
      throw std::bad_alloc();
    list_.Items = items;
    list_.Capacity = capacity;
  }
}

void HostList::AddUnfilled() {
  Reserve();
  list_.Items[list_.Count++] = nullptr;
}

void HostList::AddValue(std::string_view name, const HostVariant& value) {
  Reserve();
  auto* item = static_cast<ZetParamsListItemLayout*>(HeapGet(sizeof(ZetParamsListItemLayout)));
  if (!item)
    throw std::bad_alloc();
  item->ClassPointer = &kItemTable[1];
  item->Name = NewCountedString(name);
  item->LowerName = NewCountedString(LowerAscii(name));
  item->State = ZET_ITEM_STATE_ASSIGNED;
  std::memcpy(&item->Value, &value, sizeof value);
  list_.Items[list_.Count++] = item;
}

void HostList::AddInt(std::string_view name, int32_t value) {
  HostVariant v{};
  v.vt = 3;
  v.i4 = value;
  AddValue(name, v);
}

void HostList::AddInt64(std::string_view name, int64_t value) {
  HostVariant v{};
  v.vt = 20;
  v.i8 = value;
  AddValue(name, v);
}

void HostList::AddDouble(std::string_view name, double value) {
  HostVariant v{};
  v.vt = 5;
  v.r8 = value;
  AddValue(name, v);
}

void HostList::AddText(std::string_view name, std::string_view text) {
  std::u16string w;
  for (unsigned char c : text)
    w.push_back(c);
  HostVariant v{};
  v.vt = 8;
  v.ptr = NewOleString(w);
  AddValue(name, v);
}

void HostList::AddTextUtf8(std::string_view name, std::string_view text) {
  HostVariant v{};
  v.vt = 8;
  v.ptr = NewOleString(Utf8ToUtf16(text));
  AddValue(name, v);
}

void HostList::AddBool(std::string_view name, bool value) {
  HostVariant v{};
  v.vt = 11;
  v.boolean = value ? -1 : 0;
  AddValue(name, v);
}

void HostList::AddNull(std::string_view name) {
  HostVariant v{};
  v.vt = 1;
  AddValue(name, v);
}

void HostList::AddEmpty(std::string_view name) {
  HostVariant v{};
  AddValue(name, v);
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char lead = byte(i);
    const int extra = lead >= 0xF0 && lead <= 0xF4  ? 3
                      : lead >= 0xE0 && lead < 0xF0 ? 2
                      : lead >= 0xC2 && lead < 0xE0 ? 1
                                                    : 0;
    uint32_t c = lead & (0x3F >> extra);
    bool valid = extra > 0 && i + extra < text.size();
    for (int k = 1; valid && k <= extra; ++k) {
      if (i + k >= text.size() || (byte(i + k) & 0xC0) != 0x80)
        valid = false;
      else
        c = (c << 6) | (byte(i + k) & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if (valid && ((extra == 2 && c < 0x800) || (c >= 0xD800 && c <= 0xDFFF) ||
                  (extra == 3 && (c < 0x10000 || c > 0x10FFFF))))
      valid = false;
    if (!valid) {
      out.push_back(lead); // ASCII, or a stray byte taken as Latin-1
      ++i;
      continue;
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

std::string ValueText(const HostVariant& v) {
  switch (v.vt) {
  case 0:
  case 1:
    return {};
  case 2:
    return std::to_string(v.i2);
  case 3:
    return std::to_string(v.i4);
  case 4:
    return FormatDouble(v.r4);
  case 5:
    return FormatDouble(v.r8);
  case 11:
    return v.boolean ? "True" : "False";
  case 16:
    return std::to_string(static_cast<int8_t>(v.i4 & 0xFF));
  case 17:
    return std::to_string(static_cast<uint8_t>(v.i4 & 0xFF));
  case 18:
    return std::to_string(static_cast<uint16_t>(v.i4 & 0xFFFF));
  case 19:
    return std::to_string(static_cast<uint32_t>(v.i4));
  case 20:
    return std::to_string(v.i8);
  case 21:
    return std::to_string(static_cast<uint64_t>(v.i8));
  case 8: {
    std::string out;
    const auto* s = static_cast<const char16_t*>(v.ptr);
    for (uint32_t i = 0, n = OleStringLength(s); i < n; ++i) {
      uint32_t c = s[i];
      // a surrogate pair is one character
      if (c >= 0xD800 && c < 0xDC00 && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000)
        c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
      AppendUtf8(out, c);
    }
    return out;
  }
  case 0x100:
    return std::string(CountedStringView(static_cast<const char*>(v.ptr)));
  default:
    return "<type " + std::to_string(v.vt) + ">";
  }
}

std::vector<ItemView> ReadList(const void* list) {
  std::vector<ItemView> out;
  const auto* l = static_cast<const ZetParamsListLayout*>(list);
  if (!l || l->Signature != ZET_LIST_SIGNATURE)
    return out;
  for (int32_t i = 0; l->Items && i < l->Count; ++i) {
    const auto* item = static_cast<const ZetParamsListItemLayout*>(l->Items[i]);
    if (!item) {
      out.push_back({});
      continue;
    }
    const auto& value = *reinterpret_cast<const HostVariant*>(&item->Value);
    out.push_back({std::string(CountedStringView(item->Name)), value.vt, ValueText(value)});
  }
  return out;
}

std::string ListClassName(const void* list) {
  if (!list)
    return {};
  const auto* table = *static_cast<const void* const* const*>(list);
  const auto* type = static_cast<const TypeRecord*>(table[-1]);
  const char* name = type ? type->name : nullptr;
  if (!name)
    return {};
  while (*name >= '0' && *name <= '9')
    ++name;
  return name;
}

} // namespace hostkit
