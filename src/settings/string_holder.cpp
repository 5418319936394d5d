#include "settings/string_holder.h"

#include "rtl/form_resource.h"
#include "rtl/published_builder.h"
#include "rtl/published_registry.h"

#include <algorithm>

namespace {

const rtl::EnumType& DuplicatesType() {
  static const rtl::EnumType type("TDuplicates", {"dupIgnore", "dupAccept", "dupError"});
  return type;
}

} // namespace

TzetStrHolder::TzetStrHolder(TComponent* owner) : TComponent(owner), strings_(new TStringList) {}

TzetStrHolder::~TzetStrHolder() {
  delete strings_;
}

const rtl::MetaClass& TzetStrHolder::StaticClass() {
  using T = TzetStrHolder;
  static const rtl::MetaClass meta =
      rtl::Published<T, TComponent>("TzetStrHolder")
          .Integer("Capacity", &T::Capacity, &T::SetCapacity)
          .Default(0)
          .Enumeration("Duplicates", DuplicatesType(), &T::Duplicates, &T::SetDuplicates)
          .Default(dupIgnore)
          .LString("KeyString", &T::KeyString, &T::SetKeyString)
          .NotStored()
          .Boolean("Sorted", &T::Sorted, &T::SetSorted)
          .Default(false)
          .Object("Strings", &T::Strings, &T::SetStrings)
          .NotStored()
          .Method("OnChange", &T::OnChange)
          .Method("OnChanging", &T::OnChanging)
          // The version comes first so that it is known when the lines are decoded.
          .Custom("InternalVer", &T::ReadInternalVer, &T::WriteInternalVer)
          .Custom("StrData", &T::ReadStrData, &T::WriteStrData);
  return meta;
}

void TzetStrHolder::SetCapacity(int32_t capacity) {
  if (capacity < 0)
    throw EStringListError("List capacity out of bounds (" + std::to_string(capacity) + ")");
  capacity_ = capacity;
}

void TzetStrHolder::SetStrings(const TStringList* value) {
  if (!value || value == strings_)
    return;
  Assign(*value);
}

void TzetStrHolder::Assign(const TPersistent* source) {
  if (auto* holder = dynamic_cast<const TzetStrHolder*>(source)) {
    if (holder != this)
      Assign(*holder->strings_);
    return;
  }
  TComponent::Assign(source);
}

void TzetStrHolder::Assign(const TStringList& source) {
  if (&source == strings_)
    return;
  Changing();
  strings_->Assign(source);
  Changed();
}

void TzetStrHolder::AssignTo(TStringList& dest) const {
  if (&dest != strings_)
    dest.Assign(*strings_);
}

void TzetStrHolder::Changing() {
  if (OnChanging && !IsLoading())
    OnChanging(this);
}

void TzetStrHolder::Changed() {
  if (OnChange && !IsLoading())
    OnChange(this);
}

void TzetStrHolder::Loaded() {
  TComponent::Loaded();
  // A later resource without InternalVer holds version 0 lines again.
  readVersion_ = 0;
}

void TzetStrHolder::ReadInternalVer(const rtl::FormValue& value) {
  if (value.kind != rtl::FormValue::Kind::Integer)
    throw rtl::EFormError("InternalVer needs an integer", value.line);
  // Every version from 2 up decodes alike, and so does every version from 0 down.
  readVersion_ = static_cast<int32_t>(std::clamp<int64_t>(value.integer, 0, kStrDataVersion));
}

bool TzetStrHolder::WriteInternalVer(rtl::FormValue& value) const {
  // Form resources here have no ancestors, so the version is always written.
  value = rtl::FormValue::OfInteger(kStrDataVersion);
  return true;
}

void TzetStrHolder::ReadStrData(const rtl::FormValue& value) {
  if (value.kind != rtl::FormValue::Kind::List && value.kind != rtl::FormValue::Kind::String)
    throw rtl::EFormError("StrData needs a list of strings", value.line);
  std::vector<std::string> items = value.AnsiItems();
  Changing();
  strings_->Clear();
  keyString_ = items.empty() ? std::string() : items.front();
  for (std::size_t i = 1; i < items.size(); ++i)
    strings_->Add(DecodeLine(items[i], keyString_, readVersion_));
  Changed();
}

bool TzetStrHolder::WriteStrData(rtl::FormValue& value) const {
  if (strings_->Count() == 0 && keyString_.empty())
    return false;
  std::vector<std::string> items;
  items.reserve(static_cast<std::size_t>(strings_->Count()) + 1);
  items.push_back(keyString_);
  for (int32_t i = 0; i < strings_->Count(); ++i)
    items.push_back(EncodeLine((*strings_)[i], keyString_));
  value = rtl::FormValue::OfAnsiList(items);
  return true;
}

void RegisterStringHolderClass() {
  rtl::RegisterClass<TzetStrHolder>();
}
