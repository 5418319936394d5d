// The module's texts in the host's language through the real library and the language file
// beside it: the host's LANGUAGE parameter at LOAD selects the language of the module's messages.
#include "host_fixture.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <string>

namespace {

class Language : public HostTest {
protected:
  void TearDown() override {
    for (uint32_t h : handles_) {
      Command(h, "UNLOAD", "");
      RecordBytes release;
      release.Handle(h).Action(ZET_ACTION_RELEASE);
      X().GetModuleType(release.Rec());
    }
  }
  int32_t Command(uint32_t handle, const char* word, const char* language,
                  hostkit::ItemView* result = nullptr, const char* param = nullptr) {
    hostkit::HostList params;
    params.AddText("COMMAND", word);
    if (*language)
      params.AddText("LANGUAGE", language);
    // A handle that names no window: the lines wait for GetLogEx.
    params.AddInt("MessagesProcessorHandle", 0x7FFFFFF1);
    if (param) {
      params.AddText("PARAM", param);
      params.AddNull("RESULT");
    }
    RecordBytes r;
    r.Handle(handle).Params(params.Raw());
    const int32_t code = X().ExecutePluginCommand(r.Rec());
    if (result) {
      for (const hostkit::ItemView& item : hostkit::ReadList(params.Raw()))
        if (item.name == "RESULT")
          *result = item;
    }
    return code;
  }
  uint32_t Load(const char* language) {
    const uint32_t h = FreshHandle();
    handles_.push_back(h);
    EXPECT_EQ(Command(h, "LOAD", language), 0);
    return h;
  }
  /// The line an export-module data call without input makes the module log.
  std::string NoDataLine(uint32_t handle) {
    hostkit::HostList params;
    RecordBytes r;
    r.Handle(handle).Params(params.Raw()).Types(ZET_MTT_DATA_EXPORT);
    EXPECT_EQ(X().ProcessData(r.Rec()), 0);
    char buffer[512];
    RecordBytes g;
    g.Handle(handle)
        .Params(params.Raw())
        .Input(ZET_KIND_NONE, reinterpret_cast<uintptr_t>(buffer), sizeof buffer);
    const int32_t n = X().GetLogEx(g.Rec());
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
  }
  /// The 8-bit text the host receives for a wide text: the system's ANSI code page (the
  /// library's stand-in on POSIX has Windows-1252, where Cyrillic letters become '?').
  static std::string Ansi(const std::u16string& text) {
#ifdef _WIN32
    char out[512];
    const int n =
        ::WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const wchar_t*>(text.c_str()),
                              static_cast<int>(text.size()), out, sizeof out, nullptr, nullptr);
    return std::string(out, static_cast<std::size_t>(n));
#else
    std::string out;
    for (char16_t c : text)
      out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
#endif
  }
  static std::string Line(const std::string& message) {
    return "\x02" + std::string("Aggregation. ") + message + "\r\n";
  }

  std::vector<uint32_t> handles_;
};

TEST_F(Language, MessagesReachTheHostLogInTheHostsLanguage) {
  EXPECT_EQ(NoDataLine(Load("")), Line("No data for processing")); // the file's default: EN
  EXPECT_EQ(NoDataLine(Load("EN")), Line("No data for processing"));
  EXPECT_EQ(NoDataLine(Load("ID")), Line("Tidak ada data untuk diproses"));
  EXPECT_EQ(NoDataLine(Load("RU")),
            Line(Ansi(u"\u041d\u0435\u0442 \u0434\u0430\u043d\u043d\u044b\u0445 \u0434\u043b\u044f "
                      u"\u043e\u0431\u0440\u0430\u0431\u043e\u0442\u043a\u0438")));
  EXPECT_EQ(NoDataLine(Load("FR")), Line("No data for processing")); // not in the file
}

TEST_F(Language, ALaterLoadSwitchesTheLanguageFromTheBaseTexts) {
  const uint32_t h = Load("RU");
  EXPECT_EQ(Command(h, "LOAD", "ID"), 0);
  EXPECT_EQ(NoDataLine(h), Line("Tidak ada data untuk diproses"));
  EXPECT_EQ(Command(h, "LOAD", "EN"), 0);
  EXPECT_EQ(NoDataLine(h), Line("No data for processing"));
  EXPECT_EQ(Command(h, "PING", "ID"), -2); // only LOAD (and the dialog) read the language
  EXPECT_EQ(NoDataLine(h), Line("No data for processing"));
}

TEST_F(Language, TheTranslatorsPropertyNames) {
  const uint32_t h = Load("");
  hostkit::ItemView result;
  EXPECT_EQ(Command(h, "GET-MODULE-PARAMETER", "", &result, "TranslatorComponentProperties"), 0);
  EXPECT_EQ(result.text, "CAPTION\r\nHINT\r\nTEXT\r\nTITLE\r\nCAPTIONS\r\nMsgNoData\r\n"
                         "MsgWriteComplete\r\nMsgWriteCompleteError\r\n");
}

#ifdef _WIN32
// The language file held open by another program without sharing: LOAD still succeeds, the
// module speaks English, and the host log names the file and the system's reason, once.
TEST_F(Language, ALockedLanguageFileLeavesTheModuleInEnglish) {
  char dll[MAX_PATH] = {};
  ASSERT_GT(::GetModuleFileNameA(::GetModuleHandleA(AGG_LIBRARY), dll, MAX_PATH), 0u);
  std::string file = dll;
  file = file.substr(0, file.rfind('.')) + ".lng";
  const HANDLE lock = ::CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  const uint32_t h = Load("RU");
  ::CloseHandle(lock);
  char* reason = nullptr;
  ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, ERROR_SHARING_VIOLATION, 0, reinterpret_cast<char*>(&reason), 0, nullptr);
  ASSERT_NE(reason, nullptr);
  std::string why = reason;
  ::LocalFree(reason);
  while (!why.empty() && (why.back() == '\n' || why.back() == '\r' || why.back() == ' '))
    why.pop_back();
  EXPECT_EQ(NoDataLine(h), Line("Language file \"" + file + "\" cannot be read: " + why) +
                               Line("No data for processing"));
  EXPECT_EQ(Command(h, "LOAD", "RU"), 0); // the file is readable again: the instance stays as it is
  EXPECT_EQ(NoDataLine(h), Line("No data for processing"));
}
#endif

} // namespace
