#include "filter/seen_names.h"

#include "filter/aggregation_variables.h"
#include "filter/pending_index.h"
#include "platform/codepage.h"

#include <utility>

int32_t TSeenNames::Intern(std::string_view lowered) {
  const auto [at, added] = ids_.try_emplace(std::string(lowered), IdCount());
  return at->second;
}

const TSeenNames::Entry& TSeenNames::LearnText(Entry* pair, const TzetParamsListItem& item,
                                               const TObjectList& vars,
                                               TzetItemRecycler& recycler) {
  // The entry learnt last has another text (Learn looked): the older one comes to the front,
  // to be checked or replaced, and the one learnt last stays.
  std::swap(pair[0], pair[1]);
  if (!(pair[0].Known && SameText(pair[0].Name.View(), item.Name.View())))
    Relearn(pair[0], item, vars, recycler);
  return pair[0];
}

void TSeenNames::Relearn(Entry& seen, const TzetParamsListItem& item, const TObjectList& vars,
                         TzetItemRecycler& recycler) {
  seen.Name = item.Name;
  seen.Lowered.assign(item.Name.View());
  platform::AnsiLowerInPlace(seen.Lowered.data(), seen.Lowered.size());
  seen.Hash = PendingIndex::Hash(seen.Lowered);
  seen.LowerBlock = recycler.SharedLowerName(item.Name, seen.Lowered);
  seen.Var = -1;
  for (int32_t k = 0; k < vars.Count() && seen.Var < 0; ++k)
    if (VariableAt(vars, k).LowerName.View() == seen.Lowered)
      seen.Var = k;
  seen.Id = Intern(seen.Lowered);
  seen.IsKey = !keyLower_.empty() && seen.Lowered == keyLower_;
  seen.IsTime = !timeLower_.empty() && seen.Lowered == timeLower_;
  seen.IsMarker = item.Name.View() == kRowMarker;
  seen.Known = true;
}
