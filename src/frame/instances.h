// The frame-wide instance bookkeeping: the list of live module instances, the class they are
// created from, and the lookup that creates and releases them for a call record.
#pragma once

#include "frame/plugin.h"
#include "zet_plugin_abi.h"

#include <functional>

namespace frame {

/// True exactly when Rec is set, its RecordTag is 102, and Params is set or Action is -1 or -2.
bool IsValidCallRec(const TPluginCallRec* rec) noexcept;

/// Finds the instance named by Rec's ModuleHandle, creating it when Create is set, or releases
/// it when Action is -1 (the answer is then false). At most one instance exists per handle, also
/// when two threads make the first call at once. Raises what the module's creation raises.
bool FindInstance(PPluginCallRec rec, TzetPlugin*& instance, bool create);

/// Calls Fn for every live instance in list order, under the instance list's shared lock.
void ForEachInstance(const std::function<void(TzetPlugin&)>& fn);

/// Replaces the class that new instances are created from.
void SetPluginClass(const TzetPluginClass& moduleClass);
const TzetPluginClass& PluginClass();

/// Library start: creates the instance list and makes TzetPlugin the module class.
void LibraryStart();
/// Library end: detaches the instance list (later lookups find none) and destroys every
/// instance still in it.
void LibraryEnd();
/// True between LibraryStart and LibraryEnd.
bool InstanceListExists();

} // namespace frame
