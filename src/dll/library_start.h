// Start and end of the library: the frame's instance list, the module class, and the services
// that choose their platform functions once.
#pragma once

namespace dll {
void StartLibrary();
/// ProcessExiting: the process is ending and its other threads are gone; locks they held may
/// never be released, so the instances are detached but not destroyed.
void EndLibrary(bool processExiting);
} // namespace dll
