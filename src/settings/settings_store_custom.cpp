// The settings store's custom backend: the store's ReadCustomValue and WriteCustomValue, which a
// subclass overrides, receive every value with the section and key an INI file would use. Items
// of custom property handlers are left out.
#include "settings/settings_store_storage.h"

namespace wreg {
namespace {

class TCustomStorage final : public TStorage {
public:
  TCustomStorage(TWreg& store, std::string prefix) : FStore(store), FPrefix(std::move(prefix)) {}

  bool Locate(const TMapKey& key) override {
    FSection = IniSectionName(FPrefix, key.SubPath);
    FName = key.ValueName;
    return true;
  }

  std::optional<rtl::Variant> Read(const TItemRef& item, TTypeKind kind) override {
    if (!IsStoredKind(kind))
      return std::nullopt;
    rtl::Variant value;
    if (!FStore.ReadCustomValue(&FStore, item.Name, item.Index, kind, FSection, FName, value))
      return std::nullopt;
    return value;
  }

  // Empty and null values are passed on too: the backend decides what deleting means.
  void Write(const TItemRef& item, TTypeKind kind, const rtl::Variant& value) override {
    if (IsStoredKind(kind))
      FStore.WriteCustomValue(&FStore, item.Name, item.Index, kind, FSection, FName, value);
  }

  bool ServesHandlers() const noexcept override { return false; }
  std::string ReadHandlerText() override { return {}; }
  void WriteHandlerText(const std::string&) override {}

private:
  TWreg& FStore;
  std::string FPrefix;
  std::string FSection;
  std::string FName;
};

} // namespace

std::unique_ptr<TStorage> OpenCustomStorage(TWreg& store, const std::string& sectionPrefix) {
  return std::make_unique<TCustomStorage>(store, sectionPrefix);
}

} // namespace wreg
