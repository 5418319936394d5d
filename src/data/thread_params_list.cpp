#include "data/thread_params_list.h"

TzetThreadParamsList::TzetThreadParamsList()
    : TThreadObject(new TzetParamsList()), list_(static_cast<TzetParamsList*>(Guarded())) {}

TzetThreadParamsList::~TzetThreadParamsList() {
  delete list_;
}
