// Custom property handlers: values of components that are not published properties, reached by
// map items whose last part begins with '*' ("var1.*ItemIndex"). Handlers are kept in one
// process-wide list, registered by name; the settings store calls every handler registered under
// an item's name, in registration order, while it holds the list's lock.
//
// The list is created on first use and freed with its handlers when the library unloads.
#pragma once

#include "rtl/object.h"
#include "rtl/published.h"
#include "rtl/variant.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

class TWregCustomProp : public TObject {
public:
  /// Name is kept in lower case.
  TWregCustomProp(std::string_view name, TTypeKind itemKind);

  const std::string& Name() const noexcept { return name_; }
  TTypeKind ItemKind() const noexcept { return itemKind_; }

  /// Fills Value with the value of Component that the handler serves and answers true, or
  /// answers false when it does not serve Component. The base answers false. Callers pass true
  /// for ForSave.
  virtual bool GetCustomValue(TObject* component, const std::string& name, bool forSave,
                              rtl::Variant& value);
  /// Applies a loaded Value to Component. The base does nothing.
  virtual void SetCustomValue(TObject* component, const std::string& name,
                              const rtl::Variant& value);

private:
  std::string name_;
  TTypeKind itemKind_;
};

/// Creates a handler of a class for a name and kind.
using TWregCustomPropFactory =
    std::function<std::unique_ptr<TWregCustomProp>(std::string_view name, TTypeKind itemKind)>;

/// Creates a handler with Factory and appends it to the list, under Name in lower case.
void RegisterCustomProp(std::string_view name, TTypeKind itemKind,
                        const TWregCustomPropFactory& factory);
/// The same for a handler class whose constructor takes the name and the kind.
template <class THandler> void RegisterCustomProp(std::string_view name, TTypeKind itemKind) {
  RegisterCustomProp(name, itemKind, [](std::string_view n, TTypeKind k) {
    return std::unique_ptr<TWregCustomProp>(new THandler(n, k));
  });
}

/// The name under which handlers are registered and looked up: lower case, code page rules.
std::string CustomPropKey(std::string_view name);

/// Calls Visit for every handler whose name equals Name in lower case, in registration order,
/// holding the list's lock for the whole walk. Visit may register handlers (the lock is
/// recursive); handlers added during the walk are not visited. Answers the number of handlers
/// visited.
int ForEachCustomProp(std::string_view name, const std::function<void(TWregCustomProp&)>& visit);

/// Registers the handlers the library brings along: the combo box handler for "ItemIndex".
/// Called when the library starts; later calls do nothing.
void RegisterDefaultPropertyHandlers();
