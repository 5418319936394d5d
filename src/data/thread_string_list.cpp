#include "data/thread_string_list.h"

TThreadStringList::TThreadStringList()
    : FList(std::make_unique<TStringList>()), FLock(std::make_unique<rtl::ReentrantRwLock>()) {
  FList->Duplicates = dupIgnore;
}

TThreadStringList::~TThreadStringList() {
  FLock->BeginWrite();
  FList.reset();
  FLock->EndWrite();
}

TStringList* TThreadStringList::LockList() {
  FLock->BeginWrite();
  return FList.get();
}

void TThreadStringList::UnlockList() {
  FLock->EndWrite();
}

TStringList* TThreadStringList::LockListRead() {
  FLock->BeginRead();
  return FList.get();
}

void TThreadStringList::UnlockListRead() {
  FLock->EndRead();
}

int32_t TThreadStringList::Count() {
  ReadLocked locked(*this);
  return locked->Count();
}

void TThreadStringList::SetText(std::string_view text) {
  WriteLocked locked(*this);
  locked->SetText(text);
}

std::string TThreadStringList::Text() {
  ReadLocked locked(*this);
  return locked->Text();
}

void TThreadStringList::Add(std::string_view line) {
  WriteLocked locked(*this);
  locked->Add(line);
}

void TThreadStringList::Clear() {
  WriteLocked locked(*this);
  locked->Clear();
}
