// The settings store: moves a module's settings between a target object and persistent storage.
//
// What is stored is the property map in Components: each line names an item of the target (a
// control property of an options dialog, or a mirrored property of a settings object) and the key
// under which it is kept (settings/map_line.h, settings/property_map.h). The storage is chosen
// afresh by every operation:
//   INIFile = "$CUSTOM$"                      the custom backend (ReadCustomValue/WriteCustomValue,
//                                             which a subclass overrides; the base keeps nothing)
//   INIFile names a file (that exists, or the
//   operation saves)                          that INI file, under a system-wide lock named after
//                                             the file, held from before it is read until after it
//                                             is written back
//   otherwise                                 the registry under RegistryPath, below RegistryRoot,
//                                             or below SecondRegistryRoot when the first root
//                                             cannot be opened (or created, when saving) for
//                                             reading and writing
//
// Value formats follow the item's kind: integers are REG_DWORD values or decimal INI texts,
// floating-point numbers 8-byte REG_BINARY values (IEEE 754 double, little-endian) or general
// decimal INI texts, everything else (texts, enumerations by identifier, string lists, component
// paths) REG_SZ values or INI texts, coded to 7 bits (settings/stored_text.h). An empty or null
// value deletes the stored entry. A failure inside one map line is absorbed and the next line
// goes on; in the registry, a value that cannot be read, applied or written is deleted, so that
// the property keeps its value the next time.
//
// A store holds no open storage between operations and is used by one thread at a time.
#pragma once

#include "rtl/component.h"
#include "rtl/published.h"
#include "rtl/published_event.h"
#include "rtl/string_list.h"
#include "rtl/variant.h"
#include "settings/registry_root.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class TWreg : public TComponent {
public:
  /// Sender is the store, Name the property name that resolution produced (empty for an item
  /// that resolved to no object), Index the 0-based position of the line in Components.
  using TSetValueProc = void(TObject* sender, const std::string& name, int32_t index,
                             const rtl::Variant& value);
  using TGetValueProc = void(TObject* sender, const std::string& name, int32_t index,
                             rtl::Variant& value);
  using TBeforeProcessItemProc = void(TObject* sender, const std::string& name, int32_t index,
                                      bool& isRequireProcessing, bool& isVirtual,
                                      TTypeKind& itemType);

  /// The value of INIFile that selects the custom backend.
  static constexpr const char* kCustomStorage = "$CUSTOM$";

  explicit TWreg(TComponent* owner);
  ~TWreg() override;

  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }

  /// Reads every map item from storage into Target. Map, when given, replaces Components for the
  /// duration of the call. True when the storage could be opened: always for an INI file and the
  /// custom backend, for the registry when a root holds RegistryPath. Raises the file error when
  /// the INI file exists but cannot be read.
  bool LoadValues(TObject* target, const TStringList* map = nullptr);
  /// Writes every map item of Target into storage. True when the storage could be opened, every
  /// value could be written and, for an INI file, the file could be written back (a file that
  /// cannot be written keeps its content on disk). A value that fails does not keep the other
  /// lines from being saved.
  bool SaveValues(TObject* target);
  /// Why the last operation answered false: the file, lock or key concerned and the system's
  /// reason. Empty after an operation that succeeded.
  const std::string& LastError() const noexcept { return lastError_; }

  /// Keys (value names, as the map writes them) that are stored only while their value differs
  /// from a default: saving the default deletes the stored entry, so that options a user never
  /// changed leave no trace. Each entry is the key and the default's stored text ("False", "0").
  using TKeyDefaults = std::vector<std::pair<std::string, std::string>>;
  void SetKeysStoredOnlyOffDefault(TKeyDefaults keys) { sparseKeys_ = std::move(keys); }
  /// True when Key is such a key and Value its default.
  bool IsAtSparseDefault(const std::string& key, const rtl::Variant& value) const;

  // Published properties.
  TRegistryRoot RegistryRoot() const noexcept { return registryRoot_; }
  void SetRegistryRoot(TRegistryRoot value) noexcept { registryRoot_ = value; }
  TRegistryRoot SecondRegistryRoot() const noexcept { return secondRegistryRoot_; }
  void SetSecondRegistryRoot(TRegistryRoot value) noexcept { secondRegistryRoot_ = value; }
  /// The registry key below the root, beginning with a backslash.
  const std::string& RegistryPath() const noexcept { return registryPath_; }
  void SetRegistryPath(std::string value) { registryPath_ = std::move(value); }
  /// Empty selects the registry; kCustomStorage the custom backend.
  const std::string& INIFile() const noexcept { return iniFile_; }
  void SetINIFile(std::string value) { iniFile_ = std::move(value); }
  /// Prefix of the INI sections: "X" keeps plain keys in "X.Common" and keys "Sub\Key" in
  /// "X.Sub"; a prefix ending in '\' or '/' is bare and keeps plain keys in "X" itself.
  const std::string& INIFileSectionPrefix() const noexcept { return iniFileSectionPrefix_; }
  void SetINIFileSectionPrefix(std::string value) { iniFileSectionPrefix_ = std::move(value); }
  /// The property map. Setting it copies the lines (null clears them).
  using TComponent::Components;
  TStringList& Components() noexcept { return components_; }
  const TStringList& Components() const noexcept { return components_; }
  void SetComponents(const TStringList* lines);

  /// Receives the loaded values of virtual items.
  rtl::Event<TSetValueProc> SetValue;
  /// Supplies the values of virtual items for saving.
  rtl::Event<TGetValueProc> GetValue;
  /// May turn a map line off, make it virtual or change its kind.
  rtl::Event<TBeforeProcessItemProc> BeforeProcessItem;

  /// The target of the running operation; null between operations.
  TObject* Target() const noexcept { return target_; }

  /// Calls SetValue, when assigned, with a text value decoded from its stored form.
  virtual void DoSetValue(TObject* sender, const std::string& name, int32_t index,
                          const rtl::Variant& value);
  /// Calls GetValue, when assigned, and codes a text it supplied for storage.
  virtual void DoGetValue(TObject* sender, const std::string& name, int32_t index,
                          rtl::Variant& value);
  /// Writes one value to the custom backend; an empty or null Value stands for deleting the
  /// entry. The base does nothing.
  virtual void WriteCustomValue(TObject* sender, const std::string& name, int32_t index,
                                TTypeKind itemType, const std::string& section,
                                const std::string& valueName, const rtl::Variant& value);
  /// Reads one value from the custom backend; true when it was found. The base finds nothing.
  virtual bool ReadCustomValue(TObject* sender, const std::string& name, int32_t index,
                               TTypeKind itemType, const std::string& section,
                               const std::string& valueName, rtl::Variant& value);
  /// Calls BeforeProcessItem when it is assigned.
  virtual void DoBeforeProcessItem(TObject* sender, const std::string& name, int32_t index,
                                   bool& isRequireProcessing, bool& isVirtual, TTypeKind& itemType);

private:
  enum class TOperation { Load, Save };
  bool Run(TOperation operation, TObject* target);

  TRegistryRoot registryRoot_ = rrHKEY_LOCAL_MACHINE;
  TRegistryRoot secondRegistryRoot_ = rrHKEY_CURRENT_USER;
  std::string registryPath_ = "\\Software\\Company name\\App name";
  std::string iniFile_;
  std::string iniFileSectionPrefix_;
  TStringList components_;
  TObject* target_ = nullptr;
  std::string lastError_;
  TKeyDefaults sparseKeys_;
};
