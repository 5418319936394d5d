#include "data/thread_object_list.h"

TThreadObjectList::TThreadObjectList(bool ownsObjects)
    : TThreadObject(new TObjectList(ownsObjects)), list_(static_cast<TObjectList*>(Guarded())) {}

TThreadObjectList::~TThreadObjectList() {
  LockWrite();
  TObjectList* list = list_;
  list_ = nullptr;
  delete list;
  UnlockWrite();
}

TObjectList* TThreadObjectList::LockList() {
  LockWrite();
  return list_;
}

TObjectList* TThreadObjectList::LockListRead() {
  LockRead();
  return list_;
}

void TThreadObjectList::Clear() {
  WriteLocked locked(*this);
  locked->Clear();
}

int32_t TThreadObjectList::Count() {
  ReadLocked locked(*this);
  return locked->Count();
}
