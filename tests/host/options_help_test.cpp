// Help in the real options dialog under the real library: a help request on a control of the
// dialog (what F1 or the caption bar's help button sends) opens the system's help viewer on the
// help file beside the library, and closing the dialog closes the viewer again. Windows only.
#include "host_fixture.h"

#ifdef _WIN32

#include <windows.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

/// The first visible top-level window of this process whose class is Class, waiting at most Ms.
HWND WaitForWindow(const wchar_t* cls, int ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
  do {
    for (HWND w = ::FindWindowW(cls, nullptr); w; w = ::FindWindowExW(nullptr, w, cls, nullptr)) {
      DWORD pid = 0;
      ::GetWindowThreadProcessId(w, &pid);
      if (pid == ::GetCurrentProcessId() && ::IsWindowVisible(w))
        return w;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  } while (Clock::now() < deadline);
  return nullptr;
}

/// The system's help viewer window (wine and Windows name its frame class alike).
constexpr wchar_t kViewerClass[] = L"HH Parent";

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
  ASSERT_EQ(WaitForWindow(kViewerClass, 0), nullptr);

  std::atomic<bool> dialogFound{false}, viewerOpened{false};
  std::thread user([&] {
    HWND dialog = WaitForWindow(L"#32770", 10000);
    dialogFound = dialog != nullptr;
    if (!dialog)
      return;
    HWND combo = ::FindWindowExW(dialog, nullptr, nullptr, nullptr);
    // The first combo box, found inside its panel, as F1 in it would report it.
    ::EnumChildWindows(
        dialog,
        [](HWND h, LPARAM lp) CALLBACK -> BOOL {
          wchar_t cls[32] = {};
          ::GetClassNameW(h, cls, 32);
          if (_wcsicmp(cls, L"ComboBox") != 0)
            return TRUE;
          *reinterpret_cast<HWND*>(lp) = h;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&combo));
    HELPINFO info{};
    info.cbSize = sizeof info;
    info.iContextType = HELPINFO_WINDOW;
    info.iCtrlId = ::GetDlgCtrlID(combo);
    info.hItemHandle = combo;
    ::SendMessageW(combo, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
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
  EXPECT_EQ(WaitForWindow(kViewerClass, 0), nullptr) << "the viewer outlived the dialog";
}

} // namespace

#endif
