// Descriptor exports: what the host learns about a module instance without knowing its class.
//
// These exports create the instance on first use. A failure while the instance is created (a
// failing module constructor) must not leave the library, so each answers its no-instance value
// then.
#include "frame/descriptor_exports.h"

#include "frame/instances.h"
#include "platform/codepage.h"

#include <cstring>
#include <string>

namespace frame {
namespace {

TzetPlugin* Lookup(PPluginCallRec rec, bool create) noexcept {
  TzetPlugin* instance = nullptr;
  try {
    if (FindInstance(rec, instance, create))
      return instance;
  } catch (...) {
  }
  return nullptr;
}

std::string ToUtf8(std::string_view ansi) {
  return platform::WideToUtf8(platform::AnsiToWide(ansi));
}

constexpr uint32_t kInfoHeaderSize = sizeof(TPluginModuleInfo);

} // namespace

int32_t GetPluginIntfVersion() noexcept {
  return ZET_INTERFACE_VERSION;
}

bool GetModuleInfo(PPluginCallRec rec, TPluginModuleInfo* info, uint32_t* requiredSize) noexcept {
  try {
    if (requiredSize)
      *requiredSize = 0;
    TzetPlugin* instance = Lookup(rec, true);
    if (!instance)
      return false;
    const std::string desc = ToUtf8(instance->DescriptorText(instance->Description).View());
    const std::string cmds = ToUtf8(instance->CustomCommandsText());
    const uint64_t required = uint64_t(kInfoHeaderSize) + desc.size() + cmds.size();
    if (requiredSize)
      *requiredSize = static_cast<uint32_t>(required);
    if (!info || info->Size < kInfoHeaderSize)
      return false;

    const uint32_t size = info->Size;
    std::memset(info, 0, kInfoHeaderSize);
    info->Size = size;
    info->TypeWord = instance->TypeWord();
    info->IntfVersion = ZET_INTERFACE_VERSION;
    info->MinVersion = instance->MinVersion;
    info->MultiThread = instance->IsMultiThreadSupported ? 1 : 0;
    if (required > size)
      return false;

    auto* p = reinterpret_cast<char*>(info) + kInfoHeaderSize;
    if (!desc.empty()) {
      info->DescriptionLength = static_cast<uint32_t>(desc.size());
      info->DescriptionText = reinterpret_cast<uintptr_t>(p);
      std::memcpy(p, desc.data(), desc.size());
      p += desc.size();
    }
    if (!cmds.empty()) {
      info->CommandsLength = static_cast<uint32_t>(cmds.size());
      info->CommandsText = reinterpret_cast<uintptr_t>(p);
      std::memcpy(p, cmds.data(), cmds.size());
    }
    return true;
  } catch (...) {
    return false;
  }
}

float GetAppMinVersion(PPluginCallRec rec) noexcept {
  TzetPlugin* instance = Lookup(rec, true);
  return instance ? instance->MinVersion : -1.0f;
}

const char* GetModuleDescription(PPluginCallRec rec) noexcept {
  TzetPlugin* instance = Lookup(rec, true);
  return instance ? instance->DescriptionForHost() : nullptr;
}

uint32_t GetModuleType(PPluginCallRec rec) noexcept {
  TzetPlugin* instance = Lookup(rec, true);
  return instance ? instance->TypeWord() : 0;
}

bool MultiThreadSupport(PPluginCallRec rec) noexcept {
  TzetPlugin* instance = Lookup(rec, true);
  return instance ? instance->IsMultiThreadSupported : false;
}

int32_t GetCustomCommands(PPluginCallRec rec) noexcept {
  int32_t result = 0;
  try {
    if (!rec)
      return 0;
    rec->Output.Data = 0;
    rec->Output.Kind = ZET_KIND_INTEGER;
    TzetPlugin* instance = Lookup(rec, true);
    if (!instance)
      return 0;
    if (HasModuleType(instance->CurrentModuleType(), mttMenuExt)) {
      const std::string text = instance->CustomCommandsText();
      const auto length = static_cast<int32_t>(text.size());
      rec->Output.Data = static_cast<uintptr_t>(length);
      if (length == 0 || length > rec->Input.Size || rec->Input.Data == 0)
        return 0;
      std::memcpy(reinterpret_cast<void*>(rec->Input.Data), text.data(), text.size());
    }
    result = static_cast<int32_t>(rec->Output.Data);
  } catch (...) {
  }
  return result;
}

} // namespace frame
