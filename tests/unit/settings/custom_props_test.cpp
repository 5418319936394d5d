#include "settings/custom_props.h"

#include "settings/custom_props_combo_box.h"
#include "settings_test_classes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

rtl::Variant Text(const std::string& text) {
  return rtl::Variant::Ansi(rtl::AnsiString(text));
}

class CustomProps : public ::testing::Test {
protected:
  void SetUp() override {
    RegisterDefaultPropertyHandlers();
    combo.Items()->SetText("zero\r\none\r\ntwo\r\nthree");
  }

  // The handler registered for "ItemIndex".
  static TWregCustomProp* ItemIndexHandler() {
    TWregCustomProp* found = nullptr;
    EXPECT_EQ(ForEachCustomProp("ItemIndex", [&](TWregCustomProp& h) { found = &h; }), 1);
    return found;
  }

  TTestComboBox combo{nullptr};
};

TEST_F(CustomProps, DefaultsAreRegisteredOnce) {
  RegisterDefaultPropertyHandlers();
  TWregCustomProp* handler = ItemIndexHandler();
  ASSERT_NE(handler, nullptr);
  EXPECT_NE(dynamic_cast<TWregComboBoxProp*>(handler), nullptr);
  EXPECT_EQ(handler->Name(), "itemindex");
  EXPECT_EQ(handler->ItemKind(), tkInteger);
  EXPECT_EQ(ForEachCustomProp("ITEMINDEX", [](TWregCustomProp&) {}), 1);
}

TEST_F(CustomProps, ComboBoxHandlerReadsTheItemIndex) {
  TWregCustomProp* handler = ItemIndexHandler();
  rtl::Variant v;
  combo.SetItemIndex(2);
  ASSERT_TRUE(handler->GetCustomValue(&combo, "itemindex", true, v));
  EXPECT_EQ(v.Type(), platform::vtI4);
  EXPECT_EQ(v.ToText(), "2");
  combo.SetItemIndex(-1);
  ASSERT_TRUE(handler->GetCustomValue(&combo, "itemindex", true, v));
  EXPECT_EQ(v.ToInt32(), -1);

  // Only combo boxes are served, even when another class has an ItemIndex.
  TTestListBox list(nullptr);
  rtl::Variant untouched;
  EXPECT_FALSE(handler->GetCustomValue(&list, "itemindex", true, untouched));
  EXPECT_FALSE(handler->GetCustomValue(nullptr, "itemindex", true, untouched));
  EXPECT_TRUE(untouched.IsEmptyValue());
}

TEST_F(CustomProps, ComboBoxHandlerSetsTheItemIndex) {
  TWregCustomProp* handler = ItemIndexHandler();
  handler->SetCustomValue(&combo, "itemindex", Text("3"));
  EXPECT_EQ(combo.ItemIndex(), 3);
  EXPECT_EQ(combo.Text(), "three");
  for (const rtl::Variant& ignored : {Text(""), Text("abc"), Text("-2"), Text("1.5"), Text(" 1"),
                                      rtl::Variant::Null(), rtl::Variant()}) {
    handler->SetCustomValue(&combo, "itemindex", ignored);
    EXPECT_EQ(combo.ItemIndex(), 3);
  }
  handler->SetCustomValue(&combo, "itemindex", rtl::Variant::Int32(1));
  EXPECT_EQ(combo.ItemIndex(), 1);
  handler->SetCustomValue(&combo, "itemindex", Text("-1"));
  EXPECT_EQ(combo.ItemIndex(), -1);

  TTestListBox list(nullptr);
  handler->SetCustomValue(&list, "itemindex", Text("2"));
  EXPECT_EQ(list.itemIndex, -1);
}

class TRecordingProp : public TWregCustomProp {
public:
  using TWregCustomProp::TWregCustomProp;
  bool GetCustomValue(TObject*, const std::string&, bool forSave, rtl::Variant& value) override {
    value = Text(Tag);
    return forSave;
  }
  std::string Tag;
};

TEST_F(CustomProps, HandlersAreFoundByLowerCaseNameInRegistrationOrder) {
  RegisterCustomProp<TRecordingProp>("Order_Test", tkLString);
  RegisterCustomProp<TWregCustomProp>("order_test", tkInteger);
  RegisterCustomProp<TRecordingProp>("ORDER_TEST", tkString);
  std::vector<TTypeKind> kinds;
  int visited = ForEachCustomProp("Order_Test", [&](TWregCustomProp& h) {
    EXPECT_EQ(h.Name(), "order_test");
    kinds.push_back(h.ItemKind());
  });
  EXPECT_EQ(visited, 3);
  EXPECT_EQ(kinds, (std::vector<TTypeKind>{tkLString, tkInteger, tkString}));
  EXPECT_EQ(ForEachCustomProp("order", [](TWregCustomProp&) {}), 0);

  // The base class serves nothing.
  TWregCustomProp base("x", tkInteger);
  rtl::Variant v;
  EXPECT_FALSE(base.GetCustomValue(&combo, "x", true, v));
  base.SetCustomValue(&combo, "x", Text("1"));
}

TEST_F(CustomProps, TheWalkHoldsTheListLock) {
  // A handler registering another one during the walk does not deadlock; the new one is not
  // visited by that walk.
  int inner = ForEachCustomProp("ItemIndex", [](TWregCustomProp&) {
    RegisterCustomProp<TWregCustomProp>("lock_test_nested", tkInteger);
  });
  EXPECT_EQ(inner, 1);
  EXPECT_EQ(ForEachCustomProp("lock_test_nested", [](TWregCustomProp&) {}), 1);

  // Another thread's registration waits until the walk ends.
  std::atomic<bool> registered{false};
  std::thread other;
  ForEachCustomProp("ItemIndex", [&](TWregCustomProp&) {
    other = std::thread([&] {
      RegisterCustomProp<TWregCustomProp>("lock_test_thread", tkInteger);
      registered = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(registered.load());
  });
  other.join();
  EXPECT_TRUE(registered.load());
}

} // namespace
