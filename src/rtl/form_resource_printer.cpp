// Printing FormObject trees as form resource text: two blanks of indentation per level, strings
// in pure ASCII (other characters as #codes), one list item per line.
#include "rtl/form_resource.h"

#include <charconv>

namespace rtl {
namespace {

void Pad(std::string& out, int indent) {
  out.append(static_cast<std::size_t>(indent), ' ');
}

void Quote(std::string& out, const std::u16string& text) {
  if (text.empty()) {
    out += "''";
    return;
  }
  bool open = false;
  for (char16_t c : text) {
    if (c >= 0x20 && c < 0x7F) {
      if (!open)
        out += '\'';
      open = true;
      if (c == '\'')
        out += '\'';
      out += static_cast<char>(c);
      continue;
    }
    if (open)
      out += '\'';
    open = false;
    out += '#';
    out += std::to_string(static_cast<unsigned>(c));
  }
  if (open)
    out += '\'';
}

std::string FormatFloat(double value, bool single) {
  char buffer[64];
  std::to_chars_result r =
      single ? std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value))
             : std::to_chars(buffer, buffer + sizeof buffer, value);
  std::string text(buffer, r.ptr);
  // A float must read back as a float, so it always shows a point or an exponent.
  if (text.find_first_of(".eEn") == std::string::npos)
    text += ".0";
  return text;
}

void PrintValue(std::string& out, const FormValue& v, int indent) {
  switch (v.kind) {
  case FormValue::Kind::Integer:
    out += std::to_string(v.integer);
    return;
  case FormValue::Kind::Float:
    out += FormatFloat(v.number, v.single);
    return;
  case FormValue::Kind::String:
    Quote(out, v.text);
    return;
  case FormValue::Kind::Identifier:
    out += v.identifier;
    return;
  case FormValue::Kind::Set:
    out += '[';
    for (std::size_t i = 0; i < v.elements.size(); ++i) {
      if (i)
        out += ", ";
      out += v.elements[i];
    }
    out += ']';
    return;
  case FormValue::Kind::List:
    out += '(';
    for (const std::u16string& item : v.items) {
      out += '\n';
      Pad(out, indent + 2);
      Quote(out, item);
    }
    out += ')';
    return;
  }
}

void PrintObject(std::string& out, const FormObject& obj, int depth) {
  if (depth > kMaxFormDepth)
    throw EFormError("Objects nested too deeply", 0);
  int indent = (depth - 1) * 2;
  Pad(out, indent);
  out += obj.inherited ? "inherited " : "object ";
  if (!obj.name.empty())
    out += obj.name + ": ";
  out += obj.className + '\n';
  for (const FormProperty& p : obj.properties) {
    Pad(out, indent + 2);
    out += p.name + " = ";
    PrintValue(out, p.value, indent + 2);
    out += '\n';
  }
  for (const FormObject& child : obj.children)
    PrintObject(out, child, depth + 1);
  Pad(out, indent);
  out += "end\n";
}

} // namespace

std::string PrintForm(const FormObject& form) {
  std::string out;
  PrintObject(out, form, 1);
  return out;
}

} // namespace rtl
