// Scoped access to a lock-protected container: takes one of its lock operations on construction
// and the matching release when the scope ends, so that a failure between the two never leaves
// the lock taken.
#pragma once

/// Owner's Lock operation answers the inner object; Unlock releases it. View is what the scope
/// hands out (a const type for shared locks).
template <class Owner, class View, auto Lock, auto Unlock> class TLockedView {
public:
  explicit TLockedView(Owner& owner) : owner_(&owner), view_((owner.*Lock)()) {}
  ~TLockedView() { Release(); }
  TLockedView(const TLockedView&) = delete;
  TLockedView& operator=(const TLockedView&) = delete;

  /// Releases the lock before the scope ends; later calls do nothing.
  void Release() {
    if (Owner* owner = owner_) {
      owner_ = nullptr;
      (owner->*Unlock)();
    }
  }

  View& List() const noexcept { return *view_; }
  View* Get() const noexcept { return view_; }
  View* operator->() const noexcept { return view_; }

private:
  Owner* owner_;
  View* view_;
};
