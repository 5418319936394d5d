#include "rtl/component.h"

#include "rtl/published_builder.h"

#include <algorithm>

namespace rtl {

bool IsValidIdent(std::string_view name) noexcept {
  auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  if (name.empty() || !letter(name.front()))
    return false;
  return std::all_of(name.begin(), name.end(),
                     [&](char c) { return letter(c) || (c >= '0' && c <= '9'); });
}

} // namespace rtl

// --- TPersistent --------------------------------------------------------------------------------

const rtl::MetaClass& TPersistent::StaticClass() {
  static const rtl::MetaClass meta = rtl::Published<TPersistent>("TPersistent");
  return meta;
}

const std::string& TPersistent::ClassName() const {
  return ClassType().Name();
}

void TPersistent::Assign(const TPersistent* source) {
  if (!source)
    throw rtl::EAssignError("Cannot assign a nil to a " + ClassName());
  source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* dest) const {
  throw rtl::EAssignError("Cannot assign a " + ClassName() + " to a " +
                          (dest ? dest->ClassName() : std::string("nil")));
}

// --- TComponent ---------------------------------------------------------------------------------

const rtl::MetaClass& TComponent::StaticClass() {
  static const rtl::MetaClass meta = rtl::Published<TComponent, TPersistent>("TComponent")
                                         .LString("Name", &TComponent::Name, &TComponent::SetName)
                                         .NotStored()
                                         .Integer("Tag", &TComponent::Tag, &TComponent::SetTag)
                                         .Default(0);
  return meta;
}

TComponent::TComponent(TComponent* owner) {
  if (owner)
    owner->InsertComponent(this);
}

TComponent::~TComponent() {
  destroying_ = true;
  while (!freeNotifies_.empty()) {
    TComponent* other = freeNotifies_.back();
    freeNotifies_.pop_back();
    std::erase(other->freeNotifies_, this);
    other->Notification(this, opRemove);
  }
  DestroyComponents();
  if (owner_)
    owner_->RemoveComponent(this);
}

void TComponent::SetName(std::string_view name) {
  if (name == name_)
    return;
  ValidateName(name);
  SetReference(false);
  name_ = name;
  SetReference(true);
}

void TComponent::ValidateName(std::string_view name) const {
  if (name.empty())
    return;
  if (!rtl::IsValidIdent(name))
    throw rtl::EComponentError("'" + std::string(name) + "' is not a valid component name");
  if (owner_) {
    TComponent* other = owner_->FindComponent(name);
    if (other && other != this)
      throw rtl::EComponentError("A component named " + std::string(name) + " already exists");
  }
}

TComponent* TComponent::Components(int32_t index) const {
  if (index < 0 || index >= ComponentCount())
    throw rtl::EComponentError("List index out of bounds (" + std::to_string(index) + ")");
  return components_[static_cast<std::size_t>(index)];
}

int32_t TComponent::ComponentIndex() const noexcept {
  if (!owner_)
    return -1;
  auto it = std::find(owner_->components_.begin(), owner_->components_.end(), this);
  return static_cast<int32_t>(it - owner_->components_.begin());
}

TComponent* TComponent::FindComponent(std::string_view name) const noexcept {
  if (name.empty())
    return nullptr;
  for (TComponent* c : components_)
    if (rtl::SameName(c->name_, name))
      return c;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
  if (!component || component->owner_ == this)
    return;
  for (const TComponent* o = this; o; o = o->owner_)
    if (o == component)
      throw rtl::EComponentError("A component cannot own itself or one of its owners");
  if (destroying_)
    throw rtl::EComponentError("Cannot insert a component into one that is being destroyed");
  if (!component->name_.empty() && FindComponent(component->name_))
    throw rtl::EComponentError("A component named " + component->name_ + " already exists");
  if (component->owner_)
    component->owner_->RemoveComponent(component);
  Insert(component);
  component->SetReference(true);
  Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  if (!component || component->owner_ != this)
    return;
  Notification(component, opRemove);
  component->SetReference(false);
  Remove(component);
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* last = components_.back();
    RemoveComponent(last);
    delete last;
  }
}

void TComponent::FreeNotification(TComponent* component) {
  if (!component || component == this)
    return;
  if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end())
    freeNotifies_.push_back(component);
  auto& theirs = component->freeNotifies_;
  if (std::find(theirs.begin(), theirs.end(), this) == theirs.end())
    theirs.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (!component)
    return;
  std::erase(freeNotifies_, component);
  std::erase(component->freeNotifies_, this);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component)
    RemoveFreeNotification(component);
  // A handler may free components of this owner, so the index is checked on every step.
  for (std::size_t i = components_.size(); i-- > 0;)
    if (i < components_.size())
      components_[i]->Notification(component, operation);
}

void TComponent::Insert(TComponent* component) {
  components_.push_back(component);
  component->owner_ = this;
}

void TComponent::Remove(TComponent* component) {
  std::erase(components_, component);
  component->owner_ = nullptr;
}

void TComponent::SetReference(bool enable) {
  if (!owner_ || name_.empty())
    return;
  if (const rtl::FieldInfo* field = owner_->ClassType().FindField(name_))
    field->bind(*owner_, this, enable);
}
