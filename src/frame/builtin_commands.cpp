#include "frame/builtin_commands.h"

#include "frame/call_params.h"
#include "frame/host_log.h"
#include "rtl/string_list.h"

namespace frame {
namespace {

constexpr std::string_view kResult = "RESULT";

void Answer(const CallParams& p, const rtl::Variant& value) {
  p.List().SetValue(kResult, value);
}

// Reads the configuration's data sources, one per line; a failing line is logged and the next
// one goes on. Answers false when a line failed.
bool ReadDataSources(TzetPlugin& instance, const std::string& text) {
  instance.DataSources.clear();
  TStringList lines;
  lines.SetText(text);
  bool ok = true;
  for (int32_t i = 0; i < lines.Count(); ++i) {
    try {
      if (auto source = ParseDataSourceLine(lines[i]))
        instance.DataSources.push_back(std::move(source));
    } catch (const std::exception& e) {
      ok = false;
      LogException(&instance, "SETSTATE", e);
    } catch (...) {
      ok = false;
      LogException(&instance, "SETSTATE");
    }
  }
  return ok;
}

// Restores INIFile on every way out of a settings command.
class IniFileRestore {
public:
  explicit IniFileRestore(TzetPlugin& instance) : instance_(instance), saved_(instance.INIFile) {}
  ~IniFileRestore() { Restore(); }
  void Restore() { instance_.INIFile = saved_; }

private:
  TzetPlugin& instance_;
  rtl::AnsiString saved_;
};

bool SaveAllowed(const CallParams& p) {
  const rtl::Variant noSave = p.Value("NO-SAVE");
  return noSave.IsEmptyValue() || noSave.ToDouble() == 0;
}

} // namespace

int32_t RunEvent(TzetPlugin& instance, PPluginCallRec rec) {
  int32_t result = ZET_RESULT_REJECTED;
  const CallParams p(rec->Params);
  if (!p.Present("EVENT-TYPE"))
    return result;
  try {
    const std::string eventType = p.Text("EVENT-TYPE");
    if (instance.OnEvent)
      instance.OnEvent(&instance, eventType, rec, result);
    else
      result = ZET_RESULT_DONE;
  } catch (const std::exception& e) {
    result = ZET_RESULT_FAILED;
    LogException(&instance, "EVENT", e);
  } catch (...) {
    result = ZET_RESULT_FAILED;
    LogException(&instance, "EVENT");
  }
  return result;
}

int32_t RunSetItems(TzetPlugin& instance, PPluginCallRec rec) {
  const CallParams p(rec->Params);
  const rtl::Variant items = p.Value("ITEMS");
  if (items.Type() != platform::vtBstr && items.Type() != platform::vtAnsiString)
    return ZET_RESULT_REJECTED;
  instance.SetParserItemsText(items.ToText(), /*replace=*/true);
  if (instance.OnSetParserItems)
    instance.OnSetParserItems(&instance);
  return ZET_RESULT_DONE;
}

int32_t RunSetState(TzetPlugin& instance, PPluginCallRec rec) {
  int32_t result = ZET_RESULT_REJECTED;
  const CallParams p(rec->Params);
  if (p.Present("DATA-SOURCES-IN-CFG") && !ReadDataSources(instance, p.Text("DATA-SOURCES-IN-CFG")))
    result = ZET_RESULT_FAILED;
  if (p.Present("DATA-SOURCE-LOAD"))
    instance.DataSourceLoadFor = p.Text("DATA-SOURCE-LOAD");
  if (!p.Present(kResult))
    return result;
  const bool enabled = p.Integer(kResult) == 1;
  for (int32_t type = 0; type < 8; ++type) {
    if (rec->ModuleTypes & (1u << type))
      instance.ModuleEnabled[type] = enabled;
  }
  if (instance.OnStateChanged)
    instance.OnStateChanged(&instance, rec->ModuleTypes);
  return ZET_RESULT_DONE;
}

int32_t RunItems(TzetPlugin& instance, PPluginCallRec rec) {
  const CallParams p(rec->Params);
  TzetParamsListItem* answer = p.List().FindItem(kResult);
  if (!answer)
    return ZET_RESULT_REJECTED;
  if (instance.OnBeforeGetParserItems)
    instance.OnBeforeGetParserItems(&instance);
  instance.ParserItemsText = instance.GetParserItemsText();
  answer->SetValue(rtl::Variant::FromAnsiText(instance.ParserItemsText.View()));
  return ZET_RESULT_DONE;
}

int32_t RunEventsSupport(TzetPlugin& instance, PPluginCallRec rec) {
  Answer(CallParams(rec->Params), rtl::Variant::FromAnsiText(instance.EventsSupported.View()));
  return ZET_RESULT_DONE;
}

int32_t RunGetModuleParameter(TzetPlugin& instance, PPluginCallRec rec) {
  const CallParams p(rec->Params);
  if (!p.Present("PARAM"))
    return ZET_RESULT_NOTHING_DONE;
  Answer(p, instance.GetNamedProperty(p.Text("PARAM")));
  return ZET_RESULT_DONE;
}

int32_t RunSetModuleParameter(TzetPlugin& instance, PPluginCallRec rec) {
  const CallParams p(rec->Params);
  if (!p.Present("PARAM"))
    return ZET_RESULT_NOTHING_DONE;
  const std::string name = p.Text("PARAM");
  const rtl::Variant value = p.List().GetValueDef("VALUE", rtl::Variant::Null());
  Answer(p, rtl::Variant::Bool(instance.SetNamedProperty(name, value)));
  return ZET_RESULT_DONE;
}

int32_t RunSettingsNow(TzetPlugin& instance, PPluginCallRec rec, bool load) {
  const CallParams p(rec->Params);
  IniFileRestore restore(instance);
  // An empty INIFile selects the registry.
  instance.INIFile = p.Text("INI-FILE");
  if (load) {
    if (instance.OnLoadSettingsNow)
      instance.OnLoadSettingsNow(&instance);
    restore.Restore();
  }
  if (instance.OnSaveSettingsNow && SaveAllowed(p))
    instance.OnSaveSettingsNow(&instance);
  return ZET_RESULT_NOTHING_DONE;
}

} // namespace frame
