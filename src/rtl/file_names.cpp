#include "rtl/file_names.h"

namespace rtl {
namespace {
std::size_t NameStart(std::string_view f) {
  std::size_t p = f.find_last_of("\\/:");
  return p == std::string_view::npos ? 0 : p + 1;
}
} // namespace

std::string ExtractFilePath(std::string_view f) {
  return std::string(f.substr(0, NameStart(f)));
}

std::string ExtractFileName(std::string_view f) {
  return std::string(f.substr(NameStart(f)));
}

std::string ChangeFileExt(std::string_view f, std::string_view ext) {
  std::size_t start = NameStart(f);
  std::size_t dot = f.find_last_of('.');
  std::size_t end = (dot == std::string_view::npos || dot < start) ? f.size() : dot;
  return std::string(f.substr(0, end)) + std::string(ext);
}

} // namespace rtl
