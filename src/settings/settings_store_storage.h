// The storages behind the settings store, as the store's map walk sees them: one object per
// operation, moved to the location of each map line in turn, reading and writing one value there
// in the format the item's kind asks for. Internal to the settings store.
#pragma once

#include "rtl/published.h"
#include "rtl/variant.h"
#include "settings/map_line.h"
#include "settings/settings_store.h"

#include <memory>
#include <optional>
#include <string>

namespace wreg {

/// A stored value does not have the format the item's kind needs, or a value could not be
/// written.
class EStoredValueError : public rtl::Exception {
public:
  using rtl::Exception::Exception;
};

/// The map line being processed, for the custom backend's callbacks.
struct TItemRef {
  const std::string& Name;
  int32_t Index;
};

class TStorage {
public:
  virtual ~TStorage() = default;

  /// Moves to the location of a map key; false when it cannot be opened, and the line is skipped.
  virtual bool Locate(const TMapKey& key) = 0;
  /// The stored value for Kind; nothing when it is missing or Kind is none that is stored. Raises
  /// EStoredValueError when the stored value does not fit Kind.
  virtual std::optional<rtl::Variant> Read(const TItemRef& item, TTypeKind kind) = 0;
  /// Stores Value for Kind; an empty or null Value deletes the entry. Kinds that are not stored
  /// write nothing. Raises EStoredValueError when the value could not be written.
  virtual void Write(const TItemRef& item, TTypeKind kind, const rtl::Variant& value) = 0;
  /// Called after a value failed to be read, applied or written: the registry deletes it, so
  /// that the property keeps its value from now on. Never raises.
  virtual void Discard() noexcept {}

  /// False when items served by custom property handlers are neither read nor written.
  virtual bool ServesHandlers() const noexcept { return true; }
  /// The stored text of a handler item, without an existence check: empty when missing.
  virtual std::string ReadHandlerText() = 0;
  virtual void WriteHandlerText(const std::string& text) = 0;

  /// Ends the operation; false, with the file concerned and the system's reason in Reason, when
  /// what was saved could not be kept.
  virtual bool Finish(std::string& reason) { return true; }
};

/// Opens the registry for an operation: the first root under which RegistryPath can be opened
/// (Create: created, or opened) for reading and writing, else the second; null when neither can.
std::unique_ptr<TStorage> OpenRegistryStorage(TRegistryRoot first, TRegistryRoot second,
                                              const std::string& registryPath, bool create);
/// Parses the INI file FileName (raises the file error when it exists but cannot be read).
/// Finish writes it back when something changed.
std::unique_ptr<TStorage> OpenIniStorage(const std::string& fileName,
                                         const std::string& sectionPrefix);
/// The custom backend: every value goes through Store's ReadCustomValue and WriteCustomValue.
std::unique_ptr<TStorage> OpenCustomStorage(TWreg& store, const std::string& sectionPrefix);

/// The INI section of a key's sub-path under a section prefix.
std::string IniSectionName(std::string prefix, std::string subPath);
/// The name of the system-wide lock of an INI file: the file name in lower case with every
/// character other than '0'-'9' and 'a'-'z' replaced by '_'.
std::string IniLockName(const std::string& fileName);
/// True when FileName names an existing file.
bool StoredFileExists(const std::string& fileName);

/// "[[Null]]", the stored text that reads as null for an object reference.
inline constexpr const char* kNullText = "[[Null]]";
/// True for the kinds whose values are stored: numbers, texts, characters, enumerations,
/// object references and variants.
bool IsStoredKind(TTypeKind kind) noexcept;
/// True for the text variants (OLE strings and 8-bit strings).
bool IsTextValue(const rtl::Variant& value) noexcept;
/// An 8-bit text variant.
rtl::Variant TextValue(const std::string& text);

} // namespace wreg
