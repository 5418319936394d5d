#include "dll/library_start.h"

namespace {
__attribute__((constructor)) void OnLoad() {
  try {
    dll::StartLibrary();
  } catch (...) {
  }
}

__attribute__((destructor)) void OnUnload() {
  try {
    dll::EndLibrary(false);
  } catch (...) {
  }
}
} // namespace
