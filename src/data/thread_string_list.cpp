#include "data/thread_string_list.h"

TThreadStringList::TThreadStringList()
    : list_(std::make_unique<TStringList>()), lock_(std::make_unique<rtl::ReentrantRwLock>()) {
  list_->Duplicates = dupIgnore;
}

TThreadStringList::~TThreadStringList() {
  lock_->BeginWrite();
  list_.reset();
  lock_->EndWrite();
}

TStringList* TThreadStringList::LockList() {
  lock_->BeginWrite();
  return list_.get();
}

void TThreadStringList::UnlockList() {
  lock_->EndWrite();
}

TStringList* TThreadStringList::LockListRead() {
  lock_->BeginRead();
  return list_.get();
}

void TThreadStringList::UnlockListRead() {
  lock_->EndRead();
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
