// Component translation over a tree of components: markers, combo-box items, edit controls,
// fonts of the East Asian character sets, loading once per pair of languages, expiry.
#include "language_test_support.h"
#include "manual_timer_clock.h"
#include "test_controls.h"

#include "support/application.h"
#include "support/message_pump.h"
#include "support/translator.h"
#include "support/translator_custom.h"

#include <gtest/gtest.h>

using language_test::CrLf;
using language_test::TempFolder;

namespace {

const std::string kEntries =
    CrLf({"EN:>Open", "RU:>Otkryt", "", "EN:>Close", "RU:>Zakryt", "", "EN:>Help", "RU:>Spravka",
          "", "EN:>One", "RU:>Odin", "", "EN:>Two", "RU:>Dva", "", "EN:>Tip", "RU:>Podskazka", ""});

class Translator : public ::testing::Test {
protected:
  Translator() : form(new TTestForm(nullptr)) {
    form->SetName("Form1");
    form->Caption = "Open";
    tr.LanguageFile = folder.Write("app.lng", kEntries);
    tr.ExpiryScheduler = &clock;
  }
  ~Translator() override { delete form; }
  bool Run(TObject* root = nullptr, const char* target = "RU") {
    return tr.Translate(target, root ? root : form, nullptr, "EN");
  }

  TempFolder folder;
  ManualTimerClock clock;
  TWtransl tr{nullptr};
  TTestForm* form;
};

TEST_F(Translator, OwnedComponentsAreTranslatedUnlessAMarkerKeepsThem) {
  auto* plain = TTestControl::Make(form, "Plain", "Close");
  plain->Hint = u"Tip";
  auto* noText = TTestControl::Make(form, "NoText", "Close");
  noText->Text = "Open";
  noText->SetTag(10016); // text skipped, caption translated
  auto* noCaption = TTestControl::Make(form, "NoCaption", "Close");
  noCaption->Hint = u"Tip";
  noCaption->SetTag(10002);
  auto* outOfRange = TTestControl::Make(form, "OutOfRange", "Close");
  outOfRange->SetTag(10048); // no effect
  auto* kept = TTestControl::Make(form, "Kept", "Close");
  kept->SetTag(9999);
  TTestControl::Make(kept, "KeptChild", "Close");
  auto* panel = TTestControl::Make(form, "__pBot", "Close");
  auto* inPanel = TTestControl::Make(panel, "InPanel", "Close");
  auto* ownOnly = TTestControl::Make(form, "_own", "Close");
  auto* notOwned = TTestControl::Make(ownOnly, "NotOwned", "Close");
  auto* helpSkip = TTestControl::Make(form, "HelpSkip", "Close");
  helpSkip->HelpContext = 9999;
  auto* ownSkipped = TTestControl::Make(form, "OwnSkipped", "Close");
  ownSkipped->SetTag(9998);
  auto* ownedBySkipped = TTestControl::Make(ownSkipped, "OwnedBySkipped", "Open");
  std::vector<TObject*> custom;
  tr.OnCustomTranslate = [&](TObject*, TObject* comp, TWtranslLanguagesList*) {
    custom.push_back(comp);
  };
  auto* customOnly = TTestControl::Make(form, "CustomOnly", "Close");
  customOnly->SetTag(9997);

  ASSERT_TRUE(Run());
  EXPECT_EQ(form->Caption, "Otkryt");
  EXPECT_EQ(plain->Caption, "Zakryt");
  EXPECT_EQ(plain->Hint, u"Podskazka");
  EXPECT_EQ(noText->Caption, "Zakryt");
  EXPECT_EQ(noText->Text, "Open");
  EXPECT_EQ(noCaption->Caption, "Close");
  EXPECT_EQ(noCaption->Hint, u"Podskazka");
  EXPECT_EQ(outOfRange->Caption, "Zakryt");
  EXPECT_EQ(kept->Caption, "Close");
  EXPECT_EQ(static_cast<TTestControl*>(kept->Components(0))->Caption, "Close");
  EXPECT_EQ(panel->Caption, "Close");
  EXPECT_EQ(inPanel->Caption, "Close");
  EXPECT_EQ(ownOnly->Caption, "Zakryt");
  EXPECT_EQ(notOwned->Caption, "Close");
  EXPECT_EQ(helpSkip->Caption, "Close");
  EXPECT_EQ(ownSkipped->Caption, "Close");
  EXPECT_EQ(ownedBySkipped->Caption, "Otkryt");
  EXPECT_EQ(customOnly->Caption, "Close");
  EXPECT_NE(std::find(custom.begin(), custom.end(), customOnly), custom.end());
}

TEST_F(Translator, ModuleObjectWithAStringHolderOfTag9999) {
  TComponent module(nullptr);
  auto* holder = TTestControl::Make(&module, "Properties", "Open");
  holder->Lines.Add(u"Close");
  holder->SetTag(9999);
  auto* other = TTestControl::Make(&module, "Other", "Open");
  other->Lines.Add(u"Close");
  ASSERT_TRUE(Run(&module));
  EXPECT_EQ(holder->Caption, "Open");
  EXPECT_EQ(holder->Lines.Strings(0), u"Close");
  EXPECT_EQ(other->Caption, "Otkryt");
}

TEST_F(Translator, EditTextStaysAndComboItemsAreTranslatedWithTheirIndex) {
  tr.ComponentProperties.Add("Lines");
  auto* edit = TTestControl::Make<TTestEdit>(form, "Edit1", "Open");
  edit->Text = "Open";
  auto* combo = TTestControl::Make<TTestComboBox>(form, "Combo1", "Open");
  combo->Text = "Two";
  combo->Items.Add("One");
  combo->Items.Add("Two");
  combo->Items.Add("Three");
  combo->ItemIndex = 1;
  combo->Lines.Add(u"One"); // a wide list: through the registered custom translator
  auto* noItems = TTestControl::Make<TTestComboBox>(form, "Combo2", "");
  noItems->Items.Add("One");
  noItems->SetTag(10004);

  ASSERT_TRUE(Run());
  EXPECT_EQ(edit->Caption, "Otkryt");
  EXPECT_EQ(edit->Text, "Open");
  EXPECT_EQ(combo->Items[0], "Odin");
  EXPECT_EQ(combo->Items[1], "Dva");
  EXPECT_EQ(combo->Items[2], "Three");
  EXPECT_EQ(combo->ItemIndex, 1);
  EXPECT_EQ(combo->Text, "Dva");
  EXPECT_EQ(combo->Lines.Strings(0), u"Odin");
  EXPECT_EQ(noItems->Items[0], "One");
}

TEST_F(Translator, EastAsianCharsetEnlargesTheFormFontOnEveryTranslation) {
  tr.LanguageFile = folder.Write("app.lng", CrLf({"//Charset=shift-jis", ""}) + kEntries);
  form->Font.Size = 9;
  auto* ownFont = TTestControl::Make(form, "OwnFont", "Open");
  ownFont->ParentFont = false;
  ownFont->Font.Size = 10;
  auto* symbols = TTestControl::Make(form, "Symbols", "Open");
  symbols->ParentFont = false;
  symbols->Font.Charset = 2;
  auto* parentFont = TTestControl::Make(form, "ParentFont", "Open");

  ASSERT_TRUE(Run());
  EXPECT_EQ(form->Font.Size, 11);
  EXPECT_EQ(form->Font.Charset, 128);
  EXPECT_EQ(form->Tag(), 9998);
  EXPECT_EQ(ownFont->Font.Size, 12);
  EXPECT_EQ(ownFont->Font.Charset, 128);
  EXPECT_EQ(symbols->Font.Charset, 2);
  EXPECT_EQ(symbols->Font.Size, 8);
  EXPECT_EQ(parentFont->Font.Size, 8);
  EXPECT_EQ(parentFont->Font.Charset, 128);
  EXPECT_EQ(tr.EnlargedFontSize, 0); // only while the form is being translated

  ASSERT_TRUE(Run());
  EXPECT_EQ(form->Font.Size, 13);
  EXPECT_EQ(ownFont->Font.Size, 14);
}

TEST_F(Translator, ReadingOrderOfTheFileReachesTheControls) {
  tr.LanguageFile = folder.Write("app.lng", CrLf({"//BiDiMode=RightToLeft", ""}) + kEntries);
  auto* c = TTestControl::Make(form, "C", "Open");
  ASSERT_TRUE(Run());
  EXPECT_EQ(form->BiDiMode, 1);
  EXPECT_EQ(c->BiDiMode, 1);
}

TEST_F(Translator, TheFileIsReadOncePerPairOfLanguagesAndReleasedAfterTheExpiry) {
  ASSERT_TRUE(Run());
  EXPECT_EQ(form->Caption, "Otkryt");
  folder.Write("app.lng", CrLf({"EN:>Open", "RU:>new", "", "EN:>Open", "DE:>Offen", ""}));
  form->Caption = "Open";
  ASSERT_TRUE(Run());
  EXPECT_EQ(form->Caption, "Otkryt"); // same two languages: not read again
  form->Caption = "Open";
  ASSERT_TRUE(Run(nullptr, "DE"));
  EXPECT_EQ(form->Caption, "Offen"); // another target: read again
  form->Caption = "Open";
  ASSERT_TRUE(Run());
  EXPECT_EQ(form->Caption, "new");

  ASSERT_NE(tr.ExpiryTimer, nullptr);
  EXPECT_EQ(clock.Running(tr.ExpiryTimer->Window()), 20000u);
  clock.Advance(19999);
  support::ProcessMessages();
  EXPECT_NE(tr.Resources, nullptr);
  clock.Advance(1);
  support::ProcessMessages();
  EXPECT_EQ(tr.Resources, nullptr);
  EXPECT_EQ(tr.LoadedCount, 0);
  EXPECT_EQ(clock.Running(tr.ExpiryTimer->Window()), 0u);

  // A translation restarts the period.
  folder.Write("app.lng", CrLf({"EN:>Open", "RU:>newest", ""}));
  form->Caption = "Open";
  ASSERT_TRUE(Run());
  EXPECT_EQ(form->Caption, "newest");
  clock.Advance(15000);
  form->Caption = "Open";
  ASSERT_TRUE(Run());
  clock.Advance(15000);
  support::ProcessMessages();
  EXPECT_NE(tr.Resources, nullptr);
}

TEST_F(Translator, WithoutComponentOrTextEveryFormOfTheApplication) {
  tr.LanguageFile =
      folder.Write("app.lng", CrLf({"//BiDiMode=RightToLeftReadingOnly", ""}) + kEntries);
  TTestForm other(nullptr), skipped(nullptr);
  other.Caption = "Close";
  skipped.Caption = "Close";
  skipped.SetTag(9999);
  support::Application& app = support::TheApplication();
  app.AddForm(form);
  app.AddForm(&skipped);
  app.AddForm(&other);
  EXPECT_TRUE(tr.Translate("RU", nullptr, nullptr, "EN"));
  app.RemoveForm(form);
  app.RemoveForm(&skipped);
  app.RemoveForm(&other);
  EXPECT_EQ(form->Caption, "Otkryt");
  EXPECT_EQ(other.Caption, "Zakryt");
  EXPECT_EQ(skipped.Caption, "Close");
  EXPECT_EQ(tr.CurrentLanguage, "RU");
  EXPECT_EQ(app.BiDiMode, 3);
  app.BiDiMode = 0;
}

TEST_F(Translator, WithoutEntriesNothingChangesUnlessAnAnalysisModeIsOn) {
  int before = 0;
  tr.OnBeforeTranslate = [&](TObject*, TWtranslLanguagesList*) { ++before; };
  tr.LanguageFile = folder.File("missing.lng");
  EXPECT_FALSE(Run());
  EXPECT_EQ(tr.LoadedCount, -1);
  EXPECT_EQ(before, 1);
  EXPECT_EQ(form->Caption, "Open");
  EXPECT_EQ(tr.ExpiryTimer, nullptr);

  TWtransl analysis(nullptr, true);
  analysis.LanguageFile = folder.Write("empty.lng", CrLf({"//saveall", ""}));
  EXPECT_TRUE(analysis.Translate("RU", form, nullptr, "EN"));
  EXPECT_EQ(form->Caption, "Open");
}

TEST_F(Translator, HandlersDecideAndCustomTranslatorsJoin) {
  tr.OnPropertyTranslate = [](TObject*, TObject*, PPropInfo prop, const std::u16string&,
                              std::u16string& value, bool found, bool& doDefault) {
    if (prop && prop->Name() == "Hint")
      doDefault = false;
    else if (!found)
      value = u"(none)";
  };
  tr.OnBeforeTranslateComponent = [](TObject*, TObject* comp, TWtranslLanguagesList*, bool& allow) {
    allow = static_cast<TComponent*>(comp)->Name() != "Refused";
  };
  auto* a = TTestControl::Make(form, "A", "Unknown");
  a->Hint = u"Tip";
  auto* refused = TTestControl::Make(form, "Refused", "Open");

  struct Marker : TWtranslatorCustom {
    using TWtranslatorCustom::TWtranslatorCustom;
    bool Translate(TWtransl&, TObject* obj, TWtranslLanguagesList*, PPropInfo,
                   std::u16string*) override {
      if (auto* c = dynamic_cast<TTestControl*>(obj); c && c->Name() == "A")
        c->Text = "custom";
      return true;
    }
  };
  static bool registered = RegisterTranslatorCustom(ClassRefOf<TTestControl>("TTestControl"),
                                                    "Text", &MakeTranslatorCustom<Marker>);
  EXPECT_TRUE(registered);

  ASSERT_TRUE(Run());
  EXPECT_EQ(a->Caption, "(none)");
  EXPECT_EQ(a->Hint, u"Tip");
  EXPECT_EQ(a->Text, "custom");
  EXPECT_EQ(refused->Caption, "Open");
}

} // namespace
