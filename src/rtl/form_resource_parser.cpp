// Reading the text of a form resource into FormObject trees. The parser takes any input: every
// malformed text ends in EFormError, and nesting is bounded by kMaxFormDepth.
#include "rtl/form_resource.h"

#include "platform/codepage.h"
#include "rtl/hex_digits.h"
#include "rtl/published.h"
#include "rtl/trim.h"

#include <charconv>
#include <limits>

namespace rtl {
namespace {

enum class Tok { End, Identifier, Integer, Float, String, Symbol };

struct Token {
  Tok type = Tok::End;
  int line = 1;
  std::string ident;
  int64_t integer = 0;
  double number = 0;
  std::u16string text;
  char symbol = 0;
};

bool IsLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

std::string Describe(char c) {
  unsigned char b = static_cast<unsigned char>(c);
  if (b > 0x20 && b < 0x7F)
    return std::string("'") + c + "'";
  return "#" + std::to_string(b);
}

class Lexer {
public:
  explicit Lexer(std::string_view text) : s_(text) {
    if (s_.substr(0, 3) == "\xEF\xBB\xBF")
      pos_ = 3;
  }

  Token Next() {
    SkipBlanks();
    Token t;
    t.line = line_;
    if (pos_ >= s_.size())
      return t;
    char c = s_[pos_];
    if (IsLetter(c)) {
      std::size_t start = pos_;
      while (pos_ < s_.size() && (IsLetter(s_[pos_]) || IsDigit(s_[pos_])))
        ++pos_;
      t.type = Tok::Identifier;
      t.ident = std::string(s_.substr(start, pos_ - start));
      return t;
    }
    if (IsDigit(c) || c == '$' || ((c == '-' || c == '+') && (IsDigit(Peek(1)) || Peek(1) == '$')))
      return Number(t);
    if (c == '\'' || c == '#')
      return String(t);
    static constexpr std::string_view kSymbols = ":=[](),+.<>{}";
    if (kSymbols.find(c) != std::string_view::npos) {
      ++pos_;
      t.type = Tok::Symbol;
      t.symbol = c;
      return t;
    }
    Fail("Invalid character " + Describe(c));
  }

private:
  char Peek(std::size_t ahead) const { return pos_ + ahead < s_.size() ? s_[pos_ + ahead] : '\0'; }

  [[noreturn]] void Fail(const std::string& message) const { throw EFormError(message, line_); }

  void SkipBlanks() {
    while (pos_ < s_.size() && IsUpToBlank(s_[pos_])) {
      if (s_[pos_] == '\n')
        ++line_;
      ++pos_;
    }
  }

  // $hex after the position of '$'; answers the magnitude, at most Limit.
  uint64_t Hex(uint64_t limit, const char* message) {
    ++pos_;
    uint64_t value = 0;
    std::size_t start = pos_;
    while (pos_ < s_.size() && HexDigitValue(s_[pos_]) >= 0) {
      value = value * 16 + static_cast<uint64_t>(HexDigitValue(s_[pos_]));
      if (value > limit)
        Fail(message);
      ++pos_;
    }
    if (pos_ == start)
      Fail(message);
    return value;
  }

  Token Number(Token& t) {
    bool negative = s_[pos_] == '-';
    if (s_[pos_] == '-' || s_[pos_] == '+')
      ++pos_;
    t.type = Tok::Integer;
    if (s_[pos_] == '$') {
      uint64_t limit = negative ? uint64_t{1} << 63 : std::numeric_limits<int64_t>::max();
      uint64_t magnitude = Hex(limit, "Invalid number");
      t.integer = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
    } else {
      std::size_t start = pos_;
      while (pos_ < s_.size() && IsDigit(s_[pos_]))
        ++pos_;
      if (Peek(0) == '.' && IsDigit(Peek(1))) {
        t.type = Tok::Float;
        for (++pos_; pos_ < s_.size() && IsDigit(s_[pos_]);)
          ++pos_;
      }
      if ((Peek(0) == 'e' || Peek(0) == 'E') &&
          (IsDigit(Peek(1)) || ((Peek(1) == '-' || Peek(1) == '+') && IsDigit(Peek(2))))) {
        t.type = Tok::Float;
        pos_ += 2;
        while (pos_ < s_.size() && IsDigit(s_[pos_]))
          ++pos_;
      }
      // The sign is kept for from_chars, which does not accept '+'.
      std::size_t from = negative ? start - 1 : start;
      const char* first = s_.data() + from;
      const char* last = s_.data() + pos_;
      std::from_chars_result r{};
      if (t.type == Tok::Float)
        r = std::from_chars(first, last, t.number);
      else
        r = std::from_chars(first, last, t.integer);
      if (r.ec == std::errc::result_out_of_range)
        Fail("Number out of range");
      if (r.ec != std::errc() || r.ptr != last)
        Fail("Invalid number");
    }
    if (pos_ < s_.size() && (IsLetter(s_[pos_]) || IsDigit(s_[pos_])))
      Fail("Invalid number");
    return t;
  }

  Token String(Token& t) {
    t.type = Tok::String;
    while (pos_ < s_.size() && (s_[pos_] == '\'' || s_[pos_] == '#')) {
      if (s_[pos_] == '#') {
        ++pos_;
        uint32_t code = 0;
        if (Peek(0) == '$') {
          code = static_cast<uint32_t>(Hex(0xFFFF, "Invalid character code"));
        } else {
          std::size_t start = pos_;
          while (pos_ < s_.size() && IsDigit(s_[pos_])) {
            code = code * 10 + static_cast<uint32_t>(s_[pos_] - '0');
            if (code > 0xFFFF)
              Fail("Invalid character code");
            ++pos_;
          }
          if (pos_ == start)
            Fail("Invalid character code");
        }
        t.text.push_back(static_cast<char16_t>(code));
        continue;
      }
      ++pos_;
      std::string bytes;
      for (;;) {
        if (pos_ >= s_.size() || s_[pos_] == '\n' || s_[pos_] == '\r')
          Fail("Unterminated string");
        char c = s_[pos_++];
        if (c == '\'') {
          if (Peek(0) != '\'')
            break;
          ++pos_;
        }
        bytes += c;
      }
      t.text += platform::Utf8ToWide(bytes);
    }
    return t;
  }

  std::string_view s_;
  std::size_t pos_ = 0;
  int line_ = 1;
};

class Parser {
public:
  explicit Parser(std::string_view text) : lexer_(text) { Advance(); }

  FormObject Parse() {
    FormObject root = Object(1);
    if (token_.type != Tok::End)
      Fail("End of text expected");
    return root;
  }

private:
  void Advance() { token_ = lexer_.Next(); }
  [[noreturn]] void Fail(const std::string& message) const {
    throw EFormError(message, token_.line);
  }
  bool IsKeyword(const char* word) const {
    return token_.type == Tok::Identifier && SameName(token_.ident, word);
  }
  bool IsSymbol(char c) const { return token_.type == Tok::Symbol && token_.symbol == c; }

  void Expect(char c) {
    if (!IsSymbol(c))
      Fail(std::string("'") + c + "' expected");
    Advance();
  }

  std::string Identifier(const char* what) {
    if (token_.type != Tok::Identifier)
      Fail(std::string(what) + " expected");
    std::string name = std::move(token_.ident);
    Advance();
    return name;
  }

  std::string DottedIdentifier(const char* what) {
    std::string name = Identifier(what);
    while (IsSymbol('.')) {
      Advance();
      name += '.';
      name += Identifier(what);
    }
    return name;
  }

  FormObject Object(int depth) {
    if (depth > kMaxFormDepth)
      Fail("Objects nested too deeply");
    FormObject obj;
    obj.line = token_.line;
    if (IsKeyword("inherited"))
      obj.inherited = true;
    else if (!IsKeyword("object"))
      Fail("'object' expected");
    Advance();
    std::string first = Identifier("Object name");
    if (IsSymbol(':')) {
      Advance();
      obj.name = std::move(first);
      obj.className = Identifier("Class name");
    } else if (obj.inherited) {
      Fail("':' expected");
    } else {
      obj.className = std::move(first);
    }
    for (;;) {
      if (token_.type == Tok::End)
        Fail("'end' expected");
      if (IsKeyword("end")) {
        Advance();
        return obj;
      }
      if (IsKeyword("object") || IsKeyword("inherited")) {
        obj.children.push_back(Object(depth + 1));
        continue;
      }
      FormProperty p;
      p.line = token_.line;
      p.name = DottedIdentifier("Property name");
      Expect('=');
      p.value = Value();
      p.value.line = p.line;
      obj.properties.push_back(std::move(p));
    }
  }

  std::u16string StringExpression() {
    std::u16string text = std::move(token_.text);
    Advance();
    while (IsSymbol('+')) {
      Advance();
      if (token_.type != Tok::String)
        Fail("String expected");
      text += token_.text;
      Advance();
    }
    return text;
  }

  FormValue Value() {
    switch (token_.type) {
    case Tok::Integer: {
      FormValue v = FormValue::OfInteger(token_.integer);
      Advance();
      return v;
    }
    case Tok::Float: {
      FormValue v = FormValue::OfFloat(token_.number);
      Advance();
      return v;
    }
    case Tok::String:
      return FormValue::OfString(StringExpression());
    case Tok::Identifier:
      return FormValue::OfIdentifier(DottedIdentifier("Identifier"));
    case Tok::Symbol:
      break;
    case Tok::End:
      Fail("Property value expected");
    }
    if (IsSymbol('[')) {
      Advance();
      std::vector<std::string> elements;
      if (!IsSymbol(']'))
        for (;;) {
          elements.push_back(Identifier("Set element"));
          if (!IsSymbol(','))
            break;
          Advance();
        }
      Expect(']');
      return FormValue::OfSet(std::move(elements));
    }
    if (IsSymbol('(')) {
      Advance();
      std::vector<std::u16string> items;
      while (!IsSymbol(')')) {
        if (token_.type == Tok::End)
          Fail("')' expected");
        if (token_.type != Tok::String)
          Fail("String expected");
        items.push_back(StringExpression());
      }
      Advance();
      return FormValue::OfList(std::move(items));
    }
    if (IsSymbol('<'))
      Fail("Collections are not supported");
    if (IsSymbol('{'))
      Fail("Binary data is not supported");
    Fail("Property value expected");
  }

  Lexer lexer_;
  Token token_;
};

} // namespace

FormObject ParseForm(std::string_view text) {
  return Parser(text).Parse();
}

} // namespace rtl
