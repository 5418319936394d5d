// The options dialog through the real library, driven as a user drives it: a second thread of
// the host finds the dialog window, types into the boxes, sets the spin box, ticks the check box
// and presses OK, Cancel, Enter, Esc or the close box, while the host's thread waits in
// ShowOptionsDialog. Windows only: the native build has no dialogs to drive.
#include "host_fixture.h"

#ifdef _WIN32

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

/// The visible dialog of this process, waiting at most Ms milliseconds.
HWND WaitForDialog(int ms = 10000) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
  while (Clock::now() < deadline) {
    // Dialogs have the class "#32770"; the test's wine prefix runs no other program.
    for (HWND w = ::FindWindowW(L"#32770", nullptr); w;
         w = ::FindWindowExW(nullptr, w, L"#32770", nullptr)) {
      DWORD pid = 0;
      ::GetWindowThreadProcessId(w, &pid);
      if (pid == ::GetCurrentProcessId() && ::IsWindowVisible(w))
        return w;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return nullptr;
}

/// The dialog's controls, found through EnumChildWindows (which reaches into the panels) and
/// ordered by their control identifiers (the order they were created in: the tab order).
struct DialogControls {
  HWND dialog = nullptr;
  std::vector<HWND> combos; // var1 .. var8
  HWND updown = nullptr;
  HWND check = nullptr;
  HWND ok = nullptr;
  HWND cancel = nullptr;

  explicit DialogControls(HWND d) : dialog(d) {
    std::vector<HWND> all;
    ::EnumChildWindows(
        d,
        [](HWND h, LPARAM lp) CALLBACK -> BOOL {
          reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&all));
    std::sort(all.begin(), all.end(),
              [](HWND a, HWND b) { return ::GetDlgCtrlID(a) < ::GetDlgCtrlID(b); });
    std::vector<HWND> boxes;
    for (HWND h : all) {
      wchar_t cls[32] = {}, text[32] = {};
      ::GetClassNameW(h, cls, 32);
      ::GetWindowTextW(h, text, 32);
      const std::wstring c(cls), t(text);
      const LONG style = ::GetWindowLongW(h, GWL_STYLE);
      if (_wcsicmp(cls, L"ComboBox") == 0)
        boxes.push_back(h);
      else if (c == UPDOWN_CLASSW)
        updown = h;
      else if (_wcsicmp(cls, L"Button") == 0 && (style & 0x0F) == BS_AUTOCHECKBOX)
        check = h;
      else if (_wcsicmp(cls, L"Button") == 0 && t == L"OK")
        ok = h;
      else if (_wcsicmp(cls, L"Button") == 0 && t == L"Cancel")
        cancel = h;
    }
    // Creation order: the left column (var1, var3, var5, var7), then the right one.
    if (boxes.size() == 8)
      combos = {boxes[0], boxes[4], boxes[1], boxes[5], boxes[2], boxes[6], boxes[3], boxes[7]};
  }

  static HWND EditOf(HWND combo) { return ::FindWindowExW(combo, nullptr, L"Edit", nullptr); }
  void Type(int var, const wchar_t* text) {
    ::SendMessageW(combos.at(static_cast<size_t>(var - 1)), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(text));
  }
  std::wstring Text(int var) {
    wchar_t text[256] = {};
    ::GetWindowTextW(combos.at(static_cast<size_t>(var - 1)), text, 256);
    return text;
  }
  int ListCount(int var) {
    return static_cast<int>(
        ::SendMessageW(combos.at(static_cast<size_t>(var - 1)), CB_GETCOUNT, 0, 0));
  }
  std::wstring ListItem(int var, int index) {
    wchar_t text[256] = {};
    ::SendMessageW(combos.at(static_cast<size_t>(var - 1)), CB_GETLBTEXT, index,
                   reinterpret_cast<LPARAM>(text));
    return text;
  }
  /// A key pressed while the focus is in Window (posted, as the keyboard would deliver it).
  void Key(HWND window, WPARAM key) {
    ::PostMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(window), TRUE);
    ::PostMessageW(window, WM_KEYDOWN, key, 1);
    ::PostMessageW(window, WM_KEYUP, key, 0xC0000001);
  }
};

/// Runs User on its own thread against the next dialog; joins it on destruction.
class DialogDriver {
public:
  explicit DialogDriver(std::function<void(DialogControls&)> user)
      : thread_([this, user] {
          HWND dialog = WaitForDialog();
          found_ = dialog != nullptr;
          if (!dialog)
            return;
          DialogControls controls(dialog);
          user(controls);
        }) {}
  ~DialogDriver() { thread_.join(); }
  bool Found() {
    thread_.join();
    thread_ = std::thread([] {});
    return found_;
  }

private:
  std::atomic<bool> found_{false};
  std::thread thread_;
};

class OptionsDialogHost : public IniFileHostTest {
protected:
  uint32_t Load(const char* registryPath = "\\Software\\AggDialogTest", uintptr_t window = 0,
                uint32_t index = 0) {
    const uint32_t handle = FreshHandle();
    hostkit::HostList params;
    params.AddText("COMMAND", "LOAD");
    params.AddText("INI-FILE", ini_.string());
    params.AddText("RegistryPath", registryPath);
    if (window)
      params.AddInt("MessagesProcessorHandle", static_cast<int32_t>(window));
    RecordBytes r;
    r.Handle(handle).Index(index).Params(params.Raw());
    EXPECT_EQ(X().ExecutePluginCommand(r.Rec()), 0);
    Track(handle);
    return handle;
  }
  void SetItems(uint32_t handle, const char* items) {
    hostkit::HostList params;
    params.AddText("COMMAND", "SET-ITEMS");
    params.AddText("ITEMS", items);
    RecordBytes r;
    r.Handle(handle).Params(params.Raw());
    EXPECT_EQ(X().ExecutePluginCommand(r.Rec()), 0);
  }
  /// ShowOptionsDialog with the INI file; answers the outcome.
  uint32_t Show(uint32_t handle, hostkit::HostList* extra = nullptr) {
    hostkit::HostList params;
    params.AddText("INI-FILE", ini_.string());
    RecordBytes r;
    r.Handle(handle).Params(extra ? extra->Raw() : params.Raw());
    X().ShowOptionsDialog(r.Rec());
    EXPECT_EQ(r.OutputKind(), ZET_KIND_INTEGER);
    return static_cast<uint32_t>(r.OutputData());
  }
  int32_t Send(uint32_t handle, const char* name) {
    hostkit::HostList packet, params;
    packet.AddInt(name, 1);
    RecordBytes r;
    r.Handle(handle).Params(params.Raw()).Types(ZET_MTT_FILTER);
    r.Input(ZET_KIND_LIST, reinterpret_cast<uintptr_t>(packet.Raw()));
    return X().ProcessData(r.Rec());
  }
  std::string Ini() const {
    std::ifstream in(ini_, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  bool Has(const std::string& line) const { return Ini().find(line + "\r\n") != std::string::npos; }
};

TEST_F(OptionsDialogHost, OkStoresTheBoxesAndTheEngineAggregatesOnThem) {
  WriteIni("Var1=Hum\r\nTimeout=100\r\n");
  const uint32_t handle = Load();
  SetItems(handle, "d|b|String|\r\nd|A|String|\r\nd|Temp|String|\r\nd|b|String|");
  DialogDriver driver([](DialogControls& c) {
    ASSERT_EQ(c.combos.size(), 8u);
    EXPECT_EQ(c.Text(1), L"Hum");
    EXPECT_EQ(c.ListCount(8), 4);
    EXPECT_EQ(c.ListItem(2, 0), L"A");
    EXPECT_EQ(c.ListItem(2, 1), L"b");
    EXPECT_EQ(c.ListItem(2, 2), L"b");
    c.Type(2, L"Temp");
    ASSERT_NE(c.updown, nullptr);
    ::SendMessageW(c.updown, UDM_SETPOS32, 0, 500);
    ::SendMessageW(c.check, BM_CLICK, 0, 0);
    ::SendMessageW(c.ok, BM_CLICK, 0, 0);
  });
  EXPECT_EQ(Show(handle), 1u);
  EXPECT_TRUE(driver.Found());
  EXPECT_TRUE(Has("Var1=Hum")) << Ini();
  EXPECT_TRUE(Has("Var2=Temp")) << Ini();
  EXPECT_TRUE(Has("Timeout=500")) << Ini();
  EXPECT_TRUE(Has("No reset=True")) << Ini();

  // The engine took the new settings over: Hum and Temp make a row, within 500 ms.
  EXPECT_EQ(Send(handle, "Hum"), -2);
  EXPECT_EQ(Send(handle, "Temp"), 0);
  // No reset: the next Temp releases the row again; after 600 ms of silence it is discarded.
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  EXPECT_EQ(Send(handle, "Temp"), -2);
}

TEST_F(OptionsDialogHost, CancelEscEnterAndTheCloseBoxStoreOnlyThePosition) {
  const std::vector<std::pair<const char*, std::function<void(DialogControls&)>>> ways = {
      {"Cancel", [](DialogControls& c) { ::SendMessageW(c.cancel, BM_CLICK, 0, 0); }},
      {"Esc", [](DialogControls& c) { c.Key(DialogControls::EditOf(c.combos[0]), VK_ESCAPE); }},
      {"Enter in a box",
       [](DialogControls& c) { c.Key(DialogControls::EditOf(c.combos[2]), VK_RETURN); }},
      {"Enter on the check box", [](DialogControls& c) { c.Key(c.check, VK_RETURN); }},
      {"close box",
       [](DialogControls& c) { ::PostMessageW(c.dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }},
  };
  for (const auto& [name, press] : ways) {
    WriteIni("Var1=Hum\r\nTimeout=100\r\n");
    const uint32_t handle = Load();
    DialogDriver driver([&](DialogControls& c) {
      c.Type(1, L"Changed");
      ::SendMessageW(c.updown, UDM_SETPOS32, 0, 700);
      press(c);
    });
    EXPECT_EQ(Show(handle), 0u) << name;
    EXPECT_TRUE(driver.Found()) << name;
    EXPECT_TRUE(Has("Var1=Hum")) << name << Ini();
    EXPECT_TRUE(Has("Timeout=100")) << name << Ini();
    EXPECT_NE(Ini().find("Left="), std::string::npos) << name;
    EXPECT_NE(Ini().find("Top="), std::string::npos) << name;
    EXPECT_TRUE(Has("Width=389")) << name << Ini();
  }
}

TEST_F(OptionsDialogHost, LayoutAndLimitsOfTheRealDialog) {
  WriteIni("");
  const uint32_t handle = Load();
  DialogDriver driver([](DialogControls& c) {
    RECT before{}, after{};
    ::GetWindowRect(c.dialog, &before);
    // The height is fixed; the width has a minimum of 350.
    ::SetWindowPos(c.dialog, nullptr, 0, 0, 300, before.bottom - before.top + 80,
                   SWP_NOMOVE | SWP_NOZORDER);
    ::GetWindowRect(c.dialog, &after);
    EXPECT_EQ(after.bottom - after.top, before.bottom - before.top);
    EXPECT_EQ(after.right - after.left, 350);
    // The two columns share the group box; the buttons sit centred in their row.
    RECT ok{}, cancel{}, var1{}, var2{};
    ::GetWindowRect(c.ok, &ok);
    ::GetWindowRect(c.cancel, &cancel);
    EXPECT_EQ(cancel.left - ok.left, 79);
    EXPECT_EQ(ok.bottom - ok.top, 25);
    ::GetWindowRect(c.combos[0], &var1);
    ::GetWindowRect(c.combos[1], &var2);
    EXPECT_EQ(var1.top, var2.top);
    EXPECT_LT(var1.right, var2.left);
    ::PostMessageW(c.dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  });
  EXPECT_EQ(Show(handle), 0u);
  EXPECT_TRUE(driver.Found());
}

TEST_F(OptionsDialogHost, OutcomesNoInstanceAndUnreadableParameters) {
  RecordBytes none;
  none.Handle(0).Params(nullptr);
  X().ShowOptionsDialog(none.Rec());
  EXPECT_EQ(none.OutputData(), 2u);
  WriteIni("");
  const uint32_t handle = Load();
  hostkit::HostList bad;
  bad.AddText("OWNERFORM", "not a number");
  EXPECT_EQ(Show(handle, &bad), 4u);
}

/// A host message window on its own thread that records the reload requests.
class ReloadWindow {
public:
  ReloadWindow() {
    thread_ = std::thread([this] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = &Proc;
      wc.hInstance = ::GetModuleHandleW(nullptr);
      wc.lpszClassName = L"AggReloadWindow";
      ::RegisterClassW(&wc);
      hwnd_ = ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                wc.hInstance, this);
      ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
      ready_ = true;
      MSG msg;
      while (::GetMessageW(&msg, nullptr, 0, 0) > 0)
        ::DispatchMessageW(&msg);
      ::DestroyWindow(hwnd_);
    });
    while (!ready_)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~ReloadWindow() {
    ::PostMessageW(hwnd_, WM_QUIT, 0, 0);
    thread_.join();
  }
  HWND Handle() const { return hwnd_; }
  std::vector<uintptr_t> Seen() {
    // Posted messages arrive in order: once a marker posted now has been handled, every request
    // posted before it has been seen.
    const int marker = ++markers_;
    ::PostMessageW(hwnd_, kMarker, static_cast<WPARAM>(marker), 0);
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (handledMarker_ < marker && Clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::lock_guard<std::mutex> lock(lock_);
    return seen_;
  }

private:
  static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    auto* self = reinterpret_cast<ReloadWindow*>(::GetWindowLongPtrW(h, GWLP_USERDATA));
    if (m == ZET_WM_HOST_RELOAD_SETTINGS && self) {
      std::lock_guard<std::mutex> lock(self->lock_);
      self->seen_.push_back(w);
      return 0;
    }
    if (m == kMarker && self) {
      self->handledMarker_ = static_cast<int>(w);
      return 0;
    }
    return ::DefWindowProcW(h, m, w, l);
  }
  static constexpr UINT kMarker = WM_APP + 5;
  std::thread thread_;
  std::atomic<bool> ready_{false};
  HWND hwnd_ = nullptr;
  std::mutex lock_;
  std::vector<uintptr_t> seen_;
  int markers_ = 0;
  std::atomic<int> handledMarker_{0};
};

TEST_F(OptionsDialogHost, OkReloadsTheInstancesOfTheSameRegistryPath) {
  WriteIni("Var1=A\r\n");
  ReloadWindow window;
  const uint32_t self = Load();
  const uint32_t sameThread = Load();
  const uint32_t otherPath = Load("\\Software\\AggDialogOther");
  uint32_t otherThread = 0;
  std::thread([&] {
    otherThread =
        Load("\\Software\\AggDialogTest", reinterpret_cast<uintptr_t>(window.Handle()), 77);
  }).join();
  // Cancel tells nobody.
  {
    DialogDriver driver([](DialogControls& c) { ::SendMessageW(c.cancel, BM_CLICK, 0, 0); });
    EXPECT_EQ(Show(self), 0u);
  }
  EXPECT_TRUE(window.Seen().empty());
  {
    DialogDriver driver([](DialogControls& c) {
      c.Type(1, L"B");
      ::SendMessageW(c.ok, BM_CLICK, 0, 0);
    });
    EXPECT_EQ(Show(self), 1u);
  }
  EXPECT_EQ(Send(self, "B"), 0);
  EXPECT_EQ(Send(sameThread, "B"), 0) << "reloaded directly on this thread";
  EXPECT_EQ(Send(otherPath, "B"), -2) << "another registry path keeps its variables";
  EXPECT_EQ(Send(otherPath, "A"), 0);
  EXPECT_EQ(Send(otherThread, "A"), 0) << "the host reloads it on its own thread";
  EXPECT_EQ(window.Seen(), std::vector<uintptr_t>{77});
}

TEST_F(OptionsDialogHost, AThousandRunsLeaveNoHandleGdiObjectOrWindowBehind) {
  WriteIni("");
  const uint32_t handle = Load();
  SetItems(handle, "d|temperature|String|\r\nd|humidity|String|");
  // Wine answers GetProcessHandleCount and GetGuiResources with 0 (stubs), so kernel handles are
  // also counted by probing the handle table, and windows by walking the top-level windows, the
  // message-only windows and their children.
  auto counts = [] {
    struct Count {
      DWORD handles = 0, gdi = 0, user = 0;
      int probedHandles = 0, windows = 0;
    } c;
    ::GetProcessHandleCount(::GetCurrentProcess(), &c.handles);
    c.gdi = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    c.user = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
    for (uintptr_t h = 4; h < 0x10000; h += 4) {
      DWORD flags = 0;
      if (::GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags))
        ++c.probedHandles;
    }
    auto countTree = [](HWND parent, int& n) {
      for (HWND w = ::FindWindowExW(parent, nullptr, nullptr, nullptr); w;
           w = ::FindWindowExW(parent, w, nullptr, nullptr)) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(w, &pid);
        if (pid != ::GetCurrentProcessId())
          continue;
        ++n;
        ::EnumChildWindows(
            w, [](HWND, LPARAM lp) CALLBACK -> BOOL { return ++*reinterpret_cast<int*>(lp), TRUE; },
            reinterpret_cast<LPARAM>(&n));
      }
    };
    countTree(nullptr, c.windows);
    countTree(HWND_MESSAGE, c.windows);
    return c;
  };
  std::atomic<bool> stop{false};
  std::thread closer([&] {
    while (!stop) {
      if (HWND d = WaitForDialog(200))
        ::PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
  });
  // A first run creates what lives for the whole process (window classes, the font cache).
  Show(handle);
  const auto before = counts();
  const auto start = Clock::now();
  constexpr int kRuns = 1000;
  for (int i = 0; i < kRuns; ++i)
    ASSERT_EQ(Show(handle), 0u) << i;
  const auto seconds = std::chrono::duration<double>(Clock::now() - start).count();
  stop = true;
  closer.join();
  const auto after = counts();
  std::printf("dialog runs: %d in %.1f s; handles %lu -> %lu (probed %d -> %d), GDI objects "
              "%lu -> %lu, user objects %lu -> %lu, windows %d -> %d\n",
              kRuns, seconds, before.handles, after.handles, before.probedHandles,
              after.probedHandles, before.gdi, after.gdi, before.user, after.user, before.windows,
              after.windows);
  EXPECT_GT(before.probedHandles, 0);
  EXPECT_LE(after.handles, before.handles + 2);
  EXPECT_LE(after.probedHandles, before.probedHandles + 2);
  EXPECT_LE(after.gdi, before.gdi);
  EXPECT_LE(after.user, before.user);
  EXPECT_LE(after.windows, before.windows);
}

} // namespace

#endif
