// The module base class of the plug-in frame. One object per module instance that the host names
// by its ModuleHandle. Module behaviour is attached as event handlers; the values of the published
// properties come from the module class's design-time values.
#pragma once

#include "data/params_list.h"
#include "data/thread_params_list.h"
#include "frame/caller_outputs.h"
#include "frame/custom_commands.h"
#include "frame/data_sources.h"
#include "frame/log_data_list.h"
#include "frame/module_types.h"
#include "frame/parser_items.h"
#include "rtl/ansi_string.h"
#include "rtl/component.h"
#include "rtl/published.h"
#include "rtl/published_event.h"
#include "rtl/rw_lock.h"
#include "settings/registry_root.h"
#include "support/translator.h"
#include "zet_plugin_abi.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

class TzetPlugin;

using TShowOptionsDialogEvent =
    rtl::Event<void(TzetPlugin* sender, PPluginCallRec rec, bool& success)>;
using TGetOptionsDialogEvent = rtl::Event<void(TzetPlugin* sender, PPluginCallRec rec,
                                               std::string& formClass, std::string& properties)>;
using TExecutePluginCommandEvent =
    rtl::Event<void(TzetPlugin* sender, PPluginCallRec rec, int32_t& result)>;
using TExecutePluginCustomCommandEvent = rtl::Event<void(
    TzetPlugin* sender, const std::string& command, PPluginCallRec rec, int32_t& result)>;
using TOnProcessData = rtl::Event<void(TzetPlugin* sender, PPluginCallRec rec, int32_t& result)>;
using TNotifyEvent = rtl::Event<void(TzetPlugin* sender)>;
using TOnPluginNotifyEvent = rtl::Event<void(TzetPlugin* sender)>;
using TOnPluginStateChangeNotifyEvent =
    rtl::Event<void(TzetPlugin* sender, TModuleTypes moduleTypes)>;

struct TRect {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
};

/// A class reference: creates an instance of one module class.
struct TzetPluginClass {
  const char* ClassName;
  TzetPlugin* (*NewInstance)();
};

/// A data module: a component container whose published property values and event handlers come
/// from the module class's form resource.
class TzetPlugin : public TComponent {
public:
  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }

  /// Creation in the documented order; Rec may be null. Raises what the module's construction
  /// raises.
  static TzetPlugin* Create(const TzetPluginClass& moduleClass, PPluginCallRec rec,
                            uintptr_t moduleDllHandle);
  static const TzetPluginClass& ClassRef();
  /// Destruction: fires the destroy event while the whole object, the module class's part
  /// included, still exists (its failures are swallowed), then deletes the instance.
  static void Destroy(TzetPlugin* instance) noexcept;
  ~TzetPlugin() override;

  /// Reads "TEMPORARY-LOAD" of Params; failures are swallowed.
  void ApplyTemporaryLoad(void* params) noexcept;
  /// Every LOAD: the first one reads the host's parameters, creates the output lists and fires
  /// OnLoad; later ones only count. Answers the Result OnLoad set.
  int32_t DoLoad(PPluginCallRec rec);
  /// Every UNLOAD: the last one stops the data path, fires OnSaveSettingsNow (when the host names
  /// a new INI file) and OnUnload, and frees the output lists.
  int32_t DoUnload(PPluginCallRec rec);
  /// The host's "LANGUAGE" parameter, read before LOAD and before the options dialog.
  void ApplyLanguage(const void* params);
  /// Tells the host, once, why the language file could not be read when the instance was made;
  /// waits for a LOAD that names the host's message window.
  void ReportLanguageFileFailure();
  void TranslateNow();
  void TranslateComponents(TObject* root);
  /// Held while a dialog owned by the instance is created or freed; the instance's translation
  /// holds it too (it is the translator's lock), so that a walk on another thread never meets the
  /// list of owned components half changed.
  std::unique_lock<std::recursive_mutex> LockOwnedComponents();

  /// Sets TerminateNow and waits (at most 30 s) until no data call is inside its body (data
  /// calls count themselves in and out through CallerOutputs), so that what they use may go.
  void ShutOutDataCalls() noexcept;

  /// The output list of the calling thread, which its data handler fills and the frame
  /// publishes: OutputRows for the first calling thread, a list of its own for every other (see
  /// TCallerOutputLists). Null while the instance has no output lists.
  TzetRowsParamsList* CallerOutputRows();
  /// Publishes the calling thread's output list in the record's Output when the handler left
  /// Output.Kind at 0 and the list has items.
  virtual void PublishOutputRows(PPluginCallRec rec);
  /// Empties the calling thread's output list (the host's release request).
  virtual void ClearOutputRows();
  /// The module type word, read under DescriptorLock.
  uint32_t TypeWord() const;

  /// A copy of one of the texts DescriptorLock guards (Description, LogTitle, the completion
  /// messages ...), taken under its shared lock, so that a command replacing the text meanwhile
  /// cannot free it under the reader.
  rtl::AnsiString DescriptorText(const rtl::AnsiString& field) const;
  /// ModuleType, read under DescriptorLock.
  TModuleTypes CurrentModuleType() const;
  /// The custom-commands text, read under DescriptorLock; empty without a command list.
  std::string CustomCommandsText() const;
  /// The zero-terminated Description for GetModuleDescription. The host reads the text after the
  /// call, possibly while another thread replaces Description, so a replaced value is not freed
  /// at once: it stays readable until kRetiredDescriptions other values have replaced it, or the
  /// instance is destroyed. Equal texts share one kept block, so a host that switches between a
  /// few descriptions never frees one.
  const char* DescriptionForHost() const;
  /// Replaces a text DescriptorLock guards; a replaced Description is kept readable (above).
  void ReplaceDescriptorText(rtl::AnsiString& field, rtl::AnsiString value);

  /// The named-property interface the host reaches with GET-/SET-MODULE-PARAMETER. Strings are
  /// answered as wide strings, integers as signed 32-bit values, flags as Booleans; an unknown
  /// name answers Empty (getter) or false (setter). Setters raise when the value cannot be
  /// converted, except "ModuleType", which answers false then.
  rtl::Variant GetNamedProperty(std::string_view name);
  bool SetNamedProperty(std::string_view name, const rtl::Variant& value);

  /// The exchange text of ParserItems ("Desc|Name|Type|Extra" lines joined by CR LF).
  std::string GetParserItemsText() const;
  /// Parses Text and replaces ParserItems by its entries (Replace) or appends them.
  void SetParserItemsText(std::string_view text, bool replace);
  /// A copy of entry Index; ParserItems first grows to Index + 1 entries when it is shorter. A
  /// negative Index answers an empty entry.
  TParserItem GetParserItem(int32_t index);
  int32_t ParserItemCount() const { return static_cast<int32_t>(ParserItems.size()); }

  /// The all-users application-data folder of the host application (named by the fourth part of
  /// ModuleRegistryPath), with a trailing separator. Nothing is created.
  std::string AppDataPath() const;
  /// The configuration named in INISectionPrefix ("{Main:12}Mod" gives "12", "{Main}Mod" gives
  /// "Main", no braces give "").
  std::string ModuleConfigId() const;
  /// AppDataPath, the configuration and the module's title as folders, with a trailing
  /// separator. Nothing is created.
  std::string ModuleDataPath() const;

  /// The values the host keeps under "Custom" keys; created on first use.
  TzetThreadParamsList& CustomValueStore();

  // Published properties.
  rtl::AnsiString MsgNoData;
  rtl::AnsiString MsgWriteComplete;
  rtl::AnsiString MsgWriteCompleteError;
  float MinVersion = 0;
  rtl::AnsiString Description;
  rtl::AnsiString LogTitle;
  TModuleTypes ModuleType = 0;
  TModuleOptions ModuleOptions = 0;
  rtl::AnsiString EventsSupported;
  bool IsMultiThreadSupported = false;
  TShowOptionsDialogEvent OnShowOptionsDialog;
  TGetOptionsDialogEvent OnGetOptionsDialog;
  TExecutePluginCustomCommandEvent OnExecuteCustomCommand;
  TExecutePluginCustomCommandEvent OnEvent;
  TExecutePluginCommandEvent OnLoad;
  TExecutePluginCommandEvent OnUnload;
  TNotifyEvent OnSaveSettingsNow;
  TNotifyEvent OnLoadSettingsNow;
  TNotifyEvent OnSetParserItems;
  TNotifyEvent OnBeforeGetParserItems;
  TOnPluginStateChangeNotifyEvent OnStateChanged;
  TOnProcessData OnProcessData;
  TOnProcessData OnGetData;
  TOnPluginNotifyEvent OnChangeLanguage;
  /// The data module's creation event, fired after construction has finished.
  TNotifyEvent OnCreate;
  /// The data module's destroy event, fired by Destroy before anything is freed.
  TNotifyEvent OnDestroy;

  /// The set types of ModuleType and ModuleOptions, with their identifiers.
  static const rtl::EnumType& ModuleTypeSet();
  static const rtl::EnumType& ModuleOptionSet();

  // Instance state.
  /// Translation of the module's texts; created with the instance.
  std::unique_ptr<TWtransl> Translator;
  std::recursive_mutex CommandLock;
  int32_t CommandDepth = 0;
  uint32_t ModuleHandle = 0;
  uintptr_t ModuleDllHandle = 0;
  std::atomic<int32_t> ModuleLoadCount{0};
  uint32_t ModuleIndex = 0;
  /// The last parser-items text handed to the host by ITEMS.
  rtl::AnsiString ParserItemsText;
  TParserItems ParserItems;
  /// The data sources of the host's configuration, from SET-STATE.
  TConfigDataSources DataSources;
  rtl::AnsiString ModulePath;
  rtl::AnsiString ModuleName;
  int32_t ModuleLoadForConfig = 0;
  rtl::AnsiString ApplicationFullName;
  rtl::AnsiString DisplayFullVersion;
  std::unique_ptr<TzetPluginCustomCmdList> CustomCommands;
  std::unique_ptr<TLogDataList> LogLines;
  std::unique_ptr<TzetRowsParamsList> OutputRows;
  /// The output lists of the calling threads (OutputRows is the first thread's) and their data
  /// calls under way.
  TCallerOutputLists CallerOutputs;
  std::unique_ptr<TzetRowsParamsList> OutputEvents;
  std::atomic<bool> TerminateNow{false};
  rtl::AnsiString DataSourceLoadFor;
  rtl::AnsiString INIFile;
  TRegistryRoot ModuleRegistryRoot1 = rrHKEY_LOCAL_MACHINE;
  TRegistryRoot ModuleRegistryRoot2 = rrHKEY_CURRENT_USER;
  rtl::AnsiString ModuleRegistryPath;
  rtl::AnsiString INISectionPrefix;
  /// Keys of the property map stored only while they differ from their default (key and the
  /// default's stored text): options beyond the documented set leave no key until the user
  /// changes them, and returning one to its default removes its key.
  std::vector<std::pair<std::string, std::string>> KeysStoredOnlyOffDefault;
  bool ModuleEnabled[8] = {};
  bool IsTemporaryLoad = false;
  TRect FormBounds;
  uintptr_t OwnerForm = 0;
  uintptr_t ParentApp = 0;
  std::atomic<uintptr_t> MessagesProcessorHandle{0};
  std::atomic<bool> Busy{false};
  /// Options dialogs running on the instance (low bits) and kReleasedDuringDialog: an instance
  /// released while a dialog runs on it is destroyed by the last of its dialog calls, once the
  /// dialog has closed, never under it (see frame/instances.h).
  std::atomic<uint32_t> DialogRuns{0};
  static constexpr uint32_t kReleasedDuringDialog = 0x80000000u;
  bool Translated = false;
  std::thread::id LoadThreadId;
  rtl::AnsiString Language;
  std::unique_ptr<TzetThreadParamsList> CustomValues;
  /// Guards what a command may replace while an export of another thread reads it: Description,
  /// LogTitle, EventsSupported, ModuleType, CustomCommands and the completion messages
  /// (MsgNoData, MsgWriteComplete, MsgWriteCompleteError). Commands write them under the
  /// exclusive lock; exports copy them under the shared lock.
  mutable rtl::ReentrantRwLock DescriptorLock;
  static constexpr std::size_t kRetiredDescriptions = 64;

protected:
  TzetPlugin() : TComponent(nullptr) {}
  /// Applies the module class's design-time values (published properties and event handlers).
  /// The base class has none.
  virtual void LoadDesignTimeValues() {}
  /// A module class's own named properties, asked for a name the frame does not know: answers
  /// true with Value set when the module knows Name. The base class knows none.
  virtual bool GetModuleNamedProperty(std::string_view, rtl::Variant&) { return false; }

private:
  std::once_flag customValuesOnce_;
  /// Descriptions replaced lately, in a ring; see DescriptionForHost.
  std::array<rtl::AnsiString, kRetiredDescriptions> retiredDescriptions_;
  std::size_t nextRetired_ = 0;
  void Construct(PPluginCallRec rec, uintptr_t moduleDllHandle);
  /// Points the translator at the language file beside the library and picks the language.
  void PrepareTranslation();
  /// The log line for a language file that exists but could not be read; empty once reported.
  std::string LanguageFileFailure;
  /// Remembers the module's own translatable texts in the base language, so that a switch to
  /// another language translates from them again.
  void KeepSourceTexts();
  void RestoreSourceTexts();
  std::vector<std::pair<std::string, std::u16string>> SourceTexts;
};
