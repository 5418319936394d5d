#include "filter/options_form.h"

#include "filter/advanced_form.h"
#include "frame/plugin.h"
#include "frame/plugin_cfg_form.h"
#include "platform/codepage.h"
#include "rtl/form_registry.h"
#include "rtl/published_builder.h"
#include "rtl/published_registry.h"

#include <memory>
#include <mutex>

TfrmOption::TfrmOption(TComponent* owner) : TForm(owner) {}

const rtl::MetaClass& TfrmOption::StaticClass() {
  using T = TfrmOption;
  static const rtl::MetaClass meta = rtl::Published<T, TForm>("TfrmOption")
                                         .Field("Label1", &T::Label1)
                                         .Field("gbParams", &T::gbParams)
                                         .Field("pan01", &T::pan01)
                                         .Field("pan02", &T::pan02)
                                         .Field("sp2", &T::sp2)
                                         .Field("pan1", &T::pan1)
                                         .Field("spTimeout", &T::spTimeout)
                                         .Field("chkNoReset", &T::chkNoReset)
                                         .Field("__pBot", &T::pBot)
                                         .Handler("FormCreate", &T::FormCreate)
                                         .Field("var1", &T::var1)
                                         .Field("var2", &T::var2)
                                         .Field("var3", &T::var3)
                                         .Field("var4", &T::var4)
                                         .Field("var5", &T::var5)
                                         .Field("var6", &T::var6)
                                         .Field("var7", &T::var7)
                                         .Field("var8", &T::var8)
                                         .Handler("FormResize", &T::FormResize)
                                         .Field("btnAdvanced", &T::btnAdvanced)
                                         .Handler("btnAdvancedClick", &T::btnAdvancedClick);
  return meta;
}

void RegisterOptionsFormClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterControlClasses();
    rtl::RegisterClass<TfrmOption>();
  });
}

TfrmOption* TfrmOption::Create(TzetPlugin* module) {
  RegisterOptionsFormClasses();
  auto form = std::make_unique<TfrmOption>(module);
  rtl::LoadFormResource(*form, "TfrmOption");
  form->DoCreate();
  return form.release();
}

void FillWithParserItems(TComboBox& box, TzetPlugin* module) {
  if (module) {
    const int32_t count = module->ParserItemCount();
    for (int32_t i = 0; i < count; ++i)
      box.Items()->Add(module->GetParserItem(i).Name.Str());
  }
  box.SetSorted(true);
  box.ItemsChanged();
}

void TfrmOption::FormCreate(TObject*) {
  InitPluginConfigForm(this, cfSaveOnClose | cfOkCancelPanels);
  // After OK the advanced options confirmed meanwhile are saved with this dialog's own.
  if (TCloseEvent frameClose = OnClose)
    OnClose = [this, frameClose](TObject* sender, TCloseAction& action) {
      frameClose(sender, action);
      if (ModalResult() == mrOk && advanced_ && advanced_->Confirmed() &&
          !SaveConfirmedForm(*advanced_))
        SetModalResult(mrCancel);
    };
  const std::array<TComboBox*, 8> vars = Vars();
  TComboBox* first = vars[0];
  if (!first)
    return;
  FillWithParserItems(*first, dynamic_cast<TzetPlugin*>(Owner()));
  for (std::size_t i = 1; i < vars.size(); ++i)
    if (vars[i]) {
      vars[i]->Items()->Assign(*first->Items());
      vars[i]->ItemsChanged();
    }
}

void TfrmOption::btnAdvancedClick(TObject*) {
  if (!advanced_)
    advanced_ = TfrmAdvanced::Create(this);
  advanced_->Edit(Handle());
}

void TfrmOption::FormResize(TObject*) {
  // The columns share the width inside the group box's frame, where its panels are aligned.
  const int32_t inner = gbParams ? gbParams->AlignRect().width : 0;
  if (gbParams && pan01 && pan02 && var7 && sp2 && inner > 0) {
    const int32_t half = inner / 2;
    pan01->SetWidth(half);
    pan02->SetWidth(half);
    gbParams->SetClientHeight(pan01->Top() + var7->Top() + var7->Height() + sp2->Height());
  }
  if (!chkNoReset || !pBot)
    return;
  const int32_t height = chkNoReset->Top() + chkNoReset->Height() + 4 + pBot->Height();
  Constraints()->MaxHeight = 0;
  Constraints()->MinHeight = 0;
  SetClientHeight(height);
  Constraints()->MaxHeight = Height();
  Constraints()->MinHeight = Height();
}
