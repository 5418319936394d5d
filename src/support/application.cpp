#include "support/application.h"

#include "platform/message_pump.h"
#include "support/message_pump.h"

#include <algorithm>
#include <iterator>

namespace support {

void Application::ProcessMessages() {
  platform::Message msg;
  while (PumpOne(msg)) {
  }
  if (msg.message == platform::kQuitMessage)
    SetTerminated(true);
}

void Application::InstallHelpHandler(HelpHandler* handler) {
  if (handler)
    helpHandlers_.push_back(handler);
}

void Application::RemoveHelpHandler(HelpHandler* handler) noexcept {
  auto it = std::find(helpHandlers_.rbegin(), helpHandlers_.rend(), handler);
  if (it != helpHandlers_.rend())
    helpHandlers_.erase(std::next(it).base());
}

HelpHandler* Application::CurrentHelpHandler() const noexcept {
  return helpHandlers_.empty() ? nullptr : helpHandlers_.back();
}

bool Application::HelpCommand(uint16_t command, intptr_t data) {
  HelpHandler* handler = CurrentHelpHandler();
  if (!handler)
    return false;
  bool callHelp = true;
  return handler->HandleHelp(command, data, callHelp);
}

Application& TheApplication() {
  static Application application;
  return application;
}

} // namespace support
