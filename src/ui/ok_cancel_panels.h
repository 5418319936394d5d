// Button rows built at run time: a dialog marks a container whose name begins with "__" by the
// hint "OkCancel" (centred row), "OkCancelRight" or "OkCancelLeft"; the container then gets a
// separator line along its top, the buttons OK and Cancel, and a layout that keeps the row's
// controls in one line, also after every resize of the container.
#pragma once

#include "settings/string_holder.h"
#include "ui/form.h"

#include <cstdint>

/// The row of one button container: one entry per row control (its object), in row order, and
/// the separator bevel as the last entry.
class TOkCancelOptions : public TzetStrHolder {
public:
  enum : uint8_t { kLeft = 0, kRight = 1, kCentre = 2 };

  explicit TOkCancelOptions(TComponent* owner) : TzetStrHolder(owner) {}
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }

  uint8_t Alignment = kLeft;
  /// The container whose row this is.
  TWinControl* Panel = nullptr;
};

/// Builds the rows of every qualifying container that Form owns when the call begins.
void SetUpOkCancelPanels(TForm& form);
/// Builds the row of one container (see the file comment); answers its row object.
TOkCancelOptions* SetUpOkCancelPanel(TForm& form, TWinControl& panel, uint8_t alignment);
/// The row object of a container, or null.
TOkCancelOptions* OkCancelOptionsOf(const TWinControl& panel);
/// Places the row controls of Panel (a container set up by SetUpOkCancelPanel); the resize
/// handler of such containers.
void LayoutOkCancelPanel(TObject* sender);
