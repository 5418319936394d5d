// The packet lines of the host simulator's input: one packet per line, as a device would deliver
// it to the host after splitting it into named values.
//
//   line    := [ '@' MS ] [ packet ]          blank lines and lines starting with '#' are skipped
//   packet  := part { (';' | '|') part }       '|' also puts a row marker between its neighbours
//   part    := nothing | name '=' value
//   value   := integer | float | quoted | nothing (Null)
//   quoted  := "'" text "'" | '"' text '"'     the quote character itself is written twice
//
// '@MS' lets MS milliseconds of clock time pass before the packet is sent (a line may carry only
// the clock step). Names are trimmed and keep their case; an unquoted value must be a number.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hostsim {

/// One named value of a packet, or a row marker.
struct PacketValue {
  enum class Kind { Integer, Float, Text, Null, Marker };
  Kind kind = Kind::Null;
  std::string name; // empty for a marker
  int64_t integer = 0;
  double number = 0;
  std::string text; // UTF-8, as written between the quotes
};

/// What one input line asks for.
struct PacketLine {
  /// True for a blank line or a comment: nothing to do.
  bool skip = true;
  /// Milliseconds of clock time to let pass before the packet; 0 without '@'.
  uint32_t delayMs = 0;
  /// The packet's values in line order; empty for a line with only a clock step.
  std::vector<PacketValue> values;
};

/// A syntax error at a 1-based line and column (columns count bytes from the line start).
struct ParseError {
  int line = 0;
  int column = 0;
  std::string message;
  /// "SOURCE:LINE:COLUMN: MESSAGE".
  std::string Format(std::string_view source) const;
};

/// Parses one input line. On a syntax error answers nothing and fills Error.
std::optional<PacketLine> ParsePacketLine(std::string_view text, int lineNumber, ParseError& error);

/// The value written back in the input syntax: numbers as they read, text quoted with ''.
std::string QuoteText(std::string_view text);

} // namespace hostsim
