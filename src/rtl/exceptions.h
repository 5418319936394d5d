// The failures the runtime layer raises. Every export of the library catches them at the boundary.
#pragma once

#include <stdexcept>
#include <string>

namespace rtl {

/// Base of the library's own failures; What() is the message written to the host log.
class Exception : public std::runtime_error {
public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

/// An internal check failed: the message is "<text> (<unit>, line <n>)".
class EAssertionFailed : public Exception {
public:
  EAssertionFailed(const std::string& text, const std::string& unit, int line);
};

/// A variant could not be converted.
class EVariantError : public Exception {
public:
  using Exception::Exception;
};

/// Raises EAssertionFailed for Text, the source Unit and Line.
[[noreturn]] void AssertionFailure(const char* text, const char* unit, int line);

} // namespace rtl
