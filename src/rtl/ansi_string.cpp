#include "rtl/ansi_string.h"

#include "platform/codepage.h"
#include "platform/process_heap.h"

#include <atomic>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace rtl {
namespace {
constexpr std::size_t kHeader = 2 * sizeof(int32_t);

int32_t* RefCountOf(const char* chars) {
  return reinterpret_cast<int32_t*>(const_cast<char*>(chars)) - 2;
}
} // namespace

char* AnsiString::Allocate(std::string_view text) {
  if (text.empty())
    return nullptr;
  if (text.size() > static_cast<std::size_t>(std::numeric_limits<int32_t>::max()) - kHeader - 1)
    throw std::length_error("string too long");
  auto* block = static_cast<char*>(platform::HeapAllocate(kHeader + text.size() + 1));
  auto* header = reinterpret_cast<int32_t*>(block);
  header[0] = 1;
  header[1] = static_cast<int32_t>(text.size());
  char* chars = block + kHeader;
  std::memcpy(chars, text.data(), text.size());
  chars[text.size()] = '\0';
  return chars;
}

AnsiString::AnsiString(std::string_view text) : chars_(Allocate(text)) {}

AnsiString::AnsiString(const AnsiString& other) noexcept : chars_(other.chars_) {
  AddRef(chars_);
}

void AnsiString::Assign(const char* chars) noexcept {
  AddRef(chars);
  Release(chars_);
  chars_ = const_cast<char*>(chars);
}

AnsiString& AnsiString::operator=(AnsiString&& other) noexcept {
  if (this != &other) {
    Release(chars_);
    chars_ = other.chars_;
    other.chars_ = nullptr;
  }
  return *this;
}

AnsiString AnsiString::FromBlock(const char* chars) noexcept {
  AddRef(chars);
  return AnsiString(const_cast<char*>(chars));
}

AnsiString AnsiString::Lowered() const {
  if (IsEmpty())
    return {};
  AnsiString out(Allocate(View()));
  platform::AnsiLowerInPlace(out.chars_, static_cast<std::size_t>(out.Length()));
  return out;
}

void AnsiString::AddRef(const char* chars) noexcept {
  if (!chars)
    return;
  std::atomic_ref<int32_t> count(*RefCountOf(chars));
  if (count.load(std::memory_order_relaxed) >= 0)
    count.fetch_add(1, std::memory_order_relaxed);
}

void AnsiString::Release(const char* chars) noexcept {
  if (!chars)
    return;
  std::atomic_ref<int32_t> count(*RefCountOf(chars));
  if (count.load(std::memory_order_relaxed) < 0)
    return;
  if (count.fetch_sub(1, std::memory_order_acq_rel) == 1)
    platform::HeapRelease(RefCountOf(chars));
}

} // namespace rtl
