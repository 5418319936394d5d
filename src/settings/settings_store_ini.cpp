// The settings store's INI file storage: the file is parsed into memory once per operation, every
// map line reads and writes the copy in memory, and the file is written back once at the end when
// something changed. The caller holds the file's system-wide lock the whole time.
#include "settings/settings_store_storage.h"

#include "settings/big_ini_file.h"
#include "settings/big_ini_file_values.h"

#include <charconv>

namespace wreg {
namespace {

// A 64-bit integer text. Texts within 32 bits follow the INI store's integer rules (decimal,
// "0x"/"$" hexadecimal); longer decimal numbers are read as they are; anything else is 0.
int64_t ParseInteger64(std::string_view text) {
  if (std::optional<int32_t> number = ini_values::ParseInteger(text))
    return *number;
  int64_t number = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size())
    return 0;
  return number;
}

class TIniStorage final : public TStorage {
public:
  TIniStorage(const std::string& fileName, std::string prefix)
      : file_(fileName), prefix_(std::move(prefix)) {}

  bool Locate(const TMapKey& key) override {
    section_ = IniSectionName(prefix_, key.SubPath);
    name_ = key.ValueName;
    return true;
  }

  std::optional<rtl::Variant> Read(const TItemRef&, TTypeKind kind) override {
    if (!IsStoredKind(kind))
      return std::nullopt;
    if (!file_.ValueExists(section_, name_))
      return std::nullopt;
    switch (kind) {
    case tkInteger:
      return rtl::Variant::Int32(file_.ReadInteger(section_, name_, 0));
    case tkInt64:
      return rtl::Variant::Int64(ParseInteger64(file_.ReadString(section_, name_, "")));
    case tkFloat:
      return rtl::Variant::Double(file_.ReadFloat(section_, name_, 0));
    default: {
      std::string text = file_.ReadString(section_, name_, "");
      if (kind == tkClass && text == kNullText)
        return rtl::Variant::Null();
      return TextValue(text);
    }
    }
  }

  void Write(const TItemRef&, TTypeKind kind, const rtl::Variant& value) override {
    if (!IsStoredKind(kind))
      return;
    if (value.IsEmptyValue()) {
      file_.DeleteKey(section_, name_);
      return;
    }
    switch (kind) {
    case tkInteger:
      file_.WriteInteger(section_, name_, value.ToInt32());
      return;
    case tkInt64:
      file_.WriteString(section_, name_, std::to_string(value.ToInt64()));
      return;
    case tkFloat:
      file_.WriteFloat(section_, name_, value.ToDouble());
      return;
    default:
      file_.WriteString(section_, name_, value.ToText());
      return;
    }
  }

  std::string ReadHandlerText() override { return file_.ReadString(section_, name_, ""); }
  void WriteHandlerText(const std::string& text) override {
    file_.WriteString(section_, name_, text);
  }

  bool Finish(std::string& reason) override {
    try {
      file_.UpdateFile();
      return true;
    } catch (const std::exception& e) {
      reason = e.what();
    } catch (...) {
      reason = "The settings file could not be written";
    }
    // The file on disk keeps its previous content: what this operation saved is lost, and the
    // caller is told so. Destroying the file object must not try again behind the caller's back,
    // or a save reported as failed could still land.
    file_.DiscardChanges();
    return false;
  }

private:
  TBigIniFile file_;
  std::string prefix_;
  std::string section_;
  std::string name_;
};

} // namespace

std::unique_ptr<TStorage> OpenIniStorage(const std::string& fileName,
                                         const std::string& sectionPrefix) {
  return std::make_unique<TIniStorage>(fileName, sectionPrefix);
}

} // namespace wreg
