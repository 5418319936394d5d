// The settings store's custom backend: the store's ReadCustomValue and WriteCustomValue, which a
// subclass overrides, receive every value with the section and key an INI file would use. Items
// of custom property handlers are left out.
#include "settings/settings_store_storage.h"

namespace wreg {
namespace {

class TCustomStorage final : public TStorage {
public:
  TCustomStorage(TWreg& store, std::string prefix) : store_(store), prefix_(std::move(prefix)) {}

  bool Locate(const TMapKey& key) override {
    section_ = IniSectionName(prefix_, key.SubPath);
    name_ = key.ValueName;
    return true;
  }

  std::optional<rtl::Variant> Read(const TItemRef& item, TTypeKind kind) override {
    if (!IsStoredKind(kind))
      return std::nullopt;
    rtl::Variant value;
    if (!store_.ReadCustomValue(&store_, item.Name, item.Index, kind, section_, name_, value))
      return std::nullopt;
    return value;
  }

  // Empty and null values are passed on too: the backend decides what deleting means.
  void Write(const TItemRef& item, TTypeKind kind, const rtl::Variant& value) override {
    if (IsStoredKind(kind))
      store_.WriteCustomValue(&store_, item.Name, item.Index, kind, section_, name_, value);
  }

  bool ServesHandlers() const noexcept override { return false; }
  std::string ReadHandlerText() override { return {}; }
  void WriteHandlerText(const std::string&) override {}

private:
  TWreg& store_;
  std::string prefix_;
  std::string section_;
  std::string name_;
};

} // namespace

std::unique_ptr<TStorage> OpenCustomStorage(TWreg& store, const std::string& sectionPrefix) {
  return std::make_unique<TCustomStorage>(store, sectionPrefix);
}

} // namespace wreg
