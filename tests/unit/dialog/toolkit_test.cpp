// The control toolkit without a module: alignment, the spin box's and the combo box's rules, the
// button rows and the placement arithmetic. The same code runs natively and under wine; while a
// form runs modally the state goes through the system's controls.
#include "ui/form.h"
#include "ui/form_placement.h"
#include "ui/ok_cancel_panels.h"
#include "ui/std_controls.h"

#include <gtest/gtest.h>

namespace {

struct ScreenScope {
  explicit ScreenScope(platform::ScreenCalls calls) : before(platform::SetScreenCalls(calls)) {}
  ~ScreenScope() { platform::SetScreenCalls(before); }
  platform::ScreenCalls before;
};

platform::ControlRect gOwnerRect{100, 50, 800, 600};
bool Desktop(platform::ControlRect& r) {
  r = {0, 0, 1920, 1080};
  return true;
}
bool OwnerRect(uintptr_t window, platform::ControlRect& r) {
  if (window != 0x42)
    return false;
  r = gOwnerRect;
  return true;
}
bool Monitor(platform::ControlRect& r) {
  r = {0, 0, 1280, 1024};
  return true;
}
bool NoMonitor(platform::ControlRect&) {
  return false;
}

TEST(Toolkit, AlignedControlsStackTopBottomLeftAndClient) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 216, 239); // client 200 x 200 with the stand-in's frame of 16 x 39
  form.SetBorderWidth(3);
  auto* top1 = new TPanel(&form);
  top1->SetParent(&form);
  top1->SetBounds(0, 0, 10, 20);
  top1->SetAlign(alTop);
  auto* top2 = new TPanel(&form);
  top2->SetParent(&form);
  top2->SetBounds(0, 50, 10, 30);
  top2->SetAlign(alTop);
  auto* bottom = new TPanel(&form);
  bottom->SetParent(&form);
  bottom->SetBounds(0, 0, 10, 40);
  bottom->SetAlign(alBottom);
  auto* left = new TPanel(&form);
  left->SetParent(&form);
  left->SetBounds(0, 0, 60, 10);
  left->SetAlign(alLeft);
  auto* rest = new TPanel(&form);
  rest->SetParent(&form);
  rest->SetAlign(alClient);

  const int32_t cw = form.ClientWidth(), ch = form.ClientHeight();
  EXPECT_EQ(top1->BoundsRect(), (platform::ControlRect{3, 3, cw - 6, 20}));
  EXPECT_EQ(top2->BoundsRect(), (platform::ControlRect{3, 23, cw - 6, 30}));
  EXPECT_EQ(bottom->BoundsRect(), (platform::ControlRect{3, ch - 3 - 40, cw - 6, 40}));
  EXPECT_EQ(left->BoundsRect(), (platform::ControlRect{3, 53, 60, ch - 3 - 40 - 53}));
  EXPECT_EQ(rest->BoundsRect(), (platform::ControlRect{63, 53, cw - 66, ch - 3 - 40 - 53}));

  // A wider form widens the stacked controls; a control anchored right follows the edge.
  auto* anchored = new TButton(&form);
  anchored->SetParent(rest);
  anchored->SetBounds(10, 10, 20, 20);
  anchored->SetAnchors(akTop | akRight);
  form.SetWidth(form.Width() + 40);
  EXPECT_EQ(top1->Width(), cw + 40 - 6);
  EXPECT_EQ(anchored->Left(), 50);
}

TEST(Toolkit, SpinEditTakesWholeNumbersWithinItsLimits) {
  TSpinEdit spin(nullptr);
  spin.SetValue(500.7);
  EXPECT_EQ(spin.Value(), 500);
  EXPECT_EQ(spin.Text(), u"500");
  spin.SetText(u"abc");
  EXPECT_EQ(spin.Value(), 500) << "text that is no number keeps the value";
  spin.SetText(u" -12 ");
  EXPECT_EQ(spin.Value(), -12);
  spin.SetText(u"99999999999999");
  EXPECT_EQ(spin.Value(), 2147483647.0);
  spin.MinValue = 10;
  spin.MaxValue = 100;
  spin.SetValue(500);
  EXPECT_EQ(spin.Value(), 100);
  spin.SetValue(-5);
  EXPECT_EQ(spin.Value(), 10);
}

TEST(Toolkit, SortedComboListKeepsDuplicatesAndIgnoresCase) {
  TComboBox box(nullptr);
  for (const char* item : {"b", "A", "c", "b"})
    box.Items()->Add(item);
  box.SetText(u"typed");
  box.SetSorted(true);
  ASSERT_EQ(box.Items()->Count(), 4);
  EXPECT_EQ(box.Items()->Text(), "A\r\nb\r\nb\r\nc\r\n");
  EXPECT_EQ(box.AddItem("B2"), 3);
  EXPECT_EQ(box.Text(), u"typed") << "sorting leaves the edit text alone";
  box.SetItemIndex(0);
  EXPECT_EQ(box.Text(), u"A");
  box.SetItemIndex(17);
  EXPECT_EQ(box.ItemIndex(), -1);
}

class OkCancelRows : public ::testing::Test {
protected:
  TPanel* Panel(const char* name, const char* hint, int32_t width) {
    auto* panel = new TPanel(&form_);
    panel->SetName(name);
    panel->SetParent(&form_);
    panel->SetBounds(0, 0, width, 45);
    panel->SetHint(hint);
    return panel;
  }
  TControl* Named(const char* name) { return dynamic_cast<TControl*>(form_.FindComponent(name)); }
  TForm form_{nullptr};
};

TEST_F(OkCancelRows, CentredAndRightRowsPlaceTheButtons) {
  TPanel* centre = Panel("__pBot", "OkCancel", 367);
  SetUpOkCancelPanels(form_);
  EXPECT_EQ(centre->Height(), 50);
  EXPECT_EQ(centre->Hint(), "");
  EXPECT_EQ(Named("btnOK")->BoundsRect(), (platform::ControlRect{104, 17, 75, 25}));
  EXPECT_EQ(Named("btnCancel")->BoundsRect(), (platform::ControlRect{183, 17, 75, 25}));
  auto* cancel = dynamic_cast<TButton*>(Named("btnCancel"));
  auto* ok = dynamic_cast<TButton*>(Named("btnOK"));
  EXPECT_TRUE(cancel->Default && cancel->Cancel);
  EXPECT_FALSE(ok->Default);
  EXPECT_EQ(ok->ModalResult, mrOk);
  EXPECT_EQ(cancel->ModalResult, mrCancel);
  TOkCancelOptions* row = OkCancelOptionsOf(*centre);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->Alignment, TOkCancelOptions::kCentre);
  ASSERT_EQ(row->Strings()->Count(), 3);
  EXPECT_NE(dynamic_cast<TBevel*>(row->Strings()->Objects(2)), nullptr) << "the bevel is last";

  // The row follows the panel's width.
  centre->SetWidth(467);
  EXPECT_EQ(Named("btnOK")->Left(), 154);
}

TEST_F(OkCancelRows, RightRowLowerCaseHintAndDesignedButtonFirst) {
  TPanel* right = Panel("__right", "okcancelright", 367);
  TPanel* plain = Panel("pNoPrefix", "OkCancel", 367);
  auto* designed = new TButton(&form_);
  designed->SetName("btnHelp");
  designed->SetParent(right);
  SetUpOkCancelPanels(form_);
  EXPECT_EQ(right->Hint(), "");
  EXPECT_EQ(plain->Hint(), "OkCancel") << "a panel whose name lacks __ gets no buttons";
  EXPECT_EQ(plain->Height(), 45);
  // Three buttons of 75 with gaps of 4: 367 - 237 - 4 = 126.
  EXPECT_EQ(designed->Left(), 126);
  EXPECT_EQ(Named("btnOK")->Left(), 205);
  EXPECT_EQ(Named("btnCancel")->Left(), 284);
  EXPECT_EQ(OkCancelOptionsOf(*right)->Strings()->Objects(0), designed);
}

TEST(Placement, OffScreenTestUsesTheCentreAndTheCaptionBar) {
  ScreenScope screen({&Desktop, &OwnerRect, &Monitor});
  EXPECT_FALSE(IsFormOffScreen({100, 100, 389, 300}));
  EXPECT_TRUE(IsFormOffScreen({1920 - 100, 100, 389, 300})) << "centre right of the desktop";
  EXPECT_FALSE(IsFormOffScreen({1920 - 250, 100, 389, 300}));
  EXPECT_TRUE(IsFormOffScreen({-300, 100, 389, 300}));
  EXPECT_TRUE(IsFormOffScreen({100, -31, 389, 300})) << "caption bar out of reach";
  EXPECT_FALSE(IsFormOffScreen({100, -30, 389, 300}));
  EXPECT_TRUE(IsFormOffScreen({100, 1000, 389, 300}));
}

TEST(Placement, CentresOverTheOwnerElseTheMonitorElseStays) {
  TForm form(nullptr);
  form.SetBounds(5, 6, 389, 300);
  {
    ScreenScope screen({&Desktop, &OwnerRect, &Monitor});
    CentreFormOver(form, 0x42);
    EXPECT_EQ(form.BoundsRect(), (platform::ControlRect{100 + 205, 50 + 150, 389, 300}));
    CentreFormOver(form, 0x43); // a window whose rectangle cannot be read
    EXPECT_EQ(form.BoundsRect(), (platform::ControlRect{445, 362, 389, 300}));
  }
  ScreenScope screen({&Desktop, &OwnerRect, &NoMonitor});
  form.SetBounds(5, 6, 389, 300);
  CentreFormOver(form, 0);
  EXPECT_EQ(form.BoundsRect(), (platform::ControlRect{5, 6, 389, 300}));
}

TEST(Toolkit, ModalRunAnswersTheButtonsResultAndReadsTheControlsBack) {
  TForm form(nullptr);
  form.SetBounds(10, 10, 300, 200);
  auto* panel = new TPanel(&form);
  panel->SetName("__p");
  panel->SetParent(&form);
  panel->SetAlign(alBottom);
  panel->SetHint("OkCancel");
  auto* box = new TComboBox(&form);
  box->SetParent(&form);
  box->Items()->Add("one");
  auto* check = new TCheckBox(&form);
  check->SetParent(&form);
  SetUpOkCancelPanels(form);
  int closes = 0;
  form.OnClose = TCloseEvent([&](TObject*, TCloseAction& action) {
    ++closes;
    // The controls still answer with what the user left in them.
    EXPECT_EQ(box->Text(), u"typed");
    EXPECT_TRUE(check->Checked());
    if (closes == 1)
      action = caNone; // the first close is refused: the form stays open
  });
  int shown = 0;
  form.OnShow = TUiNotifyEvent([&](TObject*) { ++shown; });

  auto before = platform::SetModalRunHook([&](platform::ControlHandle dialog) {
    EXPECT_NE(box->Handle(), 0u);
    platform::SetControlText(box->Handle(), u"typed");
    platform::SetControlChecked(check->Handle(), true);
    dynamic_cast<TButton*>(form.FindComponent("btnOK"))->Click();
    EXPECT_EQ(form.ModalResult(), mrNone) << "OnClose refused";
    form.PressEnter(); // the default button is Cancel
  });
  EXPECT_EQ(form.ShowModal(), mrCancel);
  platform::SetModalRunHook(before);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(closes, 2);
  EXPECT_EQ(box->Handle(), 0u);
  EXPECT_EQ(box->Text(), u"typed") << "the state stays after the run";
  EXPECT_TRUE(check->Checked());
}

} // namespace
