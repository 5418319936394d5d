// The values of form resources and the error they raise.
#include "rtl/form_resource.h"

#include "platform/codepage.h"

namespace rtl {

EFormError::EFormError(const std::string& message, int line)
    : Exception(line > 0 ? message + " (line " + std::to_string(line) + ")" : message),
      line_(line) {}

FormValue FormValue::OfInteger(int64_t value) {
  FormValue v;
  v.kind = Kind::Integer;
  v.integer = value;
  return v;
}

FormValue FormValue::OfFloat(double value, bool single) {
  FormValue v;
  v.kind = Kind::Float;
  v.number = value;
  v.single = single;
  return v;
}

FormValue FormValue::OfString(std::u16string value) {
  FormValue v;
  v.kind = Kind::String;
  v.text = std::move(value);
  return v;
}

FormValue FormValue::OfIdentifier(std::string value) {
  FormValue v;
  v.kind = Kind::Identifier;
  v.identifier = std::move(value);
  return v;
}

FormValue FormValue::OfSet(std::vector<std::string> elements) {
  FormValue v;
  v.kind = Kind::Set;
  v.elements = std::move(elements);
  return v;
}

FormValue FormValue::OfList(std::vector<std::u16string> items) {
  FormValue v;
  v.kind = Kind::List;
  v.items = std::move(items);
  return v;
}

FormValue FormValue::OfAnsiList(const std::vector<std::string>& items) {
  std::vector<std::u16string> wide;
  wide.reserve(items.size());
  for (const std::string& s : items)
    wide.push_back(platform::AnsiToWide(s));
  return OfList(std::move(wide));
}

std::vector<std::string> FormValue::AnsiItems() const {
  std::vector<std::string> out;
  if (kind == Kind::String)
    out.push_back(platform::WideToAnsi(text));
  for (const std::u16string& s : items)
    out.push_back(platform::WideToAnsi(s));
  return out;
}

std::string FormValue::AnsiText() const {
  return platform::WideToAnsi(text);
}

const char* FormValue::KindName() const noexcept {
  switch (kind) {
  case Kind::Integer:
    return "integer";
  case Kind::Float:
    return "float";
  case Kind::String:
    return "string";
  case Kind::Identifier:
    return "identifier";
  case Kind::Set:
    return "set";
  case Kind::List:
    return "list";
  }
  return "value";
}

} // namespace rtl
