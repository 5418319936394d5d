#include "frame/instances.h"

#include "data/thread_object_list.h"
#include "rtl/pointer_list.h"

#include <atomic>
#include <memory>

namespace frame {
namespace {

std::atomic<TThreadObjectList*> gInstanceList{nullptr};
std::atomic<const TzetPluginClass*> gPluginClass{nullptr};

TzetPlugin* FindIn(const TObjectList& list, uint32_t handle) {
  for (int32_t i = 0; i < list.Count(); ++i) {
    auto* p = static_cast<TzetPlugin*>(list.Get(i));
    if (p->ModuleHandle == handle)
      return p;
  }
  return nullptr;
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

  // The shared lock is held until the instance is set or the released one is detached.
  TzetPlugin* doomed = nullptr;
  std::unique_ptr<TzetPlugin> created;
  {
    TThreadObjectList::ReadLocked shared(*instances);
    TzetPlugin* found = FindIn(shared.List(), handle);
    if (found && rec->Action != ZET_ACTION_RELEASE) {
      instance = found;
      return true;
    }
    if (found) {
      TThreadObjectList::WriteLocked exclusive(*instances);
      // Another thread may have released the same instance while this one waited.
      if (exclusive.List().Extract(found))
        doomed = found;
    } else if (rec->Action != ZET_ACTION_RELEASE && create) {
      // Created under the shared lock only, so that other lookups go on meanwhile.
      created.reset(TzetPlugin::Create(PluginClass(), rec, 0));
      TThreadObjectList::WriteLocked exclusive(*instances);
      // Test again: a thread that asked at the same moment may have appended its instance first.
      instance = FindIn(exclusive.List(), handle);
      if (!instance) {
        created->ModuleHandle = handle;
        exclusive.List().Add(created.get());
        instance = created.release();
      }
    }
  }
  // Destruction runs after both locks are released.
  TzetPlugin::Destroy(doomed);
  TzetPlugin::Destroy(created.release());
  return instance != nullptr;
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
    for (int32_t i = 0; i < inner.Count(); ++i)
      TzetPlugin::Destroy(static_cast<TzetPlugin*>(inner.Get(i)));
    inner.Clear();
  }
}

bool InstanceListExists() {
  return gInstanceList.load(std::memory_order_acquire) != nullptr;
}

} // namespace frame
