// The runtime's string list: an ordered list of 8-bit text lines, each with an optional object
// reference (not owned) and a free integer beside it. It never sorts; the duplicates setting is
// kept for callers that copy it to sorted lists. It stays inside the library.
#pragma once

#include "rtl/exceptions.h"
#include "rtl/object.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

/// How a sorted list treats a line that is already present; an unsorted list accepts every line.
enum TDuplicates { dupIgnore, dupAccept, dupError };

/// An index outside the string list's bounds.
class EStringListError : public rtl::Exception {
public:
  using Exception::Exception;
};

class TStringList : public TObject {
public:
  TStringList() = default;

  /// Appends Line and answers its index.
  int32_t Add(std::string_view line);
  int32_t AddObject(std::string_view line, TObject* object);
  void Insert(int32_t index, std::string_view line);
  void Delete(int32_t index);
  void Clear() noexcept { lines_.clear(); }
  /// Replaces the lines by copies of Source's lines (with their objects and data).
  void Assign(const TStringList& source);
  void AddStrings(const TStringList& source);

  int32_t Count() const noexcept { return static_cast<int32_t>(lines_.size()); }
  /// The line at Index; raises EStringListError outside 0..Count-1.
  const std::string& operator[](int32_t index) const;
  const std::string& Strings(int32_t index) const { return (*this)[index]; }
  void Put(int32_t index, std::string_view line);
  TObject* Objects(int32_t index) const;
  void PutObject(int32_t index, TObject* object);
  /// A caller's integer kept beside the line (0 for new lines).
  intptr_t Data(int32_t index) const;
  void SetData(int32_t index, intptr_t data);

  /// Index of the first line equal to Line (ignoring ANSI case unless CaseSensitive), or -1.
  int32_t IndexOf(std::string_view line) const;

  /// All lines, each followed by CR LF.
  std::string Text() const;
  /// Replaces all lines by Text split at CR, LF or CR LF; a final line break adds no empty line.
  void SetText(std::string_view text);

  bool CaseSensitive = false;
  TDuplicates Duplicates = dupIgnore;

private:
  struct Line {
    std::string Text;
    TObject* Object = nullptr;
    intptr_t Data = 0;
  };
  void Check(int32_t index) const;

  std::vector<Line> lines_;
};
