// The folders derived from an instance's settings location. The getters only name them; nothing
// is created here.
#include "frame/key_text.h"
#include "frame/plugin.h"
#include "platform/module_info.h"
#include "platform/special_folders.h"
#include "rtl/file_names.h"
#include "support/system_info.h"

namespace {

std::string WithTrailingDelimiter(std::string path) {
  if (!path.empty() && path.back() != '\\' && path.back() != '/')
    path += platform::PathDelimiter();
  return path;
}

} // namespace

std::string TzetPlugin::AppDataPath() const {
  // The registry path names the host application in its fourth part, as in
  // "Software\Maker\Suite\Application\...".
  const std::string application =
      support::GetToken(ModuleRegistryPath.View(), "\\", 4, /*trim=*/true);
  return WithTrailingDelimiter(
      support::GetSpecialFolder(platform::kCsidlCommonAppData, application, false));
}

std::string TzetPlugin::ModuleConfigId() const {
  std::string_view prefix = INISectionPrefix.View();
  const std::string_view a = rtl::Trim(prefix.substr(0, prefix.find('}')));
  const std::size_t open = a.find('{');
  if (open == std::string_view::npos)
    return {};
  std::string_view b = a.substr(open + 1);
  b = rtl::Trim(b.substr(0, b.find('{')));
  const std::size_t colon = b.find(':');
  if (colon != std::string_view::npos) {
    std::string_view number = b.substr(colon + 1);
    number = rtl::Trim(number.substr(0, number.find(':')));
    if (!number.empty())
      b = number;
  }
  return std::string(b);
}

std::string TzetPlugin::ModuleDataPath() const {
  std::string_view firstLine = Description.View();
  firstLine = firstLine.substr(0, firstLine.find_first_of("\r\n"));
  std::string title = support::MakeValidFileName(firstLine, /*strict=*/true, '-');
  if (title.empty())
    title = frame::LowerKey(rtl::ChangeFileExt(ModuleName.View(), ""));
  return WithTrailingDelimiter(AppDataPath() + ModuleConfigId()) + title +
         platform::PathDelimiter();
}
