#include "rtl/pointer_list.h"

#include "platform/process_heap.h"

#include <cstring>
#include <limits>
#include <string>

namespace {
constexpr const char* kIndexError = "List index out of bounds (%d)";
constexpr const char* kCapacityError = "List capacity out of bounds (%d)";
constexpr const char* kCountError = "List count out of bounds (%d)";

// Largest capacity whose array size still fits a signed 32-bit byte count.
constexpr int32_t kMaxCapacity = std::numeric_limits<int32_t>::max() / 16;
} // namespace

TList::~TList() {
  TList::Clear();
}

void TList::Grow() {
  SetCapacity(GrownCapacity(FCapacity));
}

void TList::Notify(void* /*ptr*/, TListNotification /*action*/) {}

void TList::Clear() {
  SetCount(0);
  SetCapacity(0);
}

void TList::Error(const char* msg, int32_t data) {
  std::string text = msg ? msg : "";
  std::size_t at = text.find("%d");
  if (at != std::string::npos)
    text.replace(at, 2, std::to_string(data));
  throw EListError(text);
}

bool TList::CheckIndex(int32_t index) const {
  if (index >= 0 && index < FCount)
    return true;
  const_cast<TList*>(this)->Error(kIndexError, index);
  return false;
}

void TList::Insert(int32_t index, void* ptr) {
  if (index < 0 || index > FCount) {
    Error(kIndexError, index);
    return;
  }
  if (FCount == FCapacity)
    Grow();
  if (index < FCount)
    std::memmove(FList + index + 1, FList + index, (FCount - index) * sizeof(void*));
  FList[index] = ptr;
  ++FCount;
  if (ptr)
    Notify(ptr, lnAdded);
}

void TList::Delete(int32_t index) {
  if (!CheckIndex(index))
    return;
  void* old = FList[index];
  --FCount;
  if (index < FCount)
    std::memmove(FList + index, FList + index + 1, (FCount - index) * sizeof(void*));
  if (old)
    Notify(old, lnDeleted);
}

int32_t TList::Remove(void* ptr) {
  int32_t index = IndexOf(ptr);
  if (index >= 0)
    Delete(index);
  return index;
}

void* TList::Extract(void* ptr) {
  int32_t index = IndexOf(ptr);
  if (index < 0)
    return nullptr;
  void* found = FList[index];
  --FCount;
  if (index < FCount)
    std::memmove(FList + index, FList + index + 1, (FCount - index) * sizeof(void*));
  if (found)
    Notify(found, lnExtracted);
  return found;
}

int32_t TList::IndexOf(const void* ptr) const noexcept {
  for (int32_t i = 0; i < FCount; ++i)
    if (FList[i] == ptr)
      return i;
  return -1;
}

void TList::Exchange(int32_t index1, int32_t index2) {
  if (!CheckIndex(index1) || !CheckIndex(index2))
    return;
  void* t = FList[index1];
  FList[index1] = FList[index2];
  FList[index2] = t;
}

void* TList::Get(int32_t index) const {
  if (!CheckIndex(index))
    return nullptr;
  return FList[index];
}

void TList::Put(int32_t index, void* ptr) {
  if (!CheckIndex(index))
    return;
  void* old = FList[index];
  if (old == ptr)
    return;
  FList[index] = ptr;
  if (old)
    Notify(old, lnDeleted);
  if (ptr)
    Notify(ptr, lnAdded);
}

void TList::SetCount(int32_t count) {
  if (count < 0 || count > kMaxCapacity) {
    Error(kCountError, count);
    return;
  }
  if (count > FCapacity)
    SetCapacity(count);
  if (count > FCount) {
    std::memset(FList + FCount, 0, (count - FCount) * sizeof(void*));
    FCount = count;
    return;
  }
  // Deleting from the end keeps every removal O(1) and every notification sees a consistent list.
  while (FCount > count)
    Delete(FCount - 1);
}

void TList::SetCapacity(int32_t capacity) {
  if (capacity < FCount || capacity > kMaxCapacity) {
    Error(kCapacityError, capacity);
    return;
  }
  if (capacity == FCapacity)
    return;
  if (capacity == 0) {
    platform::HeapRelease(FList);
    FList = nullptr;
  } else if (capacity > FCapacity && FList &&
             platform::HeapBlockSize(FList) >= static_cast<std::size_t>(capacity) * sizeof(void*)) {
    // The block already holds the grown array (an array kept for reuse is larger than the
    // capacity it starts with): no reallocation.
  } else {
    FList = static_cast<void**>(
        platform::HeapReallocate(FList, static_cast<std::size_t>(capacity) * sizeof(void*)));
  }
  FCapacity = capacity;
}

TObjectList::~TObjectList() {
  // The base destructor cannot reach this class's Notify any more, so the objects are freed here.
  Clear();
}

void TObjectList::Notify(void* ptr, TListNotification action) {
  if (FOwnsObjects && action == lnDeleted)
    delete static_cast<TObject*>(ptr);
}
