// Fuzz target for the library's export table, driven as a hostile host would drive it: every
// export, with call records and host lists built from the input. Pointers are only ever null or
// valid (lists, buffers, class tables); everything else is the input's: record tags, actions,
// module handles and roles, descriptor kinds and sizes, list classes and signatures, counts with
// unfilled slots, item names and value types, command words and their parameters. Each answer is
// checked against the values the export may answer; a crash, a sanitizer report or an answer
// outside that set stops the run.
//
// Each input ends by releasing the instances it made, so that inputs do not depend on each other.
// Settings files and the stand-in registry live in a private temporary folder.
#include "host_list.h"
#include "zet_plugin_abi.h"

#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

extern "C" {
int32_t ZET_CALL GetPluginIntfVersion();
uint8_t ZET_CALL GetModuleInfo(PPluginCallRec rec, TPluginModuleInfo* info, uint32_t* required);
float ZET_CALL GetAppMinVersion(PPluginCallRec rec);
const char* ZET_CALL GetModuleDescription(PPluginCallRec rec);
uint32_t ZET_CALL GetModuleType(PPluginCallRec rec);
uint8_t ZET_CALL MultiThreadSupport(PPluginCallRec rec);
int32_t ZET_CALL GetCustomCommands(PPluginCallRec rec);
int32_t ZET_CALL ExecutePluginCommand(PPluginCallRec rec);
void ZET_CALL ShowOptionsDialog(PPluginCallRec rec);
int32_t ZET_CALL ProcessData(PPluginCallRec rec);
int32_t ZET_CALL GetData(PPluginCallRec rec);
int32_t ZET_CALL GetEvents(PPluginCallRec rec);
int32_t ZET_CALL GetLogEx(PPluginCallRec rec);
void ZET_CALL madTraceProcess();
}

namespace {

volatile std::size_t gSink;
uint64_t gCalls = 0;
std::string gFolder;

bool gFolderMade = false;

// The count of export calls, for the run's figures; the private folder goes with the run.
struct RunEnd {
  ~RunEnd() {
    std::fprintf(stderr, "exports_fuzz: %llu export calls\n",
                 static_cast<unsigned long long>(gCalls));
    std::error_code ignored;
    if (gFolderMade)
      std::filesystem::remove_all(gFolder, ignored);
  }
} gRunEnd;

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "exports_fuzz: %s\n", what);
    std::abort();
  }
}

class Bytes {
public:
  Bytes(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Done() const { return pos_ >= size_; }
  uint8_t U8() { return pos_ < size_ ? data_[pos_++] : 0; }
  uint32_t U32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
      v |= uint32_t(U8()) << (8 * i);
    return v;
  }
  std::string Text(std::size_t max) {
    std::string s;
    const std::size_t n = U8() % (max + 1);
    for (std::size_t i = 0; i < n && !Done(); ++i)
      s += static_cast<char>(U8());
    return s;
  }

private:
  const uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

constexpr const char* kCommands[] = {"LOAD",
                                     "UNLOAD",
                                     "EVENT",
                                     "SET-ITEMS",
                                     "SET-STATE",
                                     "ITEMS",
                                     "EVENTS-SUPPORT",
                                     "GET-MODULE-PARAMETER",
                                     "SET-MODULE-PARAMETER",
                                     "SAVE-SETTINGS-NOW",
                                     "LOAD-SETTINGS-NOW",
                                     "load"};
constexpr const char* kNames[] = {"COMMAND",
                                  "PARAM",
                                  "VALUE",
                                  "RESULT",
                                  "ITEMS",
                                  "EVENT-TYPE",
                                  "A",
                                  "B",
                                  "a",
                                  ZET_ROW_MARKER,
                                  "NO-SAVE",
                                  "TEMPORARY-LOAD",
                                  "MessagesProcessorHandle",
                                  "OWNERFORM",
                                  "DATA-SOURCES-IN-CFG",
                                  "DATA-SOURCE-LOAD",
                                  "CONFIG-ID",
                                  "HANDLE",
                                  " ",
                                  "X",
                                  "Dev",
                                  "$ROW_STATUS$"};
constexpr const char* kProperties[] = {
    "Description",    "LogTitle",          "ModuleType",       "CustomCommands",
    "ParserItems",    "ParserItemName003", "ParserItemsCount", "Custom:Speed",
    "Custom_0",       "Custom:COUNT",      "EventsSupported",  "OWNERFORM",
    "ModuleDataPath", "INIFile",           "TESTTRANSL",       "ModuleConfigId"};
// Parameters that name files or registry keys: the input never sets them itself.
constexpr const char* kPathNames[] = {"ini-file", "registrypath", "inisectionprefix",
                                      "applicationname", "language"};

bool IsPathName(std::string name) {
  for (char& c : name)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* p : kPathNames)
    if (name == p)
      return true;
  return false;
}

// A class table whose class name comes from the input.
struct ClassTable {
  struct Type {
    const void* Reserved;
    const char* Name;
  } type;
  const void* table[2];
  std::string name;
  explicit ClassTable(std::string n) : name(std::move(n)) {
    type = {nullptr, name.c_str()};
    table[0] = &type;
    table[1] = nullptr;
  }
  const void* Pointer() const { return &table[1]; }
};

struct Call {
  std::vector<std::unique_ptr<hostkit::HostList>> lists;
  std::vector<std::unique_ptr<ClassTable>> classes;
  std::vector<char> buffer = std::vector<char>(4096);
};

// Texts in several scripts, as device names (group values) come: letters outside any 8-bit code
// page, characters outside the basic plane, a surrogate without its pair, and a long one.
std::u16string ScriptText(Bytes& in) {
  static const std::u16string kTexts[] = {u"\u04161",    u"\u03A91",    u"\u6C34",  u"\u706B",
                                          u"\U0001F600", u"\U0001F601", u"x\xD800", u"x\xDC00",
                                          u"",           u"1",          u"north"};
  std::u16string text = kTexts[in.U8() % (sizeof kTexts / sizeof kTexts[0])];
  if (in.U8() % 8 == 0)
    text.append(300 + in.U8(), u'\u0416');
  return text;
}

hostkit::HostVariant Value(Bytes& in) {
  hostkit::HostVariant v{};
  static constexpr uint16_t kTypes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 11, 16, 17, 18, 19, 20, 8, 3};
  v.vt = kTypes[in.U8() % (sizeof kTypes / sizeof kTypes[0])];
  if (v.vt == 8) {
    const uint8_t how = in.U8() % 4;
    std::string text = how == 0 ? kCommands[in.U8() % 12] : in.Text(24);
    if (how == 1)
      text = "Temperature|T1|Float|\r\nPressure\r\nP|P1|Word";
    v.ptr = hostkit::NewOleString(how == 2 ? ScriptText(in) : hostkit::Utf8ToUtf16(text));
  } else {
    v.i8 = static_cast<int64_t>(uint64_t(in.U32()) | uint64_t(in.U32()) << 32);
  }
  return v;
}

// A host list built from the input: its class, signature, items and unfilled slots.
hostkit::HostList* List(Bytes& in, Call& call, bool commandList) {
  const uint8_t shape = in.U8();
  auto list = std::make_unique<hostkit::HostList>(shape & 1);
  if ((shape & 0x06) == 0x06) {
    call.classes.push_back(std::make_unique<ClassTable>(in.Text(24)));
    list->Raw()->ClassPointer = call.classes.back()->Pointer();
  }
  if (commandList) {
    std::string word = kCommands[in.U8() % 12];
    if ((shape & 0x18) == 0x18)
      word = in.Text(16);
    list->AddText("COMMAND", word);
    if (word == "LOAD" || word == "UNLOAD" || word == "SAVE-SETTINGS-NOW" ||
        word == "LOAD-SETTINGS-NOW") {
      if (in.U8() % 4)
        list->AddText("INI-FILE", gFolder + "/s" + std::to_string(in.U8() % 4) + ".ini");
    }
    if (word == "GET-MODULE-PARAMETER" || word == "SET-MODULE-PARAMETER")
      list->AddText("PARAM", kProperties[in.U8() % (sizeof kProperties / sizeof kProperties[0])]);
  }
  const int count = in.U8() % 9;
  for (int i = 0; i < count && !in.Done(); ++i) {
    const uint8_t kind = in.U8();
    if (kind % 7 == 0) {
      list->AddUnfilled();
      continue;
    }
    std::string name =
        kind % 3 ? kNames[in.U8() % (sizeof kNames / sizeof kNames[0])] : in.Text(12);
    if (IsPathName(name))
      name = "X";
    list->AddValue(name, Value(in));
  }
  if ((shape & 0x60) == 0x60)
    list->Raw()->Signature = in.U32();
  // A list that counts items but has no item array at all.
  if ((shape & 0x80) && list->Raw()->Items == nullptr)
    list->Raw()->Count = static_cast<int8_t>(in.U8()) % 4;
  call.lists.push_back(std::move(list));
  return call.lists.back().get();
}

// A list the library handed out must be one of its own rows lists, readable to its end, with at
// most one status item in each row.
void CheckOutputList(uintptr_t data) {
  Check(data != 0, "an output list without a pointer");
  Check(hostkit::ListClassName(reinterpret_cast<void*>(data)) == "TzetRowsParamsList",
        "an output list of another class");
  int statuses = 0;
  for (const hostkit::ItemView& item : hostkit::ReadList(reinterpret_cast<void*>(data))) {
    gSink = gSink + item.name.size() + item.text.size();
    std::string lowered = item.name;
    for (char& c : lowered)
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    statuses = item.name == ZET_ROW_MARKER ? 0 : statuses + (lowered == "$row_status$");
    Check(statuses <= 1, "a row with two status items");
  }
}

bool IsResultCode(int32_t r) {
  return r >= ZET_RESULT_FAILED && r <= ZET_RESULT_DONE;
}

// One descriptor from the input: nothing, a list, a request, an inline number or a buffer.
void Descriptor(Bytes& in, Call& call, TPluginDataDesc& d, bool buffer) {
  const uint8_t how = in.U8();
  d.Reserved = in.U8() % 2 ? in.U32() : 0;
  static constexpr uint8_t kKinds[] = {ZET_KIND_NONE, ZET_KIND_LIST, ZET_KIND_REQUEST,
                                       ZET_KIND_LIST_ALT};
  d.Kind = how % 5 == 4 ? in.U8() : kKinds[how % 4];
  d.Size = static_cast<int32_t>(in.U32() % 5000);
  if (buffer) {
    // The capacity never exceeds the buffer lent.
    d.Data = how & 0x10 ? reinterpret_cast<uintptr_t>(call.buffer.data()) : 0;
    if (d.Size > static_cast<int32_t>(call.buffer.size()) || !d.Data)
      d.Size = d.Data ? static_cast<int32_t>(call.buffer.size()) : d.Size % 3;
  } else if (d.Kind == ZET_KIND_REQUEST) {
    d.Data = how & 0x10 ? ZET_REQUEST_RELEASE : in.U8();
  } else if (how & 0x20) {
    d.Data = reinterpret_cast<uintptr_t>(List(in, call, false)->Raw());
  } else {
    d.Data = 0;
  }
}

void CheckRecordLists(const TPluginCallRec& r) {
  if (r.Output.Kind == ZET_KIND_LIST && r.Output.Data)
    CheckOutputList(r.Output.Data);
}

void Run(Bytes& in, Call& call) {
  const uint8_t which = in.U8() % 16;
  TPluginCallRec rec{};
  rec.RecordTag = in.U8() % 8 ? ZET_RECORD_TAG : in.U32();
  const uint8_t action = in.U8();
  rec.Action = action % 8 == 0   ? ZET_ACTION_RELEASE
               : action % 8 == 1 ? ZET_ACTION_SHUTDOWN
                                 : static_cast<int8_t>(action);
  rec.ModuleHandle = in.U8() % 5; // a few instances, and sometimes none
  rec.ModuleIndex = in.U8();
  rec.ModuleTypes = in.U8();
  const uint8_t params = in.U8();
  if (params % 4)
    rec.Params = List(in, call, which == 7)->Raw();
  const bool buffers = which == 6 || which == 12;
  Descriptor(in, call, rec.Input, buffers);
  Descriptor(in, call, rec.Output, false);
  const TPluginCallRec before = rec;
  PPluginCallRec r = in.U8() % 32 ? &rec : nullptr;
  ++gCalls;

  switch (which) {
  case 0:
    Check(GetPluginIntfVersion() == ZET_INTERFACE_VERSION, "GetPluginIntfVersion");
    break;
  case 1: {
    auto* info = reinterpret_cast<TPluginModuleInfo*>(call.buffer.data());
    const uint32_t size = in.U8() % 2 ? in.U32() % 4097 : 4096;
    info->Size = size;
    uint32_t required = 12345;
    const bool withInfo = in.U8() % 4 != 0;
    const uint8_t ok = GetModuleInfo(r, withInfo ? info : nullptr, &required);
    Check(ok <= 1, "GetModuleInfo: not a Boolean");
    Check(required == 0 || required >= sizeof(TPluginModuleInfo), "GetModuleInfo: RequiredSize");
    if (ok) {
      Check(withInfo && required <= size && info->Size == size, "GetModuleInfo: sizes");
      Check(info->IntfVersion == ZET_INTERFACE_VERSION, "GetModuleInfo: version");
      const auto* base = reinterpret_cast<const char*>(info);
      const auto* text = reinterpret_cast<const char*>(info->DescriptionText);
      Check(!info->DescriptionLength || (text >= base + sizeof(TPluginModuleInfo) &&
                                         text + info->DescriptionLength <= base + size),
            "GetModuleInfo: description outside the buffer");
    }
    break;
  }
  case 2: {
    const float v = GetAppMinVersion(r);
    Check(v == -1.0f || v == 4.0f, "GetAppMinVersion");
    break;
  }
  case 3:
    if (const char* d = GetModuleDescription(r))
      gSink = gSink + std::strlen(d);
    break;
  case 4: {
    const uint32_t word = GetModuleType(r);
    Check((word & 0xFFF8FF00u) == 0, "GetModuleType: bits outside the type word");
    break;
  }
  case 5:
    Check(MultiThreadSupport(r) <= 1, "MultiThreadSupport: not a Boolean");
    break;
  case 6: {
    const int32_t n = GetCustomCommands(r);
    Check(n >= 0, "GetCustomCommands: negative");
    Check(!r || rec.Output.Kind == ZET_KIND_INTEGER, "GetCustomCommands: output kind");
    Check(n == 0 || n <= before.Input.Size, "GetCustomCommands: more than the buffer");
    break;
  }
  case 7:
    Check(IsResultCode(ExecutePluginCommand(r)), "ExecutePluginCommand: result code");
    break;
  case 8:
    ShowOptionsDialog(r);
    // 4 stays when a parameter of the call cannot be read (an "OWNERFORM" that is no number).
    Check(!r || (rec.Output.Kind == ZET_KIND_INTEGER && rec.Output.Data <= 4),
          "ShowOptionsDialog: output");
    break;
  case 9: {
    const int32_t result = ProcessData(r);
    Check(IsResultCode(result), "ProcessData: result code");
    if (r && (result == 0 || result == ZET_RESULT_NOTHING_DONE)) {
      Check(rec.Input.Data == 0, "ProcessData: input not consumed");
      CheckRecordLists(rec);
    }
    if (r && result == ZET_RESULT_NOTHING_DONE)
      Check(rec.Output.Kind == ZET_KIND_LIST, "ProcessData: -2 without the empty list");
    break;
  }
  case 10: {
    const int32_t result = GetData(r);
    Check(IsResultCode(result), "GetData: result code");
    if (r && result != ZET_RESULT_REJECTED)
      CheckRecordLists(rec);
    break;
  }
  case 11: {
    const int32_t result = GetEvents(r);
    Check(result == 0 || result == ZET_RESULT_REJECTED || result == ZET_RESULT_FAILED,
          "GetEvents: result code");
    if (r && result == 0 && rec.Output.Data != before.Output.Data)
      CheckRecordLists(rec);
    break;
  }
  case 12: {
    const int32_t n = GetLogEx(r);
    Check(n >= 0, "GetLogEx: negative");
    Check(!r || rec.Output.Kind == ZET_KIND_INTEGER, "GetLogEx: output kind");
    Check(n == 0 || (n <= before.Input.Size && rec.Output.Data == uintptr_t(n)),
          "GetLogEx: more than the buffer");
    break;
  }
  default:
    madTraceProcess();
    break;
  }
}

// Releases every instance the input may have made.
void ReleaseAll() {
  for (uint32_t handle = 1; handle < 5; ++handle) {
    TPluginCallRec rec{};
    rec.RecordTag = ZET_RECORD_TAG;
    rec.Action = ZET_ACTION_RELEASE;
    rec.ModuleHandle = handle;
    GetModuleType(&rec);
  }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char pattern[] = "/tmp/agg-exports-fuzz-XXXXXX";
  if (const char* made = ::mkdtemp(pattern)) {
    gFolder = made;
    gFolderMade = true;
  } else {
    gFolder = std::filesystem::temp_directory_path().string();
  }
  ::setenv("AGG_REGISTRY_DIR", (gFolder + "/registry").c_str(), 1);
  return 0;
}

// The settings files a LOAD of the input may name: none, one variable, two with a timeout, two
// without reset; the input's first byte adds advanced options to the last three (partial rows,
// an age limit, a value lifetime, grouping by "Dev" with a small bound). Written again for
// every input, since commands of the input may save over them.
void WriteSettingsFiles(Bytes& in) {
  static const char* const kSettings[] = {"", "[Common]\r\nVar1=A\r\n",
                                          "[Common]\r\nVar1=A\r\nVar2=B\r\nTimeout=50\r\n",
                                          "[Common]\r\nVar1=a\r\nVar2=X\r\nNo reset=True\r\n"};
  static const char* const kAdvanced[] = {"Release partial rows=True\r\n", "Age limit=20\r\n",
                                          "Value lifetime=30\r\n", "Group by=Dev\r\n",
                                          "Max groups=2\r\n"};
  const uint8_t advanced = in.U8();
  for (int i = 0; i < 4; ++i) {
    if (std::FILE* f = std::fopen((gFolder + "/s" + std::to_string(i) + ".ini").c_str(), "wb")) {
      std::fputs(kSettings[i], f);
      for (int k = 0; i != 0 && k < 5; ++k)
        if (advanced & (1u << k))
          std::fputs(kAdvanced[k], f);
      std::fclose(f);
    }
  }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  Bytes in(data, size);
  WriteSettingsFiles(in);
  for (int calls = 0; calls < 64 && !in.Done(); ++calls) {
    Call call;
    Run(in, call);
  }
  ReleaseAll();
  return 0;
}
