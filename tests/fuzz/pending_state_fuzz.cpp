// Fuzz target for the reader of the engine's pending-state files. The first byte chooses the
// engine's settings and the use of the rest: taken as a whole file; as the payload of a file
// whose header is sound (so that the payload's reader is reached past the checksum); or as a
// stream of packets whose state is saved, one byte of it changed, and read back. Whatever the
// reader accepts must leave an engine whose state holds and that goes on taking packets; what it
// refuses must leave the engine as it was.
#include "filter/aggregation_engine.h"
#include "filter/aggregation_variables.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "pending_state_fuzz: %s\n", what);
    std::abort();
  }
}

uint64_t Fnv1a(uint64_t hash, std::string_view bytes) {
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ull;
  }
  return hash;
}

TAggregationOptions OptionsOf(uint8_t choice) {
  TAggregationOptions options;
  if (choice & 1)
    options.GroupByLower = "k";
  options.Partial = choice & 2;
  options.LifetimeMs = choice & 4 ? 50 : 0;
  options.Merge[0] = choice & 8 ? TMergeStrategy::Sum : TMergeStrategy::Last;
  if (choice & 16)
    options.TimeVarLower = "t";
  options.MaxGroups = 4;
  return options;
}

/// A packet from Bytes: each byte an item, its low bits the name, the others the value.
void SendPackets(TAggregationEngine& engine, std::string_view bytes, TzetRowsParamsList& rows) {
  const char* const kNames[] = {"a", "b", "k", "t", "x", "|", "A", "c"};
  while (!bytes.empty()) {
    TzetParamsList packet;
    const std::size_t count = 1 + static_cast<unsigned char>(bytes[0]) % 4;
    for (std::size_t i = 0; i < count && !bytes.empty(); ++i) {
      const auto byte = static_cast<unsigned char>(bytes[0]);
      bytes.remove_prefix(1);
      const std::string name = kNames[byte % 8];
      if (name == "|")
        packet.AddNewRow();
      else if (byte >> 6 == 3)
        packet.Add(name, rtl::Variant::FromAnsiText(std::string(byte % 5, 'v')));
      else
        packet.Add(name, rtl::Variant::Int32(byte >> 3));
    }
    engine.ProcessPacket(TzetParamsListRef(&packet), rows);
    Check(engine.CheckInvariants(), "the engine's state does not hold after a packet");
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0)
    return 0;
  static TObjectList* const vars = [] {
    auto* list = new TObjectList();
    for (const char* name : {"a", "b", "c"})
      list->Add(new TAggregationListItem(nullptr, name));
    return list;
  }();
  const uint8_t choice = data[0];
  const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  const TAggregationOptions options = OptionsOf(choice);
  const bool noReset = choice & 32;
  // The recycler outlives the rows that hold its parked items.
  TzetItemRecycler recycler;
  TzetRowsParamsList rows;
  TAggregationEngine engine(*vars, recycler);
  engine.Configure(30, noReset, options);
  std::string file;
  switch (choice >> 6) {
  case 0:
    file.assign(rest);
    break;
  case 1: {
    // A sound header around the bytes.
    file = engine.SaveState(0).substr(0, 36);
    for (int i = 0; i < 8; ++i)
      file[28 + i] = static_cast<char>(rest.size() >> (8 * i));
    const uint64_t checksum = Fnv1a(Fnv1a(0xcbf29ce484222325ull, file), rest);
    for (int i = 0; i < 8; ++i)
      file += static_cast<char>(checksum >> (8 * i));
    file += rest;
    break;
  }
  default: {
    // A real state, one byte of it changed when the stream leaves a byte for that.
    TAggregationEngine source(*vars, recycler);
    source.Configure(30, noReset, options);
    SendPackets(source, rest.substr(0, rest.size() / 2), rows);
    file = source.SaveState(7);
    if (choice >> 6 == 3 && !rest.empty())
      file[static_cast<unsigned char>(rest.back()) % file.size()] ^= 0x10;
    break;
  }
  }
  const int32_t holding = engine.Holding();
  std::string why;
  if (engine.RestoreState(file, 9, why)) {
    Check(engine.CheckInvariants(), "a state taken up does not hold");
    SendPackets(engine, rest.substr(rest.size() / 2), rows);
  } else {
    Check(!why.empty(), "a refused file without a reason");
    Check(engine.Holding() == holding && engine.CheckInvariants(),
          "a refused file changed the engine");
  }
  return 0;
}
