// The data sources of the host's configuration, handed over by SET-STATE as lines
// "Id;Field2;Field3". The instance keeps them for module code.
#pragma once

#include "rtl/object.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TConfigDataSource : public TObject {
public:
  /// The whole line as received.
  std::string Line;
  int32_t Id = -1;
  std::string Field2;
  std::string Field3;
};

using TConfigDataSources = std::vector<std::unique_ptr<TConfigDataSource>>;

namespace frame {

/// The data source of one line: fields separated by ';' and trimmed, the first a decimal Id.
/// Nothing when the first field is no number or is -1.
std::unique_ptr<TConfigDataSource> ParseDataSourceLine(std::string_view line);

} // namespace frame
