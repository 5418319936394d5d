#include "filter/seen_names.h"

#include "filter/aggregation_plugin.h"
#include "filter/pending_index.h"
#include "platform/codepage.h"

void TSeenNames::Relearn(Entry& seen, const TzetParamsListItem& item, const TObjectList& vars,
                         TzetItemRecycler& recycler, std::string_view keyLower) {
  seen.Name = item.Name;
  seen.Lowered.assign(item.Name.View());
  platform::AnsiLowerInPlace(seen.Lowered.data(), seen.Lowered.size());
  seen.Hash = PendingIndex::Hash(seen.Lowered);
  seen.LowerBlock = recycler.SharedLowerName(item.Name, seen.Lowered);
  seen.Var = -1;
  void* const* varItems = vars.List();
  for (int32_t k = 0; k < vars.Count() && seen.Var < 0; ++k) {
    auto* var = static_cast<TAggregationListItem*>(static_cast<TObject*>(varItems[k]));
    if (var->LowerName.View() == seen.Lowered)
      seen.Var = k;
  }
  seen.IsKey = !keyLower.empty() && seen.Lowered == keyLower;
  seen.Known = true;
}
