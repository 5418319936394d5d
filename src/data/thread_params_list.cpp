#include "data/thread_params_list.h"

TzetThreadParamsList::TzetThreadParamsList()
    : TThreadObject(new TzetParamsList()), FList(static_cast<TzetParamsList*>(Guarded())) {}

TzetThreadParamsList::~TzetThreadParamsList() {
  delete FList;
}
