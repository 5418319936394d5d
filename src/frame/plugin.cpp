#include "frame/plugin.h"

#include "ui/form.h"

#include "rtl/published_builder.h"

#include "data/params_list.h"
#include "platform/module_info.h"
#include "rtl/file_names.h"

#include <string>

const rtl::EnumType& TzetPlugin::ModuleTypeSet() {
  static const rtl::EnumType type("TModuleType", {"mttDataQuery", "mttDataParser", "mttDataExport",
                                                  "mttEventsHandling", "mttLogging", "mttFilter",
                                                  "mttDeviceLayer", "mttMenuExt"});
  return type;
}

const rtl::EnumType& TzetPlugin::ModuleOptionSet() {
  static const rtl::EnumType type("TModuleOption", {"moNoConfig", "moXMLOptions", "moMultiConfig"});
  return type;
}

const rtl::MetaClass& TzetPlugin::StaticClass() {
  using T = TzetPlugin;
  static const rtl::MetaClass meta =
      rtl::Published<T, TComponent>("TzetPlugin")
          .LString("MsgNoData", &T::MsgNoData, &T::MsgNoData)
          .LString("MsgWriteComplete", &T::MsgWriteComplete, &T::MsgWriteComplete)
          .LString("MsgWriteCompleteError", &T::MsgWriteCompleteError, &T::MsgWriteCompleteError)
          .Float("MinVersion", &T::MinVersion, &T::MinVersion)
          .LString("Description", &T::Description, &T::Description)
          .LString("LogTitle", &T::LogTitle, &T::LogTitle)
          .Set("ModuleType", ModuleTypeSet(), &T::ModuleType, &T::ModuleType)
          .Set("ModuleOptions", ModuleOptionSet(), &T::ModuleOptions, &T::ModuleOptions)
          .Default(0)
          .LString("EventsSupported", &T::EventsSupported, &T::EventsSupported)
          .Boolean("IsMultiThreadSupported", &T::IsMultiThreadSupported, &T::IsMultiThreadSupported)
          .Method("OnShowOptionsDialog", &T::OnShowOptionsDialog)
          .Method("OnGetOptionsDialog", &T::OnGetOptionsDialog)
          .Method("OnExecuteCustomCommand", &T::OnExecuteCustomCommand)
          .Method("OnEvent", &T::OnEvent)
          .Method("OnLoad", &T::OnLoad)
          .Method("OnUnload", &T::OnUnload)
          .Method("OnSaveSettingsNow", &T::OnSaveSettingsNow)
          .Method("OnLoadSettingsNow", &T::OnLoadSettingsNow)
          .Method("OnSetParserItems", &T::OnSetParserItems)
          .Method("OnBeforeGetParserItems", &T::OnBeforeGetParserItems)
          .Method("OnStateChanged", &T::OnStateChanged)
          .Method("OnProcessData", &T::OnProcessData)
          .Method("OnGetData", &T::OnGetData)
          .Method("OnChangeLanguage", &T::OnChangeLanguage)
          .Method("OnCreate", &T::OnCreate)
          .Method("OnDestroy", &T::OnDestroy);
  return meta;
}

const TzetPluginClass& TzetPlugin::ClassRef() {
  static const TzetPluginClass ref{"TzetPlugin", [] { return new TzetPlugin(); }};
  return ref;
}

TzetPlugin* TzetPlugin::Create(const TzetPluginClass& moduleClass, PPluginCallRec rec,
                               uintptr_t moduleDllHandle) {
  std::unique_ptr<TzetPlugin> instance(moduleClass.NewInstance());
  instance->Construct(rec, moduleDllHandle);
  if (instance->OnCreate)
    instance->OnCreate(instance.get());
  return instance.release();
}

void TzetPlugin::Construct(PPluginCallRec rec, uintptr_t moduleDllHandle) {
  ModuleDllHandle = moduleDllHandle;
  ModuleLoadCount = 0;
  CommandDepth = 0;
  if (rec) {
    IsTemporaryLoad = rec->Params == nullptr;
    ApplyTemporaryLoad(rec->Params);
  }
  Busy = false;
  Translated = false;
  Translator = std::make_unique<TWtransl>(nullptr);
  // The instance's translation (LOAD with a new LANGUAGE, on any host thread) leaves alone the
  // dialogs that another thread runs; they keep their language until they close.
  Translator->SkipOwned = [](const TComponent& c) {
    auto* form = dynamic_cast<const TForm*>(&c);
    return form && form->ForeignThread();
  };

  ModuleHandle = 0;
  ModuleOptions = 0;
  DataSourceLoadFor = {};
  MessagesProcessorHandle = 0;
  ParentApp = 0;
  TerminateNow = false;
  ModuleRegistryRoot1 = rrHKEY_LOCAL_MACHINE;
  ModuleRegistryRoot2 = rrHKEY_CURRENT_USER;
  INIFile = {};
  CustomCommands = std::make_unique<TzetPluginCustomCmdList>();
  LogLines = std::make_unique<TLogDataList>(1024);

  const std::string fileName = platform::ModuleFileName(ModuleDllHandle);
  if (auto v = platform::FileVersion(fileName)) {
    DisplayFullVersion = std::to_string((*v)[0]) + "." + std::to_string((*v)[1]) + "." +
                         std::to_string((*v)[2]) + "." + std::to_string((*v)[3]);
  }
  ModulePath = fileName;
  PrepareTranslation();
  ModuleName = rtl::ExtractFileName(fileName);
  ModulePath = rtl::ExtractFilePath(fileName);

  FormBounds = {};
  OwnerForm = 0;
  LoadDesignTimeValues();
  if (Translator && !Translator->LanguageFile.empty()) {
    KeepSourceTexts();
    TranslateNow();
  }
}

void TzetPlugin::PrepareTranslation() {
  if (!Translator)
    return;
  Translator->LanguageFile = rtl::ChangeFileExt(ModulePath.View(), ".lng");
  Translator->CurrentLanguage = "EN";
  Language = "EN";
  if (!LanguageFileExists(Translator->LanguageFile)) {
    Translator->LanguageFile.clear();
  } else if (std::string language = Translator->GetLanguages(nullptr);
             Translator->LastReadError.empty()) {
    Language = language;
  } else {
    // A file that cannot be read (another program holds it without sharing, say) leaves the
    // module untranslated for its life, as a missing one would; the host hears why at LOAD.
    LanguageFileFailure = "Language file \"" + Translator->LanguageFile +
                          "\" cannot be read: " + Translator->LastReadError;
    Translator->LanguageFile.clear();
  }
  for (const char* name : {"MsgNoData", "MsgWriteComplete", "MsgWriteCompleteError"})
    Translator->ComponentProperties.Add(name);
}

void TzetPlugin::Destroy(TzetPlugin* instance) noexcept {
  if (!instance)
    return;
  // Fired here rather than in the destructor: by the time ~TzetPlugin runs, the members of a
  // module class are gone, and a handler of that class would read freed state.
  if (instance->OnDestroy) {
    try {
      instance->OnDestroy(instance);
    } catch (...) {
    }
  }
  try {
    delete instance;
  } catch (...) {
  }
}

std::unique_lock<std::recursive_mutex> TzetPlugin::LockOwnedComponents() {
  return std::unique_lock<std::recursive_mutex>(Translator->Lock);
}

TzetPlugin::~TzetPlugin() {
  ParserItemsText = {};
  Translator.reset();
}

void TzetPlugin::ApplyTemporaryLoad(void* params) noexcept {
  if (!params)
    return;
  try {
    rtl::Variant v = TzetParamsListRef(params).GetValue("TEMPORARY-LOAD", 0, -1);
    if (!v.IsEmptyValue())
      IsTemporaryLoad = v.ToBool();
  } catch (...) {
  }
}
