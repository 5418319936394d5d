// The advanced dialog through the real library, driven as a user drives it: a second thread of
// the host finds the options dialog, presses "Advanced...", sets the controls of the advanced
// dialog and closes both dialogs in turn, while the host's thread waits in ShowOptionsDialog.
// Also its texts in each shipped language and its help context. Windows only.
#include "dialog_fit.h"
#include "host_fixture.h"

#ifdef _WIN32

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

/// The visible, enabled dialog of this process other than Except, waiting at most Ms: the
/// dialog the user can act on (the options dialog is disabled while the advanced one runs).
HWND WaitForActiveDialog(HWND except = nullptr, int ms = 10000) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
  do {
    for (HWND w = ::FindWindowW(L"#32770", nullptr); w;
         w = ::FindWindowExW(nullptr, w, L"#32770", nullptr)) {
      DWORD pid = 0;
      ::GetWindowThreadProcessId(w, &pid);
      if (w != except && pid == ::GetCurrentProcessId() && ::IsWindowVisible(w) &&
          ::IsWindowEnabled(w))
        return w;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  } while (Clock::now() < deadline);
  return nullptr;
}

/// True once Dialog is gone, waiting at most 10 s.
bool WaitUntilGone(HWND dialog) {
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (::IsWindow(dialog) && ::IsWindowVisible(dialog) && Clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  return !::IsWindow(dialog) || !::IsWindowVisible(dialog);
}

bool IsCombo(HWND h) {
  wchar_t cls[32] = {};
  ::GetClassNameW(h, cls, 32);
  return _wcsicmp(cls, L"ComboBox") == 0;
}

/// A dialog's controls in creation order (their identifiers), found inside the panels: the check
/// boxes (incomplete rows, then pending rows), the time variable's box (TimeVar) and the group
/// variable's (Combo), the merge lists and the separator's edit (the last edit).
struct Controls {
  HWND dialog = nullptr;
  std::vector<HWND> all, updowns, statics, buttons, merges, checks, combos;
  HWND check = nullptr, keep = nullptr, timeVar = nullptr, combo = nullptr, separator = nullptr;

  explicit Controls(HWND d) : dialog(d) {
    ::EnumChildWindows(
        d,
        [](HWND h, LPARAM lp) CALLBACK -> BOOL {
          reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&all));
    std::sort(all.begin(), all.end(),
              [](HWND a, HWND b) { return ::GetDlgCtrlID(a) < ::GetDlgCtrlID(b); });
    for (HWND h : all) {
      wchar_t cls[32] = {};
      ::GetClassNameW(h, cls, 32);
      const LONG style = ::GetWindowLongW(h, GWL_STYLE);
      if (std::wstring(cls) == UPDOWN_CLASSW)
        updowns.push_back(h);
      else if (_wcsicmp(cls, L"ComboBox") == 0 && (style & 3) == CBS_DROPDOWNLIST)
        merges.push_back(h);
      else if (_wcsicmp(cls, L"ComboBox") == 0)
        combos.push_back(h);
      else if (_wcsicmp(cls, L"Edit") == 0 && !IsCombo(::GetParent(h)))
        separator = h;
      else if (_wcsicmp(cls, L"Static") == 0 && !TextOf(h).empty())
        statics.push_back(h);
      else if (_wcsicmp(cls, L"Button") == 0 && (style & 0x0F) == BS_AUTOCHECKBOX)
        checks.push_back(h);
      if (_wcsicmp(cls, L"Button") == 0 && !TextOf(h).empty())
        buttons.push_back(h);
    }
    if (checks.size() == 2) {
      check = checks[0];
      keep = checks[1];
    }
    if (combos.size() == 2) {
      timeVar = combos[0];
      combo = combos[1];
    }
  }
  HWND Button(const std::wstring& text) const {
    for (HWND h : buttons)
      if (TextOf(h) == text)
        return h;
    return nullptr;
  }
};

/// What the user does in the advanced dialog, and how the options dialog is left afterwards.
struct Visit {
  std::function<void(Controls&)> advanced;
  bool okInOptions = true;
};

class AdvancedDialogHost : public IniFileHostTest {
protected:
  uint32_t Load(const std::string& common) {
    WriteIni(common);
    return LoadWithItems("d|Temp|String|\r\nd|Station|String|");
  }

  /// Opens the options dialog (in Language when given), presses "Advanced..." (its text in
  /// that language) and lets Visit act; answers the outcome of the options dialog.
  uint32_t Show(uint32_t handle, const Visit& visit, const char* language = nullptr,
                const std::wstring& advancedText = L"Advanced...") {
    std::atomic<bool> reached{false};
    std::thread user([&] {
      HWND options = WaitForActiveDialog();
      if (!options)
        return;
      const Controls main(options);
      HWND button = main.Button(advancedText);
      if (!button) {
        ::PostMessageW(options, WM_SYSCOMMAND, SC_CLOSE, 0);
        return;
      }
      // Posted: the press runs the advanced dialog modally on the host's thread.
      ::PostMessageW(button, BM_CLICK, 0, 0);
      HWND advanced = WaitForActiveDialog(options);
      if (advanced) {
        reached = true;
        Controls c(advanced);
        visit.advanced(c);
        WaitUntilGone(advanced);
      }
      HWND close = visit.okInOptions ? main.Button(L"OK") : nullptr;
      if (close)
        ::SendMessageW(close, BM_CLICK, 0, 0);
      else
        ::PostMessageW(options, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    hostkit::HostList params;
    params.AddText("INI-FILE", ini_.string());
    if (language)
      params.AddText("LANGUAGE", language);
    RecordBytes r;
    r.Handle(handle).Params(params.Raw());
    X().ShowOptionsDialog(r.Rec());
    user.join();
    EXPECT_TRUE(reached) << "the advanced dialog did not open";
    return static_cast<uint32_t>(r.OutputData());
  }

  static void Change(Controls& c) {
    // The up-downs: age limit, value lifetime, time jump limit, maximum open groups.
    ASSERT_EQ(c.updowns.size(), 4u);
    ASSERT_NE(c.keep, nullptr);
    ASSERT_NE(c.combo, nullptr);
    ::SendMessageW(c.check, BM_CLICK, 0, 0);
    ::SendMessageW(c.keep, BM_CLICK, 0, 0);
    ::SendMessageW(c.updowns[0], UDM_SETPOS32, 0, 2500);
    ::SendMessageW(c.updowns[1], UDM_SETPOS32, 0, 90000);
    ::SendMessageW(c.timeVar, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Stamp"));
    ::SendMessageW(c.updowns[2], UDM_SETPOS32, 0, 60000);
    ::SendMessageW(c.combo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Station"));
    ::SendMessageW(c.updowns[3], UDM_SETPOS32, 0, 32);
    // The user picks the third entry of the first merge list, as a click on it does.
    ASSERT_EQ(c.merges.size(), 8u);
    ::SendMessageW(c.merges[0], CB_SETCURSEL, 2, 0);
    ::SendMessageW(c.separator, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L" | "));
  }

  /// ProcessData with one packet of integer items: 0 when it released a row, -2 otherwise.
  int32_t Send(uint32_t handle, std::initializer_list<std::pair<const char*, int32_t>> items) {
    hostkit::HostList packet, params;
    for (const auto& [name, value] : items)
      packet.AddInt(name, value);
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
  bool HasAnyAdvancedKey() const {
    for (const char* key :
         {"Release partial rows=", "Keep pending rows=", "Age limit=", "Value lifetime=",
          "Time variable=", "Time jump limit=", "Group by=", "Max groups=", "Merge"})
      if (Ini().find(key) != std::string::npos)
        return true;
    return false;
  }
};

TEST_F(AdvancedDialogHost, OkInBothDialogsStoresTheKeysAndTheNextDialogShowsThem) {
  const uint32_t handle = Load("Var1=Temp\r\n");
  Visit change{[](Controls& c) {
    EXPECT_EQ(TextOf(c.dialog), L"Advanced options");
    // A store without the keys: every option off, 256 groups.
    for (HWND box : c.checks)
      EXPECT_EQ(::SendMessageW(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(::SendMessageW(c.updowns.at(2), UDM_GETPOS32, 0, 0), 0);
    EXPECT_EQ(::SendMessageW(c.updowns.at(3), UDM_GETPOS32, 0, 0), 256);
    EXPECT_EQ(TextOf(c.timeVar), L"");
    for (HWND box : c.combos)
      EXPECT_EQ(::SendMessageW(box, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(TextOf(c.merges.at(0)), L"Last");
    EXPECT_EQ(::SendMessageW(c.merges.at(0), CB_GETCOUNT, 0, 0), 8);
    EXPECT_EQ(TextOf(c.separator), L", ");
    Change(c);
    ::SendMessageW(c.Button(L"OK"), BM_CLICK, 0, 0);
  }};
  EXPECT_EQ(Show(handle, change), 1u);
  for (const char* line : {"Release partial rows=True", "Keep pending rows=True", "Age limit=2500",
                           "Value lifetime=90000", "Time variable=Stamp", "Time jump limit=60000",
                           "Group by=Station", "Max groups=32", "Merge1=Sum"})
    EXPECT_TRUE(Has(line)) << line << Ini();
  EXPECT_TRUE(Has("Merge separator=+|+")) << "blanks kept" << Ini();
  EXPECT_TRUE(Has("Var1=Temp")) << Ini();
  EXPECT_TRUE(Has("Width=389")) << "the position stays the options dialog's" << Ini();

  Visit look{[](Controls& c) {
               for (HWND box : c.checks)
                 EXPECT_EQ(::SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);
               EXPECT_EQ(::SendMessageW(c.updowns.at(0), UDM_GETPOS32, 0, 0), 2500);
               EXPECT_EQ(::SendMessageW(c.updowns.at(2), UDM_GETPOS32, 0, 0), 60000);
               EXPECT_EQ(TextOf(c.timeVar), L"Stamp");
               EXPECT_EQ(TextOf(c.combo), L"Station");
               EXPECT_EQ(TextOf(c.merges.at(0)), L"Sum");
               EXPECT_EQ(TextOf(c.merges.at(1)), L"Last");
               EXPECT_EQ(TextOf(c.separator), L" | ");
               ::PostMessageW(c.dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
             },
             false};
  EXPECT_EQ(Show(handle, look), 0u);
}

TEST_F(AdvancedDialogHost, TheEngineTakesOverTheConfirmedGroupVariableAtOnce) {
  const uint32_t handle = Load("Var1=Temp\r\nVar2=Hum\r\n");
  Visit group{[](Controls& c) {
    ::SendMessageW(c.combo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Station"));
    ::SendMessageW(c.Button(L"OK"), BM_CLICK, 0, 0);
  }};
  EXPECT_EQ(Show(handle, group), 1u);
  // Two interleaved stations: each completes its own row. Without grouping the third packet
  // would complete a mixed row and the fourth none.
  EXPECT_EQ(Send(handle, {{"Station", 1}, {"Temp", 20}}), -2);
  EXPECT_EQ(Send(handle, {{"Station", 2}, {"Temp", 25}}), -2);
  EXPECT_EQ(Send(handle, {{"Station", 1}, {"Hum", 40}}), 0);
  EXPECT_EQ(Send(handle, {{"Station", 2}, {"Hum", 55}}), 0);
}

TEST_F(AdvancedDialogHost, CancelInEitherDialogStoresNoneOfTheKeys) {
  const std::vector<std::pair<const char*, Visit>> ways = {
      {"Cancel in the advanced dialog", {[](Controls& c) {
         Change(c);
         ::SendMessageW(c.Button(L"Cancel"), BM_CLICK, 0, 0);
       }}},
      {"close box of the advanced dialog", {[](Controls& c) {
         Change(c);
         ::PostMessageW(c.dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
       }}},
      {"Cancel in the options dialog",
       {[](Controls& c) {
          Change(c);
          ::SendMessageW(c.Button(L"OK"), BM_CLICK, 0, 0);
        },
        false}},
  };
  for (const auto& [name, visit] : ways) {
    const uint32_t handle = Load("Var1=Temp\r\n");
    EXPECT_EQ(Show(handle, visit), visit.okInOptions ? 1u : 0u) << name;
    EXPECT_FALSE(HasAnyAdvancedKey()) << name << Ini();
    EXPECT_TRUE(Has("Var1=Temp")) << name;
  }
}

TEST_F(AdvancedDialogHost, HelpInTheAdvancedDialogOpensItsPage) {
  const uint32_t handle = Load("");
  std::atomic<bool> viewer{false};
  Visit help{[&](Controls& c) {
               ASSERT_NE(c.combo, nullptr);
               HELPINFO info{};
               info.cbSize = sizeof info;
               info.iContextType = HELPINFO_WINDOW;
               info.iCtrlId = ::GetDlgCtrlID(c.combo);
               info.hItemHandle = c.combo;
               ::SendMessageW(c.combo, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
               // The viewer opens only for a context that the help file maps (81).
               const auto deadline = Clock::now() + std::chrono::seconds(5);
               while (!viewer && Clock::now() < deadline) {
                 viewer = ::FindWindowW(L"HH Parent", nullptr) != nullptr;
                 std::this_thread::sleep_for(std::chrono::milliseconds(5));
               }
               ::PostMessageW(c.dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
             },
             false};
  EXPECT_EQ(Show(handle, help), 0u);
  EXPECT_TRUE(viewer) << "no help viewer for context 81 of the help file beside the library";
}

/// The advanced dialog's texts that tell the languages apart.
struct AdvancedTexts {
  const char* code;
  std::wstring button, caption, check, cancel;
};

const AdvancedTexts kAdvancedTexts[] = {
    {"EN", L"Advanced...", L"Advanced options",
     L"Release incomplete rows instead of discarding them", L"Cancel"},
    {"RU", L"\u0414\u043e\u043f\u043e\u043b\u043d\u0438\u0442\u0435\u043b\u044c\u043d\u043e...",
     L"\u0414\u043e\u043f\u043e\u043b\u043d\u0438\u0442\u0435\u043b\u044c\u043d\u044b\u0435 "
     L"\u043f\u0430\u0440\u0430\u043c\u0435\u0442\u0440\u044b",
     L"\u041f\u0435\u0440\u0435\u0434\u0430\u0432\u0430\u0442\u044c \u043d\u0435\u043f\u043e"
     L"\u043b\u043d\u044b\u0435 \u0437\u0430\u043f\u0438\u0441\u0438, \u0430 \u043d\u0435 "
     L"\u043e\u0442\u0431\u0440\u0430\u0441\u044b\u0432\u0430\u0442\u044c \u0438\u0445",
     L"\u041e\u0442\u043c\u0435\u043d\u0430"},
    {"UK", L"\u0414\u043e\u0434\u0430\u0442\u043a\u043e\u0432\u043e...",
     L"\u0414\u043e\u0434\u0430\u0442\u043a\u043e\u0432\u0456 \u043f\u0430\u0440\u0430\u043c"
     L"\u0435\u0442\u0440\u0438",
     L"\u041f\u0435\u0440\u0435\u0434\u0430\u0432\u0430\u0442\u0438 \u043d\u0435\u043f\u043e"
     L"\u0432\u043d\u0456 \u0437\u0430\u043f\u0438\u0441\u0438, \u0430 \u043d\u0435 \u0432\u0456"
     L"\u0434\u043a\u0438\u0434\u0430\u0442\u0438 \u0457\u0445",
     L"\u0421\u043a\u0430\u0441\u0443\u0432\u0430\u0442\u0438"},
    {"ID", L"Lanjutan...", L"Opsi lanjutan", L"Kirim rekaman yang belum lengkap, jangan dibuang",
     L"Batal"},
};

TEST_F(AdvancedDialogHost, EveryTextInEachShippedLanguage) {
  // The English texts of the labels, read from the dialog in English first.
  std::vector<std::wstring> english;
  for (const AdvancedTexts& texts : kAdvancedTexts) {
    SCOPED_TRACE(texts.code);
    const uint32_t handle = Load("");
    std::vector<std::wstring> statics, buttons;
    std::wstring caption;
    Visit read{[&](Controls& c) {
                 caption = TextOf(c.dialog);
                 // The labels and the check boxes' captions.
                 for (HWND h : c.statics)
                   statics.push_back(TextOf(h));
                 for (HWND h : c.checks)
                   statics.push_back(TextOf(h));
                 for (HWND h : c.buttons)
                   buttons.push_back(TextOf(h));
                 ::SendMessageW(c.Button(texts.cancel), BM_CLICK, 0, 0);
               },
               false};
    EXPECT_EQ(Show(handle, read, texts.code, texts.button), 0u);
    EXPECT_EQ(caption, texts.caption);
    EXPECT_NE(std::find(buttons.begin(), buttons.end(), texts.check), buttons.end());
    EXPECT_NE(std::find(buttons.begin(), buttons.end(), texts.cancel), buttons.end());
    // Two notes, six labels, eight merge rows and the separator's label, and the two check
    // boxes; the check boxes, OK and Cancel.
    EXPECT_EQ(statics.size(), 19u);
    EXPECT_EQ(buttons.size(), 4u);
    if (english.empty()) {
      english = statics;
      continue;
    }
    for (const std::wstring& text : statics)
      EXPECT_EQ(std::find(english.begin(), english.end(), text), english.end())
          << "left in English";
  }
}

// Every text fits and every control lies inside its container at the narrowest width, the
// options dialog's design width and a wide one, in every shipped language.
TEST_F(AdvancedDialogHost, EveryTextFitsAtEveryWidth) {
  for (const AdvancedTexts& texts : kAdvancedTexts)
    for (const int width : {350, 389, 520}) {
      SCOPED_TRACE(std::string(texts.code) + " at " + std::to_string(width));
      const uint32_t handle = Load("Var1=Temp\r\nVar2=Hum\r\n");
      std::string misfits;
      Visit fit{[&](Controls& c) {
                  RECT r{};
                  ::GetWindowRect(c.dialog, &r);
                  ::SetWindowPos(c.dialog, nullptr, 0, 0, width, r.bottom - r.top,
                                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
                  const Controls resized(c.dialog);
                  for (HWND h : resized.all)
                    misfits += Misfit(h);
                  ::SendMessageW(c.Button(texts.cancel), BM_CLICK, 0, 0);
                },
                false};
      EXPECT_EQ(Show(handle, fit, texts.code, texts.button), 0u);
      EXPECT_EQ(misfits, "");
    }
}

// Not a check: scripts/advanced_screenshot.sh runs this with AGG_SCREENSHOT_LANGUAGE set to hold
// the advanced dialog open, filled with example values, while it takes the screenshot.
TEST_F(AdvancedDialogHost, HeldOpenForAScreenshot) {
  const char* language = std::getenv("AGG_SCREENSHOT_LANGUAGE");
  if (!language || !*language)
    GTEST_SKIP() << "only for scripts/advanced_screenshot.sh";
  const char* hold = std::getenv("AGG_SCREENSHOT_HOLD_MS");
  const int ms = hold ? std::atoi(hold) : 4000;
  std::wstring advancedText = kAdvancedTexts[0].button;
  for (const AdvancedTexts& texts : kAdvancedTexts)
    if (_stricmp(texts.code, language) == 0)
      advancedText = texts.button;
  const uint32_t handle = Load("Var1=Temp\r\nVar2=Hum\r\nVar3=Wind\r\nAge limit=5000\r\n"
                               "Time variable=Stamp\r\nTime jump limit=60000\r\n"
                               "Group by=Station\r\nMerge1=Mean\r\nMerge3=Max\r\n");
  Visit show{[ms](Controls& c) {
               RECT r{};
               ::GetWindowRect(c.dialog, &r);
               std::printf("advanced dialog: shown at %ld,%ld %ldx%ld\n", r.left, r.top,
                           r.right - r.left, r.bottom - r.top);
               std::fflush(stdout);
               std::this_thread::sleep_for(std::chrono::milliseconds(ms));
               ::PostMessageW(c.dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
             },
             false};
  Show(handle, show, language, advancedText);
}

} // namespace

#endif
