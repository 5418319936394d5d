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

// The lines after the short-set marker; the whole map when it has none.
bool RunOnControls(TzetPlugin& instance, const TStringList& map, TComponent* target,
                   TOperation operation) {
  const std::string text = map.Text();
  const std::string head = CutAtShortMarker(text);
  std::string_view rest = text;
  if (head.size() < text.size())
    rest.remove_prefix(head.size());
  TStringList lines;
  lines.SetText(rest);
  return Run(instance, lines, target, operation);
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

bool LoadControlSettings(TzetPlugin& instance, const TStringList* map, TComponent* target) {
  if (!map)
    return false;
  return RunOnControls(instance, *map, target, TOperation::Load);
}

bool SaveControlSettings(TzetPlugin& instance, const TStringList* map, TComponent* target) {
  if (!map)
    return false;
  return RunOnControls(instance, *map, target, TOperation::Save);
}

} // namespace frame
