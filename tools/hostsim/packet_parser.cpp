#include "packet_parser.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace hostsim {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

/// Walks one line, keeping the position for error columns.
class LineScanner {
public:
  LineScanner(std::string_view text, int line, ParseError& error)
      : text_(text), line_(line), error_(error) {}

  std::optional<PacketLine> Parse() {
    PacketLine out;
    SkipBlanks();
    if (AtEnd() || Peek() == '#')
      return out;
    out.skip = false;
    if (Peek() == '@' && !ReadClockStep(out.delayMs))
      return std::nullopt;
    // Parts separated by ';' or '|'; a '|' puts a row marker after the part before it.
    while (true) {
      if (!ReadPart(out.values))
        return std::nullopt;
      if (AtEnd())
        break;
      const char separator = Take();
      if (separator == '|') {
        PacketValue marker;
        marker.kind = PacketValue::Kind::Marker;
        out.values.push_back(marker);
      }
    }
    return out;
  }

private:
  bool AtEnd() const { return pos_ >= text_.size(); }
  char Peek() const { return text_[pos_]; }
  char Take() { return text_[pos_++]; }
  int Column(std::size_t pos) const { return static_cast<int>(pos) + 1; }
  void SkipBlanks() {
    while (!AtEnd() && IsBlank(Peek()))
      ++pos_;
  }
  bool AtSeparator() const { return AtEnd() || Peek() == ';' || Peek() == '|'; }

  bool Fail(std::size_t pos, std::string message) {
    error_.line = line_;
    error_.column = Column(pos);
    error_.message = std::move(message);
    return false;
  }

  bool ReadClockStep(uint32_t& delayMs) {
    const std::size_t at = pos_++;
    const std::size_t digits = pos_;
    while (!AtEnd() && IsDigit(Peek()))
      ++pos_;
    if (pos_ == digits)
      return Fail(digits, "expected milliseconds after '@'");
    uint64_t value = 0;
    for (std::size_t i = digits; i < pos_; ++i) {
      value = value * 10 + static_cast<uint64_t>(text_[i] - '0');
      if (value > std::numeric_limits<uint32_t>::max())
        return Fail(digits, "the clock step after '@' is too large");
    }
    if (!AtEnd() && !IsBlank(Peek()))
      return Fail(pos_,
                  "expected a blank after '" + std::string(text_.substr(at, pos_ - at)) + "'");
    delayMs = static_cast<uint32_t>(value);
    SkipBlanks();
    return true;
  }

  /// Reads "name=value" up to the next separator; an empty part adds nothing.
  bool ReadPart(std::vector<PacketValue>& values) {
    SkipBlanks();
    const std::size_t nameStart = pos_;
    while (!AtEnd() && Peek() != '=' && Peek() != ';' && Peek() != '|')
      ++pos_;
    std::size_t nameEnd = pos_;
    while (nameEnd > nameStart && IsBlank(text_[nameEnd - 1]))
      --nameEnd;
    const std::string name(text_.substr(nameStart, nameEnd - nameStart));
    if (AtEnd() || Peek() != '=') {
      if (name.empty())
        return true; // an empty part, such as a trailing ';'
      return Fail(nameEnd, "expected '=' after name \"" + name + "\"");
    }
    if (name.empty())
      return Fail(pos_, "expected a name before '='");
    ++pos_; // '='
    PacketValue value;
    value.name = name;
    if (!ReadValue(value))
      return false;
    values.push_back(std::move(value));
    return true;
  }

  bool ReadValue(PacketValue& value) {
    SkipBlanks();
    if (AtSeparator()) {
      value.kind = PacketValue::Kind::Null;
      return true;
    }
    if (Peek() == '\'' || Peek() == '"')
      return ReadQuoted(value);
    const std::size_t start = pos_;
    while (!AtSeparator())
      ++pos_;
    std::size_t end = pos_;
    while (end > start && IsBlank(text_[end - 1]))
      --end;
    return ReadNumber(text_.substr(start, end - start), start, value);
  }

  bool ReadQuoted(PacketValue& value) {
    const std::size_t open = pos_;
    const char quote = Take();
    std::string text;
    while (true) {
      if (AtEnd())
        return Fail(open, std::string("unterminated text: no closing ") + quote +
                              " for the value of \"" + value.name + "\"");
      const char c = Take();
      if (c != quote) {
        text.push_back(c);
        continue;
      }
      if (!AtEnd() && Peek() == quote) { // a doubled quote stands for itself
        text.push_back(quote);
        ++pos_;
        continue;
      }
      break;
    }
    SkipBlanks();
    if (!AtSeparator())
      return Fail(pos_, "expected ';' or '|' after the value of \"" + value.name + "\"");
    value.kind = PacketValue::Kind::Text;
    value.text = std::move(text);
    return true;
  }

  bool ReadNumber(std::string_view token, std::size_t at, PacketValue& value) {
    const auto notANumber = [&] {
      return Fail(at, "the value of \"" + value.name +
                          "\" is not a number; write text in quotes: '" + std::string(token) + "'");
    };
    // from_chars would also take "inf" and "nan", and no '+': a number is an optional sign, then
    // a digit or '.'.
    std::string_view digits = token;
    if (digits.front() == '+')
      digits.remove_prefix(1);
    const std::string_view magnitude =
        !digits.empty() && digits.front() == '-' && token.front() != '+' ? digits.substr(1)
                                                                         : digits;
    if (magnitude.empty() || !(IsDigit(magnitude.front()) || magnitude.front() == '.'))
      return notANumber();
    const char* begin = digits.data();
    const char* end = digits.data() + digits.size();
    int64_t integer = 0;
    auto [intEnd, intError] = std::from_chars(begin, end, integer);
    if (intError == std::errc() && intEnd == end) {
      value.kind = PacketValue::Kind::Integer;
      value.integer = integer;
      return true;
    }
    if (intError == std::errc::result_out_of_range && intEnd == end)
      return Fail(at, "the integer value of \"" + value.name + "\" is out of range");
    double number = 0;
    auto [floatEnd, floatError] = std::from_chars(begin, end, number);
    if (floatError == std::errc() && floatEnd == end && std::isfinite(number)) {
      value.kind = PacketValue::Kind::Float;
      value.number = number;
      return true;
    }
    if (floatError == std::errc::result_out_of_range && floatEnd == end)
      return Fail(at, "the value of \"" + value.name + "\" is out of range");
    return notANumber();
  }

  std::string_view text_;
  int line_;
  ParseError& error_;
  std::size_t pos_ = 0;
};

} // namespace

std::string ParseError::Format(std::string_view source) const {
  return std::string(source) + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " +
         message;
}

std::optional<PacketLine> ParsePacketLine(std::string_view text, int lineNumber,
                                          ParseError& error) {
  return LineScanner(text, lineNumber, error).Parse();
}

std::string QuoteText(std::string_view text) {
  std::string out = "'";
  for (char c : text) {
    out.push_back(c);
    if (c == '\'')
      out.push_back('\'');
  }
  out.push_back('\'');
  return out;
}

} // namespace hostsim
