#include "data/thread_object_list.h"

TThreadObjectList::TThreadObjectList(bool ownsObjects)
    : TThreadObject(new TObjectList(ownsObjects)), FList(static_cast<TObjectList*>(Guarded())) {}

TThreadObjectList::~TThreadObjectList() {
  LockWrite();
  TObjectList* list = FList;
  FList = nullptr;
  delete list;
  UnlockWrite();
}

TObjectList* TThreadObjectList::LockList() {
  LockWrite();
  return FList;
}

TObjectList* TThreadObjectList::LockListRead() {
  LockRead();
  return FList;
}

void TThreadObjectList::Clear() {
  WriteLocked locked(*this);
  locked->Clear();
}

int32_t TThreadObjectList::Count() {
  ReadLocked locked(*this);
  return locked->Count();
}
