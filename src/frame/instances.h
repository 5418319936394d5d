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
/// it when Action is -1 (the answer is then false). An instance released while an options
/// dialog runs on it leaves the list at once; its dialogs are asked to close (as with the close
/// box) and the dialog call destroys it when they have. At most one instance exists per handle,
/// also when two threads make the first call at once. Raises what the module's creation raises.
bool FindInstance(PPluginCallRec rec, TzetPlugin*& instance, bool create);

/// Finds or creates the instance of Rec for an options dialog and counts the dialog run on it
/// (under the list's lock, so that no release comes in between); null when there is none. Each
/// answer other than null must be given back with EndDialogRun.
TzetPlugin* BeginDialogRun(PPluginCallRec rec);
/// Ends a dialog run; an instance released meanwhile is destroyed here, by the last run.
void EndDialogRun(TzetPlugin* instance) noexcept;

/// Calls Fn for every live instance in list order, under the instance list's shared lock.
void ForEachInstance(const std::function<void(TzetPlugin&)>& fn);

/// Replaces the class that new instances are created from.
void SetPluginClass(const TzetPluginClass& moduleClass);
const TzetPluginClass& PluginClass();

/// Library start: creates the instance list and makes TzetPlugin the module class.
void LibraryStart();
/// Library end: detaches the instance list (later lookups find none) and releases every
/// instance still in it, as a release call would.
void LibraryEnd();
/// True between LibraryStart and LibraryEnd.
bool InstanceListExists();

} // namespace frame
