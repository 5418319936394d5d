#include "sample_classes.h"

#include "rtl/published_access.h"
#include "rtl/published_builder.h"
#include "rtl/published_registry.h"

#include <gtest/gtest.h>

using namespace rtl;

namespace {

std::vector<std::string> Names(const std::vector<PPropInfo>& props) {
  std::vector<std::string> out;
  for (PPropInfo p : props)
    out.push_back(p->Name());
  return out;
}

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Exception& e) {
    return e.what();
  }
  return "no error";
}

TEST(Published, LookupIgnoresCaseAndIncludesInheritedProperties) {
  TSamplePanel panel(nullptr);
  EXPECT_EQ(GetPropertyKind(FindProperty(&panel, "caption")), tkLString);
  EXPECT_EQ(GetPropertyKind(FindProperty(&panel, "TAG")), tkInteger);
  EXPECT_EQ(GetPropertyKind(FindProperty(&panel, "Columns")), tkInteger);
  EXPECT_EQ(GetPropertyKind(FindProperty(&panel, "Big")), tkInt64);
  EXPECT_EQ(GetPropertyKind(FindProperty(&panel, "ratio")), tkFloat);
  EXPECT_EQ(GetPropertyKind(FindProperty(&panel, "Hint")), tkWString);
  EXPECT_EQ(GetPropertyKind(FindProperty(&panel, "Enabled")), tkEnumeration);
  EXPECT_EQ(GetPropertyKind(FindProperty(&panel, "Options")), tkSet);
  EXPECT_EQ(GetPropertyKind(FindProperty(&panel, "Mark")), tkChar);
  EXPECT_EQ(GetPropertyKind(FindProperty(&panel, "Extra")), tkVariant);
  EXPECT_EQ(GetPropertyKind(FindProperty(&panel, "Buddy")), tkClass);
  EXPECT_EQ(GetPropertyKind(FindProperty(&panel, "OnCount")), tkMethod);
  EXPECT_EQ(FindProperty(&panel, "Caption."), nullptr);
  EXPECT_EQ(FindProperty(&panel, "Nothing"), nullptr);
  EXPECT_EQ(FindProperty(nullptr, "Tag"), nullptr);
  TObject plain;
  EXPECT_EQ(FindProperty(&plain, "Tag"), nullptr);
  EXPECT_EQ(GetPropertyKind(nullptr), tkUnknown);

  // The ancestors' properties come first; a kind filter keeps the text properties.
  std::vector<std::string> all = Names(GetPropertyList(&panel));
  ASSERT_GE(all.size(), 3u);
  EXPECT_EQ(all[0], "Name");
  EXPECT_EQ(all[1], "Tag");
  EXPECT_EQ(all.back(), "OnCount");
  EXPECT_EQ(Names(GetPropertyList(&panel, {tkLString, tkWString})),
            (std::vector<std::string>{"Name", "Caption", "Hint"}));
}

TEST(Published, ReadOnlyPropertiesRefuseWrites) {
  TSampleItem item(nullptr);
  PPropInfo serial = FindProperty(&item, "Serial");
  EXPECT_FALSE(IsWritable(serial));
  EXPECT_TRUE(IsWritable(FindProperty(&item, "Count")));
  EXPECT_TRUE(IsWritable(FindProperty(&item, "OnChange")));
  EXPECT_FALSE(IsWritable(nullptr));
  EXPECT_EQ(GetPropertyValue(&item, serial).ToInt32(), 7);
  EXPECT_EQ(ErrorOf([&] { SetPropertyValue(&item, serial, Variant::Int32(1)); }),
            "Property Serial is read-only");
  EXPECT_THROW(SetObjectProperty(&item, FindProperty(&item, "Font"), nullptr), EPropertyError);
}

TEST(Published, ScalarValuesThroughVariants) {
  TSampleItem item(nullptr);
  SetPropertyValue(&item, "count", Variant::FromAnsiText("12"));
  EXPECT_EQ(item.count, 12);
  EXPECT_EQ(GetPropertyValue(&item, "Count").Type(), platform::vtI4);
  EXPECT_THROW(SetPropertyValue(&item, "Count", Variant::Int64(int64_t{1} << 40)), EPropertyError);
  EXPECT_THROW(SetPropertyValue(&item, "Count", Variant::FromAnsiText("twelve")), EVariantError);

  SetPropertyValue(&item, "Big", Variant::Int64(int64_t{1} << 40));
  EXPECT_EQ(item.big, int64_t{1} << 40);

  SetPropertyValue(&item, "Ratio", Variant::Double(2.5));
  EXPECT_EQ(GetPropertyValue(&item, "Ratio").ToDouble(), 2.5);
  SetPropertyValue(&item, "Version", Variant::Int32(4));
  EXPECT_EQ(item.version, 4.0f);
  EXPECT_EQ(GetPropertyValue(&item, "Version").Type(), platform::vtR4);

  // 8-bit texts travel as the host runtime's 8-bit strings, byte for byte.
  SetPropertyValue(&item, "Caption", Variant::Ansi(AnsiString("caf\xe9")));
  EXPECT_EQ(item.Caption(), "caf\xe9");
  Variant caption = GetPropertyValue(&item, "Caption");
  EXPECT_EQ(caption.Type(), platform::vtAnsiString);
  EXPECT_EQ(caption.ToText(), "caf\xe9");

  SetPropertyValue(&item, "Hint", Variant::Wide(u"\u65e5\u672c"));
  EXPECT_EQ(item.hint, u"\u65e5\u672c");
  EXPECT_EQ(GetPropertyValue(&item, "Hint").Type(), platform::vtBstr);

  SetPropertyValue(&item, "Mark", Variant::Int32(65));
  EXPECT_EQ(item.mark, 'A');
  SetPropertyValue(&item, "Mark", Variant::Int32(0xE9));
  EXPECT_EQ(GetPropertyValue(&item, "Mark").ToInt32(), 0xE9);
  EXPECT_THROW(SetPropertyValue(&item, "Mark", Variant::Int32(300)), EPropertyError);

  SetPropertyValue(&item, "Extra", Variant::FromAnsiText("free"));
  EXPECT_EQ(item.extra.ToText(), "free");
  EXPECT_EQ(ErrorOf([&] { GetPropertyValue(&item, "Missing"); }), "Unknown property: Missing");
}

TEST(Published, BooleansAndEnumerationsByIdentifier) {
  TSampleItem item(nullptr);
  PPropInfo enabled = FindProperty(&item, "Enabled");
  EXPECT_EQ(GetPropertyValue(&item, enabled).ToText(), "True");
  SetPropertyValue(&item, enabled, Variant::FromAnsiText("false"));
  EXPECT_FALSE(item.enabled);
  SetPropertyValue(&item, enabled, Variant::Bool(true));
  EXPECT_TRUE(item.enabled);
  SetEnumByName(&item, enabled, "FALSE");
  EXPECT_EQ(GetEnumName(&item, enabled), "False");

  PPropInfo color = FindProperty(&item, "Color");
  SetEnumByName(&item, color, "scblue");
  EXPECT_EQ(item.color, scBlue);
  EXPECT_EQ(GetEnumName(&item, color), "scBlue");
  SetPropertyValue(&item, color, Variant::Ansi(AnsiString("scGreen")));
  EXPECT_EQ(item.color, scGreen);
  SetPropertyValue(&item, color, Variant::Int32(0));
  EXPECT_EQ(item.color, scRed);
  EXPECT_EQ(ErrorOf([&] { SetEnumByName(&item, color, "scPink"); }),
            "Invalid property element: scPink");
  EXPECT_THROW(SetPropertyValue(&item, color, Variant::Int32(3)), EPropertyError);
  EXPECT_THROW(SetPropertyValue(&item, color, Variant::Int32(-1)), EPropertyError);
  EXPECT_THROW(GetEnumName(&item, FindProperty(&item, "Count")), EPropertyError);
}

TEST(Published, SetsAsBracketedText) {
  TSampleItem item(nullptr);
  PPropInfo options = FindProperty(&item, "Options");
  SetSetText(&item, options, "[soFirst, SOTHIRD]");
  EXPECT_EQ(item.options, 5u);
  EXPECT_EQ(GetSetText(&item, options), "[soFirst,soThird]");
  EXPECT_EQ(GetSetText(&item, options, false), "soFirst,soThird");
  EXPECT_EQ(GetPropertyValue(&item, options).ToText(), "[soFirst,soThird]");
  SetPropertyValue(&item, options, Variant::FromAnsiText("soSecond"));
  EXPECT_EQ(item.options, 2u);
  SetSetText(&item, options, "[]");
  EXPECT_EQ(item.options, 0u);
  SetPropertyValue(&item, options, Variant::Int32(3));
  EXPECT_EQ(item.options, 3u);
  EXPECT_THROW(SetPropertyValue(&item, options, Variant::Int32(8)), EPropertyError);
  EXPECT_EQ(ErrorOf([&] { SetSetText(&item, options, "[soFirst,soFourth]"); }),
            "Invalid property element: soFourth");
  EXPECT_THROW(SetSetText(&item, options, "[soFirst,]"), EPropertyError);
  EXPECT_THROW(SetSetText(&item, options, "[soFirst"), EPropertyError);
  EXPECT_EQ(item.options, 3u);
}

TEST(Published, ObjectReferencesAreTypeChecked) {
  TSampleModule owner(nullptr);
  auto* item = new TSampleItem(&owner);
  auto* other = new TSamplePanel(&owner);
  auto* plain = new TComponent(&owner);
  PPropInfo buddy = FindProperty(item, "Buddy");
  EXPECT_EQ(GetObjectProperty(item, buddy), nullptr);
  SetObjectProperty(item, buddy, other);
  EXPECT_EQ(item->Buddy(), other);
  EXPECT_EQ(GetObjectProperty(item, buddy), other);
  EXPECT_THROW(SetObjectProperty(item, buddy, plain), EPropertyError);
  EXPECT_EQ(item->Buddy(), other);
  SetObjectProperty(item, buddy, nullptr);
  EXPECT_EQ(item->Buddy(), nullptr);
  EXPECT_EQ(GetObjectProperty(item, FindProperty(item, "Font")), item->Font());
  EXPECT_THROW(GetPropertyValue(item, buddy), EPropertyError);
  EXPECT_THROW(GetObjectProperty(item, FindProperty(item, "Count")), EPropertyError);
}

TEST(Published, EventHandlersAreAttachedByName) {
  TSampleModule module(nullptr);
  auto* panel = new TSamplePanel(&module);
  panel->SetName("Panel");
  PPropInfo onChange = FindProperty(panel, "OnChange");
  SetMethodByName(panel, onChange, "modulechange", &module);
  EXPECT_EQ(GetMethodName(panel, onChange), "ModuleChange");
  ASSERT_TRUE(panel->OnChange);
  panel->OnChange(panel);
  EXPECT_EQ(module.calls.back(), "change Panel");

  PPropInfo onCount = FindProperty(panel, "OnCount");
  EXPECT_EQ(ErrorOf([&] { SetMethodByName(panel, onCount, "ModuleChange", &module); }),
            "Method ModuleChange does not match the type of event OnCount");
  EXPECT_EQ(ErrorOf([&] { SetMethodByName(panel, onCount, "NoSuch", &module); }),
            "Method NoSuch not found in TSampleModule");
  // Through a variant the handler is looked up in the topmost owner.
  SetPropertyValue(panel, onCount, Variant::FromAnsiText("ModuleCount"));
  int32_t result = 0;
  panel->OnCount(panel, result);
  EXPECT_EQ(result, 42);
  EXPECT_EQ(GetPropertyValue(panel, onCount).ToText(), "ModuleCount");

  SetMethodByName(panel, onChange, "", &module);
  EXPECT_FALSE(panel->OnChange);
  EXPECT_EQ(GetMethodName(panel, onChange), "");
}

TEST(Published, PropertiesOfAnotherClassAreRejected) {
  TSampleItem item(nullptr);
  TSamplePanel panel(nullptr);
  PPropInfo columns = FindProperty(&panel, "Columns");
  EXPECT_THROW(GetPropertyValue(&item, columns), EPropertyError);
  EXPECT_THROW(SetPropertyValue(&item, columns, Variant::Int32(2)), EPropertyError);
  EXPECT_THROW(GetPropertyValue(nullptr, columns), EPropertyError);
}

class TForgetful : public TComponent { // does not override ClassType()
public:
  using TComponent::TComponent;
  static const MetaClass& StaticClass() {
    static const MetaClass meta = Published<TForgetful, TComponent>("TForgetful");
    return meta;
  }
};

TEST(Published, ClassRegistryCreatesComponentsByName) {
  RegisterSampleClasses();
  const MetaClass* meta = FindClass("tsamplepanel");
  ASSERT_EQ(meta, &TSamplePanel::StaticClass());
  EXPECT_EQ(FindClass("TNoSuchClass"), nullptr);
  EXPECT_TRUE(meta->InheritsFrom(TSampleItem::StaticClass()));
  EXPECT_TRUE(meta->InheritsFrom("TCOMPONENT"));
  EXPECT_FALSE(TSampleItem::StaticClass().InheritsFrom(*meta));
  EXPECT_FALSE(TSampleFont::StaticClass().IsCreatable());

  TSampleModule owner(nullptr);
  TComponent* created = meta->Create(&owner);
  EXPECT_NE(dynamic_cast<TSamplePanel*>(created), nullptr);
  EXPECT_EQ(created->Owner(), &owner);
  EXPECT_EQ(created->ClassName(), "TSamplePanel");

  RegisterClass<TSamplePanel>(); // again: no effect
  static const MetaClass impostor = Published<TSamplePanel, TSampleItem>("TSAMPLEPANEL");
  EXPECT_THROW(RegisterClass(impostor), EPropertyError);

  EXPECT_THROW(TForgetful::StaticClass().Create(&owner), EPropertyError);
  EXPECT_EQ(owner.ComponentCount(), 1);
}

} // namespace
