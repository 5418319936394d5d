// The help file the build places next to the library, opened as the system's help viewer opens
// it: its context map must lead help context 80 to the options page inside the file.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
// After <windows.h>: the build trims it to the lean set, which leaves out the storage interfaces.
#include <ole2.h>
#endif

#ifdef _WIN32
// The storage interface of the help system's own file reader (itss.dll), which no SDK header of
// this tool chain declares. It stays outside the
// anonymous namespace: a class with internal linkage and no implementation in this file lets the
// compiler assume that no object of it exists, and it then drops the calls through it.
const CLSID kClsidITStorage = {
    0x5d02926a, 0x212e, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};
const IID kIidITStorage = {
    0x88cc31de, 0x27ab, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};

struct IITStorage : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE StgCreateDocfile(const WCHAR*, DWORD, DWORD, IStorage**) = 0;
  virtual HRESULT STDMETHODCALLTYPE StgCreateDocfileOnILockBytes(ILockBytes*, DWORD, DWORD,
                                                                 IStorage**) = 0;
  virtual HRESULT STDMETHODCALLTYPE StgIsStorageFile(const WCHAR*) = 0;
  virtual HRESULT STDMETHODCALLTYPE StgIsStorageILockBytes(ILockBytes*) = 0;
  virtual HRESULT STDMETHODCALLTYPE StgOpenStorage(const WCHAR*, IStorage*, DWORD, SNB, DWORD,
                                                   IStorage**) = 0;
};

#endif

namespace {

constexpr int kOptionsContext = 80;
constexpr char kOptionsPage[] = "/options.html";
constexpr int kAdvancedContext = 81;

/// The help file next to the running test program (the build puts both into bin/).
std::string HelpFileName() {
#ifdef _WIN32
  char path[MAX_PATH] = {};
  DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string name(path, n);
  return name.substr(0, name.find_last_of("\\/") + 1) + "aggregation.chm";
#else
  return "aggregation.chm"; // the test runs in bin/
#endif
}

std::string ReadAll(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(HelpFile, IsACompiledHelpFileListingEveryPage) {
  const std::string bytes = ReadAll(HelpFileName());
  ASSERT_GT(bytes.size(), 1000u) << HelpFileName();
  EXPECT_EQ(bytes.substr(0, 4), "ITSF");
  // The directory of the file is stored uncompressed: every page's name stands in it.
  for (const char* page :
       {"/index.html",    "/options.html", "/timeout.html", "/reset.html",    "/rows.html",
        "/advanced.html", "/partial.html", "/age.html",     "/lifetime.html", "/groupby.html",
        "/stats.html",    "/merge.html",   "/partial.png",  "/age.png",       "/lifetime.png",
        "/groupby.png",   "/stats.png",    "/merge.png",    "/time.html",     "/time.png",
        "/keep.html",     "/#IVB",         "/#STRINGS"})
    EXPECT_NE(bytes.find(page), std::string::npos) << page;
}

#ifdef _WIN32

class HelpStorage : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
    IITStorage* its = nullptr;
    ASSERT_EQ(::CoCreateInstance(kClsidITStorage, nullptr, CLSCTX_INPROC_SERVER, kIidITStorage,
                                 reinterpret_cast<void**>(&its)),
              S_OK);
    const std::string name = HelpFileName();
    std::wstring wide(name.begin(), name.end());
    HRESULT hr = its->StgOpenStorage(wide.c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE,
                                     nullptr, 0, &storage_);
    its->Release();
    ASSERT_EQ(hr, S_OK) << name;
  }
  void TearDown() override {
    if (storage_)
      storage_->Release();
    ::CoUninitialize();
  }

  /// The bytes of the file Name inside the help file; false when there is no such file.
  bool Read(const std::wstring& name, std::string& bytes) {
    IStream* stream = nullptr;
    if (storage_->OpenStream(name.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream) !=
        S_OK)
      return false;
    bytes.clear();
    char buffer[4096];
    ULONG got = 0;
    while (stream->Read(buffer, sizeof buffer, &got) == S_OK && got > 0)
      bytes.append(buffer, got);
    stream->Release();
    return true;
  }

  /// The context map: help context -> topic, from #IVB (a byte count, then pairs of context and
  /// offset into #STRINGS) and #STRINGS (zero-terminated names).
  std::map<uint32_t, std::string> ContextMap() {
    std::string ivb, strings;
    std::map<uint32_t, std::string> map;
    if (!Read(L"#IVB", ivb) || !Read(L"#STRINGS", strings))
      return map;
    auto dword = [&](std::size_t at) {
      uint32_t v = 0;
      std::memcpy(&v, ivb.data() + at, 4);
      return v;
    };
    for (std::size_t at = 4; at + 8 <= ivb.size(); at += 8) {
      const uint32_t offset = dword(at + 4);
      map[dword(at)] = offset < strings.size() ? std::string(strings.c_str() + offset) : "?";
    }
    return map;
  }

  IStorage* storage_ = nullptr;
};

TEST_F(HelpStorage, ContextEightyLeadsToTheOptionsPageInsideTheFile) {
  const auto map = ContextMap();
  ASSERT_EQ(map.count(kOptionsContext), 1u);
  std::string topic = map.at(kOptionsContext);
  // The map names the topic by its path inside the file, not by where it was compiled.
  if (topic.front() != '/')
    topic.insert(topic.begin(), '/');
  EXPECT_EQ(topic, kOptionsPage);
  std::string page;
  ASSERT_TRUE(Read(std::wstring(topic.begin(), topic.end()), page)) << topic;
  EXPECT_NE(page.find("Aggregation timeout (ms)"), std::string::npos);
  EXPECT_NE(page.find("Do not reset aggregation state (data grouping)"), std::string::npos);
}

TEST_F(HelpStorage, ContextEightyOneLeadsToTheAdvancedPageWhosePicturesAreInTheFile) {
  const auto map = ContextMap();
  ASSERT_EQ(map.count(kAdvancedContext), 1u);
  std::string topic = map.at(kAdvancedContext);
  if (topic.front() != '/')
    topic.insert(topic.begin(), '/');
  EXPECT_EQ(topic, "/advanced.html");
  std::string page;
  ASSERT_TRUE(Read(L"/advanced.html", page));
  EXPECT_NE(page.find("Advanced options"), std::string::npos);
  // Every option's page shows its timeline, and the picture is a PNG inside the file.
  for (const char* name : {"partial", "age", "lifetime", "groupby", "stats", "merge", "time"}) {
    const std::string html = std::string("/") + name + ".html", png = std::string(name) + ".png";
    ASSERT_TRUE(Read(std::wstring(html.begin(), html.end()), page)) << html;
    EXPECT_NE(page.find("src=\"" + png + "\""), std::string::npos) << html;
    EXPECT_NE(page.find("href=\"advanced.html\""), std::string::npos) << html;
    std::string picture;
    ASSERT_TRUE(Read(L"/" + std::wstring(png.begin(), png.end()), picture)) << png;
    EXPECT_EQ(picture.substr(1, 3), "PNG") << png;
  }
}

TEST(HelpViewer, OpensContextEightyAndNothingForAnUnmappedContext) {
  HMODULE control = ::LoadLibraryA("hhctrl.ocx");
  ASSERT_NE(control, nullptr);
  using HtmlHelpAFn = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
  auto htmlHelp = reinterpret_cast<HtmlHelpAFn>(
      reinterpret_cast<void*>(::GetProcAddress(control, "HtmlHelpA")));
  ASSERT_NE(htmlHelp, nullptr);
  const std::string file = HelpFileName();
  constexpr UINT kHelpContext = 0x0F, kCloseAll = 0x12;
  EXPECT_NE(htmlHelp(nullptr, file.c_str(), kHelpContext, kOptionsContext), nullptr);
  EXPECT_NE(htmlHelp(nullptr, file.c_str(), kHelpContext, kAdvancedContext), nullptr);
  EXPECT_EQ(htmlHelp(nullptr, file.c_str(), kHelpContext, 4711), nullptr);
  htmlHelp(nullptr, nullptr, kCloseAll, 0);
  ::FreeLibrary(control);
}

#endif

} // namespace
