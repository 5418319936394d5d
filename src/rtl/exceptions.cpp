#include "rtl/exceptions.h"


namespace rtl {
namespace {
std::string AssertionMessage(const std::string& text, const std::string& unit, int line) {
  std::string out = text + " (" + unit + ", line " + std::to_string(line) + ")";
  return out;
}
} // namespace

EAssertionFailed::EAssertionFailed(const std::string& text, const std::string& unit, int line)
    : Exception(AssertionMessage(text, unit, line)) {}

void AssertionFailure(const char* text, const char* unit, int line) {
  throw EAssertionFailed(text, unit, line);
}

} // namespace rtl
