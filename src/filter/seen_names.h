// What the aggregation engine learnt about the names of the input items, by their position in the
// packet. Packets of one device repeat their names at the same positions, so a name is lower-cased,
// hashed and matched against the configured variables once, not for every packet.
#pragma once

#include "data/item_recycler.h"
#include "data/params_list.h"
#include "data/thread_object_list.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TSeenNames {
public:
  struct Entry {
    /// The name's block as first learnt at this position (held).
    rtl::AnsiString Name;
    /// Its lower-cased form, its hash, and the same as the recycler's shared block, given to the
    /// pending rows' new items.
    std::string Lowered;
    std::size_t Hash = 0;
    rtl::AnsiString LowerBlock;
    /// The index of the configured variable it names, -1 for none.
    int32_t Var = -1;
    /// It names the group variable.
    bool IsKey = false;
    bool Known = false;
  };

  /// Forgets everything; the variables or the group variable are about to change.
  void Clear() { entries_.clear(); }
  /// Room for Count positions, made before a packet is walked: the entries Learn answers stay
  /// where they are during the packet.
  void Reserve(int32_t count) {
    if (entries_.size() < static_cast<std::size_t>(count))
      entries_.resize(static_cast<std::size_t>(count));
  }
  /// What is known about the name of Item at Position (below the reserved count). Vars are the
  /// configured variables (TAggregationListItem); KeyLower is the lower-cased group variable, or
  /// empty.
  const Entry& Learn(int32_t position, const TzetParamsListItem& item, const TObjectList& vars,
                     TzetItemRecycler& recycler, std::string_view keyLower = {}) {
    Entry& seen = entries_[static_cast<std::size_t>(position)];
    // A name block that is held cannot be freed, nor (being shared) written: the same block at
    // the same position has the same text as last time. A host that writes its names anew for
    // every packet, and interleaved devices, bring other blocks of the same text: the text
    // decides then.
    if (seen.Known && (seen.Name.BlockPointer() == item.Name.BlockPointer() ||
                       seen.Name.View() == item.Name.View()))
      return seen;
    Relearn(seen, item, vars, recycler, keyLower);
    return seen;
  }

private:
  static void Relearn(Entry& seen, const TzetParamsListItem& item, const TObjectList& vars,
                      TzetItemRecycler& recycler, std::string_view keyLower);

  std::vector<Entry> entries_;
};
