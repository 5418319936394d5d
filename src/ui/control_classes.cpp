#include "rtl/published_registry.h"
#include "ui/form.h"
#include "ui/std_controls.h"

void RegisterControlClasses() {
  rtl::RegisterClass<TLabel>();
  rtl::RegisterClass<TBevel>();
  rtl::RegisterClass<TPanel>();
  rtl::RegisterClass<TGroupBox>();
  rtl::RegisterClass<TButton>();
  rtl::RegisterClass<TComboBox>();
  rtl::RegisterClass<TEdit>();
  rtl::RegisterClass<TSpinEdit>();
  rtl::RegisterClass<TCheckBox>();
}
