// The engine's pending state as a file, so that rows still pending when the host stops are taken
// up again at its next start. The file is little-endian binary:
//
//   "AGGPEND" 0        8 bytes, the file's kind
//   version            u32, 1
//   configuration      u64, the engine's ConfigurationId when saved
//   saved at           i64, the time of day in milliseconds
//   payload size       u64
//   checksum           u64, FNV-1a over the fields above it and the payload
//   payload            the mode, the clock of the packets' times, the plain mode's time since
//                      its last packet, and every open group from the longest idle on: its key,
//                      marks, tallies, times (as ages at the save) and pending items
//
// A reader takes a file only when every byte is accounted for and the state it describes holds
// (what CheckInvariants demands): it is read whole into a description first and applied only
// then, so that a refused file leaves the engine as it was.
#include "filter/aggregation_engine.h"

#include "filter/aggregation_variables.h"
#include "rtl/trim.h"
#include "rtl/variant.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <set>
#include <utility>

namespace {

constexpr char kMagic[8] = {'A', 'G', 'G', 'P', 'E', 'N', 'D', 0};
constexpr uint32_t kVersion = 1;
constexpr std::size_t kHeaderSize = 8 + 4 + 8 + 8 + 8 + 8;
constexpr uint64_t kNever = UINT64_MAX;

uint64_t Fnv1a(uint64_t hash, std::string_view bytes) {
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ull;
  }
  return hash;
}
constexpr uint64_t kFnvBasis = 0xcbf29ce484222325ull;

class TWriter {
public:
  void Bytes(const void* data, std::size_t size) {
    out_.append(static_cast<const char*>(data), size);
  }
  template <class T> void Number(T value) {
    unsigned char bytes[sizeof(T)];
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof(T));
    for (std::size_t i = 0; i < sizeof(T); ++i)
      bytes[i] = static_cast<unsigned char>(bits >> (8 * i));
    Bytes(bytes, sizeof(T));
  }
  void Text(std::string_view text) {
    Number(static_cast<uint32_t>(text.size()));
    Bytes(text.data(), text.size());
  }
  std::string& Out() { return out_; }

private:
  std::string out_;
};

class TReader {
public:
  explicit TReader(std::string_view in) : in_(in) {}
  template <class T> bool Number(T& value) {
    if (in_.size() < sizeof(T))
      return false;
    uint64_t bits = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
      bits |= static_cast<uint64_t>(static_cast<unsigned char>(in_[i])) << (8 * i);
    std::memcpy(&value, &bits, sizeof(T));
    in_.remove_prefix(sizeof(T));
    return true;
  }
  bool Text(std::string& text) {
    uint32_t size = 0;
    if (!Number(size) || in_.size() < size)
      return false;
    text.assign(in_.substr(0, size));
    in_.remove_prefix(size);
    return true;
  }
  bool AtEnd() const { return in_.empty(); }
  std::size_t Left() const { return in_.size(); }

private:
  std::string_view in_;
};

/// A pending value is stored as the record of a plain scalar (Empty and Null by their type
/// alone), or as its text: the data path keeps its values OLE-compatible, so a pending row holds
/// texts only as OLE strings.
bool HeldInTheRecord(uint16_t vt) {
  return rtl::IsPlainScalar(vt) && vt != platform::vtEmpty && vt != platform::vtNull;
}

void WriteValue(TWriter& out, const platform::VariantRec& value) {
  if (value.vt == platform::vtEmpty || value.vt == platform::vtNull) {
    out.Number(value.vt);
  } else if (HeldInTheRecord(value.vt)) {
    out.Number(value.vt);
    out.Number(value.ullVal);
  } else {
    const std::u16string text = rtl::Variant(value).ToWide();
    out.Number(static_cast<uint16_t>(platform::vtBstr));
    out.Number(static_cast<uint32_t>(text.size()));
    for (const char16_t c : text)
      out.Number(static_cast<uint16_t>(c));
  }
}

bool ReadValue(TReader& in, rtl::Variant& value) {
  uint16_t vt = 0;
  if (!in.Number(vt))
    return false;
  if (vt == platform::vtEmpty || vt == platform::vtNull) {
    value = vt == platform::vtNull ? rtl::Variant::Null() : rtl::Variant();
    return true;
  }
  if (HeldInTheRecord(vt)) {
    platform::VariantRec rec{};
    rec.vt = vt;
    if (!in.Number(rec.ullVal))
      return false;
    value = rtl::Variant(rec);
    return true;
  }
  uint32_t size = 0;
  if (vt != platform::vtBstr || !in.Number(size) || in.Left() / 2 < size)
    return false;
  std::u16string text(size, u'\0');
  for (char16_t& c : text) {
    uint16_t unit = 0;
    in.Number(unit);
    c = static_cast<char16_t>(unit);
  }
  value = rtl::Variant::Wide(text);
  return true;
}

/// One group as a file describes it; times are ages at the save.
struct TSavedGroup {
  std::string Key;
  uint32_t Marks = 0;
  uint32_t CutNoted = 0;
  std::array<TMergeTally, 8> Tallies{};
  uint64_t IdleAge = 0;
  uint64_t IdleAgeSystem = 0;
  bool Aging = false;
  uint64_t AgeAge = 0;
  std::vector<std::pair<rtl::AnsiString, rtl::Variant>> Items;
  std::vector<uint64_t> ValueAges;
};

/// The time Age before Now on a clock that stands at Now, not before 0.
uint64_t Before(uint64_t now, uint64_t age) {
  return age >= now ? 0 : now - age;
}

/// Age plus Extra, kept below kNever.
uint64_t Older(uint64_t age, uint64_t extra) {
  return age >= kNever - extra ? kNever - 1 : age + extra;
}

} // namespace

uint64_t TAggregationEngine::ConfigurationId() const {
  TWriter out;
  out.Number(static_cast<uint32_t>(vars_.Count()));
  for (int32_t k = 0; k < vars_.Count(); ++k)
    out.Text(VariableAt(vars_, k).LowerName.View());
  out.Number(timeoutMs_);
  out.Number(static_cast<uint8_t>(noReset_));
  out.Number(static_cast<uint8_t>(options_.Partial));
  out.Number(options_.AgeMs);
  out.Number(options_.LifetimeMs);
  out.Text(options_.GroupByLower);
  out.Number(options_.MaxGroups);
  for (const TMergeStrategy strategy : options_.Merge)
    out.Number(static_cast<uint8_t>(strategy));
  out.Number(static_cast<uint32_t>(options_.Separator.size()));
  for (const char16_t c : options_.Separator)
    out.Number(static_cast<uint16_t>(c));
  out.Text(options_.TimeVarLower);
  out.Number(options_.TimeJumpMs);
  return Fnv1a(kFnvBasis, out.Out());
}

std::string TAggregationEngine::SaveState(int64_t wallMs) {
  // The clocks as a packet would read them now.
  const uint64_t system = TimeoutNow(TimeoutTracker);
  const uint64_t engine =
      options_.TimeVarLower.empty() ? system : static_cast<uint64_t>(eventClock_);
  TWriter payload;
  payload.Number(static_cast<uint8_t>(grouped_));
  payload.Number(eventClock_);
  payload.Number(lastEventMs_);
  payload.Number(static_cast<uint8_t>(eventSeen_));
  payload.Number(IsTimeoutClear(TimeoutTracker) || TimeoutTracker.Start > system
                     ? kNever
                     : system - TimeoutTracker.Start);
  payload.Number(static_cast<uint32_t>(groups_.Count()));
  groups_.ForEach([&](int32_t, TAggregationGroup& group) {
    payload.Text(group.Key);
    payload.Number(group.Marks);
    payload.Number(group.CutNoted);
    for (const TMergeTally& tally : group.Tallies) {
      payload.Number(tally.Value);
      payload.Number(tally.Count);
    }
    payload.Number(engine - std::min(engine, group.LastInput));
    payload.Number(system - std::min(system, group.LastInputSystem));
    payload.Number(static_cast<uint8_t>(group.Aging));
    payload.Number(group.Aging ? engine - std::min(engine, group.AgeStart) : 0);
    payload.Number(static_cast<uint32_t>(group.Pending.Count()));
    for (int32_t i = 0; i < group.Pending.Count(); ++i) {
      const TzetParamsListItem* item = group.Pending.Item(i);
      payload.Text(item->Name.View());
      WriteValue(payload, item->Value);
      if (options_.LifetimeMs != 0)
        payload.Number(engine - std::min(engine, group.ValueTimes[static_cast<std::size_t>(i)]));
    }
  });

  TWriter file;
  file.Bytes(kMagic, sizeof kMagic);
  file.Number(kVersion);
  file.Number(ConfigurationId());
  file.Number(wallMs);
  file.Number(static_cast<uint64_t>(payload.Out().size()));
  const uint64_t checksum = Fnv1a(Fnv1a(kFnvBasis, file.Out()), payload.Out());
  file.Number(checksum);
  file.Out() += payload.Out();
  return std::move(file.Out());
}

bool TAggregationEngine::RestoreState(std::string_view bytes, int64_t wallMs, std::string& why) {
  // The header.
  if (bytes.size() < kHeaderSize || bytes.substr(0, sizeof kMagic) != std::string_view(kMagic, 8)) {
    why = "it is not a file of pending rows";
    return false;
  }
  TReader fields(bytes.substr(sizeof kMagic));
  uint32_t version = 0;
  uint64_t configuration = 0, size = 0, checksum = 0;
  int64_t savedAt = 0;
  fields.Number(version);
  fields.Number(configuration);
  fields.Number(savedAt);
  fields.Number(size);
  fields.Number(checksum);
  if (version != kVersion) {
    why = "it was written in another format (version " + std::to_string(version) + ")";
    return false;
  }
  const std::string_view payloadBytes = bytes.substr(kHeaderSize);
  if (size != payloadBytes.size() ||
      Fnv1a(Fnv1a(kFnvBasis, bytes.substr(0, kHeaderSize - 8)), payloadBytes) != checksum) {
    why = "it is cut short or damaged";
    return false;
  }
  if (configuration != ConfigurationId()) {
    why = "it belongs to other settings";
    return false;
  }

  // The payload, read whole before anything changes.
  TReader in(payloadBytes);
  uint8_t grouped = 0, eventSeen = 0;
  double eventClock = 0, lastEventMs = 0;
  uint64_t sinceLastCall = 0;
  uint32_t groupCount = 0;
  std::vector<TSavedGroup> groups;
  const auto bad = [&] {
    why = "what it describes does not hold";
    return false;
  };
  if (!in.Number(grouped) || !in.Number(eventClock) || !in.Number(lastEventMs) ||
      !in.Number(eventSeen) || !in.Number(sinceLastCall) || !in.Number(groupCount))
    return bad();
  if (grouped != (grouped_ ? 1 : 0) || eventSeen > 1 || !(eventClock >= 0) ||
      !(eventClock < 1e18) || !std::isfinite(lastEventMs) ||
      groupCount > (grouped_ ? options_.MaxGroups : 1u) || (!grouped_ && groupCount != 1))
    return bad();
  const uint32_t all = AllMarks(vars_);
  std::set<std::string> keys;
  uint64_t lastIdle = kNever, lastIdleSystem = kNever;
  for (uint32_t g = 0; g < groupCount; ++g) {
    TSavedGroup group;
    uint8_t aging = 0;
    uint32_t items = 0;
    if (!in.Text(group.Key) || !in.Number(group.Marks) || !in.Number(group.CutNoted))
      return bad();
    for (TMergeTally& tally : group.Tallies)
      if (!in.Number(tally.Value) || !in.Number(tally.Count) || !std::isfinite(tally.Value))
        return bad();
    if (!in.Number(group.IdleAge) || !in.Number(group.IdleAgeSystem) || !in.Number(aging) ||
        !in.Number(group.AgeAge) || !in.Number(items) || aging > 1)
      return bad();
    group.Aging = aging != 0;
    // Groups come from the longest idle on; keys are unique; the plain mode's has none.
    if (group.IdleAge > lastIdle || group.IdleAgeSystem > lastIdleSystem ||
        !keys.insert(group.Key).second || (!grouped_ && !group.Key.empty()) ||
        (group.Marks & ~all) != 0 || (group.CutNoted & ~all) != 0 || (!grouped_ && group.Aging) ||
        items > in.Left())
      return bad();
    lastIdle = group.IdleAge;
    lastIdleSystem = group.IdleAgeSystem;
    std::set<std::string> names;
    for (uint32_t i = 0; i < items; ++i) {
      std::string name;
      rtl::Variant value;
      uint64_t valueAge = 0;
      if (!in.Text(name) || !ReadValue(in, value) ||
          (options_.LifetimeMs != 0 && !in.Number(valueAge)))
        return bad();
      const rtl::AnsiString ansi(name);
      if (rtl::IsBlankText(name) || !names.insert(ansi.Lowered().Str()).second)
        return bad();
      group.Items.emplace_back(ansi, std::move(value));
      if (options_.LifetimeMs != 0)
        group.ValueAges.push_back(valueAge);
    }
    // A tally counts only while its variable is marked, and a marked variable's value is there.
    for (int32_t k = 0; k < vars_.Count(); ++k) {
      const bool marked = (group.Marks >> k) & 1u;
      if (!marked && group.Tallies[static_cast<std::size_t>(k)].Count != 0)
        return bad();
      if (marked && !names.count(VariableAt(vars_, k).LowerName.Str()))
        return bad();
    }
    groups.push_back(std::move(group));
  }
  if (!in.AtEnd())
    return bad();

  // Applied: the time between the save and now passed without a packet on the system clock; the
  // clock of the packets' times stands where it stood.
  Reset();
  const uint64_t downtime =
      wallMs > savedAt ? static_cast<uint64_t>(wallMs) - static_cast<uint64_t>(savedAt) : 0;
  const uint64_t system = TimeoutNow(TimeoutTracker);
  eventClock_ = eventClock;
  lastEventMs_ = lastEventMs;
  eventSeen_ = eventSeen != 0;
  const bool eventTime = !options_.TimeVarLower.empty();
  const uint64_t engine = eventTime ? static_cast<uint64_t>(eventClock_) : system;
  const auto engineTime = [&](uint64_t age) {
    return Before(engine, eventTime ? age : Older(age, downtime));
  };
  if (!grouped_) {
    ClearTimeout(TimeoutTracker);
    if (sinceLastCall != kNever) {
      RestartTimeout(TimeoutTracker);
      TimeoutTracker.Start =
          std::max<uint64_t>(1, Before(TimeoutTracker.Start, Older(sinceLastCall, downtime)));
    }
  }
  std::vector<std::pair<uint64_t, int32_t>> aging;
  for (TSavedGroup& saved : groups) {
    const int32_t slot = grouped_
                             ? groups_.Open(saved.Key, engineTime(saved.IdleAge),
                                            Before(system, Older(saved.IdleAgeSystem, downtime)))
                             : kSingleGroup;
    TAggregationGroup& group = groups_[slot];
    group.Marks = saved.Marks;
    group.CutNoted = saved.CutNoted;
    group.Tallies = saved.Tallies;
    for (std::size_t i = 0; i < saved.Items.size(); ++i) {
      auto& [name, value] = saved.Items[i];
      const std::string lowered = name.Lowered().Str();
      if (!recycler_.Add(group.Pending, name, lowered, std::move(value)))
        continue;
      const int32_t at = group.Pending.Count() - 1;
      if (grouped_)
        group.Index.Insert(group.Pending, at, PendingIndex::Hash(lowered));
      else
        slots_.Insert(seenNames_.Intern(lowered), at);
      if (options_.LifetimeMs != 0) {
        group.ValueTimes.push_back(engineTime(saved.ValueAges[i]));
        nextValueExpiry_ =
            std::min(nextValueExpiry_, group.ValueTimes.back() + options_.LifetimeMs);
      }
    }
    if (saved.Aging)
      aging.emplace_back(engineTime(saved.AgeAge), slot);
  }
  // The age order runs from the oldest first value.
  std::stable_sort(aging.begin(), aging.end());
  for (const auto& [start, slot] : aging)
    groups_.StartAge(slot, start);
  return true;
}
