// The handlers of the built-in command words other than LOAD and UNLOAD. Each runs inside the
// dispatcher, under the instance's CommandLock, and answers the command's result code. Answers
// go into the "RESULT" item the host put into the parameter list; without one they are lost and
// the result code is unchanged. A failure that a handler does not catch itself reaches the
// dispatcher's caller.
#pragma once

#include "frame/plugin.h"

#include <cstdint>

namespace frame {

/// "EVENT": "EVENT-TYPE" goes to OnEvent; 0 without a handler, -1 without an event type, -3 when
/// the handler fails (logged as "EVENT").
int32_t RunEvent(TzetPlugin& instance, PPluginCallRec rec);
/// "SET-ITEMS": "ITEMS" (a string) replaces the parser items; -1 when it is no string.
int32_t RunSetItems(TzetPlugin& instance, PPluginCallRec rec);
/// "SET-STATE": the configuration's data sources, "DATA-SOURCE-LOAD", and the enabled flags of
/// the record's module types from "RESULT" (1 enables); -1 without "RESULT".
int32_t RunSetState(TzetPlugin& instance, PPluginCallRec rec);
/// "ITEMS": the parser-items text into "RESULT"; -1 when the list has no "RESULT" item.
int32_t RunItems(TzetPlugin& instance, PPluginCallRec rec);
/// "EVENTS-SUPPORT": EventsSupported into "RESULT".
int32_t RunEventsSupport(TzetPlugin& instance, PPluginCallRec rec);
/// "GET-MODULE-PARAMETER": the named property "PARAM" into "RESULT"; -2 without "PARAM".
int32_t RunGetModuleParameter(TzetPlugin& instance, PPluginCallRec rec);
/// "SET-MODULE-PARAMETER": sets the named property "PARAM" to "VALUE"; whether it was set goes
/// into "RESULT"; -2 without "PARAM".
int32_t RunSetModuleParameter(TzetPlugin& instance, PPluginCallRec rec);
/// "SAVE-SETTINGS-NOW" (Load false) and "LOAD-SETTINGS-NOW" (Load true): the module's settings
/// events with INIFile pointed at "INI-FILE" (the registry when absent) for their duration.
/// Always -2.
int32_t RunSettingsNow(TzetPlugin& instance, PPluginCallRec rec, bool load);

} // namespace frame
