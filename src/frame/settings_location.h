// Loading and saving a module's settings at the location the host gave the instance: the registry
// under ModuleRegistryPath (below ModuleRegistryRoot1, else ModuleRegistryRoot2), or the INI file
// INIFile with the section prefix INISectionPrefix. Each operation runs one settings store
// (settings/settings_store.h) with a property map for a target: the module's settings object or
// its options dialog. The module never opens the registry or a file itself.
//
// Failures of the store reach the caller; the command and dialog guards catch them. A save that
// answers false puts the reason (the file, lock or key and the system's cause) into Error when
// one is given.
#pragma once

#include "rtl/string_list.h"

#include <string>
#include <string_view>

class TComponent;
class TzetPlugin;

namespace frame {

/// Reads every item of Map from the instance's settings location into Target. False without a
/// map (nothing else happens then) or when the storage could not be opened.
bool LoadSettings(TzetPlugin& instance, const TStringList* map, TComponent* target);
/// Writes every item of Map from Target to the instance's settings location. False without a map
/// or when the storage could not be opened or written.
bool SaveSettings(TzetPlugin& instance, const TStringList* map, TComponent* target,
                  std::string* error = nullptr);
/// Writes only the lines of Map up to and including the short-set marker ";---short---" (the
/// window position of a dialog); the whole map when it has no marker.
void SaveShortSettings(TzetPlugin& instance, const TStringList* map, TComponent* target);
/// Read and write only the lines of Map after the short-set marker (the controls, without the
/// window position); the whole map when it has no marker. False as LoadSettings and SaveSettings.
bool LoadControlSettings(TzetPlugin& instance, const TStringList* map, TComponent* target);
bool SaveControlSettings(TzetPlugin& instance, const TStringList* map, TComponent* target,
                         std::string* error = nullptr);

/// A file of the instance's own beside its settings, named with Extension (".pending"): beside
/// the INI file, named after it and the section prefix ("weather.ini" with the prefix "North"
/// gives "weather.North.pending"); for settings in the registry, in the module's data folder
/// (TzetPlugin::ModuleDataPath), named after the registry path. Nothing is created.
std::string SettingsSidecarPath(const TzetPlugin& instance, std::string_view extension);

} // namespace frame
