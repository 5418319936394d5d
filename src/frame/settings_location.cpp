#include "frame/settings_location.h"

#include "frame/plugin.h"
#include "settings/map_line.h"
#include "settings/settings_store.h"

namespace frame {
namespace {

enum class TOperation { Load, Save };

bool Run(TzetPlugin& instance, const TStringList& map, TComponent* target, TOperation operation) {
  TWreg store(nullptr);
  store.SetRegistryRoot(instance.ModuleRegistryRoot1);
  store.SetSecondRegistryRoot(instance.ModuleRegistryRoot2);
  store.SetRegistryPath(instance.ModuleRegistryPath.Str());
  store.SetINIFileSectionPrefix(instance.INISectionPrefix.Str());
  store.SetINIFile(instance.INIFile.Str());
  store.SetComponents(&map);
  return operation == TOperation::Load ? store.LoadValues(target) : store.SaveValues(target);
}

} // namespace

bool LoadSettings(TzetPlugin& instance, const TStringList* map, TComponent* target) {
  if (!map)
    return false;
  return Run(instance, *map, target, TOperation::Load);
}

bool SaveSettings(TzetPlugin& instance, const TStringList* map, TComponent* target) {
  if (!map)
    return false;
  return Run(instance, *map, target, TOperation::Save);
}

void SaveShortSettings(TzetPlugin& instance, const TStringList* map, TComponent* target) {
  if (!map)
    return;
  TStringList shortMap;
  shortMap.SetText(CutAtShortMarker(map->Text()));
  Run(instance, shortMap, target, TOperation::Save);
}

} // namespace frame
