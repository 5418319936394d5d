#include "sample_classes.h"

#include "rtl/component.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TSampleItem* Item(TComponent* owner, const char* name) {
  auto* item = new TSampleItem(owner);
  item->SetName(name);
  return item;
}

TEST(Component, OwnerFreesOwnedComponentsLastInsertedFirst) {
  gSampleLog.clear();
  auto owner = std::make_unique<TSampleModule>(nullptr);
  Item(owner.get(), "a");
  TSampleItem* b = Item(owner.get(), "b");
  Item(owner.get(), "c");
  Item(b, "inner");
  ASSERT_EQ(owner->ComponentCount(), 3);
  EXPECT_EQ(owner->Components(1), b);
  EXPECT_EQ(b->ComponentIndex(), 1);
  EXPECT_EQ(owner->ComponentIndex(), -1);
  EXPECT_THROW(owner->Components(3), rtl::EComponentError);
  owner.reset();
  // b reports before its own components go, since its destructor body runs first.
  EXPECT_EQ(gSampleLog, (std::vector<std::string>{"free c", "free b", "free inner", "free a"}));
}

TEST(Component, FreeingAnOwnedComponentLeavesTheOwnerAndTellsIt) {
  TSampleModule owner(nullptr);
  TSampleItem* a = Item(&owner, "a");
  Item(&owner, "b");
  owner.calls.clear();
  delete a;
  EXPECT_EQ(owner.ComponentCount(), 1);
  EXPECT_EQ(owner.FindComponent("a"), nullptr);
  EXPECT_EQ(owner.calls, std::vector<std::string>{"remove a"});
}

TEST(Component, ReowningMovesTheComponentAndChecksNames) {
  TSampleModule first(nullptr);
  TSampleModule second(nullptr);
  TSampleItem* a = Item(&first, "a");
  Item(&second, "A");

  // The name is taken in the new owner regardless of case: nothing changes.
  EXPECT_THROW(second.InsertComponent(a), rtl::EComponentError);
  EXPECT_EQ(a->Owner(), &first);

  a->SetName("moved");
  second.InsertComponent(a);
  EXPECT_EQ(a->Owner(), &second);
  EXPECT_EQ(first.ComponentCount(), 0);
  EXPECT_EQ(second.FindComponent("MOVED"), a);

  // No ownership cycles: a component cannot own itself or its owner.
  EXPECT_THROW(a->InsertComponent(a), rtl::EComponentError);
  EXPECT_THROW(a->InsertComponent(&second), rtl::EComponentError);

  second.RemoveComponent(a);
  EXPECT_EQ(a->Owner(), nullptr);
  EXPECT_EQ(second.ComponentCount(), 1);
  delete a;
}

TEST(Component, NamesAreIdentifiersUniqueWithinTheOwner) {
  TSampleModule owner(nullptr);
  TSampleItem* a = Item(&owner, "Edit_1");
  TSampleItem* b = Item(&owner, "__pBot");
  EXPECT_EQ(owner.FindComponent("edit_1"), a);
  EXPECT_EQ(owner.FindComponent("__PBOT"), b);
  EXPECT_EQ(owner.FindComponent(""), nullptr);
  EXPECT_EQ(owner.FindComponent("nothing"), nullptr);

  EXPECT_THROW(b->SetName("EDIT_1"), rtl::EComponentError);
  for (const char* bad : {"1abc", "a b", "a.b", "\xe9t\xe9"})
    EXPECT_THROW(b->SetName(bad), rtl::EComponentError) << bad;
  EXPECT_EQ(b->Name(), "__pBot");
  a->SetName("EDIT_1"); // its own name in another case
  EXPECT_EQ(a->Name(), "EDIT_1");
  b->SetName("");
  EXPECT_EQ(owner.FindComponent("__pBot"), nullptr);
}

TEST(Component, FreeNotificationClearsReferencesAcrossOwners) {
  auto left = std::make_unique<TSampleModule>(nullptr);
  auto right = std::make_unique<TSampleModule>(nullptr);
  TSampleItem* a = Item(left.get(), "a");
  TSampleItem* b = Item(right.get(), "b");
  a->SetBuddy(b);
  b->SetBuddy(a);
  right.reset(); // frees b, which tells a
  EXPECT_EQ(a->Buddy(), nullptr);

  // The other direction, and a component freed after its partner: no dangling entries remain.
  right = std::make_unique<TSampleModule>(nullptr);
  b = Item(right.get(), "b");
  b->SetBuddy(a);
  delete a;
  EXPECT_EQ(b->Buddy(), nullptr);
  right.reset();
}

TEST(Component, FieldTracksTheOwnedComponentOfItsName) {
  TSampleModule module(nullptr);
  TSampleItem* item = Item(&module, "Other");
  EXPECT_EQ(module.Main, nullptr);
  item->SetName("main");
  EXPECT_EQ(module.Main, item);
  item->SetName("Other");
  EXPECT_EQ(module.Main, nullptr);

  item->SetName("Main");
  delete item;
  EXPECT_EQ(module.Main, nullptr);

  // A component of a class the field cannot hold leaves it alone.
  (new TComponent(&module))->SetName("Main");
  EXPECT_EQ(module.Main, nullptr);
}

TEST(Component, AssignWithoutAKnownWayFails) {
  TSampleModule a(nullptr);
  TSampleItem b(nullptr);
  try {
    a.Assign(&b);
    FAIL();
  } catch (const rtl::EAssignError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TSampleItem to a TSampleModule");
  }
  EXPECT_THROW(a.Assign(nullptr), rtl::EAssignError);
}

} // namespace
