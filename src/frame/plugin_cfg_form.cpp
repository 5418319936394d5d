#include "frame/plugin_cfg_form.h"

#include "frame/host_log.h"
#include "frame/plugin.h"
#include "frame/settings_location.h"
#include "platform/codepage.h"
#include "rtl/file_names.h"
#include "rtl/published_builder.h"
#include "settings/string_holder.h"
#include "ui/form_placement.h"
#include "ui/ok_cancel_panels.h"

namespace {

constexpr int32_t kNoTranslationOfCaption = 10002;
constexpr int32_t kNoTranslation = 9999;

std::string HelpFileOf(const TzetPlugin& module) {
  std::string name = module.ModuleName.Str();
  const std::size_t slash = name.find_last_of("\\/");
  const std::size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
    name.erase(dot);
  return module.ModulePath.Str() + name + ".chm";
}

std::u16string CaptionOf(const TzetPlugin& module) {
  const bool multi = (module.ModuleOptions & ModuleOptionBit(moMultiConfig)) != 0;
  const std::string& description = module.Description.Str();
  const std::string title =
      multi || description.find('\n') != std::string::npos ? module.LogTitle.Str() : description;
  return platform::AnsiToWide(title + " " + module.DisplayFullVersion.Str());
}

} // namespace

const rtl::MetaClass& TPluginCfgHelp::StaticClass() {
  using T = TPluginCfgHelp;
  static const rtl::MetaClass meta = rtl::Published<T, THtmlHelp>("TPluginCfgHelp");
  return meta;
}

void TPluginConfigFormFunc::LayoutOkCancelPanel(TObject* sender) {
  ::LayoutOkCancelPanel(sender);
}

void TPluginConfigFormFunc::SaveFormOnClose(TObject* sender, TCloseAction&) {
  auto* form = dynamic_cast<TForm*>(sender);
  if (!form)
    return;
  TzetPlugin* module = FindOwnerModule(form);
  TzetStrHolder* map = FindPropertyMap(*form);
  if (!module || !map)
    return;
  if (form->ModalResult() == mrOk)
    SaveConfirmedForm(*form);
  else
    frame::SaveShortSettings(*module, map->Strings(), form);
}

TzetPlugin* FindOwnerModule(const TComponent* component) {
  for (TComponent* c = component ? component->Owner() : nullptr; c; c = c->Owner())
    if (auto* module = dynamic_cast<TzetPlugin*>(c))
      return module;
  return nullptr;
}

TzetStrHolder* FindPropertyMap(const TForm& form) {
  for (TComponent* owner = form.Owner(); owner; owner = owner->Owner())
    if (TComponent* found = owner->FindComponent("Properties"))
      return dynamic_cast<TzetStrHolder*>(found);
  return dynamic_cast<TzetStrHolder*>(form.FindComponent("Properties"));
}

void LoadFormSettings(TForm& form) {
  TzetPlugin* module = FindOwnerModule(&form);
  TzetStrHolder* map = FindPropertyMap(form);
  if (!module || !map)
    return;
  if (dynamic_cast<TForm*>(form.Owner()))
    frame::LoadControlSettings(*module, map->Strings(), &form);
  else
    frame::LoadSettings(*module, map->Strings(), &form);
}

bool SaveFormSettings(TForm& form, std::string* error) {
  TzetPlugin* module = FindOwnerModule(&form);
  TzetStrHolder* map = FindPropertyMap(form);
  if (!module || !map)
    return false;
  if (dynamic_cast<TForm*>(form.Owner()))
    return frame::SaveControlSettings(*module, map->Strings(), &form, error);
  return frame::SaveSettings(*module, map->Strings(), &form, error);
}

bool SaveConfirmedForm(TForm& form) {
  std::string error;
  if (SaveFormSettings(form, &error))
    return true;
  TzetPlugin* module = FindOwnerModule(&form);
  if (!module || !FindPropertyMap(form))
    return false;
  if (error.empty())
    error = "The settings store gave no reason";
  frame::QueueLogLine(module, 0, "The settings could not be saved: " + error + " {SHOWOPTIONS}");
  // Still closing: the new answer is what the modal run returns.
  form.SetModalResult(mrCancel);
  return false;
}

bool KeepLoadedPosition(const TForm& form, const TzetPlugin& module) {
  const TRect& b = module.FormBounds;
  if (module.OwnerForm == 0 || (b.Left == 0 && b.Top == 0 && b.Right == 0 && b.Bottom == 0))
    return false;
  const bool moved = form.Left() != b.Left || form.Top() != b.Top ||
                     form.Left() + form.Width() != b.Right ||
                     form.Top() + form.Height() != b.Bottom;
  return moved && !IsFormOffScreen(form.BoundsRect());
}

void CentreForm(TForm& form, const TzetPlugin& module) {
  // The library has no main form of its own: without an owner window the monitor under the
  // mouse is the area.
  CentreFormOver(form, module.OwnerForm);
}

void InitPluginConfigForm(TForm* form, uint8_t flags) {
  if (!form)
    return;
  TzetPlugin* module = FindOwnerModule(form);
  if (!(flags & cfNoCaption) && module) {
    form->SetCaption(CaptionOf(*module));
    form->SetTag(kNoTranslationOfCaption);
  }

  TComponent* help = form->FindComponent("HtmlHelp");
  if (!help)
    help = form->FindComponent("HtmlHelp1");
  if (!help) {
    help = new TPluginCfgHelp(form);
    help->SetTag(kNoTranslation);
  }
  if (module)
    form->HelpFile = HelpFileOf(*module);
  // A help component of the frame's own kind, or the viewer it derives from, takes the file.
  if (auto* viewer = dynamic_cast<THtmlHelp*>(help))
    viewer->SetChmFile(form->HelpFile);

  if (flags & cfOkCancelPanels)
    SetUpOkCancelPanels(*form);
  if (module)
    module->TranslateComponents(form);
  if (!(flags & cfNoPlacement) && module)
    module->FormBounds = {form->Left(), form->Top(), form->Left() + form->Width(),
                          form->Top() + form->Height()};
  if (!(flags & cfNoLoad))
    LoadFormSettings(*form);
  if (!(flags & cfNoPlacement) && !(module && KeepLoadedPosition(*form, *module)))
    CentreFormOver(*form, module ? module->OwnerForm : 0);
  if (flags & cfSaveOnClose)
    form->OnClose = TCloseEvent(&TPluginConfigFormFunc::SaveFormOnClose);
}
