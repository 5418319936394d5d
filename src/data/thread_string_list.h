// A string list with its own reader/writer lock (unit Thread_StringList): the base of the frame's
// module-configuration list and of the pending host log lines.
#pragma once

#include "data/locked_view.h"
#include "rtl/object.h"
#include "rtl/rw_lock.h"
#include "rtl/string_list.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class TThreadStringList : public TObject {
public:
  /// Creates the lock and the inner list (unsorted, duplicates ignored).
  TThreadStringList();
  /// Takes the exclusive lock, frees the inner list, releases the lock, frees the lock.
  ~TThreadStringList() override;

  /// Takes the exclusive lock and answers the inner list.
  TStringList* LockList();
  void UnlockList();
  /// Takes the shared lock and answers the inner list.
  TStringList* LockListRead();
  void UnlockListRead();

  /// The number of lines, read under the shared lock.
  int32_t Count();
  /// Replaces all lines by Text split at CR, LF or CR LF, under the exclusive lock.
  void SetText(std::string_view text);
  /// All lines, each followed by CR LF, read under the shared lock.
  std::string Text();
  /// Appends one line under the exclusive lock.
  void Add(std::string_view line);
  /// Removes all lines under the exclusive lock.
  void Clear();

  /// Scoped LockList / UnlockList.
  using WriteLocked = TLockedView<TThreadStringList, TStringList, &TThreadStringList::LockList,
                                  &TThreadStringList::UnlockList>;
  /// Scoped LockListRead / UnlockListRead.
  using ReadLocked =
      TLockedView<TThreadStringList, const TStringList, &TThreadStringList::LockListRead,
                  &TThreadStringList::UnlockListRead>;

private:
  std::unique_ptr<TStringList> list_;
  std::unique_ptr<rtl::ReentrantRwLock> lock_;
};
