// A lock-protected parameter list: the frame's named module parameters.
#pragma once

#include "data/params_list.h"
#include "data/thread_object.h"

class TzetThreadParamsList : public TThreadObject {
public:
  TzetThreadParamsList();
  /// Frees the inner list without taking the lock.
  ~TzetThreadParamsList() override;

  /// Takes the shared lock and answers the inner list.
  TzetParamsList* LockRead() { return static_cast<TzetParamsList*>(TThreadObject::LockRead()); }
  /// Takes the exclusive lock and answers the inner list.
  TzetParamsList* LockWrite() { return static_cast<TzetParamsList*>(TThreadObject::LockWrite()); }

  using ReadLocked = TLockedView<TzetThreadParamsList, const TzetParamsList,
                                 &TzetThreadParamsList::LockRead, &TThreadObject::UnlockRead>;
  using WriteLocked = TLockedView<TzetThreadParamsList, TzetParamsList,
                                  &TzetThreadParamsList::LockWrite, &TThreadObject::UnlockWrite>;

private:
  TzetParamsList* list_;
};
