// Applying a parsed form resource to a root component through the published properties.
#include "rtl/form_resource.h"

#include "platform/codepage.h"
#include "rtl/component.h"
#include "rtl/published_access.h"
#include "rtl/published_registry.h"

#include <algorithm>
#include <limits>

namespace rtl {
namespace detail {

class FormLoader {
public:
  explicit FormLoader(TComponent& root) : root_(root) {}
  FormLoader(const FormLoader&) = delete;
  FormLoader& operator=(const FormLoader&) = delete;
  ~FormLoader() {
    for (TComponent* c : AliveReadComponents())
      c->loading_ = false;
    root_.loading_ = false;
  }

  void Load(const FormObject& form) {
    if (!root_.ClassType().InheritsFrom(form.className))
      throw EFormError("Form class " + form.className + " does not match " + root_.ClassName(),
                       form.line);
    root_.loading_ = true;
    SetRootName(form.name, form.line);
    ApplyProperties(root_, form);
    for (const FormObject& child : form.children)
      ReadChild(child, root_);
    ResolveReferences();

    std::vector<TComponent*> loaded = AliveReadComponents();
    for (TComponent* c : loaded)
      c->loading_ = false;
    root_.loading_ = false;
    for (TComponent* c : loaded)
      c->Loaded();
    root_.Loaded();
  }

private:
  struct Reference {
    TObject* object;
    PPropInfo prop;
    std::string path;
    std::string context;
    int line;
  };

  // The components read so far that the root still owns, in reading order. Only pointers found
  // among the root's current components are used, so a component freed meanwhile is never touched.
  std::vector<TComponent*> AliveReadComponents() const {
    std::vector<TComponent*> alive;
    for (TComponent* c : read_)
      for (int32_t i = 0; i < root_.ComponentCount(); ++i)
        if (root_.Components(i) == c) {
          alive.push_back(c);
          break;
        }
    return alive;
  }

  template <class F> static void AtLine(const std::string& context, int line, F&& step) {
    try {
      step();
    } catch (const EFormError&) {
      throw;
    } catch (const Exception& e) {
      throw EFormError("Error reading " + context + ": " + e.what(), line);
    }
  }

  void SetRootName(const std::string& name, int line) {
    if (name.empty() || name == root_.Name())
      return;
    try {
      root_.SetName(name);
      return;
    } catch (const EComponentError& e) {
      // A second module read from the same resource under the same owner gets a numbered name.
      TComponent* owner = root_.Owner();
      if (owner && IsValidIdent(name))
        for (int n = 1; n <= 1000; ++n) {
          std::string candidate = name + "_" + std::to_string(n);
          TComponent* other = owner->FindComponent(candidate);
          if (!other || other == &root_) {
            root_.SetName(candidate);
            return;
          }
        }
      throw EFormError(e.what(), line);
    }
  }

  void ReadChild(const FormObject& node, TComponent& parent) {
    TComponent* c = nullptr;
    if (node.inherited) {
      c = root_.FindComponent(node.name);
      if (!c)
        throw EFormError("Inherited component " + node.name + " not found", node.line);
      if (!c->ClassType().InheritsFrom(node.className))
        throw EFormError("Component " + node.name + " is not a " + node.className, node.line);
    } else {
      const MetaClass* meta = FindClass(node.className);
      if (!meta)
        throw EFormError("Class " + node.className + " not found", node.line);
      AtLine(node.name, node.line, [&] { c = meta->Create(&root_); });
      AtLine(node.name, node.line, [&] { c->SetName(node.name); });
    }
    read_.push_back(c);
    c->loading_ = true;
    AtLine(node.name, node.line, [&] { c->SetParentComponent(&parent); });
    ApplyProperties(*c, node);
    for (const FormObject& child : node.children)
      ReadChild(child, *c);
  }

  void ApplyProperties(TComponent& c, const FormObject& node) {
    for (const FormProperty& p : node.properties) {
      std::string context = (c.Name().empty() ? c.ClassName() : c.Name()) + "." + p.name;
      AtLine(context, p.line, [&] { ApplyProperty(c, p, context); });
    }
  }

  void ApplyProperty(TObject& target, const FormProperty& p, const std::string& context) {
    TObject* obj = &target;
    std::string_view rest = p.name;
    for (std::size_t dot; (dot = rest.find('.')) != std::string_view::npos;
         rest.remove_prefix(dot + 1)) {
      std::string_view part = rest.substr(0, dot);
      PPropInfo sub = FindProperty(obj, part);
      if (!sub)
        throw EFormError("Property " + p.name + " does not exist in " + ClassOf(obj)->Name(),
                         p.line);
      TObject* next = sub->Kind() == tkClass ? sub->GetObject(*obj) : nullptr;
      if (!ClassOf(next))
        throw EFormError("Property " + std::string(part) + " of " + ClassOf(obj)->Name() +
                             " holds no object with properties",
                         p.line);
      obj = next;
    }
    const MetaClass* meta = ClassOf(obj);
    if (const CustomProperty* custom = meta->FindCustomProperty(rest)) {
      custom->read(*obj, p.value);
      return;
    }
    PPropInfo prop = meta->FindProperty(rest);
    if (!prop)
      throw EFormError("Property " + p.name + " does not exist in " + meta->Name(), p.line);
    ApplyValue(*obj, prop, p.value, context);
  }

  void ApplyValue(TObject& obj, PPropInfo prop, const FormValue& v, const std::string& context) {
    using Kind = FormValue::Kind;
    auto invalid = [&]() {
      throw EPropertyError(std::string("Invalid ") + v.KindName() + " value for property " +
                           prop->Name());
    };
    switch (prop->Kind()) {
    case tkInteger:
    case tkInt64:
      if (v.kind != Kind::Integer)
        invalid();
      prop->SetOrdinal(obj, v.integer);
      return;
    case tkChar:
    case tkWChar: {
      if (v.kind == Kind::Integer) {
        prop->SetOrdinal(obj, v.integer);
        return;
      }
      if (v.kind != Kind::String)
        invalid();
      if (prop->Kind() == tkWChar) {
        if (v.text.size() != 1)
          invalid();
        prop->SetOrdinal(obj, v.text[0]);
      } else {
        std::string ansi = platform::WideToAnsi(v.text);
        if (ansi.size() != 1)
          invalid();
        prop->SetOrdinal(obj, static_cast<unsigned char>(ansi[0]));
      }
      return;
    }
    case tkEnumeration: {
      if (v.kind != Kind::Identifier)
        invalid();
      int32_t ordinal = prop->Enum()->Find(v.identifier);
      if (ordinal < 0)
        throw EPropertyError("Invalid property element: " + v.identifier);
      prop->SetOrdinal(obj, ordinal);
      return;
    }
    case tkSet: {
      if (v.kind != Kind::Set)
        invalid();
      uint32_t bits = 0;
      for (const std::string& element : v.elements) {
        int32_t ordinal = prop->Enum()->Find(element);
        if (ordinal < 0 || ordinal >= 32)
          throw EPropertyError("Invalid property element: " + element);
        bits |= 1u << ordinal;
      }
      prop->SetOrdinal(obj, bits);
      return;
    }
    case tkFloat:
      if (v.kind == Kind::Integer)
        prop->SetFloat(obj, static_cast<double>(v.integer));
      else if (v.kind == Kind::Float)
        prop->SetFloat(obj, v.number);
      else
        invalid();
      return;
    case tkString:
    case tkLString:
      if (v.kind != Kind::String)
        invalid();
      prop->SetText(obj, platform::WideToAnsi(v.text));
      return;
    case tkWString:
      if (v.kind != Kind::String)
        invalid();
      prop->SetWideText(obj, v.text);
      return;
    case tkVariant:
      prop->SetValue(obj, ToVariant(v, invalid));
      return;
    case tkClass:
      if (v.kind != Kind::Identifier)
        invalid();
      if (!prop->IsWritable())
        throw EPropertyError("Property " + prop->Name() + " is read-only");
      if (SameName(v.identifier, "nil"))
        prop->SetObject(obj, nullptr);
      else
        references_.push_back({&obj, prop, v.identifier, context, v.line});
      return;
    case tkMethod:
      if (v.kind != Kind::Identifier)
        invalid();
      prop->SetHandler(obj, SameName(v.identifier, "nil") ? "" : v.identifier, root_);
      return;
    default:
      invalid();
    }
  }

  template <class F> static Variant ToVariant(const FormValue& v, F&& invalid) {
    switch (v.kind) {
    case FormValue::Kind::Integer:
      if (v.integer >= std::numeric_limits<int32_t>::min() &&
          v.integer <= std::numeric_limits<int32_t>::max())
        return Variant::Int32(static_cast<int32_t>(v.integer));
      return Variant::Int64(v.integer);
    case FormValue::Kind::Float:
      return Variant::Double(v.number);
    case FormValue::Kind::String:
      return Variant::Wide(v.text);
    case FormValue::Kind::Identifier:
      if (SameName(v.identifier, "True") || SameName(v.identifier, "False"))
        return Variant::Bool(SameName(v.identifier, "True"));
      break;
    default:
      break;
    }
    invalid();
    return Variant();
  }

  TComponent* Resolve(const std::string& path) const {
    std::vector<std::string_view> parts;
    std::string_view rest = path;
    for (std::size_t dot; (dot = rest.find('.')) != std::string_view::npos;
         rest.remove_prefix(dot + 1))
      parts.push_back(rest.substr(0, dot));
    parts.push_back(rest);
    auto walk = [&](std::size_t first) {
      TComponent* c = &root_;
      for (std::size_t i = first; c && i < parts.size(); ++i)
        c = c->FindComponent(parts[i]);
      return c;
    };
    TComponent* found = walk(0);
    if (!found && SameName(parts[0], root_.Name()))
      found = walk(1);
    return found;
  }

  void ResolveReferences() {
    for (const Reference& r : references_) {
      TComponent* target = Resolve(r.path);
      if (!target)
        throw EFormError("Error reading " + r.context + ": Component " + r.path + " not found",
                         r.line);
      AtLine(r.context, r.line, [&] { r.prop->SetObject(*r.object, target); });
    }
  }

  TComponent& root_;
  std::vector<TComponent*> read_;
  std::vector<Reference> references_;
};

} // namespace detail

void LoadForm(const FormObject& form, TComponent& root) {
  detail::FormLoader(root).Load(form);
}

void ReadForm(std::string_view text, TComponent& root) {
  LoadForm(ParseForm(text), root);
}

} // namespace rtl
