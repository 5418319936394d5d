// The library's export table: 13 plug-in exports and the trace entry, by name, undecorated,
// with the platform's standard calling convention (named in the .def file on Windows).
#include "frame/descriptor_exports.h"
#include "zet_plugin_abi.h"

#include <type_traits>

extern "C" {

AGG_EXPORT int32_t ZET_CALL GetPluginIntfVersion() {
  return frame::GetPluginIntfVersion();
}

AGG_EXPORT uint8_t ZET_CALL GetModuleInfo(PPluginCallRec rec, TPluginModuleInfo* info,
                                          uint32_t* requiredSize) {
  return frame::GetModuleInfo(rec, info, requiredSize) ? 1 : 0;
}

AGG_EXPORT float ZET_CALL GetAppMinVersion(PPluginCallRec rec) {
  return frame::GetAppMinVersion(rec);
}

AGG_EXPORT const char* ZET_CALL GetModuleDescription(PPluginCallRec rec) {
  return frame::GetModuleDescription(rec);
}

AGG_EXPORT uint32_t ZET_CALL GetModuleType(PPluginCallRec rec) {
  return frame::GetModuleType(rec);
}

AGG_EXPORT uint8_t ZET_CALL MultiThreadSupport(PPluginCallRec rec) {
  return frame::MultiThreadSupport(rec) ? 1 : 0;
}

AGG_EXPORT int32_t ZET_CALL GetCustomCommands(PPluginCallRec rec) {
  return frame::GetCustomCommands(rec);
}

AGG_EXPORT int32_t ZET_CALL ExecutePluginCommand(PPluginCallRec rec) {
  return frame::ExecutePluginCommand(rec);
}

AGG_EXPORT void ZET_CALL ShowOptionsDialog(PPluginCallRec rec) {
  frame::ShowOptionsDialog(rec);
}

AGG_EXPORT int32_t ZET_CALL ProcessData(PPluginCallRec rec) {
  return frame::ProcessData(rec);
}

AGG_EXPORT int32_t ZET_CALL GetData(PPluginCallRec rec) {
  return frame::GetData(rec);
}

AGG_EXPORT int32_t ZET_CALL GetEvents(PPluginCallRec rec) {
  return frame::GetEvents(rec);
}

AGG_EXPORT int32_t ZET_CALL GetLogEx(PPluginCallRec rec) {
  return frame::GetLogEx(rec);
}

// The trace entry of a crash-reporting component, which this product does not include: it takes
// no arguments and does nothing.
AGG_EXPORT void ZET_CALL madTraceProcess() {}

} // extern "C"

// A host calls each export through the function type the ABI header gives it. Every export has
// exactly that type, calling convention included, so that a change on either side fails to
// compile instead of unbalancing the host's stack.
static_assert(std::is_same_v<decltype(&::GetPluginIntfVersion), PFN_GetPluginIntfVersion>);
static_assert(std::is_same_v<decltype(&::GetModuleInfo), PFN_GetModuleInfo>);
static_assert(std::is_same_v<decltype(&::GetAppMinVersion), PFN_GetAppMinVersion>);
static_assert(std::is_same_v<decltype(&::GetModuleDescription), PFN_GetModuleDescription>);
static_assert(std::is_same_v<decltype(&::GetModuleType), PFN_GetModuleType>);
static_assert(std::is_same_v<decltype(&::MultiThreadSupport), PFN_MultiThreadSupport>);
static_assert(std::is_same_v<decltype(&::GetCustomCommands), PFN_GetCustomCommands>);
static_assert(std::is_same_v<decltype(&::ExecutePluginCommand), PFN_ExecutePluginCommand>);
static_assert(std::is_same_v<decltype(&::ShowOptionsDialog), PFN_ShowOptionsDialog>);
static_assert(std::is_same_v<decltype(&::ProcessData), PFN_ProcessData>);
static_assert(std::is_same_v<decltype(&::GetData), PFN_GetData>);
static_assert(std::is_same_v<decltype(&::GetEvents), PFN_GetEvents>);
static_assert(std::is_same_v<decltype(&::GetLogEx), PFN_GetLogEx>);
