#include "dll/library_start.h"

#include "filter/aggregation_plugin.h"
#include "frame/instances.h"
#include "settings/custom_props.h"
#include "settings/string_holder.h"
#include "support/html_help.h"
#include "support/timeout.h"

namespace dll {

void StartLibrary() {
  support::SelectTickSource();
  RegisterDefaultPropertyHandlers();
  RegisterStringHolderClass();
  RegisterHtmlHelpClass();
  frame::LibraryStart();
  frame::SetPluginClass(TaPlugin::ClassRef());
}

void EndLibrary(bool processExiting) {
  if (processExiting)
    return;
  frame::LibraryEnd();
  THtmlHelp::UnloadHelp();
}

} // namespace dll
