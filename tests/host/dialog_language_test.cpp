// The options dialog in each language of the shipped language file, through the real library:
// a second thread of the host finds the dialog and reads every text back from the real controls
// while the host's thread waits in ShowOptionsDialog. The variable boxes keep what they show
// (they are marked to be left alone), and the caption the frame gives the dialog stays as it is.
// Windows only: the native build has no dialogs to read.
#include "dialog_fit.h"
#include "host_fixture.h"

#ifdef _WIN32

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

/// The texts of the dialog in one language, as the shipped file gives them.
struct Texts {
  const char* code;
  std::wstring label1, group, label2, check, ok, cancel, advanced;
};

const Texts kLanguages[] = {
    {"EN",
     L"Specify one or more variables to aggregate. The module will not send a data record to a "
     L"data export module until the aggregation isn't complete",
     L"Aggregate variables", L"Aggregation timeout (ms)",
     L"Do not reset aggregation state (data grouping)", L"OK", L"Cancel", L"Advanced..."},
    {"RU",
     L"\u0423\u043a\u0430\u0436\u0438\u0442\u0435 \u043e\u0434\u043d\u0443 \u0438\u043b\u0438 "
     L"\u043d\u0435\u0441\u043a\u043e\u043b\u044c\u043a\u043e \u043f\u0435\u0440\u0435\u043c"
     L"\u0435\u043d\u043d\u044b\u0445 \u0434\u043b\u044f \u0430\u0433\u0440\u0435\u0433\u0430"
     L"\u0446\u0438\u0438. \u041f\u043e\u043a\u0430 \u0430\u0433\u0440\u0435\u0433\u0430\u0446"
     L"\u0438\u044f \u043d\u0435 \u0437\u0430\u0432\u0435\u0440\u0448\u0435\u043d\u0430, \u043c"
     L"\u043e\u0434\u0443\u043b\u044c \u043d\u0435 \u043f\u0435\u0440\u0435\u0434\u0430\u0451"
     L"\u0442 \u0437\u0430\u043f\u0438\u0441\u044c \u0434\u0430\u043d\u043d\u044b\u0445 \u043c"
     L"\u043e\u0434\u0443\u043b\u044e \u044d\u043a\u0441\u043f\u043e\u0440\u0442\u0430 \u0434"
     L"\u0430\u043d\u043d\u044b\u0445",
     L"\u0410\u0433\u0440\u0435\u0433\u0438\u0440\u0443\u0435\u043c\u044b\u0435 \u043f\u0435"
     L"\u0440\u0435\u043c\u0435\u043d\u043d\u044b\u0435",
     L"\u0422\u0430\u0439\u043c-\u0430\u0443\u0442 \u0430\u0433\u0440\u0435\u0433\u0430\u0446"
     L"\u0438\u0438 (\u043c\u0441)",
     L"\u041d\u0435 \u0441\u0431\u0440\u0430\u0441\u044b\u0432\u0430\u0442\u044c \u0441\u043e"
     L"\u0441\u0442\u043e\u044f\u043d\u0438\u0435 \u0430\u0433\u0440\u0435\u0433\u0430\u0446\u0438"
     L"\u0438 (\u0433\u0440\u0443\u043f\u043f\u0438\u0440\u043e\u0432\u043a\u0430 \u0434\u0430"
     L"\u043d\u043d\u044b\u0445)",
     L"\u041e\u041a", L"\u041e\u0442\u043c\u0435\u043d\u0430",
     L"\u0414\u043e\u043f\u043e\u043b\u043d\u0438\u0442\u0435\u043b\u044c\u043d\u043e..."},
    {"UK",
     L"\u0412\u043a\u0430\u0436\u0456\u0442\u044c \u043e\u0434\u043d\u0443 \u0430\u0431\u043e "
     L"\u043a\u0456\u043b\u044c\u043a\u0430 \u0437\u043c\u0456\u043d\u043d\u0438\u0445 \u0434"
     L"\u043b\u044f \u0430\u0433\u0440\u0435\u0433\u0430\u0446\u0456\u0457. \u041f\u043e\u043a"
     L"\u0438 \u0430\u0433\u0440\u0435\u0433\u0430\u0446\u0456\u044e \u043d\u0435 \u0437\u0430"
     L"\u0432\u0435\u0440\u0448\u0435\u043d\u043e, \u043c\u043e\u0434\u0443\u043b\u044c \u043d"
     L"\u0435 \u043f\u0435\u0440\u0435\u0434\u0430\u0454 \u0437\u0430\u043f\u0438\u0441 \u0434"
     L"\u0430\u043d\u0438\u0445 \u043c\u043e\u0434\u0443\u043b\u044e \u0435\u043a\u0441\u043f"
     L"\u043e\u0440\u0442\u0443 \u0434\u0430\u043d\u0438\u0445",
     L"\u0417\u043c\u0456\u043d\u043d\u0456 \u0434\u043b\u044f \u0430\u0433\u0440\u0435\u0433"
     L"\u0430\u0446\u0456\u0457",
     L"\u0422\u0430\u0439\u043c-\u0430\u0443\u0442 \u0430\u0433\u0440\u0435\u0433\u0430\u0446"
     L"\u0456\u0457 (\u043c\u0441)",
     L"\u041d\u0435 \u0441\u043a\u0438\u0434\u0430\u0442\u0438 \u0441\u0442\u0430\u043d \u0430"
     L"\u0433\u0440\u0435\u0433\u0430\u0446\u0456\u0457 (\u0433\u0440\u0443\u043f\u0443\u0432"
     L"\u0430\u043d\u043d\u044f \u0434\u0430\u043d\u0438\u0445)",
     L"\u041e\u041a", L"\u0421\u043a\u0430\u0441\u0443\u0432\u0430\u0442\u0438",
     L"\u0414\u043e\u0434\u0430\u0442\u043a\u043e\u0432\u043e..."},
    {"ID",
     L"Tentukan satu atau beberapa variabel yang akan diagregasi. Modul tidak akan mengirim "
     L"rekaman data ke modul ekspor data sebelum agregasi selesai",
     L"Variabel agregasi", L"Batas waktu agregasi (ms)",
     L"Jangan atur ulang status agregasi (pengelompokan data)", L"OK", L"Batal", L"Lanjutan..."},
};

/// The visible dialog of this process, waiting at most 10 s.
HWND WaitForDialog() {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    struct Search {
      DWORD process;
      HWND found;
    } s{::GetCurrentProcessId(), nullptr};
    ::EnumWindows(
        [](HWND hwnd, LPARAM lp) CALLBACK -> BOOL {
          auto* s = reinterpret_cast<Search*>(lp);
          DWORD pid = 0;
          ::GetWindowThreadProcessId(hwnd, &pid);
          wchar_t cls[16] = {};
          ::GetClassNameW(hwnd, cls, 16);
          if (pid == s->process && ::IsWindowVisible(hwnd) && std::wstring(cls) == L"#32770") {
            s->found = hwnd;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    if (s.found)
      return s.found;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return nullptr;
}

/// What the second thread read from the dialog.
struct Seen {
  bool found = false;
  std::wstring caption;
  std::vector<std::wstring> statics, buttons, combos;
  /// Texts their controls cut and controls outside their containers, one line each.
  std::string misfits;
  /// Layout: the widths of the two columns of boxes, the OK button's top in its row, whether
  /// Cancel has the default button's frame, the dialog's centre against the monitor's.
  std::vector<int> columns;
  int okTop = -1;
  bool cancelIsDefault = false;
  POINT centreOffset{};
};

Seen ReadAndCancel(const std::wstring& cancelText, int width = 0) {
  Seen seen;
  HWND dialog = WaitForDialog();
  if (!dialog)
    return seen;
  seen.found = true;
  {
    RECT r{};
    ::GetWindowRect(dialog, &r);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoW(::MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &monitor);
    seen.centreOffset = {
        (r.left + r.right) / 2 - (monitor.rcMonitor.left + monitor.rcMonitor.right) / 2,
        (r.top + r.bottom) / 2 - (monitor.rcMonitor.top + monitor.rcMonitor.bottom) / 2};
  }
  if (width > 0) {
    RECT r{};
    ::GetWindowRect(dialog, &r);
    ::SetWindowPos(dialog, nullptr, 0, 0, width, r.bottom - r.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  seen.caption = TextOf(dialog);
  std::vector<HWND> all;
  ::EnumChildWindows(
      dialog,
      [](HWND h, LPARAM lp) CALLBACK -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&all));
  std::sort(all.begin(), all.end(),
            [](HWND a, HWND b) { return ::GetDlgCtrlID(a) < ::GetDlgCtrlID(b); });
  HWND cancel = nullptr;
  std::vector<HWND> columns;
  for (HWND h : all) {
    seen.misfits += Misfit(h);
    wchar_t kind[32] = {};
    ::GetClassNameW(h, kind, 32);
    if (_wcsicmp(kind, L"ComboBox") == 0 &&
        std::find(columns.begin(), columns.end(), ::GetParent(h)) == columns.end() &&
        ::GetParent(::GetParent(h)) != dialog)
      columns.push_back(::GetParent(h));
    if (_wcsicmp(kind, L"Button") == 0 && (TextOf(h) == L"OK" || TextOf(h) == L"\u041e\u041a")) {
      RECT r{};
      ::GetWindowRect(h, &r);
      ::MapWindowPoints(nullptr, ::GetParent(h), reinterpret_cast<POINT*>(&r), 2);
      seen.okTop = r.top;
    }
  }
  for (HWND column : columns) {
    RECT r{};
    ::GetWindowRect(column, &r);
    seen.columns.push_back(r.right - r.left);
  }
  for (HWND h : all) {
    wchar_t cls[32] = {};
    ::GetClassNameW(h, cls, 32);
    const std::wstring text = TextOf(h);
    if (_wcsicmp(cls, L"Static") == 0 && !text.empty())
      seen.statics.push_back(text);
    else if (_wcsicmp(cls, L"Button") == 0 && !text.empty())
      seen.buttons.push_back(text);
    else if (_wcsicmp(cls, L"ComboBox") == 0)
      seen.combos.push_back(text);
    if (_wcsicmp(cls, L"Button") == 0 && text == cancelText) {
      cancel = h;
      seen.cancelIsDefault = (::GetWindowLongW(h, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    }
  }
  if (cancel)
    ::SendMessageW(cancel, BM_CLICK, 0, 0);
  else
    ::PostMessageW(dialog, WM_CLOSE, 0, 0);
  return seen;
}

bool Contains(const std::vector<std::wstring>& texts, const std::wstring& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

class DialogLanguage : public IniFileHostTest {
protected:
  void SetUp() override {
    IniFileHostTest::SetUp();
    // Stored names that the language file happens to translate: the boxes must keep them.
    WriteIni("Var1=Cancel\r\nVar2=OK\r\n");
  }
  uint32_t Load() { return LoadWithItems("d|Cancel|String|\r\nd|Open|String|"); }
  /// Opens the dialog with the host's language; Read runs on a second thread meanwhile, after
  /// making the dialog Width wide when Width is given.
  Seen Show(uint32_t handle, const Texts& texts, int width = 0) {
    Seen seen;
    std::thread reader([&] { seen = ReadAndCancel(texts.cancel, width); });
    hostkit::HostList params;
    params.AddText("INI-FILE", ini_.string());
    params.AddText("LANGUAGE", texts.code);
    RecordBytes r;
    r.Handle(handle).Params(params.Raw());
    X().ShowOptionsDialog(r.Rec());
    reader.join();
    EXPECT_EQ(r.OutputData(), 0u); // cancelled
    return seen;
  }
};

TEST_F(DialogLanguage, EveryCaptionInEachShippedLanguage) {
  for (const Texts& texts : kLanguages) {
    SCOPED_TRACE(texts.code);
    const Seen seen = Show(Load(), texts);
    ASSERT_TRUE(seen.found);
    // The frame's caption (description and version) is not translated.
    EXPECT_EQ(seen.caption.rfind(L"Aggregation ", 0), 0u) << seen.caption.size();
    EXPECT_TRUE(Contains(seen.statics, texts.label1));
    EXPECT_TRUE(Contains(seen.statics, texts.label2));
    EXPECT_TRUE(Contains(seen.buttons, texts.group));
    EXPECT_TRUE(Contains(seen.buttons, texts.check));
    EXPECT_TRUE(Contains(seen.buttons, texts.ok));
    EXPECT_TRUE(Contains(seen.buttons, texts.cancel));
    EXPECT_TRUE(Contains(seen.buttons, texts.advanced));
    EXPECT_EQ(seen.statics.size() + seen.buttons.size(), 7u);
    // The variable boxes keep their stored contents.
    ASSERT_EQ(seen.combos.size(), 8u);
    EXPECT_TRUE(Contains(seen.combos, L"Cancel"));
    EXPECT_TRUE(Contains(seen.combos, L"OK"));
  }
}

// Every text fits at the narrowest allowed width, the design width and a wide one, in every
// shipped language; the columns are equally wide, the button row sits where its arithmetic puts
// it, Cancel shows the default button's frame, and the dialog is centred on the monitor.
TEST_F(DialogLanguage, EveryTextFitsAtEveryWidth) {
  for (const Texts& texts : kLanguages)
    for (const int width : {350, 389, 520}) {
      SCOPED_TRACE(std::string(texts.code) + " at " + std::to_string(width));
      const Seen seen = Show(Load(), texts, width);
      ASSERT_TRUE(seen.found);
      EXPECT_EQ(seen.misfits, "");
      ASSERT_EQ(seen.columns.size(), 2u);
      EXPECT_LE(std::abs(seen.columns[0] - seen.columns[1]), 1);
      EXPECT_EQ(seen.okTop, 17) << "9 for the bevel, then (50 - 9 - 25) / 2";
      EXPECT_TRUE(seen.cancelIsDefault);
      { // as shown, before the test resized it
        EXPECT_LE(std::abs(seen.centreOffset.x), 1);
        EXPECT_LE(std::abs(seen.centreOffset.y), 1);
      }
    }
}

TEST_F(DialogLanguage, ALaterDialogFollowsAChangeOfLanguage) {
  const uint32_t handle = Load();
  EXPECT_TRUE(Contains(Show(handle, kLanguages[1]).buttons, kLanguages[1].group));
  EXPECT_TRUE(Contains(Show(handle, kLanguages[3]).buttons, kLanguages[3].group));
  EXPECT_TRUE(Contains(Show(handle, kLanguages[0]).buttons, kLanguages[0].group));
}

} // namespace

#endif
