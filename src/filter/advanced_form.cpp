#include "filter/advanced_form.h"

#include "filter/merge_strategy.h"
#include "filter/options_form.h"
#include "frame/key_text.h"
#include "frame/plugin_cfg_form.h"
#include "rtl/form_registry.h"
#include "rtl/published_builder.h"
#include "rtl/published_registry.h"
#include "platform/codepage.h"
#include "ui/form_placement.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <utility>

TfrmAdvanced::TfrmAdvanced(TComponent* owner) : TForm(owner) {}

const rtl::MetaClass& TfrmAdvanced::StaticClass() {
  using T = TfrmAdvanced;
  static const rtl::MetaClass meta = rtl::Published<T, TForm>("TfrmAdvanced")
                                         .Field("lblAdvanced", &T::lblAdvanced)
                                         .Field("chkPartial", &T::chkPartial)
                                         .Field("chkKeepPending", &T::chkKeepPending)
                                         .Field("panAgeLimit", &T::panAgeLimit)
                                         .Field("panLifetime", &T::panLifetime)
                                         .Field("panTimeVar", &T::panTimeVar)
                                         .Field("panTimeJump", &T::panTimeJump)
                                         .Field("panGroupBy", &T::panGroupBy)
                                         .Field("panMaxGroups", &T::panMaxGroups)
                                         .Field("spAgeLimit", &T::spAgeLimit)
                                         .Field("spLifetime", &T::spLifetime)
                                         .Field("cbTimeVar", &T::cbTimeVar)
                                         .Field("spTimeJump", &T::spTimeJump)
                                         .Field("cbGroupBy", &T::cbGroupBy)
                                         .Field("spMaxGroups", &T::spMaxGroups)
                                         .Field("lblMerge", &T::lblMerge)
                                         .Field("lblMerge1", &T::lblMerge1)
                                         .Field("lblMerge2", &T::lblMerge2)
                                         .Field("lblMerge3", &T::lblMerge3)
                                         .Field("lblMerge4", &T::lblMerge4)
                                         .Field("lblMerge5", &T::lblMerge5)
                                         .Field("lblMerge6", &T::lblMerge6)
                                         .Field("lblMerge7", &T::lblMerge7)
                                         .Field("lblMerge8", &T::lblMerge8)
                                         .Field("cbMerge1", &T::cbMerge1)
                                         .Field("cbMerge2", &T::cbMerge2)
                                         .Field("cbMerge3", &T::cbMerge3)
                                         .Field("cbMerge4", &T::cbMerge4)
                                         .Field("cbMerge5", &T::cbMerge5)
                                         .Field("cbMerge6", &T::cbMerge6)
                                         .Field("cbMerge7", &T::cbMerge7)
                                         .Field("cbMerge8", &T::cbMerge8)
                                         .Field("panSeparator", &T::panSeparator)
                                         .Field("edSeparator", &T::edSeparator)
                                         .Field("__pBot", &T::pBot)
                                         .Handler("FormCreate", &T::FormCreate)
                                         .Handler("FormResize", &T::FormResize)
                                         .Handler("FormShow", &T::FormShow);
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
  for (TComboBox* box : {cbTimeVar, cbGroupBy})
    if (box)
      FillWithParserItems(*box, FindOwnerModule(this));
  if (lblMerge1)
    notSetCaption_ = lblMerge1->Caption();
  for (TComboBox* box : Merges()) {
    if (!box)
      continue;
    // The names are the stored words, shown untranslated; the engine reads a text that names
    // no strategy as "Last", and so does the box.
    const std::string loaded = platform::WideToAnsi(box->Text());
    for (std::string_view name : kMergeStrategyNames)
      box->Items()->Add(std::string(name));
    box->ItemsChanged();
    const TMergeStrategy strategy = MergeStrategyFromName(loaded).value_or(TMergeStrategy::Last);
    box->SetText(platform::AnsiToWide(std::string(MergeStrategyName(strategy))));
  }
}

void TfrmAdvanced::FormShow(TObject* sender) {
  const auto* options = dynamic_cast<const TfrmOption*>(Owner());
  const std::array<TLabel*, 8> labels = MergeLabels();
  for (std::size_t i = 0; i < labels.size(); ++i) {
    if (!labels[i])
      continue;
    TComboBox* var = options ? options->Vars()[i] : nullptr;
    std::u16string name = var ? var->Text() : std::u16string();
    if (frame::TrimText(platform::WideToAnsi(name)).empty()) {
      name = notSetCaption_;
      if (const std::size_t at = name.find(u"%d"); at != std::u16string::npos)
        name.replace(at, 2, platform::AnsiToWide(std::to_string(i + 1)));
    }
    labels[i]->SetCaption(name);
  }
  FormResize(sender);
}

void TfrmAdvanced::FormResize(TObject*) {
  const std::pair<TPanel*, TComboBox*> filled[] = {{panTimeVar, cbTimeVar},
                                                   {panGroupBy, cbGroupBy}};
  for (const auto& [row, box] : filled)
    if (row && box && row->ClientWidth() > box->Left())
      box->SetWidth(row->ClientWidth() - box->Left() - 4);
  if (!pBot)
    return;
  // The form ends below its lowest row, however high the wrapped texts above it have made the
  // rows.
  int32_t bottom = -1;
  for (int32_t i = 0; i < ControlCount(); ++i) {
    const TControl* row = Controls(i);
    if (row->Align() == alTop && row->Visible())
      bottom = std::max(bottom, row->Top() + row->Height());
  }
  if (bottom < 0)
    return;
  const int32_t height = bottom + 4 + pBot->Height();
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
  if (chkKeepPending)
    v.keepPending = chkKeepPending->Checked();
  if (spAgeLimit)
    v.ageLimit = spAgeLimit->Value();
  if (spLifetime)
    v.lifetime = spLifetime->Value();
  if (cbTimeVar)
    v.timeVar = cbTimeVar->Text();
  if (spTimeJump)
    v.timeJump = spTimeJump->Value();
  if (cbGroupBy)
    v.groupBy = cbGroupBy->Text();
  if (spMaxGroups)
    v.maxGroups = spMaxGroups->Value();
  const std::array<TComboBox*, 8> merges = Merges();
  for (std::size_t i = 0; i < merges.size(); ++i)
    if (merges[i])
      v.merges[i] = merges[i]->Text();
  if (edSeparator)
    v.separator = edSeparator->Text();
  return v;
}

void TfrmAdvanced::Give(const Values& v) {
  if (chkPartial)
    chkPartial->SetChecked(v.partial);
  if (chkKeepPending)
    chkKeepPending->SetChecked(v.keepPending);
  if (spAgeLimit)
    spAgeLimit->SetValue(v.ageLimit);
  if (spLifetime)
    spLifetime->SetValue(v.lifetime);
  if (cbTimeVar)
    cbTimeVar->SetText(v.timeVar);
  if (spTimeJump)
    spTimeJump->SetValue(v.timeJump);
  if (cbGroupBy)
    cbGroupBy->SetText(v.groupBy);
  if (spMaxGroups)
    spMaxGroups->SetValue(v.maxGroups);
  const std::array<TComboBox*, 8> merges = Merges();
  for (std::size_t i = 0; i < merges.size(); ++i)
    if (merges[i])
      merges[i]->SetText(v.merges[i]);
  if (edSeparator)
    edSeparator->SetText(v.separator);
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
