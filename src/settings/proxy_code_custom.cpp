#include "settings/proxy_code_custom.h"

#include "rtl/published_builder.h"

const rtl::MetaClass& TProxyCodeCustomObject::StaticClass() {
  static const rtl::MetaClass meta =
      rtl::Published<TProxyCodeCustomObject, TComponent>("TProxyCodeCustomObject");
  return meta;
}

bool IsSettingsObject(const TObject* obj) noexcept {
  return dynamic_cast<const TProxyCodeCustomObject*>(obj) != nullptr;
}
