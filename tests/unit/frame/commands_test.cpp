#include "test_plugin.h"

#include "frame/log_data_list.h"
#include "platform/debug_output.h"
#include "platform/module_info.h"
#include "rtl/file_names.h"

#ifdef _WIN32
#include <io.h>
#include <share.h>
#else
#include <cerrno>
#include <cstring>
#endif
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

namespace {

class Commands : public FrameTest {};

TEST_F(Commands, LoadCountsAndFiresOnLoadOnceAndUnloadAtTheLast) {
  int loads = 0, unloads = 0;
  ProbePlugin::Setup = [&](ProbePlugin& p) {
    p.OnLoad = [&](TzetPlugin*, PPluginCallRec, int32_t&) { ++loads; };
    p.OnUnload = [&](TzetPlugin*, PPluginCallRec, int32_t&) { ++unloads; };
  };
  EXPECT_EQ(Command(1, "LOAD"), 0);
  EXPECT_EQ(Command(1, "LOAD"), 0);
  EXPECT_EQ(Command(1, "UNLOAD"), 0);
  EXPECT_EQ(loads, 1);
  EXPECT_EQ(unloads, 0);
  TzetPlugin* p = Instance(1);
  ASSERT_NE(p, nullptr);
  EXPECT_FALSE(p->TerminateNow);
  EXPECT_NE(p->OutputRows, nullptr);
  EXPECT_EQ(Command(1, "UNLOAD"), 0);
  EXPECT_EQ(unloads, 1);
  EXPECT_TRUE(p->TerminateNow);
  EXPECT_EQ(p->OutputRows, nullptr);
  // A further UNLOAD keeps the count at 0.
  EXPECT_EQ(Command(1, "UNLOAD"), 0);
  EXPECT_EQ(p->ModuleLoadCount, 0);
  EXPECT_EQ(unloads, 1);
  // A terminated instance loads again.
  EXPECT_EQ(Command(1, "LOAD"), 0);
  EXPECT_EQ(loads, 2);
  EXPECT_FALSE(p->TerminateNow);
}

TEST_F(Commands, FirstLoadReadsTheHostParametersOnce) {
  EXPECT_EQ(Command(2, "LOAD",
                    [](TzetParamsList& l) {
                      l.Add("RegistryPath", rtl::Variant::FromAnsiText("Software\\X"));
                      l.Add("INI-FILE", rtl::Variant::FromAnsiText("a.ini"));
                      l.Add("ApplicationName", rtl::Variant::FromAnsiText("host.exe"));
                      l.Add("CONFIG-ID", rtl::Variant::Int32(7));
                      l.Add("MessagesProcessorHandle", rtl::Variant::Int32(0));
                    }),
            0);
  TzetPlugin* p = Instance(2);
  EXPECT_EQ(p->ModuleRegistryPath, "Software\\X");
  EXPECT_EQ(p->INIFile, "a.ini");
  EXPECT_EQ(p->ApplicationFullName, "host.exe");
  EXPECT_EQ(p->ModuleIndex, 5u);
  EXPECT_EQ(p->ModuleLoadForConfig, 0); // not a multi-configuration module
  EXPECT_EQ(p->ParentApp, 0u);          // "host.exe" is no module of this process
  EXPECT_EQ(Command(2, "LOAD",
                    [](TzetParamsList& l) {
                      l.Add("RegistryPath", rtl::Variant::FromAnsiText("Other"));
                    }),
            0);
  EXPECT_EQ(p->ModuleRegistryPath, "Software\\X");

  // The host's application module handle, kept whole in a process with 64-bit handles.
  const uint64_t handle = sizeof(uintptr_t) == 8 ? 0x140000000ull : 0x00400000ull;
  EXPECT_EQ(Command(12, "LOAD",
                    [&](TzetParamsList& l) {
                      l.Add("HANDLE", rtl::Variant::Int64(static_cast<int64_t>(handle)));
                    }),
            0);
  EXPECT_EQ(Instance(12)->ParentApp, static_cast<uintptr_t>(handle));
  EXPECT_EQ(Command(12, "UNLOAD"), 0);
  EXPECT_EQ(Instance(12)->ParentApp, 0u);
}

TEST_F(Commands, LastUnloadSavesOnlyForANewIniFileAndBeforeOnUnload) {
  std::vector<std::string> events;
  ProbePlugin::Setup = [&](ProbePlugin& p) {
    p.OnSaveSettingsNow = [&](TzetPlugin* s) { events.push_back("save " + s->INIFile.Str()); };
    p.OnUnload = [&](TzetPlugin*, PPluginCallRec, int32_t&) { events.push_back("unload"); };
  };
  auto ini = [](const char* f) {
    return [f](TzetParamsList& l) { l.Add("INI-FILE", rtl::Variant::FromAnsiText(f)); };
  };
  Command(3, "LOAD", ini("a.ini"));
  Command(3, "UNLOAD", ini("a.ini"));
  EXPECT_EQ(events, (std::vector<std::string>{"unload"}));
  events.clear();
  Command(3, "LOAD", ini("a.ini"));
  Command(3, "UNLOAD", ini("b.ini"));
  EXPECT_EQ(events, (std::vector<std::string>{"save b.ini", "unload"}));
}

TEST_F(Commands, FailuresAndUnknownWords) {
  ProbePlugin::Setup = [](ProbePlugin& p) {
    p.OnLoad = [](TzetPlugin*, PPluginCallRec, int32_t&) { throw std::runtime_error("boom"); };
    p.OnUnload = [](TzetPlugin*, PPluginCallRec, int32_t&) { throw std::runtime_error("boom"); };
  };
  EXPECT_EQ(Command(4, "LOAD"), -3);
  EXPECT_EQ(Instance(4)->ModuleLoadCount, 1); // stays counted
  EXPECT_EQ(Command(4, "UNLOAD"), 0);         // a failing OnUnload is swallowed
  EXPECT_EQ(Command(4, "load"), -2);          // command words are case-sensitive
  EXPECT_EQ(Command(4, "EVENT"), -1);         // built in: no "EVENT-TYPE"

  TzetParamsList noCommand;
  TPluginCallRec r = Rec(4, &noCommand);
  EXPECT_EQ(frame::ExecutePluginCommand(&r), -1);

  // A list without the live signature.
  alignas(8) unsigned char fake[sizeof(ZetParamsListLayout)] = {};
  r = Rec(4, fake);
  EXPECT_EQ(frame::ExecutePluginCommand(&r), -3);
}

TEST_F(Commands, CustomCommandsGetTheWordAndMinusTwoOnEntry) {
  ProbePlugin::Setup = [](ProbePlugin& p) {
    p.OnExecuteCustomCommand = [](TzetPlugin*, const std::string& word, PPluginCallRec,
                                  int32_t& result) {
      EXPECT_EQ(result, -2);
      if (word == "FAIL")
        throw std::runtime_error("custom failure");
      result = static_cast<int32_t>(word.size());
    };
  };
  EXPECT_EQ(Command(5, "HELLO"), 5);
  EXPECT_EQ(Command(5, "FAIL"), -3);
}

TEST_F(Commands, NestedCommandOfTheSameThreadFails) {
  int32_t inner = 0;
  ProbePlugin::Setup = [&](ProbePlugin& p) {
    p.OnExecuteCustomCommand = [&](TzetPlugin*, const std::string& word, PPluginCallRec,
                                   int32_t& result) {
      if (word == "OUTER")
        inner = Command(6, "INNER");
      result = 0;
    };
  };
  EXPECT_EQ(Command(6, "OUTER"), 0);
  EXPECT_EQ(inner, -3);
  EXPECT_EQ(Instance(6)->CommandDepth, 0);
  EXPECT_EQ(Command(6, "INNER"), 0); // the lock and the depth were given back
}

TEST_F(Commands, CommandsOfTwoThreadsAreSerialised) {
  std::atomic<int> inside{0};
  std::atomic<int> overlaps{0};
  int counter = 0; // touched only inside commands: TSan reports any overlap
  ProbePlugin::Setup = [&](ProbePlugin& p) {
    p.OnExecuteCustomCommand = [&](TzetPlugin*, const std::string&, PPluginCallRec,
                                   int32_t& result) {
      if (inside.fetch_add(1) != 0)
        ++overlaps;
      ++counter;
      std::this_thread::yield();
      inside.fetch_sub(1);
      result = 0;
    };
  };
  Command(7, "WARM-UP");
  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t)
    threads.emplace_back([] {
      for (int i = 0; i < 200; ++i)
        Command(7, "WORK");
    });
  for (auto& t : threads)
    t.join();
  EXPECT_EQ(overlaps, 0);
  EXPECT_EQ(counter, 401);
}

TEST_F(Commands, TemporaryLoadAndHostWindowParameters) {
  TPluginCallRec r = Rec(8, nullptr);
  ASSERT_EQ(frame::GetModuleType(&r), 0x20u);
  EXPECT_TRUE(Instance(8)->IsTemporaryLoad); // created by a call without parameters
  Command(8, "PING", [](TzetParamsList& l) {
    l.Add("TEMPORARY-LOAD", rtl::Variant::Bool(false));
    l.Add("OWNERFORM", rtl::Variant::Int32(77));
  });
  EXPECT_FALSE(Instance(8)->IsTemporaryLoad);
  EXPECT_EQ(Instance(8)->OwnerForm, 77u);
}

} // namespace

namespace {

class Lifecycle : public FrameTest {};

std::vector<std::string> gDebugLines;

TEST_F(Lifecycle, FolderAndFileNameOfTheLibrary) {
  TPluginCallRec r = Rec(20, nullptr);
  ASSERT_EQ(frame::GetModuleType(&r), 0x20u);
  const TzetPlugin* p = Instance(20);
  const std::string file = platform::ModuleFileName(0);
  ASSERT_FALSE(p->ModuleName.IsEmpty());
  const char last = p->ModulePath.Str().back();
  EXPECT_TRUE(last == '\\' || last == '/') << p->ModulePath.Str();
  EXPECT_EQ(p->ModulePath.Str() + p->ModuleName.Str(), file);
  EXPECT_EQ(p->Language, "EN");
}

TEST_F(Lifecycle, LanguageOfTheHostIsAppliedOnlyWhenItIsTheModulesOwn) {
  int changes = 0;
  bool fail = false;
  ProbePlugin::Setup = [&](ProbePlugin& p) {
    p.OnChangeLanguage = [&](TzetPlugin* self) {
      ++changes;
      EXPECT_EQ(self->Language, "EN");
      if (fail)
        throw std::runtime_error("no texts");
    };
  };
  auto language = [](const char* code) {
    return [code](TzetParamsList& l) {
      l.Add("LANGUAGE", rtl::Variant::FromAnsiText(code));
      l.Add("MessagesProcessorHandle", rtl::Variant::Int32(0));
    };
  };
  EXPECT_EQ(Command(21, "LOAD", language("DE")), 0);
  TzetPlugin* p = Instance(21);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(p->Language, "EN");
  EXPECT_FALSE(p->Translated);

  EXPECT_EQ(Command(21, "LOAD", language("EN")), 0);
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(p->Translated);
  EXPECT_EQ(Command(21, "PING", language("EN")), -2); // only LOAD reads the language
  EXPECT_EQ(changes, 1);

  // A failing language event is reported as "TRANSL"; the LOAD itself goes on.
  fail = true;
  gDebugLines.clear();
  platform::SetDebugOutputHook([](std::string_view text) { gDebugLines.emplace_back(text); });
  EXPECT_EQ(Command(21, "LOAD", language("EN")), 0);
  platform::SetDebugOutputHook(nullptr);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(p->ModuleLoadCount, 3);
  ASSERT_EQ(gDebugLines.size(), 1u);
  EXPECT_EQ(gDebugLines[0].rfind("{TRANSL} no texts", 0), 0u) << gDebugLines[0];
}

/// Makes an existing file unreadable while it lives: held open without sharing where files
/// have sharing modes, otherwise replaced by a name whose every read fails with EIO.
class UnreadableFile {
public:
  explicit UnreadableFile(std::string file) : file_(std::move(file)) {
#ifdef _WIN32
    handle_ = ::_sopen(file_.c_str(), 0 /* _O_RDONLY */, _SH_DENYRW);
#else
    std::filesystem::rename(file_, file_ + ".kept");
    std::filesystem::create_symlink("/proc/self/mem", file_);
#endif
  }
  ~UnreadableFile() {
#ifdef _WIN32
    ::_close(handle_);
#else
    std::filesystem::remove(file_);
    std::filesystem::rename(file_ + ".kept", file_);
#endif
  }
  /// The system's reason why a read fails; empty where the test does not know it in advance.
  static std::string Reason() {
#ifdef _WIN32
    return {};
#else
    return std::strerror(EIO);
#endif
  }

private:
  std::string file_;
  [[maybe_unused]] int handle_ = -1; // Windows holds the file open through it
};

// An unreadable language file beside the library leaves the module in its base language: LOAD
// succeeds, and the host hears why, once. A missing file is no news.
TEST_F(Lifecycle, AnUnreadableLanguageFileLeavesTheModuleUntranslated) {
  const std::string file = rtl::ChangeFileExt(platform::ModuleFileName(0), ".lng");
  const std::unique_ptr<const std::string, void (*)(const std::string*)> removed(
      &file, [](const std::string* f) { std::remove(f->c_str()); });
  std::ofstream(file, std::ios::binary)
      << "[Languages]\r\n$EN = English\r\n$DE = Deutsch\r\nDefault = DE\r\n\r\n"
         "EN:>No data for processing\r\nDE:>Keine Daten\r\n\r\n";
  auto load = [](uint32_t handle) {
    return Command(handle, "LOAD", [](TzetParamsList& l) {
      l.Add("LANGUAGE", rtl::Variant::FromAnsiText("DE"));
      l.Add("MessagesProcessorHandle", rtl::Variant::Int32(0x7FFFFFF1)); // no window: kept
    });
  };
  EXPECT_EQ(load(30), 0);
  EXPECT_EQ(Instance(30)->MsgNoData, "Keine Daten");
  EXPECT_EQ(Instance(30)->LogLines->Count(), 0);
  {
    UnreadableFile unreadable(file);
    EXPECT_EQ(load(31), 0);
  }
  TzetPlugin* p = Instance(31);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->Language, "EN");
  EXPECT_EQ(p->MsgNoData, "No data for processing");
  EXPECT_EQ(load(31), 0); // reported once
  ASSERT_EQ(p->LogLines->Count(), 1);
  const std::string line = p->LogLines->GetText();
  const std::string expected = "\x02Probe. Language file \"" + file + "\" cannot be read: ";
  EXPECT_EQ(line.substr(0, expected.size()), expected) << line;
  EXPECT_GT(line.size(), expected.size() + 2) << "no reason given";
  if (!UnreadableFile::Reason().empty()) {
    EXPECT_EQ(line, expected + UnreadableFile::Reason() + "\r\n");
  }

  std::remove(file.c_str());
  EXPECT_EQ(load(32), 0);
  EXPECT_EQ(Instance(32)->Language, "EN");
  EXPECT_EQ(Instance(32)->LogLines->Count(), 0);
}

TEST_F(Lifecycle, ConfigurationNumberOfAMultiConfigurationModule) {
  ProbePlugin::Setup = [](ProbePlugin& p) { p.ModuleOptions = ModuleOptionBit(moMultiConfig); };
  EXPECT_EQ(Command(22, "LOAD",
                    [](TzetParamsList& l) {
                      l.Add("CONFIG-ID", rtl::Variant::Int64(0x100000007ll)); // low 32 bits
                    }),
            0);
  EXPECT_EQ(Instance(22)->ModuleLoadForConfig, 7);
  EXPECT_EQ(Command(22, "UNLOAD"), 0);
  EXPECT_EQ(Command(22, "LOAD"), 0); // a new first LOAD without the parameter
  EXPECT_EQ(Instance(22)->ModuleLoadForConfig, 0);
}

} // namespace
