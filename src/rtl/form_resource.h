// Form resources: the design-time values of a component tree as text.
//
//   object Module: TaPlugin
//     Description = 'Aggregation'
//     MinVersion = 4.0
//     ModuleType = [mttFilter]
//     IsMultiThreadSupported = True
//     OnLoad = zetPluginLoad
//     object Properties: TzetStrHolder
//       InternalVer = 2
//       StrData = (
//         ''
//         '4c6566742c4c656674')
//     end
//   end
//
// An object names the component and its class and lists property values and nested objects.
// Values are integers (decimal, negative, or $hex), floats, strings, identifiers (enumeration
// values, Booleans, event handler names, component references resolved after loading, nil), sets
// [a, b] and parenthesised lists of strings. A string joins quoted pieces ('' stands for a quote)
// and character codes (#13, #$0D) written next to each other, and string pieces are joined with +
// across lines. The text is UTF-8; the writer produces pure ASCII. Dotted property names reach
// the properties of sub-objects (Font.Size). "inherited Name: TClass" in place of "object" fills
// a component the root already owns instead of creating one.
//
// Reading applies the values to a given root component (whose class must be the named class or a
// descendant). Nested objects are created through the class registry, owned by the root and named;
// the object they are nested in becomes their parent component. All components of one form thus
// share the root as owner and need unique names.
#pragma once

#include "rtl/exceptions.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TComponent;

namespace rtl {

/// A form resource could not be read or written; the message ends with "(line <n>)" when the
/// failure has a place in the text.
class EFormError : public Exception {
public:
  EFormError(const std::string& message, int line);
  /// 0 when the failure has no line.
  int Line() const noexcept { return line_; }

private:
  int line_;
};

/// Objects nest at most this deep, so that no input can exhaust the stack.
constexpr int kMaxFormDepth = 32;

/// One value as written in a form resource.
struct FormValue {
  enum class Kind : uint8_t { Integer, Float, String, Identifier, Set, List };

  Kind kind = Kind::Integer;
  int64_t integer = 0;
  double number = 0;
  /// Float written with single precision.
  bool single = false;
  std::u16string text;
  /// Identifier; may be dotted (a component path).
  std::string identifier;
  /// Set elements.
  std::vector<std::string> elements;
  /// List items.
  std::vector<std::u16string> items;
  int line = 0;

  static FormValue OfInteger(int64_t value);
  static FormValue OfFloat(double value, bool single = false);
  static FormValue OfString(std::u16string value);
  static FormValue OfIdentifier(std::string value);
  static FormValue OfSet(std::vector<std::string> elements);
  static FormValue OfList(std::vector<std::u16string> items);
  /// A list of 8-bit texts, converted from the system code page.
  static FormValue OfAnsiList(const std::vector<std::string>& items);
  /// The list items (or the string) as 8-bit texts in the system code page.
  std::vector<std::string> AnsiItems() const;
  std::string AnsiText() const;
  /// "integer", "string", ... for messages.
  const char* KindName() const noexcept;
};

struct FormProperty {
  std::string name;
  FormValue value;
  int line = 0;
};

struct FormObject {
  std::string name;
  std::string className;
  /// Written with "inherited": fills an existing component.
  bool inherited = false;
  int line = 0;
  std::vector<FormProperty> properties;
  std::vector<FormObject> children;
};

/// Parses a form resource; malformed text raises EFormError with the line.
FormObject ParseForm(std::string_view text);
/// The text of a parsed form, indented by two blanks per level.
std::string PrintForm(const FormObject& form);

/// Applies Form to Root: its name, properties, nested objects, then resolves references and calls
/// Loaded on every component read, the root last. Failures raise EFormError naming the property
/// or class and the line; what was created up to then stays owned by Root.
void LoadForm(const FormObject& form, TComponent& root);
/// ParseForm then LoadForm.
void ReadForm(std::string_view text, TComponent& root);

/// The form of Root: stored published properties that differ from their defaults (non-empty
/// texts, non-zero floats, attached named handlers, referenced components), custom properties,
/// and the components Root owns nested by their parent component.
FormObject SaveForm(const TComponent& root);
/// PrintForm(SaveForm(Root)).
std::string WriteForm(const TComponent& root);

} // namespace rtl
