#include "frame/instances.h"

#include "data/thread_object_list.h"
#include "platform/thread_slot.h"
#include "rtl/pointer_list.h"
#include "ui/form.h"

#include <atomic>
#include <memory>

namespace frame {
namespace {

std::atomic<TThreadObjectList*> gInstanceList{nullptr};
std::atomic<const TzetPluginClass*> gPluginClass{nullptr};

/// Counts the changes of the instance list, and new lists: a lookup made while the count stood
/// at some value still holds while it stands there.
std::atomic<uint64_t> gListChanges{0};

/// The calling thread's last lookup. A host calls its instances again and again from the same
/// threads, so the next call usually finds its instance here, without the list's lock.
struct LastLookup {
  const TThreadObjectList* List = nullptr;
  uint64_t Changes = 0;
  uint32_t Handle = 0;
  TzetPlugin* Instance = nullptr;
};

/// Counts a change of the list; called under its exclusive lock, after the change.
void ListChanged() {
  gListChanges.fetch_add(1, std::memory_order_acq_rel);
}

TzetPlugin* FindIn(const TObjectList& list, uint32_t handle) {
  for (int32_t i = 0; i < list.Count(); ++i) {
    auto* p = static_cast<TzetPlugin*>(list.Get(i));
    if (p->ModuleHandle == handle)
      return p;
  }
  return nullptr;
}

// Releases an instance that has left the list: destroyed now, or, while dialogs run on it, by
// the last of them once they have closed.
void Release(TzetPlugin* instance) noexcept {
  if (!instance)
    return;
  const uint32_t before = instance->DialogRuns.fetch_or(TzetPlugin::kReleasedDuringDialog);
  if ((before & ~TzetPlugin::kReleasedDuringDialog) == 0) {
    TzetPlugin::Destroy(instance);
    return;
  }
  RequestCloseOfFormsOf(instance);
}

} // namespace

bool IsValidCallRec(const TPluginCallRec* rec) noexcept {
  return rec && rec->RecordTag == ZET_RECORD_TAG &&
         (rec->Params || rec->Action == ZET_ACTION_RELEASE || rec->Action == ZET_ACTION_SHUTDOWN);
}

bool FindInstance(PPluginCallRec rec, TzetPlugin*& instance, bool create) {
  instance = nullptr;
  if (!rec || rec->Action == ZET_ACTION_SHUTDOWN || rec->ModuleHandle == 0)
    return false;
  TThreadObjectList* instances = gInstanceList.load(std::memory_order_acquire);
  if (!instances)
    return false;
  const uint32_t handle = rec->ModuleHandle;
  const bool release = rec->Action == ZET_ACTION_RELEASE;
  LastLookup& last = platform::ThreadCached<LastLookup>();
  if (!release && last.List == instances && last.Handle == handle &&
      last.Changes == gListChanges.load(std::memory_order_acquire)) {
    instance = last.Instance;
    return true;
  }

  // The shared lock is held until the instance is set or the released one is detached.
  TzetPlugin* doomed = nullptr;
  std::unique_ptr<TzetPlugin> created;
  {
    TThreadObjectList::ReadLocked shared(*instances);
    // Read under the shared lock, before the lookup: no change can come in between.
    const uint64_t changes = gListChanges.load(std::memory_order_acquire);
    TzetPlugin* found = FindIn(shared.List(), handle);
    if (found && !release) {
      instance = found;
      last = LastLookup{instances, changes, handle, found};
      return true;
    }
    if (found) {
      TThreadObjectList::WriteLocked exclusive(*instances);
      // Another thread may have released the same instance while this one waited.
      if (exclusive.List().Extract(found)) {
        doomed = found;
        ListChanged();
      }
    } else if (!release && create) {
      // Created under the shared lock only, so that other lookups go on meanwhile.
      created.reset(TzetPlugin::Create(PluginClass(), rec, 0));
      TThreadObjectList::WriteLocked exclusive(*instances);
      // Test again: a thread that asked at the same moment may have appended its instance first.
      instance = FindIn(exclusive.List(), handle);
      if (!instance) {
        created->ModuleHandle = handle;
        exclusive.List().Add(created.get());
        instance = created.release();
        ListChanged();
      }
    }
  }
  // Destruction runs after both locks are released.
  Release(doomed);
  TzetPlugin::Destroy(created.release());
  return instance != nullptr;
}

TzetPlugin* BeginDialogRun(PPluginCallRec rec) {
  TzetPlugin* instance = nullptr;
  if (!FindInstance(rec, instance, true) || !instance)
    return nullptr;
  TThreadObjectList* instances = gInstanceList.load(std::memory_order_acquire);
  if (!instances)
    return nullptr;
  // Counted under the shared lock: a release takes the instance out under the exclusive one and
  // then sees the count.
  TThreadObjectList::ReadLocked shared(*instances);
  TzetPlugin* found = FindIn(shared.List(), rec->ModuleHandle);
  if (found)
    found->DialogRuns.fetch_add(1);
  return found;
}

void EndDialogRun(TzetPlugin* instance) noexcept {
  if (instance && instance->DialogRuns.fetch_sub(1) == (TzetPlugin::kReleasedDuringDialog | 1u))
    TzetPlugin::Destroy(instance);
}

void ForEachInstance(const std::function<void(TzetPlugin&)>& fn) {
  TThreadObjectList* instances = gInstanceList.load(std::memory_order_acquire);
  if (!instances)
    return;
  TThreadObjectList::ReadLocked shared(*instances);
  const TObjectList& list = shared.List();
  for (int32_t i = 0; i < list.Count(); ++i)
    fn(*static_cast<TzetPlugin*>(list.Get(i)));
}

void SetPluginClass(const TzetPluginClass& moduleClass) {
  gPluginClass.store(&moduleClass, std::memory_order_release);
}

const TzetPluginClass& PluginClass() {
  const TzetPluginClass* c = gPluginClass.load(std::memory_order_acquire);
  return c ? *c : TzetPlugin::ClassRef();
}

void LibraryStart() {
  auto* list = new TThreadObjectList(false);
  // A new list may take the address of an old one: the count tells them apart.
  ListChanged();
  delete gInstanceList.exchange(list, std::memory_order_acq_rel);
  SetPluginClass(TzetPlugin::ClassRef());
}

void LibraryEnd() {
  std::unique_ptr<TThreadObjectList> list(
      gInstanceList.exchange(nullptr, std::memory_order_acq_rel));
  if (!list)
    return;
  {
    TThreadObjectList::WriteLocked exclusive(*list);
    TObjectList& inner = exclusive.List();
    ListChanged();
    for (int32_t i = 0; i < inner.Count(); ++i)
      Release(static_cast<TzetPlugin*>(inner.Get(i)));
    inner.Clear();
  }
}

bool InstanceListExists() {
  return gInstanceList.load(std::memory_order_acquire) != nullptr;
}

} // namespace frame
