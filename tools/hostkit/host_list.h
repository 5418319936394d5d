// Parameter lists as a host builds and reads them: only through the documented object layout of
// the ABI header, with items, item arrays and string blocks on the process heap. A host never
// calls an operation of a list the library created, and the library never calls one of these.
#pragma once

#include "zet_plugin_abi.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hostkit {

/// An OLE VARIANT as the host sees it (16 bytes in a 32-bit process).
struct HostVariant {
  uint16_t vt;
  uint16_t reserved[3];
  union {
    int16_t i2;
    int32_t i4;
    int64_t i8;
    float r4;
    double r8;
    int16_t boolean;
    void* ptr;
    void* record[2]; // a 64-bit VARIANT is 24 bytes
  };
};
static_assert(sizeof(HostVariant) == 8 + 2 * sizeof(void*), "VARIANT size");

/// A counted 8-bit string block with reference count 1; references are released atomically.
const char* NewCountedString(std::string_view text);
void ReleaseCountedString(const char* chars);
std::string_view CountedStringView(const char* chars);

/// An OLE string from the system allocator (SysAllocStringLen on Windows).
void* NewOleString(std::u16string_view text);
void ClearValue(HostVariant& v);

/// A list the host owns.
class HostList {
public:
  explicit HostList(bool rowsList = false);
  HostList(const HostList&) = delete;
  HostList& operator=(const HostList&) = delete;
  ~HostList();

  ZetParamsListLayout* Raw() { return &list_; }
  int32_t Count() const { return list_.Count; }
  void Clear();

  void AddInt(std::string_view name, int32_t value);
  /// A 64-bit integer (VT_I8).
  void AddInt64(std::string_view name, int64_t value);
  void AddDouble(std::string_view name, double value);
  /// The text as a wide string; bytes are taken as Latin-1 characters.
  void AddText(std::string_view name, std::string_view text);
  /// The text as a wide string decoded from UTF-8; a byte that is not part of a valid UTF-8
  /// sequence is taken as a Latin-1 character.
  void AddTextUtf8(std::string_view name, std::string_view text);
  void AddBool(std::string_view name, bool value);
  void AddNull(std::string_view name);
  void AddEmpty(std::string_view name);
  void AddMarker() { AddNull(ZET_ROW_MARKER); }
  /// A slot the host has not filled: a null item pointer.
  void AddUnfilled();
  void AddValue(std::string_view name, const HostVariant& value);

private:
  /// Room for one more slot.
  void Reserve();
  ZetParamsListLayout list_{};
};

/// UTF-8 decoded to UTF-16, invalid bytes taken as Latin-1 characters.
std::u16string Utf8ToUtf16(std::string_view text);

/// One item of a list as text.
struct ItemView {
  std::string name;
  uint16_t type = 0;
  std::string text;
};

/// Reads any list (the library's or a host's) through its fields; an unfilled slot reads as an
/// item without a name.
std::vector<ItemView> ReadList(const void* list);
/// The text of a value: numbers in decimal, strings as UTF-8, Booleans "True"/"False",
/// Empty and Null as "".
std::string ValueText(const HostVariant& value);
/// The name of the list's class as its class table gives it, without leading length digits.
std::string ListClassName(const void* list);

} // namespace hostkit
