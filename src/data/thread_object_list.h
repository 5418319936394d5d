// A lock-protected list of objects (unit Thread_ObjectList): the frame's instance list and the
// aggregation engine's list of configured variables, whose exclusive lock is the engine lock.
#pragma once

#include "data/thread_object.h"
#include "rtl/pointer_list.h"

#include <cstdint>

class TThreadObjectList : public TThreadObject {
public:
  /// The inner list frees the objects removed from it when OwnsObjects is true.
  explicit TThreadObjectList(bool ownsObjects = true);
  /// Takes the exclusive lock, frees the inner list (and the objects it owns), releases the lock.
  ~TThreadObjectList() override;

  /// Takes the exclusive lock and answers the inner list.
  TObjectList* LockList();
  void UnlockList() { UnlockWrite(); }
  /// Takes the shared lock and answers the inner list.
  TObjectList* LockListRead();
  void UnlockListRead() { UnlockRead(); }

  /// Empties the inner list under the exclusive lock (freeing the objects when it owns them).
  void Clear();
  /// The number of objects, read under the shared lock.
  int32_t Count();

  /// Scoped LockList / UnlockList.
  using WriteLocked = TLockedView<TThreadObjectList, TObjectList, &TThreadObjectList::LockList,
                                  &TThreadObjectList::UnlockList>;
  /// Scoped LockListRead / UnlockListRead.
  using ReadLocked =
      TLockedView<TThreadObjectList, const TObjectList, &TThreadObjectList::LockListRead,
                  &TThreadObjectList::UnlockListRead>;

private:
  TObjectList* list_;
};
