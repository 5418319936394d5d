// The settings store's registry storage. Every key is opened for reading and writing, also when
// loading, so that a user who may not write below the first root reads and writes below the
// second one. Each map line opens its own key: RegistryPath, then the line's sub-path.
#include "settings/settings_store_storage.h"

#include "platform/registry.h"
#include "settings/big_ini_file_values.h"

#include <array>
#include <bit>
#include <cstring>

namespace wreg {
namespace {

using platform::RegValue;

bool RootHolds(TRegistryRoot root, const std::string& path, bool create) {
  std::optional<platform::RegRoot> system = SystemRegistryRoot(root);
  if (!system)
    return false;
  platform::ScopedKey key = create
                                ? platform::CreateKey(*system, path)
                                : platform::OpenKey(*system, path, platform::RegAccess::ReadWrite);
  return key.IsOpen();
}

std::string WithoutTrailingBackslashes(std::string path) {
  while (!path.empty() && path.back() == '\\')
    path.pop_back();
  return path;
}

// The 8 bytes of a REG_BINARY double, little-endian.
// Doubles (REG_BINARY) and 64-bit integers (REG_QWORD) are stored as 8 bytes, little-endian.
std::optional<uint64_t> EightBytes(const RegValue& value, uint32_t type) {
  if (value.Type != type || value.Data.size() != 8)
    return std::nullopt;
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i)
    bits = bits << 8 | value.Data[static_cast<std::size_t>(i)];
  return bits;
}

std::array<uint8_t, 8> EightBytes(uint64_t bits) {
  std::array<uint8_t, 8> bytes{};
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<uint8_t>(bits >> (8 * i));
  return bytes;
}

std::optional<double> BinaryDouble(const RegValue& value) {
  if (std::optional<uint64_t> bits = EightBytes(value, platform::regBinary))
    return std::bit_cast<double>(*bits);
  return std::nullopt;
}

std::optional<int64_t> Qword(const RegValue& value) {
  if (std::optional<uint64_t> bits = EightBytes(value, platform::regQword))
    return static_cast<int64_t>(*bits);
  return std::nullopt;
}

std::optional<int32_t> SignedDword(const RegValue& value) {
  if (std::optional<uint32_t> dword = value.AsDword())
    return static_cast<int32_t>(*dword);
  return std::nullopt;
}

// A value read as text: texts as they are, a REG_DWORD as its decimal number, an 8-byte
// REG_BINARY as the double it holds.
std::optional<std::string> AsText(const RegValue& value) {
  if (std::optional<std::string> text = value.AsString())
    return text;
  if (std::optional<int32_t> number = SignedDword(value))
    return std::to_string(*number);
  if (std::optional<double> number = BinaryDouble(value))
    return ini_values::FormatFloat(*number);
  return std::nullopt;
}

[[noreturn]] void WrongType(const std::string& name, const char* expected) {
  throw EStoredValueError("The registry value \"" + name + "\" is not " + expected);
}

class TRegistryStorage final : public TStorage {
public:
  TRegistryStorage(platform::RegRoot root, std::string path, bool create)
      : root_(root), path_(WithoutTrailingBackslashes(std::move(path))), create_(create) {}

  bool Locate(const TMapKey& key) override {
    std::string path = path_;
    if (!key.SubPath.empty())
      path += "\\" + key.SubPath;
    key_ = create_ ? platform::CreateKey(root_, path)
                   : platform::OpenKey(root_, path, platform::RegAccess::ReadWrite);
    name_ = key.ValueName;
    return key_.IsOpen();
  }

  std::optional<rtl::Variant> Read(const TItemRef&, TTypeKind kind) override {
    std::optional<RegValue> stored = key_.Query(name_);
    if (!stored)
      return std::nullopt;
    switch (kind) {
    case tkInteger:
      if (std::optional<int32_t> number = SignedDword(*stored))
        return rtl::Variant::Int32(*number);
      WrongType(name_, "a REG_DWORD value");
    case tkInt64:
      if (std::optional<int32_t> number = SignedDword(*stored))
        return rtl::Variant::Int64(*number);
      if (std::optional<int64_t> number = Qword(*stored))
        return rtl::Variant::Int64(*number);
      WrongType(name_, "a REG_DWORD or REG_QWORD value");
    case tkFloat:
      if (std::optional<double> number = BinaryDouble(*stored))
        return rtl::Variant::Double(*number);
      WrongType(name_, "an 8-byte REG_BINARY value");
    case tkChar:
    case tkEnumeration:
    case tkString:
    case tkClass:
    case tkWChar:
    case tkLString:
    case tkWString:
    case tkVariant: {
      std::optional<std::string> text = AsText(*stored);
      if (!text)
        WrongType(name_, "a text, REG_DWORD or 8-byte REG_BINARY value");
      if (kind == tkClass && *text == kNullText)
        return rtl::Variant::Null();
      return TextValue(*text);
    }
    default:
      return std::nullopt;
    }
  }

  void Write(const TItemRef&, TTypeKind kind, const rtl::Variant& value) override {
    if (value.IsEmptyValue()) {
      key_.DeleteValue(name_);
      return;
    }
    platform::RegStatus status = platform::kRegOk;
    switch (kind) {
    case tkInteger:
      status = key_.SetDword(name_, static_cast<uint32_t>(value.ToInt32()));
      break;
    case tkInt64: {
      // Numbers beyond 32 bits would be cut off in a REG_DWORD.
      const int64_t number = value.ToInt64();
      if (number >= INT32_MIN && number <= INT32_MAX) {
        status = key_.SetDword(name_, static_cast<uint32_t>(static_cast<int32_t>(number)));
      } else {
        const auto bytes = EightBytes(static_cast<uint64_t>(number));
        status = key_.Set(name_, platform::regQword, bytes.data(), bytes.size());
      }
      break;
    }
    case tkFloat: {
      const auto bytes = EightBytes(std::bit_cast<uint64_t>(value.ToDouble()));
      status = key_.SetBinary(name_, bytes.data(), bytes.size());
      break;
    }
    case tkChar:
    case tkEnumeration:
    case tkString:
    case tkClass:
    case tkWChar:
    case tkLString:
    case tkWString:
    case tkVariant:
      status = key_.SetString(name_, value.ToText());
      break;
    default:
      return;
    }
    if (status != platform::kRegOk)
      throw EStoredValueError("The registry value \"" + name_ + "\" could not be written (error " +
                              std::to_string(status) + ")");
  }

  void Discard() noexcept override { key_.DeleteValue(name_); }

  std::string ReadHandlerText() override {
    std::optional<RegValue> stored = key_.Query(name_);
    if (!stored)
      return {};
    return AsText(*stored).value_or(std::string());
  }

  void WriteHandlerText(const std::string& text) override {
    const platform::RegStatus status = key_.SetString(name_, text);
    if (status != platform::kRegOk)
      throw EStoredValueError("The registry value \"" + name_ + "\" could not be written (error " +
                              std::to_string(status) + ")");
  }

private:
  platform::RegRoot root_;
  std::string path_;
  bool create_;
  platform::ScopedKey key_;
  std::string name_;
};

} // namespace

std::unique_ptr<TStorage> OpenRegistryStorage(TRegistryRoot first, TRegistryRoot second,
                                              const std::string& registryPath, bool create) {
  // No root at all is a store that is switched off, whatever the second root says.
  if (first == rrNone)
    return nullptr;
  TRegistryRoot chosen = first;
  if (!RootHolds(first, registryPath, create)) {
    if (!RootHolds(second, registryPath, create))
      return nullptr;
    chosen = second;
  }
  return std::make_unique<TRegistryStorage>(*SystemRegistryRoot(chosen), registryPath, create);
}

} // namespace wreg
