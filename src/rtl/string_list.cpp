#include "rtl/string_list.h"

#include "platform/codepage.h"

namespace {
std::string Lowered(std::string_view text) {
  std::string out(text);
  platform::AnsiLowerInPlace(out.data(), out.size());
  return out;
}
} // namespace

void TStringList::Check(int32_t index) const {
  if (index < 0 || index >= Count())
    throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
}

int32_t TStringList::Add(std::string_view line) {
  return AddObject(line, nullptr);
}

int32_t TStringList::AddObject(std::string_view line, TObject* object) {
  lines_.push_back(Line{std::string(line), object, 0});
  return Count() - 1;
}

void TStringList::Insert(int32_t index, std::string_view line) {
  if (index < 0 || index > Count())
    throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
  lines_.insert(lines_.begin() + index, Line{std::string(line), nullptr, 0});
}

void TStringList::Delete(int32_t index) {
  Check(index);
  lines_.erase(lines_.begin() + index);
}

void TStringList::Assign(const TStringList& source) {
  if (&source != this)
    lines_ = source.lines_;
}

void TStringList::AddStrings(const TStringList& source) {
  std::vector<Line> copy = source.lines_; // Source may be this list
  lines_.insert(lines_.end(), copy.begin(), copy.end());
}

const std::string& TStringList::operator[](int32_t index) const {
  Check(index);
  return lines_[index].Text;
}

void TStringList::Put(int32_t index, std::string_view line) {
  Check(index);
  lines_[index].Text = std::string(line);
}

TObject* TStringList::Objects(int32_t index) const {
  Check(index);
  return lines_[index].Object;
}

void TStringList::PutObject(int32_t index, TObject* object) {
  Check(index);
  lines_[index].Object = object;
}

intptr_t TStringList::Data(int32_t index) const {
  Check(index);
  return lines_[index].Data;
}

void TStringList::SetData(int32_t index, intptr_t data) {
  Check(index);
  lines_[index].Data = data;
}

int32_t TStringList::IndexOf(std::string_view line) const {
  if (CaseSensitive) {
    for (std::size_t i = 0; i < lines_.size(); ++i)
      if (lines_[i].Text == line)
        return static_cast<int32_t>(i);
    return -1;
  }
  std::string wanted = Lowered(line);
  for (std::size_t i = 0; i < lines_.size(); ++i)
    if (lines_[i].Text.size() == wanted.size() && Lowered(lines_[i].Text) == wanted)
      return static_cast<int32_t>(i);
  return -1;
}

std::string TStringList::Text() const {
  std::size_t size = 0;
  for (const Line& l : lines_)
    size += l.Text.size() + 2;
  std::string out;
  out.reserve(size);
  for (const Line& l : lines_) {
    out += l.Text;
    out += "\r\n";
  }
  return out;
}

void TStringList::SetText(std::string_view text) {
  std::vector<Line> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos)
      end = text.size();
    lines.push_back(Line{std::string(text.substr(pos, end - pos)), nullptr, 0});
    pos = end;
    if (pos < text.size() && text[pos] == '\r')
      ++pos;
    if (pos < text.size() && text[pos] == '\n')
      ++pos;
  }
  lines_ = std::move(lines);
}
