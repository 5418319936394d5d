// Resolving the items of a property map against a target, and moving a resolved item's value
// between the target and the settings store.
//
// A target is an options dialog (a form owning its controls) or a settings object
// (TProxyCodeCustomObject). Against a dialog, "var1.Text" is the property Text of the control
// var1, "Left" a property of the form itself, "var1.Font.Size" a property of the object that
// var1's property Font refers to. Against a settings object every item is one property whose name
// is the item's with '.' replaced by '_' (var1_Text). An item whose last part begins with '*'
// ("var1.*ItemIndex") resolves to the component and the starred name, with no kind: the store
// hands it to the custom handlers (settings/custom_props.h).
//
// Values travel as variants. Texts leave ReadItemValue already coded for storage
// (settings/stored_text.h) and are decoded by ApplyItemValue.
#pragma once

#include "rtl/object.h"
#include "rtl/published.h"
#include "rtl/variant.h"

#include <string>
#include <string_view>

class TComponent;

/// What an item name resolves to.
struct TResolvedItem {
  /// The object whose property the item names; null when a named component does not exist.
  TObject* Object = nullptr;
  /// The property's name as found in the item (the mirrored name for a settings object); empty
  /// when the item ran out of parts.
  std::string PropName;
  /// tkUnknown when no published property was found (Object may still be set).
  TTypeKind Kind = tkUnknown;
  /// The object resolution started from: the target, or the application's component the item
  /// named first. Component references are looked up from it.
  TObject* Owner = nullptr;
};

/// Resolves ItemName against Target (null: the application's main form, if any).
TResolvedItem ResolveItem(std::string_view itemName, TObject* target);

/// The value of Obj's property PropName to be saved, read as Kind: numbers and variants as they
/// are, texts (and character codes as decimal text) coded for storage, enumerations by
/// identifier, string lists as their coded text, component references as their path. Null for a
/// list or component property that holds no object or one of another class, and for other kinds;
/// a null value makes the store delete the stored entry. A missing property raises
/// rtl::EPropertyError.
rtl::Variant ReadItemValue(TObject* obj, std::string_view propName, TTypeKind kind);

/// Applies a loaded Value to Obj's property PropName as Kind; Owner is where component references
/// are looked up. Nothing happens unless the property exists and can be written (a string list
/// property need not be writable: its list is refilled). An unknown enumeration identifier raises
/// rtl::EPropertyError "Invalid property element: <text>"; a value that does not convert raises
/// the conversion error.
void ApplyItemValue(TObject* obj, std::string_view propName, TObject* owner,
                    const rtl::Variant& value, TTypeKind kind);

/// "Application.Form1.Edit1" for a component owned by a form the application owns; components
/// without an owner give their name ("Application" for the application's component itself).
std::string GetComponentPath(const TComponent* component);

/// The component a path names, looked up from Owner ("Edit1", "Panel1.Edit1") or, for a path
/// beginning with "Application.", from the application's component; a path not found from Owner
/// is tried from the application's component too. Names are compared regardless of case. Null
/// when nothing is found.
TComponent* FindComponentByPath(std::string_view path, TObject* owner);

/// The components that stand for the application: the one that owns the forms, and the main
/// form. A plug-in has no application of its own, so both are null unless the user-interface
/// layer sets them. Either may be null.
void SetApplicationComponents(TComponent* application, TComponent* mainForm) noexcept;
TComponent* ApplicationComponent() noexcept;
TComponent* MainFormComponent() noexcept;
