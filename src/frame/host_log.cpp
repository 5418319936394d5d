#include "frame/host_log.h"

#include "frame/descriptor_exports.h"
#include "frame/instances.h"
#include "platform/debug_output.h"
#include "platform/host_window.h"
#include "support/call_stack.h"

#include <cstring>

namespace frame {
namespace {
constexpr const char* kUnknownFailure = "Unknown failure";

std::string LabelledText(std::string_view label, std::string_view message) {
  std::string text;
  if (!label.empty())
    text.append("{").append(label).append("} ");
  text.append(message);
  return text;
}

void ReportFailure(TzetPlugin* instance, const std::string& text) noexcept {
  if (instance)
    QueueLogLine(instance, llFailure, text);
  try {
    platform::DebugOutput(text + ": " + support::GetCallStackText({}));
  } catch (...) {
  }
}

void QueueStackLine(uintptr_t context, const std::string& text) {
  QueueLogLine(reinterpret_cast<TzetPlugin*>(context), llFailure, text);
}
} // namespace

std::string FormatLine(const TzetPlugin* instance, int32_t level, std::string_view message) {
  std::string line;
  const rtl::AnsiString titleText =
      instance ? instance->DescriptorText(instance->LogTitle) : rtl::AnsiString();
  const std::string_view title = titleText.View();
  line.reserve(1 + title.size() + 2 + message.size());
  line += static_cast<char>(level + 1);
  if (!title.empty())
    line.append(title).append(". ");
  for (char c : message)
    line += (c == '\r' || c == '\n') ? ' ' : c;
  return line;
}

void PostLogLine(TzetPlugin* instance, int32_t level, std::string_view message) noexcept {
  if (!instance)
    return;
  const uintptr_t window = instance->MessagesProcessorHandle;
  if (window == 0 || !instance->LogLines)
    return;
  try {
    TLogDataList& kept = *instance->LogLines;
    // Kept lines go first, so that the host sees the lines in the order they were logged. They
    // are out of the list while they are sent, so no other thread sends them twice; a failed
    // send puts them back as they were, repeat counts included, so that a line logged again
    // still folds into the last one and the host fetches the same text with GetLogEx.
    TLogDataList::TTaken pending = kept.Take();
    if (!pending.Empty() && !platform::SendCopyData(window, instance->ModuleIndex,
                                                    ZET_COPYDATA_LOG_BLOCK, pending.Text())) {
      kept.PutBack(std::move(pending));
      QueueLogLine(instance, level, message);
      return;
    }
    if (!platform::SendCopyData(window, instance->ModuleIndex, ZET_COPYDATA_LOG_LINE,
                                FormatLine(instance, level, message)))
      QueueLogLine(instance, level, message);
  } catch (...) {
  }
}

void QueueLogLine(TzetPlugin* instance, int32_t level, std::string_view message) noexcept {
  if (!instance)
    return;
  const uintptr_t window = instance->MessagesProcessorHandle;
  if (window == 0 || !instance->LogLines)
    return;
  try {
    instance->LogLines->AddLine(FormatLine(instance, level, message));
    platform::PostOrSend(window, ZET_WM_HOST_LOG_PENDING, instance->ModuleIndex, 0);
  } catch (...) {
  }
}

void LogException(TzetPlugin* instance, std::string_view label,
                  const std::exception& failure) noexcept {
  try {
    ReportFailure(instance, LabelledText(label, failure.what()));
  } catch (...) {
  }
}

void LogException(TzetPlugin* instance, std::string_view label) noexcept {
  try {
    std::string message = kUnknownFailure;
    if (std::exception_ptr current = std::current_exception()) {
      try {
        std::rethrow_exception(current);
      } catch (const std::exception& failure) {
        message = failure.what();
      } catch (...) {
      }
    }
    ReportFailure(instance, LabelledText(label, message));
  } catch (...) {
  }
}

void QueueCallStack(TzetPlugin* instance) noexcept {
  if (instance)
    support::LogCallStack({}, &QueueStackLine, reinterpret_cast<uintptr_t>(instance));
}

int32_t GetLogEx(PPluginCallRec rec) noexcept {
  if (!rec)
    return 0;
  int32_t result = 0;
  rec->Output.Data = 0;
  rec->Output.Kind = ZET_KIND_INTEGER;
  TzetPlugin* instance = nullptr;
  try {
    if (!FindInstance(rec, instance, false) || !instance->LogLines)
      return 0;
  } catch (...) {
    return 0;
  }
  try {
    TLogDataList& kept = *instance->LogLines;
    TThreadStringList::WriteLocked locked(kept);
    const std::string text = kept.GetText();
    const auto length = static_cast<int32_t>(text.size());
    rec->Output.Data = static_cast<uintptr_t>(length);
    if (length == 0)
      return 0;
    if (rec->Input.Size == 0) {
      locked->Clear(); // the host asked to discard the kept lines
      return 0;
    }
    // Too small, or no buffer at all: the lines stay and Output tells the size needed.
    if (length > rec->Input.Size || rec->Input.Data == 0)
      return 0;
    std::memcpy(reinterpret_cast<void*>(rec->Input.Data), text.data(), text.size());
    result = length;
    locked->Clear();
  } catch (...) {
  }
  return result;
}

} // namespace frame
