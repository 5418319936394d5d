// Two instances' options dialogs open at once on two host threads, under the real library: a
// change of language on a third thread leaves the open dialog alone (only its own thread touches
// it), help asked for in one dialog stays open while the other dialog closes, and the viewer
// closes with the last dialog. Windows only.
#include "host_fixture.h"

#ifdef _WIN32

#include <windows.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr wchar_t kViewerClass[] = L"HH Parent";

/// The visible top-level window of Thread whose class is Class, waiting at most Ms.
HWND WaitForThreadWindow(DWORD thread, const wchar_t* cls, int ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
  do {
    for (HWND w = ::FindWindowW(cls, nullptr); w; w = ::FindWindowExW(nullptr, w, cls, nullptr))
      if (::GetWindowThreadProcessId(w, nullptr) == thread && ::IsWindowVisible(w))
        return w;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  } while (Clock::now() < deadline);
  return nullptr;
}

bool ViewerOpen() {
  for (HWND w = ::FindWindowW(kViewerClass, nullptr); w;
       w = ::FindWindowExW(nullptr, w, kViewerClass, nullptr)) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(w, &pid);
    if (pid == ::GetCurrentProcessId() && ::IsWindowVisible(w))
      return true;
  }
  return false;
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
  HWND dialog1 = WaitForThreadWindow(t1, L"#32770", 10000);
  HWND dialog2 = WaitForThreadWindow(t2, L"#32770", 10000);
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
  HELPINFO info{};
  info.cbSize = sizeof info;
  info.iContextType = HELPINFO_WINDOW;
  info.iCtrlId = ::GetDlgCtrlID(combo);
  info.hItemHandle = combo;
  ::SendMessageW(combo, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_TRUE(WaitForThreadWindow(t1, kViewerClass, 5000)) << "no viewer for the first dialog";
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
