#include "settings/property_map.h"

#include "settings/custom_props.h"
#include "settings/map_line.h"
#include "settings/stored_text.h"
#include "settings_test_classes.h"

#include <gtest/gtest.h>

#include <map>

namespace {

const std::string kEAcute = "\xE9";

rtl::Variant Text(const std::string& text) {
  return rtl::Variant::Ansi(rtl::AnsiString(text));
}

class PropertyMap : public ::testing::Test {
protected:
  void TearDown() override { SetApplicationComponents(nullptr, nullptr); }
  TTestDialog dialog{nullptr};
  TTestSettings settings{nullptr};
};

TEST_F(PropertyMap, ResolvesAgainstADialog) {
  TResolvedItem r = ResolveItem("var1.Text", &dialog);
  EXPECT_EQ(r.Object, dialog.var1);
  EXPECT_EQ(r.PropName, "Text");
  EXPECT_EQ(r.Kind, tkLString);
  EXPECT_EQ(r.Owner, &dialog);

  r = ResolveItem("Left", &dialog);
  EXPECT_EQ(r.Object, &dialog);
  EXPECT_EQ(r.Kind, tkInteger);

  r = ResolveItem("VAR1.text", &dialog);
  EXPECT_EQ(r.Object, dialog.var1);
  EXPECT_EQ(r.PropName, "text");
  EXPECT_EQ(r.Kind, tkLString);

  // A property that refers to an object is descended into.
  r = ResolveItem("memo.Font.Size", &dialog);
  EXPECT_EQ(r.Object, dialog.memo->Font());
  EXPECT_EQ(r.PropName, "Size");
  EXPECT_EQ(r.Kind, tkInteger);
  EXPECT_EQ(r.Owner, &dialog);

  // Custom handler items keep their star and have no kind.
  r = ResolveItem("var1.*ItemIndex", &dialog);
  EXPECT_EQ(r.Object, dialog.var1);
  EXPECT_EQ(r.PropName, "*ItemIndex");
  EXPECT_EQ(r.Kind, tkUnknown);
}

TEST_F(PropertyMap, UnresolvableItems) {
  TResolvedItem r = ResolveItem("noSuch.Text", &dialog);
  EXPECT_EQ(r.Object, nullptr);
  EXPECT_EQ(r.PropName, "");
  EXPECT_EQ(r.Kind, tkUnknown);

  r = ResolveItem("var1.NoSuch", &dialog);
  EXPECT_EQ(r.Object, dialog.var1);
  EXPECT_EQ(r.PropName, "NoSuch");
  EXPECT_EQ(r.Kind, tkUnknown);

  // Descending into an object without published properties keeps the class kind.
  r = ResolveItem("memo.Lines.Count", &dialog);
  EXPECT_EQ(r.Object, dialog.memo->Lines());
  EXPECT_EQ(r.PropName, "Count");
  EXPECT_EQ(r.Kind, tkClass);

  // An empty reference ends the walk without an object.
  r = ResolveItem("memo.Buddy.Text", &dialog);
  EXPECT_EQ(r.Object, nullptr);
  EXPECT_EQ(r.Kind, tkUnknown);

  // Parts after a property that is no object are ignored.
  r = ResolveItem("var1.Text.Length", &dialog);
  EXPECT_EQ(r.Object, dialog.var1);
  EXPECT_EQ(r.Kind, tkLString);

  // No target and no main form.
  EXPECT_EQ(ResolveItem("Left", nullptr).Object, nullptr);
}

TEST_F(PropertyMap, ResolvesAgainstASettingsObjectByMirroredNames) {
  TResolvedItem r = ResolveItem("var1.Text", &settings);
  EXPECT_EQ(r.Object, &settings);
  EXPECT_EQ(r.PropName, "var1_Text");
  EXPECT_EQ(r.Kind, tkLString);

  EXPECT_EQ(ResolveItem("spTimeout.Value", &settings).Kind, tkFloat);
  EXPECT_EQ(ResolveItem("chkNoReset.Checked", &settings).Kind, tkEnumeration);
  EXPECT_EQ(ResolveItem("memo.Font.Size", &settings).PropName, "memo_Font_Size");
  EXPECT_EQ(ResolveItem("Left", &settings).PropName, "Left");

  // A property the settings class lacks: the object, but no kind.
  r = ResolveItem("var9.Text", &settings);
  EXPECT_EQ(r.Object, &settings);
  EXPECT_EQ(r.PropName, "var9_Text");
  EXPECT_EQ(r.Kind, tkUnknown);
  r = ResolveItem("var1.*ItemIndex", &settings);
  EXPECT_EQ(r.PropName, "var1_*ItemIndex");
  EXPECT_EQ(r.Kind, tkUnknown);
}

TEST_F(PropertyMap, ApplicationFormsAndTheMainForm) {
  TComponent application(nullptr);
  application.SetName("Application");
  auto* other = new TTestDialog(&application);
  other->SetName("Other");
  SetApplicationComponents(&application, other);

  // Three parts whose first names a form of the application: resolved from that form.
  TResolvedItem r = ResolveItem("other.var1.Text", &dialog);
  EXPECT_EQ(r.Object, other->var1);
  EXPECT_EQ(r.Owner, other);
  // Two parts never name a form.
  EXPECT_EQ(ResolveItem("Other.Left", &dialog).Object, nullptr);
  // Without a target the main form is used.
  r = ResolveItem("var2.Text", nullptr);
  EXPECT_EQ(r.Object, other->var2);
  EXPECT_EQ(r.Owner, other);
}

TEST_F(PropertyMap, ComponentPaths) {
  TComponent lonely(nullptr);
  lonely.SetName("Lonely");
  EXPECT_EQ(GetComponentPath(&lonely), "Lonely");
  EXPECT_EQ(GetComponentPath(dialog.var1), "Dialog.var1");

  TComponent application(nullptr);
  application.SetName("App");
  auto* form = new TTestDialog(&application);
  form->SetName("Form1");
  SetApplicationComponents(&application, nullptr);
  EXPECT_EQ(GetComponentPath(&application), "Application");
  EXPECT_EQ(GetComponentPath(form), "Application.Form1");
  EXPECT_EQ(GetComponentPath(form->var2), "Application.Form1.var2");

  EXPECT_EQ(FindComponentByPath("Application.Form1.var2", nullptr), form->var2);
  EXPECT_EQ(FindComponentByPath("APPLICATION.form1.VAR2", &dialog), form->var2);
  EXPECT_EQ(FindComponentByPath("var2", form), form->var2);
  EXPECT_EQ(FindComponentByPath("var2", &dialog), dialog.var2);
  // Not found from the owner: tried from the application.
  EXPECT_EQ(FindComponentByPath("Form1.var1", &dialog), form->var1);
  EXPECT_EQ(FindComponentByPath("Form1.nothing", &dialog), nullptr);
  EXPECT_EQ(FindComponentByPath("", &dialog), nullptr);
  EXPECT_EQ(FindComponentByPath("Application.", &dialog), nullptr);
}

TEST_F(PropertyMap, ReadsValuesForSaving) {
  TTestMemo& memo = *dialog.memo;
  dialog.var1->SetText("  two  spaces");
  EXPECT_EQ(ReadItemValue(dialog.var1, "Text", tkLString).ToText(), "++two+ spaces");
  EXPECT_EQ(ReadItemValue(&dialog, "left", tkInteger).Type(), platform::vtI4);
  memo.mark = 'Z';
  EXPECT_EQ(ReadItemValue(&memo, "Mark", tkChar).ToText(), "90");
  memo.wideMark = u'\u0416';
  EXPECT_EQ(ReadItemValue(&memo, "WideMark", tkWChar).ToText(), "1046");
  memo.mode = tmFast;
  EXPECT_EQ(ReadItemValue(&memo, "Mode", tkEnumeration).ToText(), "tmFast");
  dialog.chkNoReset->checked = true;
  EXPECT_EQ(ReadItemValue(dialog.chkNoReset, "Checked", tkEnumeration).ToText(), "True");
  memo.hint = u"\u4E2D x";
  EXPECT_EQ(ReadItemValue(&memo, "Hint", tkWString).ToText(), "%E4%B8%AD x");
  memo.big = int64_t{1} << 40;
  EXPECT_EQ(ReadItemValue(&memo, "Big", tkInt64).ToInt64(), int64_t{1} << 40);
  memo.extra = rtl::Variant::Int32(5);
  EXPECT_EQ(ReadItemValue(&memo, "Extra", tkVariant).ToInt32(), 5);

  memo.Lines()->Add("a+b");
  memo.Lines()->Add(kEAcute);
  EXPECT_EQ(ReadItemValue(&memo, "Lines", tkClass).ToText(), "a%2Bb%0D%0A%C3%A9%0D%0A");
  // No referenced object, or no list or component: null, which deletes the stored entry.
  EXPECT_EQ(ReadItemValue(&memo, "Buddy", tkClass).Type(), platform::vtNull);
  EXPECT_EQ(ReadItemValue(&memo, "Font", tkClass).Type(), platform::vtNull);
  memo.buddy = dialog.var2;
  EXPECT_EQ(ReadItemValue(&memo, "Buddy", tkClass).ToText(), "Dialog.var2");
  EXPECT_EQ(ReadItemValue(&memo, "Options", tkSet).Type(), platform::vtNull);
  EXPECT_THROW(ReadItemValue(&memo, "NoSuch", tkInteger), rtl::EPropertyError);
}

TEST_F(PropertyMap, AppliesLoadedValues) {
  TTestMemo& memo = *dialog.memo;
  ApplyItemValue(&dialog, "Left", &dialog, Text("12"), tkInteger);
  EXPECT_EQ(dialog.left, 12);
  ApplyItemValue(dialog.spTimeout, "Value", &dialog, rtl::Variant::Double(250.75), tkFloat);
  EXPECT_EQ(dialog.spTimeout->value, 250.75);
  ApplyItemValue(dialog.var1, "Text", &dialog, Text("++two+ spaces"), tkLString);
  EXPECT_EQ(dialog.var1->Text(), "  two  spaces");
  // An 8-bit stored text is applied byte for byte.
  ApplyItemValue(dialog.var1, "Text", &dialog, Text("caf" + kEAcute), tkLString);
  EXPECT_EQ(dialog.var1->Text(), "caf" + kEAcute);
  ApplyItemValue(&memo, "Hint", &dialog, Text("%E4%B8%AD"), tkWString);
  EXPECT_EQ(memo.hint, u"\u4E2D");
  ApplyItemValue(&memo, "Mark", &dialog, Text("65"), tkChar);
  EXPECT_EQ(memo.mark, 'A');
  ApplyItemValue(&memo, "Mark", &dialog, Text("x"), tkChar);
  EXPECT_EQ(memo.mark, 'x');
  ApplyItemValue(&memo, "Big", &dialog, Text("1099511627776"), tkInt64);
  EXPECT_EQ(memo.big, int64_t{1} << 40);
  ApplyItemValue(&memo, "Extra", &dialog, Text("v"), tkVariant);
  EXPECT_EQ(memo.extra.ToText(), "v");

  ApplyItemValue(&memo, "Mode", &dialog, Text("TMSLOW"), tkEnumeration);
  EXPECT_EQ(memo.mode, tmSlow);
  ApplyItemValue(&memo, "Mode", &dialog, Text(""), tkEnumeration);
  EXPECT_EQ(memo.mode, tmSlow);
  ApplyItemValue(dialog.chkNoReset, "Checked", &dialog, Text("True"), tkEnumeration);
  EXPECT_TRUE(dialog.chkNoReset->checked);

  memo.Lines()->Add("old");
  ApplyItemValue(&memo, "Lines", &dialog, Text("a%0D%0Ab+c%0D%0A"), tkClass);
  EXPECT_EQ(memo.Lines()->Text(), "a\r\nb c\r\n");

  // Read-only, missing and unsupported properties are left alone.
  ApplyItemValue(&memo, "Serial", &dialog, Text("9"), tkInteger);
  EXPECT_EQ(memo.serial, 7);
  ApplyItemValue(&memo, "NoSuch", &dialog, Text("9"), tkInteger);
  ApplyItemValue(&memo, "Options", &dialog, Text("[toOne]"), tkSet);
  EXPECT_EQ(memo.options, 0u);
}

TEST_F(PropertyMap, LoadFailuresRaise) {
  try {
    ApplyItemValue(dialog.memo, "Mode", &dialog, Text("tmNone"), tkEnumeration);
    FAIL() << "no failure";
  } catch (const rtl::EPropertyError& e) {
    EXPECT_STREQ(e.what(), "Invalid property element: tmNone");
  }
  EXPECT_EQ(dialog.memo->mode, tmOff);
  EXPECT_THROW(ApplyItemValue(&dialog, "Left", &dialog, Text("abc"), tkInteger), rtl::Exception);
  EXPECT_THROW(ApplyItemValue(dialog.memo, "Mark", &dialog, Text("xy"), tkChar), rtl::Exception);
  EXPECT_THROW(ApplyItemValue(dialog.memo, "Mark", &dialog, Text("300"), tkChar), rtl::Exception);
  EXPECT_EQ(dialog.memo->mark, '-');
}

TEST_F(PropertyMap, ComponentReferences) {
  TTestMemo& memo = *dialog.memo;
  ApplyItemValue(&memo, "Buddy", &dialog, Text("var2"), tkClass);
  EXPECT_EQ(memo.buddy, dialog.var2);
  // An empty text leaves the reference, an unknown path clears it, null clears it.
  ApplyItemValue(&memo, "Buddy", &dialog, Text(""), tkClass);
  EXPECT_EQ(memo.buddy, dialog.var2);
  ApplyItemValue(&memo, "Buddy", &dialog, Text("nowhere"), tkClass);
  EXPECT_EQ(memo.buddy, nullptr);
  memo.buddy = dialog.var1;
  ApplyItemValue(&memo, "Buddy", &dialog, rtl::Variant::Null(), tkClass);
  EXPECT_EQ(memo.buddy, nullptr);
  // Docking references are not cleared by a null value.
  memo.dockSite = dialog.var1;
  ApplyItemValue(&memo, "DockSite", &dialog, rtl::Variant::Null(), tkClass);
  EXPECT_EQ(memo.dockSite, dialog.var1);

  // Saved and loaded through the application, the path finds the same component again.
  TComponent application(nullptr);
  auto* form = new TTestDialog(&application);
  form->SetName("Form1");
  SetApplicationComponents(&application, nullptr);
  form->memo->buddy = form->var2;
  rtl::Variant saved = ReadItemValue(form->memo, "Buddy", tkClass);
  EXPECT_EQ(saved.ToText(), "Application.Form1.var2");
  ApplyItemValue(&memo, "Buddy", &dialog, saved, tkClass);
  EXPECT_EQ(memo.buddy, form->var2);
}

// A settings store in miniature: each usable map line's value goes to or comes from Storage
// under its key, as the real store does it, custom handler items included.
using Storage = std::map<std::string, std::string>;

void SaveItems(const TStringList& map, TObject* target, Storage& storage) {
  for (int32_t i = 0; i < map.Count(); ++i) {
    TMapLine line;
    if (!ParseMapLine(map[i], line) || !line.IsUsable())
      continue;
    TResolvedItem r = ResolveItem(line.ItemName, target);
    if (!r.Object)
      continue;
    if (r.Kind == tkUnknown) {
      if (!r.PropName.empty() && r.PropName[0] == '*')
        ForEachCustomProp(r.PropName.substr(1), [&](TWregCustomProp& handler) {
          rtl::Variant v;
          if (handler.GetCustomValue(r.Object, handler.Name(), true, v) && !v.IsEmptyValue())
            storage[line.Key] = v.ToText();
        });
      continue;
    }
    rtl::Variant v = ReadItemValue(r.Object, r.PropName, r.Kind);
    if (v.IsEmptyValue())
      storage.erase(line.Key);
    else
      storage[line.Key] = v.ToText();
  }
}

void LoadItems(const TStringList& map, TObject* target, const Storage& storage) {
  for (int32_t i = 0; i < map.Count(); ++i) {
    TMapLine line;
    if (!ParseMapLine(map[i], line) || !line.IsUsable())
      continue;
    TResolvedItem r = ResolveItem(line.ItemName, target);
    auto stored = storage.find(line.Key);
    if (!r.Object || stored == storage.end())
      continue;
    if (r.Kind == tkUnknown) {
      if (!r.PropName.empty() && r.PropName[0] == '*')
        ForEachCustomProp(r.PropName.substr(1), [&](TWregCustomProp& handler) {
          handler.SetCustomValue(r.Object, handler.Name(), Text(stored->second));
        });
      continue;
    }
    ApplyItemValue(r.Object, r.PropName, r.Owner, Text(stored->second), r.Kind);
  }
}

class PropertyMapRoundTrip : public PropertyMap {
protected:
  void SetUp() override {
    RegisterDefaultPropertyHandlers();
    for (const char* line :
         {"Left,Left", "Top,Top", "Width,Width", ";---short---", "var1.Text,Var1",
          "var2.Text, Sub\\Var2 ;second variable", "spTimeout.Value,Timeout",
          "chkNoReset.Checked,No reset", "memo.Mode,Mode", "memo.Mark,Mark",
          "memo.WideMark,WideMark", "memo.Big,Big", "memo.Hint,Hint", "memo.Font.Size,FontSize",
          "memo.Lines,Lines", "var1.*ItemIndex,Index1", "noSuch.Text,Ghost", "Width,", " "})
      map.Add(line);
  }

  void FillSettings(TTestSettings& s) {
    s.Left = -20;
    s.Top = 7;
    s.Width = 640;
    s.Height = 123;
    s.var1_Text = "  two  spaces";
    s.var2_Text = kEAcute + "+50% ;x,\ty ";
    s.spTimeout_Value = 250.75;
    s.chkNoReset_Checked = true;
    s.memo_Mode = tmFast;
    s.memo_Mark = '%';
    s.memo_WideMark = u'\u0416';
    s.memo_Big = -(int64_t{1} << 40);
    s.memo_Hint = u"\u4E2D \u20AC";
    s.memo_Font_Size = 11;
    s.memoLines()->SetText("line 1\r\n  line 2\r\n\r\nlast");
  }

  static void ExpectSameMappedValues(const TTestSettings& a, const TTestSettings& b) {
    EXPECT_EQ(a.Left, b.Left);
    EXPECT_EQ(a.Top, b.Top);
    EXPECT_EQ(a.Width, b.Width);
    EXPECT_EQ(a.var1_Text, b.var1_Text);
    EXPECT_EQ(a.var2_Text, b.var2_Text);
    EXPECT_EQ(a.spTimeout_Value, b.spTimeout_Value);
    EXPECT_EQ(a.chkNoReset_Checked, b.chkNoReset_Checked);
    EXPECT_EQ(a.memo_Mode, b.memo_Mode);
    EXPECT_EQ(a.memo_Mark, b.memo_Mark);
    EXPECT_EQ(a.memo_WideMark, b.memo_WideMark);
    EXPECT_EQ(a.memo_Big, b.memo_Big);
    EXPECT_EQ(a.memo_Hint, b.memo_Hint);
    EXPECT_EQ(a.memo_Font_Size, b.memo_Font_Size);
    EXPECT_EQ(a.memoLines()->Text(), b.memoLines()->Text());
  }

  TStringList map;
  Storage storage;
};

TEST_F(PropertyMapRoundTrip, SettingsObjectThroughStorage) {
  FillSettings(settings);
  SaveItems(map, &settings, storage);
  for (auto& [key, text] : storage)
    for (char c : text)
      EXPECT_TRUE(static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x80)
          << key << ": " << text;
  EXPECT_EQ(storage["Var1"], "++two+ spaces");
  EXPECT_EQ(storage["No reset"], "True");
  EXPECT_EQ(storage["Mode"], "tmFast");
  EXPECT_EQ(storage.count("Height"), 0u);
  EXPECT_EQ(storage.count("Index1"), 0u);
  EXPECT_EQ(storage.count("Ghost"), 0u);

  TTestSettings fresh(nullptr);
  LoadItems(map, &fresh, storage);
  ExpectSameMappedValues(settings, fresh);
  // Not in the map: keeps its own value.
  EXPECT_EQ(fresh.Height, 300);
}

TEST_F(PropertyMapRoundTrip, DialogSavesWhatTheSettingsObjectLoads) {
  TTestSettings expected(nullptr);
  FillSettings(expected);
  Storage fromSettings;
  SaveItems(map, &expected, fromSettings);
  LoadItems(map, &dialog, fromSettings);
  EXPECT_EQ(dialog.var1->Text(), expected.var1_Text);
  EXPECT_EQ(dialog.memo->Font()->size, 11);

  dialog.var1->Items()->SetText("a\r\nb\r\nc\r\nd");
  dialog.var1->SetItemIndex(2);
  dialog.var1->SetText(expected.var1_Text);
  SaveItems(map, &dialog, storage);
  EXPECT_EQ(storage["Index1"], "2");
  storage.erase("Index1");
  EXPECT_EQ(storage, fromSettings);

  TTestSettings loaded(nullptr);
  LoadItems(map, &loaded, storage);
  ExpectSameMappedValues(expected, loaded);

  // The item index comes back into a dialog.
  TTestDialog other(nullptr);
  other.var1->Items()->SetText("a\r\nb\r\nc\r\nd");
  storage["Index1"] = "3";
  LoadItems(map, &other, storage);
  EXPECT_EQ(other.var1->ItemIndex(), 3);
}

} // namespace
