// The runtime's growable pointer list and the owning object list built on it.
//
// TList's object layout is part of the parameter-list layout that crosses the plug-in boundary:
// the vtable pointer, then the item array, Count and Capacity, so that a derived class's first
// field follows at offset 16 in a 32-bit process. The item array always comes from the process
// heap, because the other side of the boundary may grow a parameter list's array with its own
// reallocation or free it.
//
// Growth policy (Grow): a list of more than 64 slots grows by a quarter of its capacity, one of
// more than 8 slots by 16, a smaller one by 4. That keeps appends amortised constant while small
// lists (the usual command parameter lists) stay small.
#pragma once

#include "rtl/exceptions.h"
#include "rtl/object.h"

#include <cstdint>
#include <utility>

/// What happened to a slot's pointer; passed to TList::Notify.
enum TListNotification { lnAdded, lnExtracted, lnDeleted };

/// An index, count or capacity outside the list's bounds.
class EListError : public rtl::Exception {
public:
  using Exception::Exception;
};

class TList : public TObject {
public:
  TList() noexcept = default;
  ~TList() override;

  /// Enlarges the capacity by one growth step (see the policy above).
  virtual void Grow();
  /// Called when a non-null pointer enters the list (lnAdded) or leaves it (lnExtracted,
  /// lnDeleted). Does nothing here; owning lists free on lnDeleted.
  virtual void Notify(void* ptr, TListNotification action);
  /// Removes every pointer (last first, each with lnDeleted) and releases the array.
  virtual void Clear();
  /// Raises EListError with Msg formatted with Data (Msg holds one "%d").
  virtual void Error(const char* msg, int32_t data);

  /// Appends Ptr and answers its index.
  int32_t Add(void* ptr) {
    const int32_t index = count_;
    if (index == capacity_)
      Grow();
    list_[index] = ptr;
    ++count_;
    if (ptr)
      Notify(ptr, lnAdded);
    return index;
  }
  /// Inserts Ptr before Index (0..Count).
  void Insert(int32_t index, void* ptr);
  /// Removes the pointer at Index (notified as lnDeleted).
  void Delete(int32_t index);
  /// Removes the first occurrence of Ptr; answers its former index or -1.
  int32_t Remove(void* ptr);
  /// Removes the first occurrence of Ptr without deleting it (lnExtracted); answers Ptr or null.
  void* Extract(void* ptr);
  /// Index of the first occurrence of Ptr, or -1.
  int32_t IndexOf(const void* ptr) const noexcept;
  void Exchange(int32_t index1, int32_t index2);

  /// The pointer at Index; raises EListError when Index is outside 0..Count-1.
  void* Get(int32_t index) const;
  /// Replaces the pointer at Index (old one lnDeleted, new one lnAdded).
  void Put(int32_t index, void* ptr);
  void* First() const { return Get(0); }
  void* Last() const { return Get(count_ - 1); }

  int32_t Count() const noexcept { return count_; }
  /// Shrinking deletes the pointers beyond the new count; growing appends null slots.
  void SetCount(int32_t count);
  int32_t Capacity() const noexcept { return capacity_; }
  /// Reallocates the item array; raises EListError below Count.
  void SetCapacity(int32_t capacity);
  /// The item array itself (null while Capacity is 0).
  void** List() const noexcept { return list_; }
  /// Exchanges the item arrays of two lists of the same kind, without notifications: each list
  /// then owns what the other held.
  void SwapContents(TList& other) noexcept {
    std::swap(list_, other.list_);
    std::swap(count_, other.count_);
    std::swap(capacity_, other.capacity_);
  }

  /// Takes the item array out of the list, which is then empty with capacity 0 and no array; the
  /// caller owns the array and the pointers in its first Count slots.
  void** TakeArray() noexcept {
    void** array = list_;
    list_ = nullptr;
    count_ = 0;
    capacity_ = 0;
    return array;
  }
  /// Gives an empty list without an array a process-heap block to grow into: Capacity stays 0
  /// and grows by the usual steps, each taken within the block while it is large enough.
  void AdoptArray(void** array) noexcept {
    if (list_ || count_ != 0)
      return;
    list_ = array;
    capacity_ = 0;
  }

  /// The capacity one growth step after Capacity (the policy above).
  static constexpr int32_t GrownCapacity(int32_t capacity) noexcept {
    if (capacity < 0)
      capacity = 0;
    if (capacity > 64)
      return capacity + capacity / 4;
    return capacity + (capacity > 8 ? 16 : 4);
  }

protected:
  /// Index check shared by the accessors; raises through Error.
  bool CheckIndex(int32_t index) const;

  void** list_ = nullptr;
  int32_t count_ = 0;
  int32_t capacity_ = 0;
};

/// A TList of TObject pointers that, when it owns its objects, frees each one that is deleted
/// from it (Delete, Remove, Clear, Put, SetCount, destruction) but not one that is extracted.
class TObjectList : public TList {
public:
  explicit TObjectList(bool ownsObjects = true) noexcept : ownsObjects_(ownsObjects) {}
  ~TObjectList() override;

  void Notify(void* ptr, TListNotification action) override;

  bool OwnsObjects() const noexcept { return ownsObjects_; }
  void SetOwnsObjects(bool owns) noexcept { ownsObjects_ = owns; }

  int32_t Add(TObject* object) { return TList::Add(object); }
  void Insert(int32_t index, TObject* object) { TList::Insert(index, object); }
  int32_t Remove(TObject* object) { return TList::Remove(object); }
  TObject* Extract(TObject* object) { return static_cast<TObject*>(TList::Extract(object)); }
  int32_t IndexOf(const TObject* object) const noexcept { return TList::IndexOf(object); }
  TObject* Get(int32_t index) const { return static_cast<TObject*>(TList::Get(index)); }
  void Put(int32_t index, TObject* object) { TList::Put(index, object); }

private:
  bool ownsObjects_;
};
