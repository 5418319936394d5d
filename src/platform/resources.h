// Texts embedded in the library: the form resources. On Windows they are RCDATA resources of the
// module that contains this code; elsewhere generated sources register them at start-up.
#pragma once

#include <string_view>

namespace platform {

/// The bytes of the embedded resource Name (compared regardless of case); empty when there is
/// none. The text stays valid while the library is loaded.
std::string_view LoadRcData(const char* name);

/// Makes Text the embedded resource Name. Generated sources call it during static
/// initialisation; a later registration of the same name replaces the earlier one (whose text
/// stays valid). On Windows a registered text is answered only when the module has no RCDATA
/// resource of that name.
void RegisterEmbeddedResource(const char* name, std::string_view text);

} // namespace platform
