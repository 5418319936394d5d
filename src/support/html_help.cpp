#include "support/html_help.h"

#include "platform/html_help.h"
#include "platform/message_pump.h"
#include "platform/module_info.h"
#include "platform/registry.h"
#include "rtl/file_names.h"
#include "rtl/published_builder.h"
#include "rtl/published_registry.h"

#include <sys/stat.h>

#include <mutex>

namespace {

constexpr std::string_view kSystemRootPrefix = "%SystemRoot%\\System32\\";

// The control, once loaded. Held by a plain pointer: the control is freed only by UnloadHelp,
// never by the destruction of statics while the process ends, when freeing a library is unsafe.
struct HelpControlState {
  std::mutex lock;
  bool attempted = false;
  platform::HtmlHelpControl* control = nullptr;
  uintptr_t cookie = 0;
  /// Help components alive: a component's requests use the control without the lock, so the
  /// control is freed only when none is left.
  int32_t components = 0;
};

HelpControlState& ControlState() {
  static HelpControlState state;
  return state;
}

bool FileExists(const std::string& fileName) {
  struct stat info {};
  return !fileName.empty() && ::stat(fileName.c_str(), &info) == 0 && !(info.st_mode & S_IFDIR);
}

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string::size_type FindIgnoringCase(std::string_view text, std::string_view sub) {
  if (sub.size() > text.size())
    return std::string::npos;
  for (std::size_t i = 0; i + sub.size() <= text.size(); ++i) {
    std::size_t k = 0;
    while (k < sub.size() && AsciiLower(text[i + k]) == AsciiLower(sub[k]))
      ++k;
    if (k == sub.size())
      return i;
  }
  return std::string::npos;
}

// The help viewer's owner: the window in front on this thread (the dialog asking for help).
uintptr_t HelpOwnerWindow() {
  return platform::ActiveWindow();
}

// The loaded control; only called after HelpAvailable answered true for a live component, which
// keeps the control loaded.
platform::HtmlHelpControl* CurrentControl() {
  HelpControlState& state = ControlState();
  std::lock_guard lock(state.lock);
  return state.control;
}

void LoadControl(HelpControlState& state) {
  const std::string path = support::LocateHtmlHelpControl();
  if (!FileExists(path))
    return;
  state.control = platform::HtmlHelpControl::Load(path).release();
  if (!state.control)
    return;
  // Some systems answer the initialisation without a cookie; the control works without one.
  state.cookie = 0;
  state.control->Call(0, nullptr, platform::kHhInitialize,
                      reinterpret_cast<uintptr_t>(&state.cookie));
}

} // namespace

const rtl::MetaClass& THtmlHelp::StaticClass() {
  using T = THtmlHelp;
  static const rtl::MetaClass meta =
      rtl::Published<T, TComponent>("THtmlHelp")
          .LString("ChmFile", &T::ChmFile, &T::SetChmFile)
          .LString("WinDef", &T::WinDef, &T::SetWinDef)
          .Boolean("DefaultFile", &T::DefaultFile, &T::SetDefaultFile)
          .Default(true);
  return meta;
}

THtmlHelp::THtmlHelp(TComponent* owner) : TComponent(owner) {
  {
    HelpControlState& state = ControlState();
    std::lock_guard lock(state.lock);
    ++state.components;
  }
  support::TheApplication().InstallHelpHandler(this);
}

THtmlHelp::~THtmlHelp() {
  support::TheApplication().RemoveHelpHandler(this);
  HelpControlState& state = ControlState();
  std::unique_lock lock(state.lock);
  if (--state.components > 0)
    return;
  lock.unlock();
  UnloadHelp();
}

void THtmlHelp::SetDefaultFile(bool value) {
  defaultFile_ = value;
  if (value)
    chmFile_.clear();
}

void THtmlHelp::Loaded() {
  TComponent::Loaded();
  if (!defaultFile_)
    return;
  chmFile_ = support::TheApplication().HelpFile();
  // An empty application help file stays empty: there is no file to take from anywhere.
  if (!chmFile_.empty() && rtl::ExtractFilePath(chmFile_).empty())
    chmFile_ = rtl::ExtractFilePath(platform::ExecutableFileName()) + chmFile_;
}

std::string THtmlHelp::BuildUrl(std::string_view topic) const {
  std::string url = chmFile_;
  if (!topic.empty()) {
    url += "::";
    url += topic;
  }
  if (!winDef_.empty()) {
    url += '>';
    url += winDef_;
  }
  return url;
}

uintptr_t THtmlHelp::ShowContext(intptr_t context) const {
  if (!HelpAvailable())
    return 0;
  const std::string url = BuildUrl({});
  return CurrentControl()->Call(HelpOwnerWindow(), url.c_str(), platform::kHhHelpContext,
                                static_cast<uintptr_t>(context));
}

bool THtmlHelp::HelpHook(uint16_t command, intptr_t data, bool& callHelp) {
  callHelp = false;
  switch (command) {
  case support::kHelpContext:
  case support::kHelpContextPopup:
    ShowContext(data);
    return true;
  case support::kHelpFinder: {
    if (!HelpAvailable())
      return false;
    const std::string url = BuildUrl({});
    CurrentControl()->Call(HelpOwnerWindow(), url.c_str(), platform::kHhDisplayToc, 0);
    return true;
  }
  default:
    return true;
  }
}

bool THtmlHelp::HelpAvailable() {
  HelpControlState& state = ControlState();
  std::lock_guard lock(state.lock);
  if (!state.attempted) {
    state.attempted = true;
    LoadControl(state);
  }
  return state.control != nullptr;
}

bool THtmlHelp::HelpLoaded() {
  return CurrentControl() != nullptr;
}

void THtmlHelp::UnloadHelp() {
  HelpControlState& state = ControlState();
  std::lock_guard lock(state.lock);
  // The next help request looks for the control again, so that help keeps working in every
  // dialog, not only in the first one of the library's life.
  state.attempted = false;
  if (!state.control)
    return;
  state.control->Call(0, nullptr, platform::kHhCloseAll, 0);
  platform::SleepMs(0);
  if (state.cookie != 0)
    state.control->Call(0, nullptr, platform::kHhUninitialize, state.cookie);
  delete state.control;
  state.control = nullptr;
  state.cookie = 0;
}

namespace support {

std::string MapSystemFolder(std::string_view registeredPath, std::string_view systemFolder) {
  std::string path(registeredPath);
  if (systemFolder.empty())
    return path;
  std::string folder(systemFolder);
  if (folder.back() != '\\' && folder.back() != '/')
    folder += '\\';
  const auto at = FindIgnoringCase(path, kSystemRootPrefix);
  if (at != std::string::npos)
    path.replace(at, kSystemRootPrefix.size(), folder);
  return path;
}

std::string LocateHtmlHelpControl() {
  platform::ScopedKey key = platform::OpenKey(
      platform::RegRoot::ClassesRoot, platform::kHtmlHelpControlKey, platform::RegAccess::Read);
  if (!key)
    return {};
  auto value = key.Query("");
  if (!value)
    return {};
  const std::string path = value->AsString().value_or(std::string());
  if (path.empty())
    return {};
  return MapSystemFolder(path, platform::SystemLibraryFolder());
}

} // namespace support

void RegisterHtmlHelpClass() {
  rtl::RegisterClass<THtmlHelp>();
}
