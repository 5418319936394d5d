// The form resources embedded in the library, by name (the class whose design-time values they
// hold, for example "TaPlugin"; compared regardless of case).
#pragma once

#include <string_view>

class TComponent;

namespace rtl {

/// The text of the embedded form resource Name; empty when there is none.
std::string_view FindFormResource(const char* name);

/// Reads the embedded form resource Name into Root (see ReadForm). A missing resource raises
/// EFormError "Form resource <name> not found".
void LoadFormResource(TComponent& root, const char* name);

} // namespace rtl
