#include "dll/library_start.h"

#include "filter/aggregation_plugin.h"
#include "frame/instances.h"

namespace dll {

void StartLibrary() {
  frame::LibraryStart();
  frame::SetPluginClass(TaPlugin::ClassRef());
}

void EndLibrary(bool processExiting) {
  if (processExiting)
    return;
  frame::LibraryEnd();
}

} // namespace dll
