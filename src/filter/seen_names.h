// What the aggregation engine learnt about the names of the input items, by their position in the
// packet. Packets of one device repeat their names at the same positions, so a name is lower-cased,
// hashed and matched against the configured variables once, not for every packet. A device whose
// rows take several packets brings other names at the same positions in turn: each position keeps
// the last two names it saw. Every lowered text learnt gets a number of its own (its id), by which
// the engine finds the name in its pending row without hashing, and a name that comes twice in a
// packet; the user keeps the count of ids bounded (see IdCount).
#pragma once

#include "data/item_recycler.h"
#include "data/params_list.h"
#include "data/thread_object_list.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

class TSeenNames {
public:
  struct Entry {
    // What every packet reads comes first, within one cache line; the lowered text and its
    // hash, read only when a name is learnt or hashed, come after.
    /// The name's block as first learnt at this position (held).
    rtl::AnsiString Name;
    /// The recycler's shared block of the lowered text, given to the pending rows' new items.
    rtl::AnsiString LowerBlock;
    /// The index of the configured variable it names, -1 for none.
    int32_t Var = -1;
    /// The id of the lowered text.
    int32_t Id = -1;
    bool Known = false;
    /// It is the row marker.
    bool IsMarker = false;
    /// It names the group variable.
    bool IsKey = false;
    /// It names the time variable.
    bool IsTime = false;
    /// The name's lower-cased form and its hash.
    std::string Lowered;
    std::size_t Hash = 0;
  };

  /// Forgets everything, ids included; the variables are about to change, or the ids are to be
  /// numbered anew.
  void Clear() {
    entries_.clear();
    ids_.clear();
  }
  /// Clear, and names KeyLower the group variable and TimeLower the time variable from now on
  /// (both lower-cased; empty for none).
  void Clear(std::string keyLower, std::string timeLower) {
    Clear();
    keyLower_ = std::move(keyLower);
    timeLower_ = std::move(timeLower);
  }
  /// Room for Count positions, made before a packet is walked: the entries Learn answers stay
  /// where they are during the packet.
  void Reserve(int32_t count) {
    const std::size_t slots = 2 * static_cast<std::size_t>(count);
    if (entries_.size() < slots)
      entries_.resize(slots);
  }
  /// The id of Lowered, a lower-cased name: the one it was given, or the next free one. Ids are
  /// numbered from 0 up without gaps until Clear.
  int32_t Intern(std::string_view lowered);
  /// How many ids have been given since Clear. Names that a host makes up without end make it
  /// grow: its owner clears when it exceeds what the owner wants to keep.
  int32_t IdCount() const { return static_cast<int32_t>(ids_.size()); }
  /// The id Lowered was given, or -1; gives none.
  int32_t Find(std::string_view lowered) const {
    const auto at = ids_.find(std::string(lowered));
    return at == ids_.end() ? -1 : at->second;
  }
  /// What is known about the name of Item at Position (below the reserved count). Vars are the
  /// configured variables (TAggregationListItem).
  const Entry& Learn(int32_t position, const TzetParamsListItem& item, const TObjectList& vars,
                     TzetItemRecycler& recycler) {
    Entry* const pair = &entries_[2 * static_cast<std::size_t>(position)];
    // A name block that is held cannot be freed, nor (being shared) written: the same block at
    // the same position has the same text as last time.
    const char* const block = item.Name.BlockPointer();
    if (pair[0].Name.BlockPointer() == block && pair[0].Known)
      return pair[0];
    if (pair[1].Name.BlockPointer() == block && pair[1].Known)
      return pair[1];
    // A host that brings every packet's names in blocks of their own: the text learnt last.
    if (pair[0].Known && SameText(pair[0].Name.View(), item.Name.View()))
      return pair[0];
    return LearnText(pair, item, vars, recycler);
  }

private:
  /// Text equality of two names. Names are short, and a few bytes compared here cost less than
  /// the call to memcmp, which every name of such a host's every packet would make.
  static bool SameText(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size())
      return false;
    if (a.size() > 16)
      return a == b;
    for (std::size_t i = 0; i < a.size(); ++i)
      if (a[i] != b[i])
        return false;
    return true;
  }
  /// Learn for a block that neither entry of the position holds, whose text is not the one
  /// learnt last. Interleaved devices bring other blocks of the same text: the text decides
  /// then. A new name replaces the entry learnt earlier.
  const Entry& LearnText(Entry* pair, const TzetParamsListItem& item, const TObjectList& vars,
                         TzetItemRecycler& recycler);
  void Relearn(Entry& seen, const TzetParamsListItem& item, const TObjectList& vars,
               TzetItemRecycler& recycler);

  /// Two entries per position: [2P] the one learnt last, [2P + 1] the one before.
  std::vector<Entry> entries_;
  std::unordered_map<std::string, int32_t> ids_;
  std::string keyLower_;
  std::string timeLower_;
};
