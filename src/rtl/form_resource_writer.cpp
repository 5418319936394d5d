// Turning a component tree into a form resource through the published properties.
#include "rtl/form_resource.h"

#include "platform/codepage.h"
#include "rtl/component.h"
#include "rtl/published_access.h"

namespace rtl {
namespace {

// Sub-objects (a font of a control, say) are written as dotted properties up to this depth, which
// also stops reference cycles between persistent objects.
constexpr int kMaxSubObjectDepth = 8;

class FormSaver {
public:
  explicit FormSaver(const TComponent& root) : root_(root) {}

  FormObject Object(const TComponent& c, int depth) const {
    if (depth > kMaxFormDepth)
      throw EFormError("Objects nested too deeply", 0);
    FormObject obj;
    obj.name = c.Name();
    obj.className = c.ClassName();
    Properties(c, std::string(), obj.properties, 0);
    for (int32_t i = 0; i < root_.ComponentCount(); ++i) {
      const TComponent* child = root_.Components(i);
      const TComponent* parent = child->GetParentComponent();
      bool nested = &c == &root_ ? !parent || parent == &root_ : parent == &c;
      if (nested && child != &c)
        obj.children.push_back(Object(*child, depth + 1));
    }
    return obj;
  }

private:
  std::string Reference(const TComponent* c) const {
    if (c == &root_)
      return root_.Name();
    std::string path = c->Name();
    if (path.empty())
      return path;
    for (const TComponent* o = c->Owner(); o && o != &root_; o = o->Owner()) {
      if (o->Name().empty())
        return std::string();
      path = o->Name() + "." + path;
    }
    return path;
  }

  static bool Variant(const rtl::Variant& v, FormValue& out) {
    using namespace platform;
    switch (v.Type()) {
    case vtEmpty:
    case vtNull:
      return false;
    case vtBool:
      out = FormValue::OfIdentifier(v.Rec().boolVal ? "True" : "False");
      return true;
    case vtI1:
    case vtI2:
    case vtI4:
    case vtI8:
    case vtUI1:
    case vtUI2:
    case vtUI4:
    case vtInt:
    case vtUInt:
      out = FormValue::OfInteger(v.ToInt64());
      return true;
    case vtR4:
    case vtR8:
      out = FormValue::OfFloat(v.ToDouble(), v.Type() == vtR4);
      return true;
    default:
      out = FormValue::OfString(v.ToWide());
      return true;
    }
  }

  // The form value of one property, or false when the property is left out.
  bool Value(const TObject& obj, PPropInfo prop, FormValue& out) const {
    switch (prop->Kind()) {
    case tkInteger:
    case tkInt64:
    case tkChar:
    case tkWChar:
    case tkEnumeration:
    case tkSet: {
      if (!prop->IsWritable())
        return false;
      int64_t ordinal = prop->GetOrdinal(obj);
      if (prop->DefaultOrdinal() && *prop->DefaultOrdinal() == ordinal)
        return false;
      if (prop->Kind() == tkChar)
        out = FormValue::OfString(platform::AnsiToWide(std::string(1, static_cast<char>(ordinal))));
      else if (prop->Kind() == tkWChar)
        out = FormValue::OfString(std::u16string(1, static_cast<char16_t>(ordinal)));
      else if (prop->Kind() == tkEnumeration)
        out = FormValue::OfIdentifier(prop->Enum()->Identifier(ordinal));
      else if (prop->Kind() == tkSet) {
        std::vector<std::string> elements;
        for (int32_t i = 0; i < prop->Enum()->Count() && i < 32; ++i)
          if (ordinal & (int64_t{1} << i))
            elements.push_back(prop->Enum()->Identifier(i));
        out = FormValue::OfSet(std::move(elements));
      } else
        out = FormValue::OfInteger(ordinal);
      return true;
    }
    case tkFloat: {
      double v = prop->GetFloat(obj);
      if (!prop->IsWritable() || v == 0)
        return false;
      out = FormValue::OfFloat(v, prop->IsSinglePrecision());
      return true;
    }
    case tkString:
    case tkLString: {
      std::string text = prop->GetText(obj);
      if (!prop->IsWritable() || text.empty())
        return false;
      out = FormValue::OfString(platform::AnsiToWide(text));
      return true;
    }
    case tkWString: {
      std::u16string text = prop->GetWideText(obj);
      if (!prop->IsWritable() || text.empty())
        return false;
      out = FormValue::OfString(std::move(text));
      return true;
    }
    case tkVariant:
      return prop->IsWritable() && Variant(prop->GetValue(obj), out);
    case tkMethod: {
      std::string handler = prop->GetHandlerName(obj);
      if (handler.empty())
        return false;
      out = FormValue::OfIdentifier(std::move(handler));
      return true;
    }
    default:
      return false;
    }
  }

  void Properties(const TObject& obj, const std::string& prefix, std::vector<FormProperty>& out,
                  int depth) const {
    const MetaClass* meta = ClassOf(&obj);
    if (!meta)
      return;
    for (PPropInfo prop : meta->Properties()) {
      if (!prop->IsStored())
        continue;
      std::string name = prefix + prop->Name();
      if (prop->Kind() == tkClass) {
        TObject* sub = prop->GetObject(obj);
        if (auto* component = dynamic_cast<const TComponent*>(sub)) {
          std::string path = prop->IsWritable() ? Reference(component) : std::string();
          if (!path.empty())
            out.push_back({name, FormValue::OfIdentifier(std::move(path))});
        } else if (sub && depth < kMaxSubObjectDepth) {
          Properties(*sub, name + ".", out, depth + 1);
        }
        continue;
      }
      FormValue v;
      if (Value(obj, prop, v))
        out.push_back({std::move(name), std::move(v)});
    }
    for (const CustomProperty* custom : meta->CustomProperties()) {
      FormValue v;
      if (custom->write && custom->write(obj, v))
        out.push_back({prefix + custom->name, std::move(v)});
    }
  }

  const TComponent& root_;
};

} // namespace

FormObject SaveForm(const TComponent& root) {
  return FormSaver(root).Object(root, 1);
}

std::string WriteForm(const TComponent& root) {
  return PrintForm(SaveForm(root));
}

} // namespace rtl
