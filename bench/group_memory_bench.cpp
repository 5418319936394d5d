// Peak memory of the engine grouping by "Station" under a stream of ever new key values: each
// packet of the stream opens a group of its own, while two stations keep completing their rows
// between them. Prints the process's peak resident size before and after the stream, checks that
// every row of the two stations was released, and reads the counters at the end.
//
// Usage: group_memory_bench [max groups (default 256)] [packets (default 1000000)]
#include "host_list.h"
#include "plugin_library.h"
#include "zet_plugin_abi.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/resource.h>
#include <unistd.h>

namespace {

hostkit::PluginLibrary gLibrary;
PFN_ExecutePluginCommand gExecute = nullptr;
PFN_ProcessData gProcessData = nullptr;
constexpr uint32_t kHandle = 7100;

long PeakKiB() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

TPluginCallRec Record() {
  TPluginCallRec rec{};
  rec.RecordTag = ZET_RECORD_TAG;
  rec.ModuleHandle = kHandle;
  rec.ModuleIndex = 1;
  return rec;
}

int32_t Command(const char* word, const std::string& ini) {
  hostkit::HostList params;
  params.AddText("COMMAND", word);
  params.AddText("INI-FILE", ini);
  TPluginCallRec rec = Record();
  rec.Params = params.Raw();
  return gExecute(&rec);
}

std::string Stat(const char* name) {
  hostkit::HostList params;
  params.AddText("COMMAND", "GET-MODULE-PARAMETER");
  params.AddText("PARAM", name);
  params.AddNull("RESULT");
  TPluginCallRec rec = Record();
  rec.Params = params.Raw();
  gExecute(&rec);
  for (const hostkit::ItemView& item : hostkit::ReadList(params.Raw()))
    if (item.name == "RESULT")
      return item.text;
  return "?";
}

/// Sends one packet; answers the number of rows released.
int Send(hostkit::HostList& packet) {
  hostkit::HostList params;
  TPluginCallRec rec = Record();
  rec.ModuleTypes = ZET_MTT_FILTER;
  rec.Params = params.Raw();
  rec.Input.Kind = ZET_KIND_LIST;
  rec.Input.Data = reinterpret_cast<uintptr_t>(packet.Raw());
  if (gProcessData(&rec) != ZET_RESULT_DONE || rec.Output.Kind != ZET_KIND_LIST)
    return 0;
  int rows = 0;
  for (const hostkit::ItemView& item : hostkit::ReadList(reinterpret_cast<void*>(rec.Output.Data)))
    rows += item.name == ZET_ROW_MARKER ? 1 : 0;
  return rows;
}

} // namespace

int main(int argc, char** argv) {
  const long maxGroups = argc > 1 ? std::atol(argv[1]) : 256;
  const long packets = argc > 2 ? std::atol(argv[2]) : 1000000;
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("agg-groupmem-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  ::setenv("AGG_REGISTRY_DIR", (dir / "registry").string().c_str(), 1);
  const std::string ini = (dir / "settings.ini").string();
  std::ofstream(ini, std::ios::binary) << "[Common]\r\nVar1=A\r\nVar2=B\r\nGroup by=Station\r\n"
                                       << "Max groups=" << maxGroups << "\r\n";

  std::string error;
  if (!gLibrary.Load(AGG_LIBRARY, error)) {
    std::fprintf(stderr, "cannot load %s: %s\n", AGG_LIBRARY, error.c_str());
    return 1;
  }
  gExecute = gLibrary.Get<PFN_ExecutePluginCommand>("ExecutePluginCommand");
  gProcessData = gLibrary.Get<PFN_ProcessData>("ProcessData");
  if (!gExecute || !gProcessData || Command("LOAD", ini) != ZET_RESULT_DONE) {
    std::fprintf(stderr, "the library did not load\n");
    return 1;
  }

  // Every 8th packet comes from one of two stations, which alternate sending A and B; the other
  // packets each carry a key value never seen before.
  long stationRows = 0, expectedStationRows = 0, otherRows = 0;
  long step = 0;
  auto run = [&](long count) {
    for (long i = 0; i < count; ++i, ++step) {
      hostkit::HostList packet;
      if (step % 8 == 0) {
        const long turn = step / 8;
        packet.AddText("Station", turn % 2 ? "north" : "south");
        packet.AddInt(turn % 4 < 2 ? "A" : "B", static_cast<int32_t>(turn));
        const int rows = Send(packet);
        stationRows += rows;
        expectedStationRows += turn % 4 >= 2 ? 1 : 0;
      } else {
        packet.AddText("Station", "device-" + std::to_string(step) + "-of-the-stream");
        packet.AddInt("A", static_cast<int32_t>(step));
        otherRows += Send(packet);
      }
    }
  };
  run(10000); // warm-up: the table and the recycler reach their steady size
  const long before = PeakKiB();
  run(packets);
  const long after = PeakKiB();

  std::printf("max groups %ld, %ld packets with distinct keys after a warm-up of 10000\n",
              maxGroups, packets);
  std::printf("peak RSS: %ld KiB before the stream, %ld KiB after, growth %ld KiB\n", before, after,
              after - before);
  std::printf("station rows released: %ld of %ld; other rows: %ld\n", stationRows,
              expectedStationRows, otherRows);
  std::printf("Stats.Packets %s, Stats.Rows %s, Stats.Discarded %s, Stats.Groups %s\n",
              Stat("Stats.Packets").c_str(), Stat("Stats.Rows").c_str(),
              Stat("Stats.Discarded").c_str(), Stat("Stats.Groups").c_str());

  Command("UNLOAD", ini);
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  return stationRows == expectedStationRows && otherRows == 0 ? 0 : 2;
}
