#include "frame/settings_location.h"

#include "frame/plugin.h"
#include "settings/map_line.h"
#include "rtl/file_names.h"
#include "settings/settings_store.h"
#include "support/system_info.h"

namespace frame {
namespace {

enum class TOperation { Load, Save };

bool Run(TzetPlugin& instance, const TStringList& map, TComponent* target, TOperation operation,
         std::string* error = nullptr) {
  TWreg store(nullptr);
  store.SetRegistryRoot(instance.ModuleRegistryRoot1);
  store.SetSecondRegistryRoot(instance.ModuleRegistryRoot2);
  store.SetRegistryPath(instance.ModuleRegistryPath.Str());
  store.SetINIFileSectionPrefix(instance.INISectionPrefix.Str());
  store.SetINIFile(instance.INIFile.Str());
  store.SetComponents(&map);
  store.SetKeysStoredOnlyOffDefault(instance.KeysStoredOnlyOffDefault);
  const bool done =
      operation == TOperation::Load ? store.LoadValues(target) : store.SaveValues(target);
  if (!done && error)
    *error = store.LastError();
  return done;
}

// The lines after the short-set marker; the whole map when it has none.
bool RunOnControls(TzetPlugin& instance, const TStringList& map, TComponent* target,
                   TOperation operation, std::string* error = nullptr) {
  const std::string text = map.Text();
  const std::string head = CutAtShortMarker(text);
  std::string_view rest = text;
  if (head.size() < text.size())
    rest.remove_prefix(head.size());
  TStringList lines;
  lines.SetText(rest);
  return Run(instance, lines, target, operation, error);
}

} // namespace

bool LoadSettings(TzetPlugin& instance, const TStringList* map, TComponent* target) {
  if (!map)
    return false;
  return Run(instance, *map, target, TOperation::Load);
}

bool SaveSettings(TzetPlugin& instance, const TStringList* map, TComponent* target,
                  std::string* error) {
  if (!map)
    return false;
  return Run(instance, *map, target, TOperation::Save, error);
}

void SaveShortSettings(TzetPlugin& instance, const TStringList* map, TComponent* target) {
  if (!map)
    return;
  TStringList shortMap;
  shortMap.SetText(CutAtShortMarker(map->Text()));
  Run(instance, shortMap, target, TOperation::Save);
}

bool LoadControlSettings(TzetPlugin& instance, const TStringList* map, TComponent* target) {
  if (!map)
    return false;
  return RunOnControls(instance, *map, target, TOperation::Load);
}

bool SaveControlSettings(TzetPlugin& instance, const TStringList* map, TComponent* target,
                         std::string* error) {
  if (!map)
    return false;
  return RunOnControls(instance, *map, target, TOperation::Save, error);
}

std::string SettingsSidecarPath(const TzetPlugin& instance, std::string_view extension) {
  const std::string ini = instance.INIFile.Str();
  const std::string prefix = instance.INISectionPrefix.Str();
  if (!ini.empty() && ini != TWreg::kCustomStorage) {
    std::string path = rtl::ChangeFileExt(ini, "");
    if (!prefix.empty())
      path += "." + support::MakeValidFileName(prefix, /*strict=*/true, '-');
    return path + std::string(extension);
  }
  std::string name =
      support::MakeValidFileName(instance.ModuleRegistryPath.View(), /*strict=*/true, '-');
  if (name.empty())
    name = "settings";
  return instance.ModuleDataPath() + name + std::string(extension);
}

} // namespace frame
