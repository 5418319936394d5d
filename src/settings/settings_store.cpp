// The settings store's operations: choosing the storage, walking the property map and moving each
// item's value between the target and the storage.
#include "settings/settings_store.h"

#include "platform/named_lock.h"
#include "rtl/published_builder.h"
#include "settings/custom_props.h"
#include "settings/property_map.h"
#include "settings/settings_store_storage.h"
#include "settings/stored_text.h"

#include <memory>

namespace {

using wreg::TItemRef;
using wreg::TStorage;

// Loading one item: a value that cannot be read or applied is dropped from the storage, so that
// the property keeps its value now and on every later load.
void LoadItem(TWreg& store, TStorage& storage, const TResolvedItem& item, const TItemRef& ref,
              bool isVirtual, TTypeKind itemType) {
  try {
    std::optional<rtl::Variant> value = storage.Read(ref, itemType);
    if (!value)
      return;
    if (isVirtual)
      store.DoSetValue(&store, item.PropName, ref.Index, *value);
    else
      ApplyItemValue(item.Object, item.PropName, item.Owner, *value, itemType);
  } catch (...) {
    storage.Discard();
  }
}

void SaveItem(TWreg& store, TStorage& storage, const TResolvedItem& item, const TItemRef& ref,
              bool isVirtual, TTypeKind itemType, const std::string& key) {
  rtl::Variant value;
  if (isVirtual)
    store.DoGetValue(&store, item.PropName, ref.Index, value);
  else
    value = ReadItemValue(item.Object, item.PropName, itemType);
  // An empty value deletes the stored entry.
  if (store.IsAtSparseDefault(key, value))
    value = rtl::Variant();
  try {
    storage.Write(ref, itemType, value);
  } catch (...) {
    storage.Discard();
    throw;
  }
}

// Items named "*Name" go to the custom property handlers registered under the name.
void ProcessHandlerItem(TStorage& storage, bool load, const TResolvedItem& item) {
  if (!storage.ServesHandlers())
    return;
  const std::string name = CustomPropKey(std::string_view(item.PropName).substr(1));
  if (load) {
    const rtl::Variant text = wreg::TextValue(storage.ReadHandlerText());
    ForEachCustomProp(
        name, [&](TWregCustomProp& handler) { handler.SetCustomValue(item.Object, name, text); });
  } else {
    ForEachCustomProp(name, [&](TWregCustomProp& handler) {
      rtl::Variant value;
      if (handler.GetCustomValue(item.Object, name, true, value) && !value.IsEmptyValue())
        storage.WriteHandlerText(value.ToText());
    });
  }
}

void ProcessLine(TWreg& store, TStorage& storage, bool load, int32_t index,
                 const std::string& text) {
  TMapLine line;
  if (!ParseMapLine(text, line) || !line.IsUsable())
    return;
  const TMapKey key = SplitMapKey(line.Key);
  // A key that ends in a backslash names no value; in an INI file an empty key would even stand
  // for the whole section.
  if (key.ValueName.empty())
    return;
  if (!storage.Locate(key))
    return;

  TResolvedItem item = ResolveItem(line.ItemName, store.Target());
  bool isRequireProcessing = item.Object != nullptr;
  bool isVirtual = item.Object == nullptr;
  TTypeKind itemType = item.Kind;
  store.DoBeforeProcessItem(&store, item.PropName, index, isRequireProcessing, isVirtual, itemType);
  if (!isRequireProcessing)
    return;
  if (itemType == tkUnknown) {
    if (item.Object && !item.PropName.empty() && item.PropName.front() == '*')
      ProcessHandlerItem(storage, load, item);
    return;
  }
  const TItemRef ref{item.PropName, index};
  if (load)
    LoadItem(store, storage, item, ref, isVirtual, itemType);
  else
    SaveItem(store, storage, item, ref, isVirtual, itemType, key.ValueName);
}

} // namespace

const rtl::MetaClass& TWreg::StaticClass() {
  static const rtl::MetaClass meta =
      rtl::Published<TWreg, TComponent>("TWreg")
          .Enumeration("RegistryRoot", RegistryRootType(), &TWreg::RegistryRoot,
                       &TWreg::SetRegistryRoot)
          .Default(rrHKEY_LOCAL_MACHINE)
          .Enumeration("SecondRegistryRoot", RegistryRootType(), &TWreg::SecondRegistryRoot,
                       &TWreg::SetSecondRegistryRoot)
          .Default(rrHKEY_CURRENT_USER)
          .LString("RegistryPath", &TWreg::RegistryPath, &TWreg::SetRegistryPath)
          .LString("INIFile", &TWreg::INIFile, &TWreg::SetINIFile)
          .LString("INIFileSectionPrefix", &TWreg::INIFileSectionPrefix,
                   &TWreg::SetINIFileSectionPrefix)
          .Object(
              "Components",
              [](const TWreg& store) { return const_cast<TStringList*>(&store.components_); },
              [](TWreg& store, TStringList* lines) { store.SetComponents(lines); })
          .Method("SetValue", &TWreg::SetValue)
          .Method("GetValue", &TWreg::GetValue)
          .Method("BeforeProcessItem", &TWreg::BeforeProcessItem);
  return meta;
}

TWreg::TWreg(TComponent* owner) : TComponent(owner) {}

TWreg::~TWreg() = default;

void TWreg::SetComponents(const TStringList* lines) {
  if (lines == &components_)
    return;
  if (lines)
    components_.Assign(*lines);
  else
    components_.Clear();
}

bool TWreg::LoadValues(TObject* target, const TStringList* map) {
  if (!map)
    return Run(TOperation::Load, target);
  // The given map stands in for Components during this call only.
  struct TRestore {
    TStringList& Lines;
    TStringList Saved;
    ~TRestore() { Lines.Assign(Saved); }
  } restore{components_, {}};
  restore.Saved.Assign(components_);
  SetComponents(map);
  return Run(TOperation::Load, target);
}

bool TWreg::SaveValues(TObject* target) {
  return Run(TOperation::Save, target);
}

bool TWreg::IsAtSparseDefault(const std::string& key, const rtl::Variant& value) const {
  for (const auto& [name, text] : sparseKeys_)
    if (name == key)
      return value.IsEmptyValue() || value.ToText() == text;
  return false;
}

bool TWreg::Run(TOperation operation, TObject* target) {
  struct TTargetScope {
    TObject*& Target;
    ~TTargetScope() { Target = nullptr; }
  } targetScope{target_};
  target_ = target;
  lastError_.clear();
  const bool load = operation == TOperation::Load;

  // The lock is declared before the storage, so that an INI file is written back and closed
  // before the lock is given up, also when the operation fails.
  std::unique_ptr<platform::ScopedNamedLock> iniLock;
  std::unique_ptr<TStorage> storage;
  if (iniFile_ == kCustomStorage) {
    storage = wreg::OpenCustomStorage(*this, iniFileSectionPrefix_);
  } else if (!iniFile_.empty() && (!load || wreg::StoredFileExists(iniFile_))) {
    iniLock = std::make_unique<platform::ScopedNamedLock>(wreg::IniLockName(iniFile_));
    // Without the lock another process could write the file between our read and our write.
    if (!iniLock->OwnsLock()) {
      lastError_ = "The lock of the settings file \"" + iniFile_ + "\" could not be obtained";
      return false;
    }
    storage = wreg::OpenIniStorage(iniFile_, iniFileSectionPrefix_);
  } else {
    // Loading from an INI file that does not exist yet reads the registry instead.
    storage = wreg::OpenRegistryStorage(registryRoot_, secondRegistryRoot_, registryPath_, !load);
    if (!storage) {
      lastError_ = "The registry key \"" + registryPath_ + "\" could not be " +
                   (load ? "opened" : "opened or created") + " for reading and writing";
      return false;
    }
  }

  // Handlers may change Components while the map is walked; the walk keeps to the lines it began
  // with.
  TStringList lines;
  lines.Assign(components_);
  // A failure inside one line leaves the others alone; a value that could not be saved makes
  // the save answer false with the first such failure.
  std::string lineError;
  for (int32_t index = 0; index < lines.Count(); ++index) {
    try {
      ProcessLine(*this, *storage, load, index, lines[index]);
    } catch (const std::exception& e) {
      if (!load && lineError.empty())
        lineError = e.what();
    } catch (...) {
      if (!load && lineError.empty())
        lineError = "A settings value could not be written";
    }
  }
  if (!storage->Finish(lastError_))
    return false;
  lastError_ = lineError;
  return lineError.empty();
}

void TWreg::DoSetValue(TObject* sender, const std::string& name, int32_t index,
                       const rtl::Variant& value) {
  if (!SetValue)
    return;
  if (wreg::IsTextValue(value))
    SetValue(sender, name, index, wreg::TextValue(DecodeStoredText(value.ToText())));
  else
    SetValue(sender, name, index, value);
}

void TWreg::DoGetValue(TObject* sender, const std::string& name, int32_t index,
                       rtl::Variant& value) {
  if (GetValue)
    GetValue(sender, name, index, value);
  if (value.Type() == platform::vtBstr)
    value = wreg::TextValue(EncodeStoredWideText(value.ToWide()));
  else if (wreg::IsTextValue(value))
    value = wreg::TextValue(EncodeStoredText(value.ToText()));
}

void TWreg::WriteCustomValue(TObject* sender, const std::string& name, int32_t index,
                             TTypeKind itemType, const std::string& section,
                             const std::string& valueName, const rtl::Variant& value) {}

bool TWreg::ReadCustomValue(TObject* sender, const std::string& name, int32_t index,
                            TTypeKind itemType, const std::string& section,
                            const std::string& valueName, rtl::Variant& value) {
  return false;
}

void TWreg::DoBeforeProcessItem(TObject* sender, const std::string& name, int32_t index,
                                bool& isRequireProcessing, bool& isVirtual, TTypeKind& itemType) {
  if (BeforeProcessItem)
    BeforeProcessItem(sender, name, index, isRequireProcessing, isVirtual, itemType);
}
