#include "rtl/published.h"

#include "rtl/component.h"
#include "rtl/published_builder.h"
#include "rtl/trim.h"

#include <limits>

namespace rtl {

bool SameName(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z')
      x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z')
      y = static_cast<unsigned char>(y + 32);
    if (x != y)
      return false;
  }
  return true;
}

// --- enumerations and sets ----------------------------------------------------------------------

EnumType::EnumType(std::string name, std::vector<std::string> identifiers)
    : name_(std::move(name)), identifiers_(std::move(identifiers)) {}

const std::string& EnumType::Identifier(int64_t ordinal) const {
  if (ordinal < 0 || ordinal >= Count())
    throw EPropertyError("Ordinal " + std::to_string(ordinal) + " is outside " + name_);
  return identifiers_[static_cast<std::size_t>(ordinal)];
}

int32_t EnumType::Find(std::string_view text) const noexcept {
  for (std::size_t i = 0; i < identifiers_.size(); ++i)
    if (SameName(identifiers_[i], text))
      return static_cast<int32_t>(i);
  return -1;
}

std::string EnumType::SetToText(uint32_t value, bool brackets) const {
  std::string out;
  for (int32_t i = 0; i < Count() && i < 32; ++i) {
    if (!(value & (1u << i)))
      continue;
    if (!out.empty())
      out += ',';
    out += identifiers_[static_cast<std::size_t>(i)];
  }
  return brackets ? "[" + out + "]" : out;
}

uint32_t EnumType::TextToSet(std::string_view text) const {
  text = Trim(text);
  if (!text.empty() && text.front() == '[') {
    if (text.back() != ']')
      throw EPropertyError("Invalid property element: " + std::string(text));
    text = text.substr(1, text.size() - 2);
  }
  uint32_t bits = 0;
  while (!Trim(text).empty()) {
    std::size_t comma = text.find(',');
    std::string_view element = Trim(text.substr(0, comma));
    int32_t ordinal = Find(element);
    if (ordinal < 0 || ordinal >= 32)
      throw EPropertyError("Invalid property element: " + std::string(element));
    bits |= 1u << ordinal;
    if (comma == std::string_view::npos)
      break;
    text.remove_prefix(comma + 1);
    if (Trim(text).empty())
      throw EPropertyError("Invalid property element: ");
  }
  return bits;
}

const EnumType& BooleanType() {
  static const EnumType type("Boolean", {"False", "True"});
  return type;
}

// --- class tables -------------------------------------------------------------------------------

MetaClass::MetaClass(std::string name, const MetaClass* parent)
    : name_(std::move(name)), parent_(parent) {}
MetaClass::MetaClass(MetaClass&&) noexcept = default;
MetaClass::~MetaClass() = default;

bool MetaClass::InheritsFrom(const MetaClass& ancestor) const noexcept {
  for (const MetaClass* c = this; c; c = c->parent_)
    if (c == &ancestor)
      return true;
  return false;
}

bool MetaClass::InheritsFrom(std::string_view className) const noexcept {
  for (const MetaClass* c = this; c; c = c->parent_)
    if (SameName(c->name_, className))
      return true;
  return false;
}

PPropInfo MetaClass::FindProperty(std::string_view name) const noexcept {
  for (const MetaClass* c = this; c; c = c->parent_)
    for (const auto& p : c->properties_)
      if (SameName(p->Name(), name))
        return p.get();
  return nullptr;
}

std::vector<PPropInfo> MetaClass::Properties() const {
  std::vector<const MetaClass*> chain;
  for (const MetaClass* c = this; c; c = c->parent_)
    chain.insert(chain.begin(), c);
  std::vector<PPropInfo> out;
  for (const MetaClass* c : chain) {
    for (const auto& p : c->properties_) {
      bool replaced = false;
      for (PPropInfo& existing : out)
        if (SameName(existing->Name(), p->Name())) {
          existing = p.get();
          replaced = true;
        }
      if (!replaced)
        out.push_back(p.get());
    }
  }
  return out;
}

const HandlerInfo* MetaClass::FindHandler(std::string_view name) const noexcept {
  for (const MetaClass* c = this; c; c = c->parent_)
    for (const HandlerInfo& h : c->handlers_)
      if (SameName(h.name, name))
        return &h;
  return nullptr;
}

const FieldInfo* MetaClass::FindField(std::string_view name) const noexcept {
  for (const MetaClass* c = this; c; c = c->parent_)
    for (const FieldInfo& f : c->fields_)
      if (SameName(f.name, name))
        return &f;
  return nullptr;
}

const CustomProperty* MetaClass::FindCustomProperty(std::string_view name) const noexcept {
  for (const MetaClass* c = this; c; c = c->parent_)
    for (const CustomProperty& p : c->customs_)
      if (SameName(p.name, name))
        return &p;
  return nullptr;
}

std::vector<const CustomProperty*> MetaClass::CustomProperties() const {
  std::vector<const CustomProperty*> out;
  for (const MetaClass* c = this; c; c = c->parent_)
    for (auto it = c->customs_.rbegin(); it != c->customs_.rend(); ++it)
      out.insert(out.begin(), &*it);
  return out;
}

TComponent* MetaClass::Create(TComponent* owner) const {
  if (!factory_)
    throw EPropertyError("Class " + name_ + " cannot be created");
  TComponent* obj = factory_(owner);
  if (&obj->ClassType() != this) {
    // A class that does not override ClassType() would silently lose its own properties.
    delete obj;
    throw EPropertyError("Class " + name_ + " does not report its own class table");
  }
  return obj;
}

} // namespace rtl

// --- property access ----------------------------------------------------------------------------

namespace {
bool IsTextVariant(const rtl::Variant& v) {
  return v.Type() == platform::vtBstr || v.Type() == platform::vtAnsiString;
}

TObject& TopOwner(TObject& obj) {
  auto* c = dynamic_cast<TComponent*>(&obj);
  if (!c)
    return obj;
  while (c->Owner())
    c = c->Owner();
  return *c;
}
} // namespace

void TPropInfo::Fail(const char* what) const {
  throw rtl::EPropertyError("Property " + name_ + " " + what);
}

bool TPropInfo::IsWritable() const noexcept {
  switch (kind_) {
  case tkInteger:
  case tkChar:
  case tkWChar:
  case tkEnumeration:
  case tkSet:
  case tkInt64:
    return static_cast<bool>(access_.setOrdinal);
  case tkFloat:
    return static_cast<bool>(access_.setFloat);
  case tkString:
  case tkLString:
    return static_cast<bool>(access_.setText);
  case tkWString:
    return static_cast<bool>(access_.setWide);
  case tkVariant:
    return static_cast<bool>(access_.setVariant);
  case tkClass:
    return static_cast<bool>(access_.setObject);
  case tkMethod:
    return static_cast<bool>(access_.setHandler);
  default:
    return false;
  }
}

void TPropInfo::RequireWritable() const {
  if (!IsWritable())
    Fail("is read-only");
}

rtl::Variant TPropInfo::GetValue(const TObject& obj) const {
  using rtl::Variant;
  switch (kind_) {
  case tkInteger:
  case tkChar:
  case tkWChar:
    return Variant::Int32(static_cast<int32_t>(GetOrdinal(obj)));
  case tkInt64:
    return Variant::Int64(GetOrdinal(obj));
  case tkEnumeration:
    return Variant::Ansi(enum_->Identifier(GetOrdinal(obj)));
  case tkSet:
    return Variant::Ansi(enum_->SetToText(static_cast<uint32_t>(GetOrdinal(obj))));
  case tkFloat:
    return single_ ? Variant::Single(static_cast<float>(GetFloat(obj)))
                   : Variant::Double(GetFloat(obj));
  case tkString:
  case tkLString:
    return Variant::Ansi(GetText(obj));
  case tkWString:
    return Variant::Wide(GetWideText(obj));
  case tkVariant:
    return access_.getVariant(obj);
  case tkMethod:
    return Variant::Ansi(GetHandlerName(obj));
  case tkClass:
    Fail("holds an object reference");
  default:
    Fail("has no value");
  }
}

void TPropInfo::SetValue(TObject& obj, const rtl::Variant& value) const {
  RequireWritable();
  switch (kind_) {
  case tkInteger:
  case tkChar:
  case tkWChar:
  case tkInt64:
    SetOrdinal(obj, value.ToInt64());
    return;
  case tkEnumeration:
    if (IsTextVariant(value)) {
      std::string text = value.ToText();
      int32_t ordinal = enum_->Find(text);
      if (ordinal < 0)
        throw rtl::EPropertyError("Invalid property element: " + text);
      SetOrdinal(obj, ordinal);
    } else if (value.Type() == platform::vtBool) {
      SetOrdinal(obj, value.Rec().boolVal ? 1 : 0);
    } else {
      SetOrdinal(obj, value.ToInt64());
    }
    return;
  case tkSet:
    SetOrdinal(obj, IsTextVariant(value) ? enum_->TextToSet(value.ToText()) : value.ToInt64());
    return;
  case tkFloat:
    SetFloat(obj, value.ToDouble());
    return;
  case tkString:
  case tkLString:
    SetText(obj, value.ToText());
    return;
  case tkWString:
    SetWideText(obj, value.ToWide());
    return;
  case tkVariant:
    access_.setVariant(obj, value);
    return;
  case tkMethod:
    SetHandler(obj, value.ToText(), TopOwner(obj));
    return;
  case tkClass:
    Fail("holds an object reference");
  default:
    Fail("has no value");
  }
}

int64_t TPropInfo::GetOrdinal(const TObject& obj) const {
  if (!access_.getOrdinal)
    Fail("is not of an ordinal kind");
  return access_.getOrdinal(obj);
}

void TPropInfo::SetOrdinal(TObject& obj, int64_t value) const {
  if (!access_.getOrdinal)
    Fail("is not of an ordinal kind");
  RequireWritable();
  bool valid = true;
  switch (kind_) {
  case tkInteger:
    valid = value >= std::numeric_limits<int32_t>::min() &&
            value <= std::numeric_limits<int32_t>::max();
    break;
  case tkChar:
    valid = value >= 0 && value <= 0xFF;
    break;
  case tkWChar:
    valid = value >= 0 && value <= 0xFFFF;
    break;
  case tkEnumeration:
    valid = value >= 0 && value < enum_->Count();
    break;
  case tkSet: {
    int32_t n = enum_->Count() < 32 ? enum_->Count() : 32;
    uint64_t mask = (uint64_t{1} << n) - 1;
    valid = value >= 0 && (static_cast<uint64_t>(value) & ~mask) == 0;
    break;
  }
  default:
    break;
  }
  if (!valid)
    throw rtl::EPropertyError("Invalid value " + std::to_string(value) + " for property " + name_);
  access_.setOrdinal(obj, value);
}

double TPropInfo::GetFloat(const TObject& obj) const {
  if (!access_.getFloat)
    Fail("is not a floating-point property");
  return access_.getFloat(obj);
}

void TPropInfo::SetFloat(TObject& obj, double value) const {
  if (!access_.getFloat)
    Fail("is not a floating-point property");
  RequireWritable();
  access_.setFloat(obj, value);
}

std::string TPropInfo::GetText(const TObject& obj) const {
  if (!access_.getText)
    Fail("is not an 8-bit text property");
  return access_.getText(obj);
}

void TPropInfo::SetText(TObject& obj, std::string_view value) const {
  if (!access_.getText)
    Fail("is not an 8-bit text property");
  RequireWritable();
  access_.setText(obj, std::string(value));
}

std::u16string TPropInfo::GetWideText(const TObject& obj) const {
  if (!access_.getWide)
    Fail("is not a wide text property");
  return access_.getWide(obj);
}

void TPropInfo::SetWideText(TObject& obj, std::u16string_view value) const {
  if (!access_.getWide)
    Fail("is not a wide text property");
  RequireWritable();
  access_.setWide(obj, std::u16string(value));
}

TObject* TPropInfo::GetObject(const TObject& obj) const {
  if (!access_.getObject)
    Fail("is not an object property");
  return access_.getObject(obj);
}

void TPropInfo::SetObject(TObject& obj, TObject* value) const {
  if (!access_.getObject)
    Fail("is not an object property");
  RequireWritable();
  access_.setObject(obj, value);
}

std::string TPropInfo::GetHandlerName(const TObject& obj) const {
  if (!access_.getHandler)
    Fail("is not an event");
  return access_.getHandler(obj);
}

void TPropInfo::SetHandler(TObject& obj, std::string_view name, TObject& root) const {
  if (!access_.setHandler)
    Fail("is not an event");
  if (name.empty()) {
    access_.setHandler(obj, std::string(), std::any());
    return;
  }
  auto* persistent = dynamic_cast<TPersistent*>(&root);
  const rtl::HandlerInfo* handler =
      persistent ? persistent->ClassType().FindHandler(name) : nullptr;
  if (!handler)
    throw rtl::EPropertyError("Method " + std::string(name) + " not found" +
                              (persistent ? " in " + persistent->ClassName() : std::string()));
  if (handler->signature != access_.signature)
    throw rtl::EPropertyError("Method " + handler->name + " does not match the type of event " +
                              name_);
  access_.setHandler(obj, handler->name, handler->bind(root));
}

void rtl::detail::ThrowForeignObject(const TObject& obj) {
  auto* persistent = dynamic_cast<const TPersistent*>(&obj);
  throw EPropertyError("Property used with an object of class " +
                       (persistent ? persistent->ClassName() : std::string("TObject")) +
                       ", which does not publish it");
}
