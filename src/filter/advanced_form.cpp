#include "filter/advanced_form.h"

#include "filter/options_form.h"
#include "frame/plugin_cfg_form.h"
#include "rtl/form_registry.h"
#include "rtl/published_builder.h"
#include "rtl/published_registry.h"
#include "ui/form_placement.h"

#include <memory>
#include <mutex>

TfrmAdvanced::TfrmAdvanced(TComponent* owner) : TForm(owner) {}

const rtl::MetaClass& TfrmAdvanced::StaticClass() {
  using T = TfrmAdvanced;
  static const rtl::MetaClass meta = rtl::Published<T, TForm>("TfrmAdvanced")
                                         .Field("lblAdvanced", &T::lblAdvanced)
                                         .Field("chkPartial", &T::chkPartial)
                                         .Field("panAgeLimit", &T::panAgeLimit)
                                         .Field("panLifetime", &T::panLifetime)
                                         .Field("panGroupBy", &T::panGroupBy)
                                         .Field("panMaxGroups", &T::panMaxGroups)
                                         .Field("spAgeLimit", &T::spAgeLimit)
                                         .Field("spLifetime", &T::spLifetime)
                                         .Field("cbGroupBy", &T::cbGroupBy)
                                         .Field("spMaxGroups", &T::spMaxGroups)
                                         .Field("__pBot", &T::pBot)
                                         .Handler("FormCreate", &T::FormCreate)
                                         .Handler("FormResize", &T::FormResize);
  return meta;
}

void RegisterAdvancedFormClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterControlClasses();
    rtl::RegisterClass<TfrmAdvanced>();
  });
}

TfrmAdvanced* TfrmAdvanced::Create(TForm* options) {
  RegisterAdvancedFormClasses();
  auto form = std::make_unique<TfrmAdvanced>(options);
  rtl::LoadFormResource(*form, "TfrmAdvanced");
  form->DoCreate();
  return form.release();
}

void TfrmAdvanced::FormCreate(TObject*) {
  // The caption is the dialog's own (translated); where it appears follows the options dialog.
  InitPluginConfigForm(this, cfOkCancelPanels | cfNoPlacement | cfNoCaption);
  // The run counts as confirmed the moment OK closes it, not when its modal loop has unwound: a
  // press of the options dialog's OK that reaches the host's thread before then (a message sent
  // from another thread is handled while the closing dialog still pumps) saves these values.
  OnClose = [this, frameClose = OnClose](TObject* sender, TCloseAction& action) {
    if (frameClose)
      frameClose(sender, action);
    if (action != caNone && ModalResult() == mrOk)
      confirmed_ = true;
  };
  if (cbGroupBy)
    FillWithParserItems(*cbGroupBy, FindOwnerModule(this));
}

void TfrmAdvanced::FormResize(TObject*) {
  if (panGroupBy && cbGroupBy && panGroupBy->ClientWidth() > cbGroupBy->Left())
    cbGroupBy->SetWidth(panGroupBy->ClientWidth() - cbGroupBy->Left() - 4);
  if (!panMaxGroups || !pBot)
    return;
  const int32_t height = panMaxGroups->Top() + panMaxGroups->Height() + 4 + pBot->Height();
  Constraints()->MaxHeight = 0;
  Constraints()->MinHeight = 0;
  SetClientHeight(height);
  Constraints()->MaxHeight = Height();
  Constraints()->MinHeight = Height();
}

TfrmAdvanced::Values TfrmAdvanced::Take() const {
  Values v;
  if (chkPartial)
    v.partial = chkPartial->Checked();
  if (spAgeLimit)
    v.ageLimit = spAgeLimit->Value();
  if (spLifetime)
    v.lifetime = spLifetime->Value();
  if (cbGroupBy)
    v.groupBy = cbGroupBy->Text();
  if (spMaxGroups)
    v.maxGroups = spMaxGroups->Value();
  return v;
}

void TfrmAdvanced::Give(const Values& v) {
  if (chkPartial)
    chkPartial->SetChecked(v.partial);
  if (spAgeLimit)
    spAgeLimit->SetValue(v.ageLimit);
  if (spLifetime)
    spLifetime->SetValue(v.lifetime);
  if (cbGroupBy)
    cbGroupBy->SetText(v.groupBy);
  if (spMaxGroups)
    spMaxGroups->SetValue(v.maxGroups);
}

TModalResult TfrmAdvanced::Edit(uintptr_t owner) {
  const Values before = Take();
  OwnerWindow = owner;
  CentreFormOver(*this, owner);
  TModalResult result = mrCancel;
  try {
    result = ShowModal();
  } catch (...) {
    Give(before);
    throw;
  }
  if (result == mrOk)
    confirmed_ = true;
  else
    Give(before);
  return result;
}
