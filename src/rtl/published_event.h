// An event property's value: the handler to call and the name under which a form resource (or
// the code) attached it. Components declare their events as members of this type, publish them
// with rtl::Published::Method and fire them with `if (OnChange) OnChange(this);`.
#pragma once

#include <functional>
#include <string>
#include <type_traits>
#include <utility>

namespace rtl {

template <class Signature> class Event;

template <class R, class... A> class Event<R(A...)> {
public:
  using Signature = R(A...);
  using Function = std::function<R(A...)>;

  Event() = default;
  /// An unnamed handler attached by code; form writers leave such events out.
  Event(Function fn) : fn_(std::move(fn)) {}
  /// Any callable with the event's signature, attached by code.
  template <class F, class = std::enable_if_t<!std::is_same_v<std::decay_t<F>, Event> &&
                                              !std::is_same_v<std::decay_t<F>, Function> &&
                                              std::is_constructible_v<Function, F>>>
  Event(F&& fn) : fn_(std::forward<F>(fn)) {}
  Event(std::string handlerName, Function fn) : name_(std::move(handlerName)), fn_(std::move(fn)) {}

  explicit operator bool() const noexcept { return static_cast<bool>(fn_); }
  /// Calls the handler; an event without one raises std::bad_function_call, so test it first.
  template <class... Args> R operator()(Args&&... args) const {
    return fn_(std::forward<Args>(args)...);
  }

  const std::string& HandlerName() const noexcept { return name_; }
  void Clear() noexcept {
    name_.clear();
    fn_ = nullptr;
  }

private:
  std::string name_;
  Function fn_;
};

} // namespace rtl
