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
  SetCapacity(GrownCapacity(capacity_));
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
  if (index >= 0 && index < count_)
    return true;
  const_cast<TList*>(this)->Error(kIndexError, index);
  return false;
}

void TList::Insert(int32_t index, void* ptr) {
  if (index < 0 || index > count_) {
    Error(kIndexError, index);
    return;
  }
  if (count_ == capacity_)
    Grow();
  if (index < count_)
    std::memmove(list_ + index + 1, list_ + index, (count_ - index) * sizeof(void*));
  list_[index] = ptr;
  ++count_;
  if (ptr)
    Notify(ptr, lnAdded);
}

void TList::Delete(int32_t index) {
  if (!CheckIndex(index))
    return;
  void* old = list_[index];
  --count_;
  if (index < count_)
    std::memmove(list_ + index, list_ + index + 1, (count_ - index) * sizeof(void*));
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
  void* found = list_[index];
  --count_;
  if (index < count_)
    std::memmove(list_ + index, list_ + index + 1, (count_ - index) * sizeof(void*));
  if (found)
    Notify(found, lnExtracted);
  return found;
}

int32_t TList::IndexOf(const void* ptr) const noexcept {
  for (int32_t i = 0; i < count_; ++i)
    if (list_[i] == ptr)
      return i;
  return -1;
}

void TList::Exchange(int32_t index1, int32_t index2) {
  if (!CheckIndex(index1) || !CheckIndex(index2))
    return;
  void* t = list_[index1];
  list_[index1] = list_[index2];
  list_[index2] = t;
}

void* TList::Get(int32_t index) const {
  if (!CheckIndex(index))
    return nullptr;
  return list_[index];
}

void TList::Put(int32_t index, void* ptr) {
  if (!CheckIndex(index))
    return;
  void* old = list_[index];
  if (old == ptr)
    return;
  list_[index] = ptr;
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
  if (count > capacity_)
    SetCapacity(count);
  if (count > count_) {
    std::memset(list_ + count_, 0, (count - count_) * sizeof(void*));
    count_ = count;
    return;
  }
  // Deleting from the end keeps every removal O(1) and every notification sees a consistent list.
  while (count_ > count)
    Delete(count_ - 1);
}

void TList::SetCapacity(int32_t capacity) {
  if (capacity < count_ || capacity > kMaxCapacity) {
    Error(kCapacityError, capacity);
    return;
  }
  if (capacity == capacity_)
    return;
  if (capacity == 0) {
    platform::HeapRelease(list_);
    list_ = nullptr;
  } else if (capacity > capacity_ && list_ &&
             platform::HeapBlockSize(list_) >= static_cast<std::size_t>(capacity) * sizeof(void*)) {
    // The block already holds the grown array (an array kept for reuse is larger than the
    // capacity it starts with): no reallocation.
  } else {
    list_ = static_cast<void**>(
        platform::HeapReallocate(list_, static_cast<std::size_t>(capacity) * sizeof(void*)));
  }
  capacity_ = capacity;
}

TObjectList::~TObjectList() {
  // The base destructor cannot reach this class's Notify any more, so the objects are freed here.
  Clear();
}

void TObjectList::Notify(void* ptr, TListNotification action) {
  if (ownsObjects_ && action == lnDeleted)
    delete static_cast<TObject*>(ptr);
}
