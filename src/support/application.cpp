#include "support/application.h"

#include "platform/message_pump.h"
#include "support/message_pump.h"

namespace support {

void Application::ProcessMessages() {
  platform::Message msg;
  while (PumpOne(msg)) {
  }
  if (msg.message == platform::kQuitMessage)
    SetTerminated(true);
}

Application& TheApplication() {
  static Application application;
  return application;
}

} // namespace support
