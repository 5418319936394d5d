#include "rtl/rw_lock.h"

#include <algorithm>

namespace rtl {

ReentrantRwLock::ReaderRecord* ReentrantRwLock::FindRecord(std::thread::id thread) {
  for (ReaderRecord& record : readers_) {
    if (record.Thread == thread) {
      return &record;
    }
  }
  return nullptr;
}

void ReentrantRwLock::DropRecordIfIdle(std::thread::id thread) {
  std::erase_if(readers_, [thread](const ReaderRecord& record) {
    return record.Thread == thread && record.Reads == 0 && !record.Upgrading;
  });
}

// A shared hold blocks a writer only while its thread may be reading: a thread that waits in
// BeginWrite is not, so its suspended hold does not count.
bool ReentrantRwLock::OtherActiveReaders(std::thread::id self) const {
  return std::any_of(readers_.begin(), readers_.end(), [self](const ReaderRecord& record) {
    return record.Thread != self && record.Reads > 0 && !record.Upgrading;
  });
}

bool ReentrantRwLock::CanGrantWrite(std::thread::id self) const {
  return writer_ == std::thread::id() && !writeQueue_.empty() && writeQueue_.front() == self &&
         !OtherActiveReaders(self);
}

void ReentrantRwLock::BeginRead() {
  const std::thread::id self = std::this_thread::get_id();
  std::unique_lock<std::mutex> lock(mutex_);
  if (ReaderRecord* record = FindRecord(self)) {
    // Re-entry never waits: a writer in line may be waiting for exactly this hold.
    ++record->Reads;
    return;
  }
  if (writer_ != self) {
    // A new reader lets the current and the waiting writers go first.
    Wait(lock, [this] { return writer_ == std::thread::id() && writeQueue_.empty(); });
  }
  readers_.push_back(ReaderRecord{self, 1, false});
}

void ReentrantRwLock::EndRead() {
  const std::thread::id self = std::this_thread::get_id();
  std::lock_guard<std::mutex> lock(mutex_);
  ReaderRecord* record = FindRecord(self);
  if (record == nullptr || record->Reads == 0) {
    return;
  }
  if (--record->Reads == 0) {
    DropRecordIfIdle(self);
    Notify();
  }
}

bool ReentrantRwLock::BeginWrite() {
  const std::thread::id self = std::this_thread::get_id();
  std::unique_lock<std::mutex> lock(mutex_);
  if (writer_ == self) {
    ++writeCount_;
    return true;
  }
  writeQueue_.push_back(self);
  ReaderRecord* record = FindRecord(self);
  if (record != nullptr) {
    // Suspend our own shared hold while waiting, so that another upgrader in front of us can get
    // the lock; the front of the queue may now be free to go.
    record->Upgrading = true;
    Notify();
  }
  const std::uint64_t grantsBefore = writeGrants_;
  Wait(lock, [this, self] { return CanGrantWrite(self); });
  writeQueue_.erase(writeQueue_.begin());
  if (ReaderRecord* own = FindRecord(self)) {
    own->Upgrading = false;
  }
  writer_ = self;
  writeCount_ = 1;
  ++writeGrants_;
  return writeGrants_ == grantsBefore + 1;
}

void ReentrantRwLock::EndWrite() {
  const std::thread::id self = std::this_thread::get_id();
  std::lock_guard<std::mutex> lock(mutex_);
  if (writer_ != self || writeCount_ == 0) {
    return;
  }
  if (--writeCount_ == 0) {
    writer_ = std::thread::id();
    Notify();
  }
}

} // namespace rtl
