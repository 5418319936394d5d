#include "support/application.h"

#include "platform/error_box.h"
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
  if (!handler)
    return;
  std::lock_guard<std::mutex> lock(mutex_);
  helpHandlers_.push_back({std::this_thread::get_id(), handler});
}

void Application::RemoveHelpHandler(HelpHandler* handler) noexcept {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = std::find_if(helpHandlers_.rbegin(), helpHandlers_.rend(),
                         [&](const InstalledHelp& h) { return h.handler == handler; });
  if (it != helpHandlers_.rend())
    helpHandlers_.erase(std::next(it).base());
}

HelpHandler* Application::CurrentHelpHandler() const noexcept {
  // The handler runs outside the lock, on the thread that asks; it belongs to a dialog of that
  // thread, which cannot go away while its own thread handles the request.
  std::lock_guard<std::mutex> lock(mutex_);
  const std::thread::id self = std::this_thread::get_id();
  for (auto it = helpHandlers_.rbegin(); it != helpHandlers_.rend(); ++it)
    if (it->thread == self)
      return it->handler;
  return helpHandlers_.empty() ? nullptr : helpHandlers_.back().handler;
}

bool Application::HelpCommand(uint16_t command, intptr_t data) {
  HelpHandler* handler = CurrentHelpHandler();
  if (!handler)
    return false;
  bool callHelp = true;
  return handler->HandleHelp(command, data, callHelp);
}

void Application::AddForm(TComponent* form) {
  std::lock_guard<std::mutex> lock(mutex_);
  forms_.push_back({std::this_thread::get_id(), form});
}

void Application::RemoveForm(TComponent* form) noexcept {
  std::lock_guard<std::mutex> lock(mutex_);
  std::erase_if(forms_, [&](const ThreadForm& f) { return f.form == form; });
}

std::vector<TComponent*> Application::Forms() const {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::thread::id self = std::this_thread::get_id();
  std::vector<TComponent*> mine;
  for (const ThreadForm& f : forms_)
    if (f.thread == self)
      mine.push_back(f.form);
  return mine;
}

void Application::ForEachForm(const std::function<void(TComponent& form)>& fn) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const ThreadForm& f : forms_)
    fn(*f.form);
}

void Application::HandleException(std::exception_ptr failure) noexcept {
  try {
    std::string message = "Unknown exception";
    try {
      if (failure)
        std::rethrow_exception(failure);
    } catch (const std::exception& e) {
      message = e.what();
    } catch (...) {
    }
    ExceptionHandler handler;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      handler = onException_;
    }
    if (handler)
      handler(message);
    else
      platform::ShowErrorBox("Error", message);
  } catch (...) {
  }
}

Application::ExceptionHandler Application::SetOnException(ExceptionHandler handler) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::swap(handler, onException_);
  return handler;
}

Application& TheApplication() {
  static Application application;
  return application;
}

} // namespace support
