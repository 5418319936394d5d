// Persistent objects and components.
//
// TPersistent is the root of the classes with published properties: ClassType() answers the
// object's run-time class (rtl::MetaClass) with its property table. Every class that publishes
// properties declares
//     static const rtl::MetaClass& StaticClass();
//     const rtl::MetaClass& ClassType() const override { return StaticClass(); }
// and defines StaticClass() with rtl::Published (rtl/published_builder.h).
//
// TComponent adds ownership and names. An owner frees what it owns, the last inserted first; a
// component that is freed or re-owned first leaves its owner, which is told (Notification). Names
// are identifiers, unique among the components of one owner regardless of case. Components read
// from a form resource are all owned by its root; nesting in the resource gives the parent
// relation (SetParentComponent), which visual components use for containment.
#pragma once

#include "rtl/exceptions.h"
#include "rtl/object.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rtl {
class MetaClass;
namespace detail {
class FormLoader;
}

/// Assign found no way to copy between the two classes.
class EAssignError : public Exception {
public:
  using Exception::Exception;
};

/// A component name is invalid or taken, or an ownership change is impossible.
class EComponentError : public Exception {
public:
  using Exception::Exception;
};

/// True for a valid component name: a letter or '_' followed by letters, digits and '_'.
bool IsValidIdent(std::string_view name) noexcept;
} // namespace rtl

class TPersistent : public TObject {
public:
  static const rtl::MetaClass& StaticClass();
  virtual const rtl::MetaClass& ClassType() const { return StaticClass(); }
  const std::string& ClassName() const;

  /// Copies Source into this object. The base asks Source to AssignTo this object, which fails
  /// with "Cannot assign a <source class> to a <class>" unless a class knows how.
  virtual void Assign(const TPersistent* source);

protected:
  virtual void AssignTo(TPersistent* dest) const;
};

enum TOperation { opInsert, opRemove };

class TComponent : public TPersistent {
public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;

  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }

  TComponent* Owner() const noexcept { return owner_; }
  const std::string& Name() const noexcept { return name_; }
  /// Raises EComponentError for an invalid name or one that another component of the owner has.
  void SetName(std::string_view name);
  int32_t Tag() const noexcept { return tag_; }
  void SetTag(int32_t tag) noexcept { tag_ = tag; }

  int32_t ComponentCount() const noexcept { return static_cast<int32_t>(components_.size()); }
  /// The owned component at Index (insertion order); EComponentError when out of range.
  TComponent* Components(int32_t index) const;
  /// Position of this component in its owner's list, -1 without owner.
  int32_t ComponentIndex() const noexcept;
  /// The owned component named Name regardless of case, or null (also for an empty Name).
  TComponent* FindComponent(std::string_view name) const noexcept;

  /// Takes ownership of Component, removing it from its previous owner. Fails when its name is
  /// taken here or when Component is this component or one of its owners.
  void InsertComponent(TComponent* component);
  /// Gives up ownership of Component, which is then unowned and must be freed by the caller.
  void RemoveComponent(TComponent* component);
  /// Frees every owned component, the last inserted first.
  void DestroyComponents();

  /// Asks to be told (Notification with opRemove) when Component is freed, and tells Component
  /// the same about this one.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  /// True while a form resource is being read into this component.
  bool IsLoading() const noexcept { return loading_; }
  bool IsDestroying() const noexcept { return destroying_; }

  /// The component inside which a form resource nested this one; null for none.
  virtual TComponent* GetParentComponent() const { return nullptr; }
  /// Called by the form reader with the object the resource nests this one in.
  virtual void SetParentComponent(TComponent* parent) {}

protected:
  /// Called after a form resource was read into this component and its references were resolved.
  virtual void Loaded() {}
  /// Told when Component was inserted into or removed from this owner, or is freed while in a
  /// free-notification relation with this component. The base passes the news on to every owned
  /// component. While a component is being destroyed its own overrides are no longer called.
  virtual void Notification(TComponent* component, TOperation operation);

private:
  friend class rtl::detail::FormLoader;

  void Insert(TComponent* component);
  void Remove(TComponent* component);
  /// Sets (Enable) or clears the owner's field named like this component.
  void SetReference(bool enable);
  void ValidateName(std::string_view name) const;

  TComponent* owner_ = nullptr;
  std::string name_;
  int32_t tag_ = 0;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> freeNotifies_;
  bool loading_ = false;
  bool destroying_ = false;
};
