#include "frame/data_sources.h"

#include "frame/key_text.h"

namespace frame {
namespace {

// Field Index (0-based) of Line split at ';', trimmed; empty when the line has fewer fields.
std::string_view Field(std::string_view line, int index) {
  for (int i = 0; i < index; ++i) {
    const std::size_t semicolon = line.find(';');
    if (semicolon == std::string_view::npos)
      return {};
    line.remove_prefix(semicolon + 1);
  }
  return rtl::Trim(line.substr(0, line.find(';')));
}

} // namespace

std::unique_ptr<TConfigDataSource> ParseDataSourceLine(std::string_view line) {
  const int32_t id = DecimalValue(Field(line, 0)).value_or(-1);
  if (id == -1)
    return nullptr;
  auto source = std::make_unique<TConfigDataSource>();
  source->Line = line;
  source->Id = id;
  source->Field2 = Field(line, 1);
  source->Field3 = Field(line, 2);
  return source;
}

} // namespace frame
