// The process-wide registry of component classes by name, through which form resources create
// the objects they describe. It is guarded by a lock: the library registers its classes at start
// and any host thread may create instances afterwards. (<windows.h> defines RegisterClass as a
// macro: platform sources that include it must not include this header.)
#pragma once

#include "rtl/published.h"

#include <string_view>

namespace rtl {

/// Registers Meta under its name. Registering the same class again does nothing; another class
/// of the same name (regardless of case) raises EPropertyError.
void RegisterClass(const MetaClass& meta);
template <class T> void RegisterClass() {
  RegisterClass(T::StaticClass());
}
/// Forgets Meta; unknown classes are ignored.
void UnregisterClass(const MetaClass& meta);
/// The registered class Name regardless of case, or null.
const MetaClass* FindClass(std::string_view name);

} // namespace rtl
