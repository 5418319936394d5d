// The engine's pending state written to a file and taken up again: a stream interrupted by a save
// and a restore at any packet gives the rows of the stream that ran on; a file cut short, changed
// in any bit, of another version or of other settings is refused and leaves the engine as it was.
#include "filter/aggregation_engine.h"
#include "filter/aggregation_variables.h"
#include "support/timeout.h"
#include "loaded_engine.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using engine_test::gNow;

/// An engine of its own over the variables A, B and C, on the test clock.
class EngineState : public ::testing::Test {
protected:
  void SetUp() override {
    previous_ = support::SetTickSourceForTesting(&engine_test::kTestClock);
    gNow = 1000;
    for (const char* name : {"A", "B", "C"})
      vars_.Add(new TAggregationListItem(nullptr, name));
  }
  void TearDown() override { support::SetTickSourceForTesting(previous_); }

  std::unique_ptr<TAggregationEngine> Make(const TAggregationOptions& options, bool noReset,
                                           uint32_t timeoutMs) {
    auto engine = std::make_unique<TAggregationEngine>(vars_, recycler_);
    engine->Configure(timeoutMs, noReset, options);
    return engine;
  }
  /// One packet of random names and values; answers what a host reads of the call.
  std::string Send(TAggregationEngine& engine, std::minstd_rand& random, int call) {
    const char* const kNames[] = {"A", "B", "C", "X", "Station", "Time", "|"};
    TzetParamsList packet;
    for (int i = 0, n = 1 + static_cast<int>(random() % 5); i < n; ++i) {
      const std::string name = kNames[random() % std::size(kNames)];
      if (name == "|")
        packet.AddNewRow();
      else if (name == "Station")
        packet.Add(name, rtl::Variant::Int32(static_cast<int32_t>(random() % 3)));
      else if (name == "Time")
        packet.Add(name, rtl::Variant::Int32(call * 100));
      else if (random() % 5 == 0)
        packet.Add(name, rtl::Variant::FromAnsiText("t" + std::to_string(call)));
      else
        packet.Add(name, rtl::Variant::Int32(call));
    }
    const bool answers = engine.ProcessPacket(TzetParamsListRef(&packet), rows_);
    EXPECT_TRUE(engine.CheckInvariants());
    TPluginDataDesc out{};
    out.Kind = answers ? ZET_KIND_LIST : 0;
    out.Data = answers ? reinterpret_cast<uintptr_t>(&rows_) : 0;
    return engine_test::AnswerDump(0, out);
  }

  TObjectList vars_;
  /// Declared before the rows it keeps items of, so that it outlives them.
  TzetItemRecycler recycler_;
  TzetRowsParamsList rows_;

private:
  const platform::TickSource* previous_ = nullptr;
};

TAggregationOptions Options(unsigned seed) {
  TAggregationOptions options;
  if (seed % 2)
    options.GroupByLower = "station";
  options.Partial = seed % 3 == 0;
  options.AgeMs = seed % 4 == 0 ? 900 : 0;
  options.LifetimeMs = seed % 5 == 0 ? 700 : 0;
  options.Merge[0] = seed % 6 < 3 ? TMergeStrategy::Sum : TMergeStrategy::Last;
  options.Merge[1] = seed % 7 < 2 ? TMergeStrategy::Concat : TMergeStrategy::Last;
  if (seed % 8 < 3)
    options.TimeVarLower = "time";
  return options;
}

TEST_F(EngineState, AStreamSavedAndRestoredAnywhereGivesTheRowsOfTheStreamThatRanOn) {
  for (unsigned seed = 1; seed <= 24; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const TAggregationOptions options = Options(seed);
    const bool noReset = seed % 3 == 1;
    const uint32_t timeout = seed / 2 % 2 ? 500 : 0;
    auto run = [&](bool interrupted) {
      gNow = 1000;
      std::minstd_rand random(seed);
      auto engine = Make(options, noReset, timeout);
      std::vector<std::string> answers;
      for (int call = 0; call < 150; ++call) {
        if (interrupted && call % 7 == 3) {
          const std::string bytes = engine->SaveState(5000);
          engine = Make(options, noReset, timeout);
          std::string why;
          EXPECT_TRUE(engine->RestoreState(bytes, 5000, why)) << why;
          EXPECT_TRUE(engine->CheckInvariants());
        }
        answers.push_back(Send(*engine, random, call));
        gNow += random() % 120;
      }
      return answers;
    };
    EXPECT_EQ(run(true), run(false));
  }
}

// The time between the save and the restore passes without a packet: a row whose timeout passed
// meanwhile ends at the next packet.
TEST_F(EngineState, TheTimeBetweenSaveAndRestoreCounts) {
  TAggregationOptions options;
  options.Partial = true;
  auto engine = Make(options, false, 1000);
  TzetParamsList half;
  half.Add("A", rtl::Variant::Int32(1));
  engine->ProcessPacket(TzetParamsListRef(&half), rows_);
  for (const int64_t downtime : {400, 1000}) {
    auto restored = Make(options, false, 1000);
    std::string why;
    ASSERT_TRUE(restored->RestoreState(engine->SaveState(10000), 10000 + downtime, why)) << why;
    EXPECT_EQ(restored->Holding(), 1);
    TzetParamsList other;
    other.Add("X", rtl::Variant::Int32(2));
    restored->ProcessPacket(TzetParamsListRef(&other), rows_);
    EXPECT_EQ(restored->Stats().Partial, downtime >= 1000 ? 1u : 0u) << downtime;
  }
}

TEST_F(EngineState, AFileThatDoesNotFitIsRefusedAndChangesNothing) {
  TAggregationOptions options;
  options.GroupByLower = "station";
  options.LifetimeMs = 900;
  options.Merge[2] = TMergeStrategy::Concat;
  auto source = Make(options, true, 700);
  std::minstd_rand random(3);
  for (int call = 0; call < 12; ++call)
    Send(*source, random, call);
  ASSERT_GT(source->Holding(), 0);
  const std::string bytes = source->SaveState(1);

  auto target = Make(options, true, 700);
  TzetParamsList kept;
  kept.Add("Station", rtl::Variant::Int32(9));
  kept.Add("B", rtl::Variant::Int32(9));
  target->ProcessPacket(TzetParamsListRef(&kept), rows_);
  const auto refused = [&](const std::string& file) {
    std::string why;
    const bool taken = target->RestoreState(file, 1, why);
    EXPECT_TRUE(target->CheckInvariants());
    EXPECT_EQ(target->Holding(), 1) << "the target's own row stays";
    return !taken && !why.empty();
  };
  for (std::size_t size = 0; size < bytes.size(); ++size)
    ASSERT_TRUE(refused(bytes.substr(0, size))) << "cut at " << size;
  for (std::size_t bit = 0; bit < bytes.size() * 8; ++bit) {
    std::string flipped = bytes;
    flipped[bit / 8] = static_cast<char>(flipped[bit / 8] ^ (1 << (bit % 8)));
    ASSERT_TRUE(refused(flipped)) << "bit " << bit;
  }
  EXPECT_TRUE(refused(bytes + "x"));
  // Other settings: another variable bound, another option.
  for (const auto& change : std::vector<std::function<void(TAggregationOptions&)>>{
           [](TAggregationOptions& o) { o.MaxGroups = 5; },
           [](TAggregationOptions& o) { o.Merge[2] = TMergeStrategy::Last; }}) {
    TAggregationOptions other = options;
    change(other);
    auto engine = Make(other, true, 700);
    std::string why;
    EXPECT_FALSE(engine->RestoreState(bytes, 1, why));
    EXPECT_EQ(why, "it belongs to other settings");
  }
  std::string why;
  EXPECT_TRUE(target->RestoreState(bytes, 1, why)) << why;
  EXPECT_EQ(target->Holding(), source->Holding());
}

} // namespace
