// The counted, reference-managed 8-bit string of the host runtime. A string field is one pointer
// to the first character of a block on the process heap: the 32-bit reference count stands at -8
// (-1 marks a constant that is never freed), the 32-bit length at -4, and a terminating zero
// follows the characters. A null pointer is the empty string. Both sides of the plug-in boundary
// may hold and release such blocks, which is why they come from the process heap.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace rtl {

class AnsiString {
public:
  AnsiString() noexcept = default;
  AnsiString(const char* text) : AnsiString(std::string_view(text ? text : "")) {}
  AnsiString(std::string_view text);
  AnsiString(const std::string& text) : AnsiString(std::string_view(text)) {}
  AnsiString(const AnsiString& other) noexcept;
  AnsiString(AnsiString&& other) noexcept : chars_(other.chars_) { other.chars_ = nullptr; }
  AnsiString& operator=(const AnsiString& other) noexcept {
    // Names are shared blocks: assigning the block a string already holds is the common case.
    if (chars_ != other.chars_)
      Assign(other.chars_);
    return *this;
  }
  AnsiString& operator=(AnsiString&& other) noexcept;
  ~AnsiString() { Release(chars_); }

  /// Takes one more reference on an existing block (a field of the other side's object).
  static AnsiString FromBlock(const char* chars) noexcept;

  int32_t Length() const noexcept {
    return chars_ ? reinterpret_cast<const int32_t*>(chars_)[-1] : 0;
  }
  bool IsEmpty() const noexcept { return Length() == 0; }
  /// Zero-terminated text, never null.
  const char* CStr() const noexcept { return chars_ ? chars_ : ""; }
  std::string_view View() const noexcept { return {CStr(), static_cast<std::size_t>(Length())}; }
  std::string Str() const { return std::string(View()); }
  /// The stored pointer as it stands in the object layout (null for the empty string).
  const char* BlockPointer() const noexcept { return chars_; }

  /// A copy lower-cased with the ANSI code page rules.
  AnsiString Lowered() const;

  friend bool operator==(const AnsiString& a, const AnsiString& b) noexcept {
    return a.View() == b.View();
  }
  friend bool operator==(const AnsiString& a, std::string_view b) noexcept { return a.View() == b; }
  friend bool operator==(const AnsiString& a, const std::string& b) noexcept {
    return a.View() == std::string_view(b);
  }
  friend bool operator==(const AnsiString& a, const char* b) noexcept {
    return a.View() == std::string_view(b ? b : "");
  }

  /// Adds one reference to a block; constants (count -1) and null are left alone.
  static void AddRef(const char* chars) noexcept;
  /// Drops one reference and frees the block when it was the last.
  static void Release(const char* chars) noexcept;

private:
  /// Holds Chars (another block than the current one) in place of the current block.
  void Assign(const char* chars) noexcept;

  explicit AnsiString(char* adopted) noexcept : chars_(adopted) {}
  static char* Allocate(std::string_view text);

  char* chars_ = nullptr;
};

static_assert(sizeof(AnsiString) == sizeof(void*), "a string field is one pointer");

} // namespace rtl
