// ProcessData of the real library against the floor of merely copying the same packets into an
// output rows list and the limit of writing them into output items already there, for several
// packet sizes, variable counts and both reset modes. The library is loaded and driven only
// through its exports, as a host does; the floor and the limit use the core's list directly.
// After the runs a table gives the rates, the ratios and the heap allocations per packet in the
// steady state.
#include "alloc_counter.h"

#include "data/params_list.h"
#include "host_list.h"
#include "plugin_library.h"
#include "zet_plugin_abi.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include <unistd.h>

namespace {

struct Exports {
  PFN_ExecutePluginCommand ExecutePluginCommand = nullptr;
  PFN_ProcessData ProcessData = nullptr;
  PFN_GetModuleType GetModuleType = nullptr;
};

hostkit::PluginLibrary gLibrary;
Exports gX;
uint32_t gNextHandle = 5000;
std::filesystem::path gWorkDir;

std::string VarName(int k) {
  return "Channel" + std::to_string(k + 1);
}
std::string FillerName(int k) {
  return "Extra" + std::to_string(k + 1);
}

/// The packets a device sends for one row: every packet has Items items. When a packet cannot
/// hold all configured variables they are spread over several packets, so that a row is complete
/// (and released) after the last packet of the cycle; the remaining slots carry values of names
/// the engine does not wait for. The variables are spread evenly through each packet.
class PacketCycle {
public:
  /// Key >= 0: the first slot that would carry a filler carries "Station" with that value, as
  /// the packets of one of several interleaved stations do.
  PacketCycle(int items, int vars, int key = -1) {
    const int perPacket = std::min(items, vars);
    const int packets = (vars + perPacket - 1) / perPacket;
    for (int p = 0; p < packets; ++p) {
      auto list = std::make_unique<hostkit::HostList>();
      const int first = p * perPacket;
      const int count = std::min(vars, first + perPacket) - first;
      int var = 0, filler = 0;
      for (int i = 0; i < items; ++i) {
        // Variable j goes to slot j * items / count.
        if (var < count && i == var * items / count) {
          list->AddInt(VarName(first + var), 1000 + i);
          ++var;
        } else if (key >= 0 && filler == 0) {
          list->AddInt("Station", key);
          ++filler;
        } else {
          list->AddDouble(FillerName(filler++), 0.5 * i);
        }
      }
      packets_.push_back(std::move(list));
    }
  }

  int Size() const { return static_cast<int>(packets_.size()); }
  ZetParamsListLayout* Packet(int index) { return packets_[index]->Raw(); }

private:
  std::vector<std::unique_ptr<hostkit::HostList>> packets_;
};

/// One loaded module instance, configured through its own INI file and unloaded with it.
class Instance {
public:
  /// Extra: more lines of the settings section.
  Instance(int vars, bool reset, const std::vector<std::string>& extra = {})
      : handle_(gNextHandle++) {
    ini_ = gWorkDir / ("bench-" + std::to_string(handle_) + ".ini");
    std::ofstream out(ini_, std::ios::binary);
    out << "[Common]\r\n";
    for (int k = 0; k < vars; ++k)
      out << "Var" << k + 1 << "=" << VarName(k) << "\r\n";
    out << "Timeout=60000\r\n";
    out << "No reset=" << (reset ? "False" : "True") << "\r\n";
    for (const std::string& line : extra)
      out << line << "\r\n";
    out.close();
    loaded_ = Command("LOAD") == ZET_RESULT_DONE;
  }

  ~Instance() {
    if (loaded_)
      Command("UNLOAD");
    TPluginCallRec rec = Record();
    rec.Action = ZET_ACTION_RELEASE;
    gX.GetModuleType(&rec);
    std::error_code ignored;
    std::filesystem::remove(ini_, ignored);
  }

  bool Loaded() const { return loaded_; }

  /// Hands over one packet; answers the result and leaves the output in Rec.
  int32_t Send(ZetParamsListLayout* packet, TPluginCallRec& rec) {
    rec = Record();
    rec.ModuleTypes = ZET_MTT_FILTER;
    rec.Params = params_.Raw();
    rec.Input.Kind = ZET_KIND_LIST;
    rec.Input.Data = reinterpret_cast<uintptr_t>(packet);
    return gX.ProcessData(&rec);
  }

private:
  TPluginCallRec Record() const {
    TPluginCallRec rec{};
    rec.RecordTag = ZET_RECORD_TAG;
    rec.ModuleHandle = handle_;
    rec.ModuleIndex = 1;
    return rec;
  }

  int32_t Command(const char* word) {
    hostkit::HostList params;
    params.AddText("COMMAND", word);
    params.AddText("INI-FILE", ini_.string());
    TPluginCallRec rec = Record();
    rec.Params = params.Raw();
    return gX.ExecutePluginCommand(&rec);
  }

  uint32_t handle_;
  std::filesystem::path ini_;
  hostkit::HostList params_;
  bool loaded_ = false;
};

/// True when Rec carries a released row: a rows list ending with a row marker.
bool HoldsRow(const TPluginCallRec& rec, int32_t result) {
  if (result != ZET_RESULT_DONE || rec.Output.Kind != ZET_KIND_LIST || rec.Output.Data == 0)
    return false;
  const auto* out = reinterpret_cast<const void*>(rec.Output.Data);
  if (hostkit::ListClassName(out) != "TzetRowsParamsList")
    return false;
  const std::vector<hostkit::ItemView> items = hostkit::ReadList(out);
  return !items.empty() && items.back().name == ZET_ROW_MARKER;
}

/// Two whole cycles, so that every list and index has reached its steady size: false when the
/// last packet of a cycle released no row.
bool WarmUp(Instance& instance, PacketCycle& cycle, TPluginCallRec& rec) {
  for (int round = 0; round < 2; ++round) {
    int32_t result = 0;
    for (int p = 0; p < cycle.Size(); ++p)
      result = instance.Send(cycle.Packet(p), rec);
    if (!HoldsRow(rec, result))
      return false;
  }
  return true;
}

void SetCounters(benchmark::State& state, int items, uint64_t allocations, int64_t rows) {
  const double packets = static_cast<double>(state.iterations());
  state.SetItemsProcessed(state.iterations() * items);
  state.counters["packets/s"] =
      benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["allocs/packet"] = packets > 0 ? static_cast<double>(allocations) / packets : 0;
  if (rows >= 0)
    state.counters["rows/packet"] = packets > 0 ? static_cast<double>(rows) / packets : 0;
}

/// The engine's runs through Cycle, from the first packet on, after a warm-up.
void RunEngine(benchmark::State& state, Instance& instance, PacketCycle& cycle, int items) {
  if (!instance.Loaded()) {
    state.SkipWithError("LOAD failed");
    return;
  }
  TPluginCallRec rec{};
  if (!WarmUp(instance, cycle, rec)) {
    state.SkipWithError("the packet cycle released no row");
    return;
  }

  int p = 0;
  int64_t rows = 0;
  const uint64_t before = bench::AllocationCount();
  for (auto _ : state) {
    const int32_t result = instance.Send(cycle.Packet(p), rec);
    rows += result == ZET_RESULT_DONE ? 1 : 0;
    if (++p == cycle.Size())
      p = 0;
  }
  SetCounters(state, items, bench::AllocationCount() - before, rows);
}

void Engine(benchmark::State& state) {
  const int items = static_cast<int>(state.range(0));
  const int vars = static_cast<int>(state.range(1));
  const bool reset = state.range(2) != 0;
  PacketCycle cycle(items, vars);
  Instance instance(vars, reset);
  RunEngine(state, instance, cycle, items);
}

constexpr const char* kStrategies[] = {"Last", "First", "Sum",   "Min",
                                       "Max",  "Mean",  "Count", "Concat"};

/// The engine with every one of 8 variables merged by one strategy, on packets of 16 items that
/// make a row of their own ("Last" fills the row released last again in place; the others take
/// the general way).
void Merged(benchmark::State& state) {
  const auto strategy = static_cast<std::size_t>(state.range(0));
  PacketCycle cycle(16, 8);
  std::vector<std::string> lines;
  for (int k = 0; k < 8; ++k)
    lines.push_back("Merge" + std::to_string(k + 1) + "=" + kStrategies[strategy]);
  Instance instance(8, true, lines);
  RunEngine(state, instance, cycle, 16);
}

/// The engine grouping by "Station": Keys stations send their packet cycles interleaved, packet
/// by packet, so that every packet goes to another group than the one before.
void Grouped(benchmark::State& state) {
  const int items = static_cast<int>(state.range(0));
  const int vars = static_cast<int>(state.range(1));
  const int keys = static_cast<int>(state.range(2));
  const bool reset = state.range(3) != 0;
  std::vector<std::unique_ptr<PacketCycle>> cycles;
  for (int k = 0; k < keys; ++k)
    cycles.push_back(std::make_unique<PacketCycle>(items, vars, k));
  const int perCycle = cycles.front()->Size();
  Instance instance(vars, reset, {"Group by=Station"});
  if (!instance.Loaded()) {
    state.SkipWithError("LOAD failed");
    return;
  }
  TPluginCallRec rec{};
  for (int round = 0; round < 2; ++round) {
    int32_t result = 0;
    for (int p = 0; p < perCycle; ++p)
      for (int k = 0; k < keys; ++k)
        result = instance.Send(cycles[k]->Packet(p), rec);
    if (!HoldsRow(rec, result)) {
      state.SkipWithError("the packet cycle released no row");
      return;
    }
  }

  int p = 0, k = 0;
  int64_t rows = 0;
  const uint64_t before = bench::AllocationCount();
  for (auto _ : state) {
    const int32_t result = instance.Send(cycles[k]->Packet(p), rec);
    rows += result == ZET_RESULT_DONE ? 1 : 0;
    if (++k == keys) {
      k = 0;
      if (++p == perCycle)
        p = 0;
    }
  }
  SetCounters(state, items, bench::AllocationCount() - before, rows);
}

void Floor(benchmark::State& state) {
  const int items = static_cast<int>(state.range(0));
  const int vars = static_cast<int>(state.range(1));
  PacketCycle cycle(items, vars);
  TzetRowsParamsList out;
  for (int p = 0; p < cycle.Size(); ++p) {
    out.Clear();
    out.AppendRow(cycle.Packet(p));
  }

  int p = 0;
  const uint64_t before = bench::AllocationCount();
  for (auto _ : state) {
    out.Clear();
    out.AppendRow(cycle.Packet(p));
    benchmark::DoNotOptimize(out.Count());
    if (++p == cycle.Size())
      p = 0;
  }
  SetCounters(state, items, bench::AllocationCount() - before, -1);
}

/// The least work any aggregator of this data model does per packet: read each input item and
/// write as many output items into storage that is already there (the name shared, the value
/// copied), with no lookup and no allocation.
class LimitCopy {
public:
  explicit LimitCopy(int items) {
    for (int i = 0; i < items; ++i)
      out_.Add("x", rtl::Variant::Null());
  }
  void Copy(ZetParamsListLayout* packet) {
    const TzetParamsListRef input(packet);
    const int32_t count = input.Count();
    for (int32_t i = 0; i < count; ++i) {
      const TzetParamsListItem* from = input.Item(i);
      TzetParamsListItem* to = out_.Item(i);
      to->Name = from->Name;
      rtl::CopyVariant(to->Value, from->Value);
    }
    benchmark::DoNotOptimize(out_.Item(count - 1));
  }

private:
  TzetRowsParamsList out_;
};

void Limit(benchmark::State& state) {
  const int items = static_cast<int>(state.range(0));
  const int vars = static_cast<int>(state.range(1));
  PacketCycle cycle(items, vars);
  LimitCopy limit(items);

  int p = 0;
  const uint64_t before = bench::AllocationCount();
  for (auto _ : state) {
    limit.Copy(cycle.Packet(p));
    if (++p == cycle.Size())
      p = 0;
  }
  SetCounters(state, items, bench::AllocationCount() - before, -1);
}

/// The engine and the limit on the same packets in turns of 4096 items each (at least 64
/// packets). The two turns of a pair see the machine in the same state, so the median of their
/// time ratios holds where the rates of separate runs swing with the other work of a shared
/// machine.
void Paired(benchmark::State& state) {
  const int items = static_cast<int>(state.range(0));
  const int turn = std::max(64, 4096 / items);
  const int vars = static_cast<int>(state.range(1));
  const bool reset = state.range(2) != 0;
  PacketCycle cycle(items, vars);
  Instance instance(vars, reset);
  TPluginCallRec rec{};
  if (!instance.Loaded() || !WarmUp(instance, cycle, rec)) {
    state.SkipWithError("LOAD failed or the packet cycle released no row");
    return;
  }
  LimitCopy limit(items);
  std::vector<double> ratios;
  int p = 0, q = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    for (int k = 0; k < turn; ++k) {
      benchmark::DoNotOptimize(instance.Send(cycle.Packet(p), rec));
      if (++p == cycle.Size())
        p = 0;
    }
    const auto middle = std::chrono::steady_clock::now();
    for (int k = 0; k < turn; ++k) {
      limit.Copy(cycle.Packet(q));
      if (++q == cycle.Size())
        q = 0;
    }
    const auto end = std::chrono::steady_clock::now();
    const double limitTime = std::chrono::duration<double>(end - middle).count();
    if (limitTime > 0)
      ratios.push_back(std::chrono::duration<double>(middle - start).count() / limitTime);
  }
  if (ratios.empty())
    return;
  std::nth_element(ratios.begin(), ratios.begin() + ratios.size() / 2, ratios.end());
  state.counters["e/limit"] = ratios[ratios.size() / 2];
}

BENCHMARK(Engine)
    ->ArgsProduct({{4, 16, 64}, {1, 4, 8}, {1, 0}})
    ->ArgNames({"items", "vars", "reset"});
BENCHMARK(Grouped)
    ->ArgsProduct({{16}, {8}, {16}, {1, 0}})
    ->ArgNames({"items", "vars", "keys", "reset"});
BENCHMARK(Merged)->DenseRange(0, 7)->ArgNames({"strategy"});
BENCHMARK(Floor)->ArgsProduct({{4, 16, 64}, {1, 4, 8}})->ArgNames({"items", "vars"});
BENCHMARK(Limit)->ArgsProduct({{4, 16, 64}, {1, 4, 8}})->ArgNames({"items", "vars"});
BENCHMARK(Paired)
    ->ArgsProduct({{4, 16, 64}, {1, 4, 8}, {1, 0}})
    ->ArgNames({"items", "vars", "reset"});

struct Result {
  double packetsPerSecond = 0;
  double allocsPerPacket = 0;
  double rowsPerPacket = 0;
  bool ok = false;
};

/// The reset field of the limit's runs in the summary's keys (the floor's is -1).
constexpr int kLimitKey = -2;

/// The console output, plus every run kept for the summary table.
class CollectingReporter : public benchmark::ConsoleReporter {
public:
  explicit CollectingReporter(OutputOptions options) : ConsoleReporter(options) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration)
        continue;
      int items = 0, vars = 0, reset = -1, keys = 0;
      const std::string name = run.benchmark_name();
      if (std::sscanf(name.c_str(), "Grouped/items:%d/vars:%d/keys:%d/reset:%d", &items, &vars,
                      &keys, &reset) == 4) {
        KeepFastest(grouped[{items, vars, keys, reset}], Read(run));
        continue;
      }
      if (int strategy = 0; std::sscanf(name.c_str(), "Merged/strategy:%d", &strategy) == 1) {
        KeepFastest(merged[strategy], Read(run));
        continue;
      }
      if (std::sscanf(name.c_str(), "Paired/items:%d/vars:%d/reset:%d", &items, &vars, &reset) ==
              3 &&
          !run.error_occurred) {
        const auto it = run.counters.find("e/limit");
        if (it != run.counters.end())
          paired[{items, vars, reset}].push_back(it->second.value);
        continue;
      }
      bool known =
          std::sscanf(name.c_str(), "Engine/items:%d/vars:%d/reset:%d", &items, &vars, &reset) == 3;
      if (!known)
        known = std::sscanf(name.c_str(), "Floor/items:%d/vars:%d", &items, &vars) == 2;
      if (!known && std::sscanf(name.c_str(), "Limit/items:%d/vars:%d", &items, &vars) == 2) {
        known = true;
        reset = kLimitKey;
      }
      if (!known)
        continue;
      KeepFastest(results[{items, vars, reset}], Read(run));
    }
    ConsoleReporter::ReportRuns(runs);
  }

  /// Of repeated runs (--benchmark_repetitions) the fastest stands for the case: on a shared
  /// machine the slower ones measure the other work as well.
  static void KeepFastest(Result& kept, const Result& run) {
    if (!kept.ok || (run.ok && run.packetsPerSecond > kept.packetsPerSecond))
      kept = run;
  }

  static Result Read(const Run& run) {
    Result r;
    r.ok = !run.error_occurred;
    auto get = [&](const char* key) {
      const auto it = run.counters.find(key);
      return it == run.counters.end() ? 0.0 : it->second.value;
    };
    r.packetsPerSecond = get("packets/s");
    r.allocsPerPacket = get("allocs/packet");
    r.rowsPerPacket = get("rows/packet");
    return r;
  }

  std::map<std::tuple<int, int, int>, Result> results;
  /// The paired runs' engine/limit ratios by items, vars and reset, one per repetition.
  std::map<std::tuple<int, int, int>, std::vector<double>> paired;
  /// The runs with a merge strategy, by its number.
  std::map<int, Result> merged;
  /// The grouped runs by items, vars, keys and reset.
  std::map<std::tuple<int, int, int, int>, Result> grouped;
};

bool Usable(const std::map<std::tuple<int, int, int>, Result>& results,
            std::tuple<int, int, int> key, Result& out) {
  const auto it = results.find(key);
  if (it == results.end() || !it->second.ok || it->second.packetsPerSecond <= 0)
    return false;
  out = it->second;
  return true;
}

void PrintTable(const CollectingReporter& reporter) {
  std::printf("\n%5s %4s %5s %13s %13s %13s %7s %7s %10s %10s %8s %8s %8s %8s\n", "items", "vars",
              "reset", "engine_pkts/s", "floor_pkts/s", "limit_pkts/s", "e/floor", "e/limit",
              "allocs/pkt", "floor_allc", "ns/item", "floor_ns", "limit_ns", "rows/pkt");
  for (const auto& [key, engine] : reporter.results) {
    const auto [items, vars, reset] = key;
    if (reset < 0)
      continue;
    if (!engine.ok || engine.packetsPerSecond <= 0) {
      std::printf("%5d %4d %5s %13s\n", items, vars, reset ? "on" : "off", "error");
      continue;
    }
    Result floor, limit;
    const bool hasFloor = Usable(reporter.results, {items, vars, -1}, floor);
    const bool hasLimit = Usable(reporter.results, {items, vars, kLimitKey}, limit);
    auto nsPerItem = [items](const Result& r) { return 1e9 / r.packetsPerSecond / items; };
    // The paired runs' ratio where there is one: the median of their repetitions' medians.
    double toLimit = hasLimit ? limit.packetsPerSecond / engine.packetsPerSecond : 0.0;
    const auto pairs = reporter.paired.find(key);
    if (pairs != reporter.paired.end() && !pairs->second.empty()) {
      std::vector<double> medians = pairs->second;
      std::sort(medians.begin(), medians.end());
      toLimit = medians[medians.size() / 2];
    }
    std::printf("%5d %4d %5s %13.0f %13.0f %13.0f %7.2f %7.2f %10.2f %10.2f %8.1f %8.1f %8.1f "
                "%8.2f\n",
                items, vars, reset ? "on" : "off", engine.packetsPerSecond,
                hasFloor ? floor.packetsPerSecond : 0.0, hasLimit ? limit.packetsPerSecond : 0.0,
                hasFloor ? floor.packetsPerSecond / engine.packetsPerSecond : 0.0, toLimit,
                engine.allocsPerPacket, hasFloor ? floor.allocsPerPacket : 0.0, nsPerItem(engine),
                hasFloor ? nsPerItem(floor) : 0.0, hasLimit ? nsPerItem(limit) : 0.0,
                engine.rowsPerPacket);
  }
  for (const auto& [key, grouped] : reporter.grouped) {
    const auto [items, vars, keys, reset] = key;
    Result plain;
    if (!grouped.ok || grouped.packetsPerSecond <= 0 ||
        !Usable(reporter.results, {items, vars, reset}, plain)) {
      std::printf("grouped: items %d vars %d keys %d reset %s: no comparison\n", items, vars, keys,
                  reset ? "on" : "off");
      continue;
    }
    auto nsPerItem = [items](const Result& r) { return 1e9 / r.packetsPerSecond / items; };
    std::printf("grouped: items %d vars %d keys %d reset %s: %.1f ns/item against %.1f ns/item "
                "plain, ratio %.2f, %.2f allocs/packet, %.2f rows/packet\n",
                items, vars, keys, reset ? "on" : "off", nsPerItem(grouped), nsPerItem(plain),
                plain.packetsPerSecond / grouped.packetsPerSecond, grouped.allocsPerPacket,
                grouped.rowsPerPacket);
  }
  const auto last = reporter.merged.find(0);
  for (const auto& [strategy, run] : reporter.merged) {
    if (!run.ok || run.packetsPerSecond <= 0 || last == reporter.merged.end() ||
        last->second.packetsPerSecond <= 0)
      continue;
    std::printf("merge %-6s: items 16 vars 8 reset on: %.1f ns/item, %.2f times Last, %.2f "
                "allocs/packet\n",
                kStrategies[strategy], 1e9 / run.packetsPerSecond / 16,
                last->second.packetsPerSecond / run.packetsPerSecond, run.allocsPerPacket);
  }
  std::printf("e/floor = engine time per packet / floor time per packet (floor: the same packets "
              "appended to a cleared rows list); e/limit = engine time / limit time (limit: each "
              "input item read and written into an output item already there, no lookup, no "
              "allocation), the median over turns of 4096 items each taken in alternation "
              "(the Paired runs), else the ratio of the separate runs' rates; 0 where a "
              "reference run is missing\n");
}

} // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;

  // The library's stand-in registry and the INI files of this run live in a private folder.
  gWorkDir = std::filesystem::temp_directory_path() / ("agg-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(gWorkDir);
  const std::string registry = (gWorkDir / "registry").string();
  ::setenv("AGG_REGISTRY_DIR", registry.c_str(), 1);

  std::string error;
  if (!gLibrary.Load(AGG_LIBRARY, error)) {
    std::fprintf(stderr, "cannot load %s: %s\n", AGG_LIBRARY, error.c_str());
    return 1;
  }
  gX.ExecutePluginCommand = gLibrary.Get<PFN_ExecutePluginCommand>("ExecutePluginCommand");
  gX.ProcessData = gLibrary.Get<PFN_ProcessData>("ProcessData");
  gX.GetModuleType = gLibrary.Get<PFN_GetModuleType>("GetModuleType");
  if (!gX.ExecutePluginCommand || !gX.ProcessData || !gX.GetModuleType) {
    std::fprintf(stderr, "missing exports in %s\n", AGG_LIBRARY);
    return 1;
  }

  CollectingReporter reporter(::isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_ColorTabular
                                                      : benchmark::ConsoleReporter::OO_Tabular);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  PrintTable(reporter);

  std::error_code ignored;
  std::filesystem::remove_all(gWorkDir, ignored);
  return 0;
}
