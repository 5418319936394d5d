// Help in the real options dialog under the real library: a help request on a control of the
// dialog (what F1 or the caption bar's help button sends) opens the system's help viewer on the
// help file beside the library, and closing the dialog closes the viewer again. Two instances'
// dialogs open at once on two host threads: a change of language on a third thread leaves the
// open dialog alone (only its own thread touches it), help asked for in one dialog stays open
// while the other closes, and the viewer closes with the last dialog. Windows only.
#include "host_fixture.h"

#ifdef _WIN32

#include <windows.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

/// The first visible top-level window of this process (of Thread, when given) whose class is
/// Class, waiting at most Ms.
HWND WaitForWindow(const wchar_t* cls, int ms, DWORD thread = 0) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
  do {
    for (HWND w = ::FindWindowW(cls, nullptr); w; w = ::FindWindowExW(nullptr, w, cls, nullptr)) {
      DWORD pid = 0;
      const DWORD owner = ::GetWindowThreadProcessId(w, &pid);
      if (pid == ::GetCurrentProcessId() && (!thread || owner == thread) && ::IsWindowVisible(w))
        return w;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  } while (Clock::now() < deadline);
  return nullptr;
}

/// The system's help viewer window (wine and Windows name its frame class alike).
constexpr wchar_t kViewerClass[] = L"HH Parent";

bool ViewerOpen() {
  return WaitForWindow(kViewerClass, 0) != nullptr;
}

/// The first child of Dialog of class Class (and text Text, when given).
HWND Child(HWND dialog, const wchar_t* cls, const wchar_t* text = nullptr) {
  struct Search {
    const wchar_t* cls;
    const wchar_t* text;
    HWND found;
  } s{cls, text, nullptr};
  ::EnumChildWindows(
      dialog,
      [](HWND h, LPARAM lp) CALLBACK -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        wchar_t cls[32] = {}, text[128] = {};
        ::GetClassNameW(h, cls, 32);
        ::GetWindowTextW(h, text, 128);
        if (_wcsicmp(cls, s->cls) != 0 || (s->text && std::wstring(text) != s->text))
          return TRUE;
        s->found = h;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&s));
  return s.found;
}

/// What F1 in Control sends.
void AskForHelp(HWND control) {
  HELPINFO info{};
  info.cbSize = sizeof info;
  info.iContextType = HELPINFO_WINDOW;
  info.iCtrlId = ::GetDlgCtrlID(control);
  info.hItemHandle = control;
  ::SendMessageW(control, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
}

class OptionsHelpHost : public HostTest {
protected:
  void SetUp() override {
    ini_ = std::filesystem::temp_directory_path() /
           ("agg-help-host-" + std::to_string(FreshHandle()) + ".ini");
    std::ofstream(ini_, std::ios::binary) << "[Common]\r\nVar1=Temp\r\n";
  }
  void TearDown() override {
    hostkit::HostList params;
    params.AddText("COMMAND", "UNLOAD");
    params.AddText("INI-FILE", ini_.string());
    RecordBytes unload;
    unload.Handle(handle_).Params(params.Raw());
    X().ExecutePluginCommand(unload.Rec());
    RecordBytes release;
    release.Handle(handle_).Action(ZET_ACTION_RELEASE);
    X().GetModuleType(release.Rec());
    std::error_code ignored;
    std::filesystem::remove(ini_, ignored);
  }

  std::filesystem::path ini_;
  uint32_t handle_ = FreshHandle();
};

TEST_F(OptionsHelpHost, HelpOnAControlOpensTheViewerWhichClosesWithTheDialog) {
  hostkit::HostList load;
  load.AddText("COMMAND", "LOAD");
  load.AddText("INI-FILE", ini_.string());
  RecordBytes r;
  r.Handle(handle_).Params(load.Raw());
  ASSERT_EQ(X().ExecutePluginCommand(r.Rec()), 0);
  ASSERT_FALSE(ViewerOpen());

  std::atomic<bool> dialogFound{false}, viewerOpened{false};
  std::thread user([&] {
    HWND dialog = WaitForWindow(L"#32770", 10000);
    dialogFound = dialog != nullptr;
    if (!dialog)
      return;
    // The first combo box, found inside its panel, as F1 in it would report it.
    AskForHelp(Child(dialog, L"ComboBox"));
    viewerOpened = WaitForWindow(kViewerClass, 5000) != nullptr;
    ::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  });
  hostkit::HostList show;
  show.AddText("INI-FILE", ini_.string());
  RecordBytes s;
  s.Handle(handle_).Params(show.Raw());
  X().ShowOptionsDialog(s.Rec());
  user.join();
  EXPECT_EQ(s.OutputData(), 0u);
  EXPECT_TRUE(dialogFound);
  EXPECT_TRUE(viewerOpened) << "no help viewer for context 80 of the help file beside the library";
  EXPECT_FALSE(ViewerOpen()) << "the viewer outlived the dialog";
}

class DialogThreads : public IniFileHostTest {
protected:
  /// Runs the dialog of Handle on a thread of its own; Thread receives the thread's id.
  std::thread Open(uint32_t handle, std::atomic<DWORD>& thread, uint32_t& outcome) {
    return std::thread([this, handle, &thread, &outcome] {
      thread = ::GetCurrentThreadId();
      hostkit::HostList params;
      params.AddText("INI-FILE", ini_.string());
      params.AddText("LANGUAGE", "EN");
      RecordBytes r;
      r.Handle(handle).Params(params.Raw());
      X().ShowOptionsDialog(r.Rec());
      outcome = static_cast<uint32_t>(r.OutputData());
    });
  }
};

TEST_F(DialogThreads, TwoDialogsOnTwoThreads) {
  WriteIni("Var1=Temp\r\n");
  const uint32_t first = LoadWithItems(), second = LoadWithItems();
  std::atomic<DWORD> t1{0}, t2{0};
  uint32_t outcome1 = 9, outcome2 = 9;
  std::thread run1 = Open(first, t1, outcome1), run2 = Open(second, t2, outcome2);
  while (!t1 || !t2)
    std::this_thread::yield();
  HWND dialog1 = WaitForWindow(L"#32770", 10000, t1);
  HWND dialog2 = WaitForWindow(L"#32770", 10000, t2);
  ASSERT_TRUE(dialog1 && dialog2);

  // A LOAD with another language on this thread: the open dialog keeps its texts.
  hostkit::HostList load;
  load.AddText("COMMAND", "LOAD");
  load.AddText("INI-FILE", ini_.string());
  load.AddText("LANGUAGE", "RU");
  RecordBytes r;
  r.Handle(first).Params(load.Raw());
  EXPECT_EQ(X().ExecutePluginCommand(r.Rec()), 0);
  Track(first);
  EXPECT_TRUE(Child(dialog1, L"Button", L"Aggregate variables"))
      << "the dialog was translated from a thread that is not its own";

  // Help in the first dialog; the second one closes meanwhile.
  HWND combo = Child(dialog1, L"ComboBox");
  ASSERT_TRUE(combo);
  AskForHelp(combo);
  EXPECT_TRUE(WaitForWindow(kViewerClass, 5000, t1)) << "no viewer for the first dialog";
  ::PostMessageW(dialog2, WM_SYSCOMMAND, SC_CLOSE, 0);
  run2.join();
  EXPECT_TRUE(ViewerOpen()) << "the other dialog's closing closed this dialog's help";
  ::PostMessageW(dialog1, WM_SYSCOMMAND, SC_CLOSE, 0);
  run1.join();
  EXPECT_EQ(outcome1, 0u);
  EXPECT_EQ(outcome2, 0u);
  EXPECT_FALSE(ViewerOpen()) << "the viewer outlived the last dialog";
}

} // namespace

#endif
