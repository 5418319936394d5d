#include "frame/settings_location.h"

#include "frame/plugin.h"
#include "settings/map_line.h"
#include "settings/settings_store.h"

namespace frame {
namespace {

// The instance's root fields and the store's roots share their ordinals; the store adds rrNone.
static_assert(static_cast<int>(rrHKEY_CLASSES_ROOT) == TWreg::rrHKEY_CLASSES_ROOT);
static_assert(static_cast<int>(rrHKEY_CURRENT_USER) == TWreg::rrHKEY_CURRENT_USER);
static_assert(static_cast<int>(rrHKEY_LOCAL_MACHINE) == TWreg::rrHKEY_LOCAL_MACHINE);
static_assert(static_cast<int>(rrHKEY_USERS) == TWreg::rrHKEY_USERS);
static_assert(static_cast<int>(rrHKEY_PERFORMANCE_DATA) == TWreg::rrHKEY_PERFORMANCE_DATA);
static_assert(static_cast<int>(rrHKEY_CURRENT_CONFIG) == TWreg::rrHKEY_CURRENT_CONFIG);
static_assert(static_cast<int>(rrHKEY_DYN_DATA) == TWreg::rrHKEY_DYN_DATA);

TWreg::TRegistryRoot StoreRoot(TRegistryRoot root) {
  return static_cast<TWreg::TRegistryRoot>(root);
}

enum class TOperation { Load, Save };

bool Run(TzetPlugin& instance, const TStringList& map, TComponent* target, TOperation operation) {
  TWreg store(nullptr);
  store.SetRegistryRoot(StoreRoot(instance.ModuleRegistryRoot1));
  store.SetSecondRegistryRoot(StoreRoot(instance.ModuleRegistryRoot2));
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
