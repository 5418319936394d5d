// What the translator needs to know about the toolkit's controls, found through the published
// properties and the class names of the component model: forms, combo boxes, edit controls, help
// contexts, fonts and reading order.
#pragma once

#include "rtl/object.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace support::controls {

/// A form: a class named TCustomForm or TForm, or one derived from them.
bool IsForm(const TObject* obj) noexcept;
/// A combo box: derived from a class named TCustomComboBox or TComboBox.
bool IsComboBox(const TObject* obj) noexcept;
/// An edit control (its text is what the user typed): derived from TCustomEdit, TEdit or
/// TSpinEdit.
bool IsEditControl(const TObject* obj) noexcept;

/// The value of an ordinal published property (integer, enumeration, ...); none when Obj has no
/// such property or it cannot be read.
std::optional<int64_t> Ordinal(const TObject* obj, std::string_view name) noexcept;
/// Sets an ordinal published property; false when there is none or the value is refused.
bool SetOrdinal(TObject* obj, std::string_view name, int64_t value) noexcept;
/// The object of a class property; null when there is none.
TObject* ObjectProperty(const TObject* obj, std::string_view name) noexcept;

} // namespace support::controls
