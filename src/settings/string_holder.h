// The string holder: a non-visual component that keeps a list of text lines in a form resource,
// in a coded form. The module's property map lives in one, named "Properties".
//
// Besides its published properties the holder streams two values of its own:
//   InternalVer = 2            the coding version of StrData (absent: version 0)
//   StrData = ('' '766172312e546578742c56617231')
// The first StrData item is KeyString in plain text; every further item is one line. Version 2,
// the one written, stores a line's UTF-8 bytes, each XORed with the key's UTF-8 byte at the same
// position modulo the key's length when there is a key, as two lowercase hexadecimal digits per
// byte. Versions 1 and 0 are still read. Malformed items never fail: they decode as well as they
// can (see DecodeLine).
#pragma once

#include "rtl/component.h"
#include "rtl/published_event.h"
#include "rtl/string_list.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace rtl {
struct FormValue;
}

class TzetStrHolder : public TComponent {
public:
  using TChangeEvent = rtl::Event<void(TObject* sender)>;

  /// The coding version the holder writes.
  static constexpr int32_t kStrDataVersion = 2;

  explicit TzetStrHolder(TComponent* owner);
  ~TzetStrHolder() override;

  static const rtl::MetaClass& StaticClass();
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }

  int32_t Capacity() const noexcept { return capacity_; }
  void SetCapacity(int32_t capacity);
  TDuplicates Duplicates() const noexcept { return strings_->Duplicates; }
  void SetDuplicates(TDuplicates duplicates) noexcept { strings_->Duplicates = duplicates; }
  /// The key of the line coding; empty for none.
  const std::string& KeyString() const noexcept { return keyString_; }
  void SetKeyString(std::string_view key) { keyString_ = std::string(key); }
  /// Kept for the resource; the owned list keeps its lines in the order they were given.
  bool Sorted() const noexcept { return sorted_; }
  void SetSorted(bool sorted) noexcept { sorted_ = sorted; }

  /// The owned lines. Changes made through the list directly raise no change events.
  TStringList* Strings() const noexcept { return strings_; }
  /// Copies the lines of Value; the owned list itself (or null) changes nothing.
  void SetStrings(const TStringList* value);

  /// Another holder's lines (not its key); other classes as TComponent does.
  void Assign(const TPersistent* source) override;
  /// Copies the lines of Source.
  void Assign(const TStringList& source);
  /// Copies the lines into Dest.
  void AssignTo(TStringList& dest) const;

  /// Raised with the holder as Sender before and after the holder changes its lines (by
  /// assignment, or by reading StrData outside a form resource), never while a form resource is
  /// read into it.
  TChangeEvent OnChanging;
  TChangeEvent OnChange;

  /// The StrData item of one line in the version written.
  static std::string EncodeLine(std::string_view line, std::string_view key);
  /// The line a StrData item of Version stands for.
  static std::string DecodeLine(std::string_view item, std::string_view key, int32_t version);

protected:
  using TComponent::AssignTo;
  void Loaded() override;

private:
  void Changing();
  void Changed();

  void ReadInternalVer(const rtl::FormValue& value);
  bool WriteInternalVer(rtl::FormValue& value) const;
  void ReadStrData(const rtl::FormValue& value);
  bool WriteStrData(rtl::FormValue& value) const;

  TStringList* strings_;
  std::string keyString_;
  int32_t capacity_ = 0;
  bool sorted_ = false;
  /// The version of the StrData being read; InternalVer precedes StrData in a resource.
  int32_t readVersion_ = 0;
};

/// Makes the holder's class known to form resources by name. Later calls do nothing.
void RegisterStringHolderClass();
