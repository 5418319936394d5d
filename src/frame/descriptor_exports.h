// The bodies of the library's exports. The export table in dll/ forwards each export here; every
// function answers its documented value and lets no C++ exception out.
#pragma once

#include "zet_plugin_abi.h"

#include <cstdint>

namespace frame {

int32_t GetPluginIntfVersion() noexcept;
bool GetModuleInfo(PPluginCallRec rec, TPluginModuleInfo* info, uint32_t* requiredSize) noexcept;
float GetAppMinVersion(PPluginCallRec rec) noexcept;
const char* GetModuleDescription(PPluginCallRec rec) noexcept;
uint32_t GetModuleType(PPluginCallRec rec) noexcept;
bool MultiThreadSupport(PPluginCallRec rec) noexcept;
int32_t GetCustomCommands(PPluginCallRec rec) noexcept;

int32_t ExecutePluginCommand(PPluginCallRec rec) noexcept;
void ShowOptionsDialog(PPluginCallRec rec) noexcept;
int32_t ProcessData(PPluginCallRec rec) noexcept;
int32_t GetData(PPluginCallRec rec) noexcept;
int32_t GetEvents(PPluginCallRec rec) noexcept;
int32_t GetLogEx(PPluginCallRec rec) noexcept;

} // namespace frame
