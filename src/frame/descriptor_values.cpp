// The instance values a command may replace while an export of another thread reads them. The
// descriptor exports and the host log run on any host thread, while SET-MODULE-PARAMETER replaces
// Description, LogTitle, EventsSupported, the module type or the custom commands: readers copy the
// value under the shared DescriptorLock (a text is a counted block, so the copy keeps it alive),
// writers replace it under the exclusive lock.
#include "frame/plugin.h"

uint32_t TzetPlugin::TypeWord() const {
  rtl::ReadGuard hold(DescriptorLock);
  return ModuleTypeWord(ModuleType, ModuleOptions);
}

rtl::AnsiString TzetPlugin::DescriptorText(const rtl::AnsiString& field) const {
  rtl::ReadGuard hold(DescriptorLock);
  return field;
}

TModuleTypes TzetPlugin::CurrentModuleType() const {
  rtl::ReadGuard hold(DescriptorLock);
  return ModuleType;
}

std::string TzetPlugin::CustomCommandsText() const {
  rtl::ReadGuard hold(DescriptorLock);
  return CustomCommands ? CustomCommands->Text() : std::string();
}

const char* TzetPlugin::DescriptionForHost() const {
  rtl::ReadGuard hold(DescriptorLock);
  return Description.CStr();
}

void TzetPlugin::ReplaceDescriptorText(rtl::AnsiString& field, rtl::AnsiString value) {
  rtl::WriteGuard hold(DescriptorLock);
  if (&field != &Description) {
    field = std::move(value);
    return;
  }
  // A text equal to one kept takes the kept block, so that a host switching between a few
  // descriptions never has the text it still reads freed; a replaced text is kept in the ring.
  bool kept = false;
  for (const rtl::AnsiString& retired : retiredDescriptions_) {
    if (retired == value)
      value = retired;
    kept = kept || retired.BlockPointer() == Description.BlockPointer();
  }
  if (!kept && !Description.IsEmpty()) {
    retiredDescriptions_[nextRetired_] = Description;
    nextRetired_ = (nextRetired_ + 1) % kRetiredDescriptions;
  }
  Description = std::move(value);
}
