#include "settings/string_holder.h"

#include "rtl/form_resource.h"
#include "rtl/published_builder.h"
#include "rtl/published_registry.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const std::string kEAcute = "\xE9";

// The root of the test resources: a data module that owns a holder called Properties.
class THolderModule : public TComponent {
public:
  explicit THolderModule(TComponent* owner) : TComponent(owner) {}
  static const rtl::MetaClass& StaticClass() {
    static const rtl::MetaClass meta = rtl::Published<THolderModule, TComponent>("THolderModule")
                                           .Field("Properties", &THolderModule::Properties);
    return meta;
  }
  const rtl::MetaClass& ClassType() const override { return StaticClass(); }
  TzetStrHolder* Properties = nullptr;
};

class StringHolder : public ::testing::Test {
protected:
  void SetUp() override { RegisterStringHolderClass(); }

  static std::unique_ptr<THolderModule> Read(const std::string& text) {
    auto module = std::make_unique<THolderModule>(nullptr);
    rtl::ReadForm(text, *module);
    return module;
  }

  static std::string Resource(const std::string& body) {
    return "object Module: THolderModule\n  object Properties: TzetStrHolder\n" + body +
           "  end\nend\n";
  }
};

TEST_F(StringHolder, Version2ItemsAreHexadecimalUtf8) {
  EXPECT_EQ(TzetStrHolder::EncodeLine("var1.Text,Var1", ""), "766172312e546578742c56617231");
  EXPECT_EQ(TzetStrHolder::EncodeLine(kEAcute, ""), "c3a9");
  EXPECT_EQ(TzetStrHolder::EncodeLine("", ""), "");
  EXPECT_EQ(TzetStrHolder::DecodeLine("c3a9", "", 2), kEAcute);
  EXPECT_EQ(TzetStrHolder::DecodeLine("C3A9", "", 2), kEAcute);
  EXPECT_EQ(TzetStrHolder::DecodeLine("766172312e546578742c56617231", "", 2), "var1.Text,Var1");
}

TEST_F(StringHolder, MalformedVersion2ItemsDecodeWithoutFailing) {
  // A digit left over at the end is dropped.
  EXPECT_EQ(TzetStrHolder::DecodeLine("414", "", 2), "A");
  // A bad low digit gives a blank, a bad high digit counts as 0.
  EXPECT_EQ(TzetStrHolder::DecodeLine("4z41", "", 2), " A");
  EXPECT_EQ(TzetStrHolder::DecodeLine("z9", "", 2), "\x09");
  // Bytes that are not UTF-8 are kept as they are.
  EXPECT_EQ(TzetStrHolder::DecodeLine("e9", "", 2), kEAcute);
}

TEST_F(StringHolder, KeyScramblesTheUtf8Bytes) {
  std::string item = TzetStrHolder::EncodeLine("AB", "k");
  EXPECT_EQ(item, "2a29"); // 'A' ^ 'k', 'B' ^ 'k'
  for (const std::string& key : std::vector<std::string>{"k", "key", kEAcute + "x"})
    for (const std::string& line :
         std::vector<std::string>{"var1.Text,Var1", kEAcute + kEAcute + " a", "", "kkkk"})
      EXPECT_EQ(TzetStrHolder::DecodeLine(TzetStrHolder::EncodeLine(line, key), key, 2), line);
  // The key's UTF-8 form: "é" scrambles with 0xC3 0xA9.
  EXPECT_EQ(TzetStrHolder::EncodeLine("\x01\x01", kEAcute), "c2a8");
}

TEST_F(StringHolder, OlderVersionsStillRead) {
  EXPECT_EQ(TzetStrHolder::DecodeLine("4142", "", 1), "AB");
  EXPECT_EQ(TzetStrHolder::DecodeLine("41zz42", "", 1), "A B");
  EXPECT_EQ(TzetStrHolder::DecodeLine("2a29", "k", 1), "AB");
  // Version 1 uses the key's 8-bit characters, no UTF-8.
  EXPECT_EQ(TzetStrHolder::DecodeLine("e8", kEAcute, 1), "\x01");
  EXPECT_EQ(TzetStrHolder::DecodeLine("plain", "", 0), "plain");
  EXPECT_EQ(TzetStrHolder::DecodeLine("*)", "k", 0), "AB");
  EXPECT_EQ(TzetStrHolder::DecodeLine(std::string(300, 'x'), "", 0), std::string(255, 'x'));
  EXPECT_EQ(TzetStrHolder::DecodeLine("abc", "", -5), "abc");
}

TEST_F(StringHolder, FormResourceRoundTrip) {
  THolderModule module(nullptr);
  auto* holder = new TzetStrHolder(&module);
  holder->SetName("Properties");
  for (const std::string& line : std::vector<std::string>{
           "Left,Left", ";---short---", "var1.Text, Var1 ;note", kEAcute, "", " ", "'quoted'"})
    holder->Strings()->Add(line);

  for (std::string key : {std::string(), std::string("secret")}) {
    holder->SetKeyString(key);
    std::string text = rtl::WriteForm(module);
    EXPECT_NE(text.find("InternalVer = 2"), std::string::npos) << text;
    if (key.empty()) {
      EXPECT_NE(text.find("'c3a9'"), std::string::npos) << text;
    }
    auto back = Read(text);
    ASSERT_NE(back->Properties, nullptr);
    EXPECT_EQ(back->Properties->KeyString(), key);
    EXPECT_EQ(back->Properties->Strings()->Text(), holder->Strings()->Text());
    EXPECT_EQ(back->Properties->Strings()->Count(), holder->Strings()->Count());
  }
}

TEST_F(StringHolder, ReadsTheModuleMap) {
  auto module = Read(Resource("    InternalVer = 2\n"
                              "    StrData = (\n"
                              "      ''\n"
                              "      '4c6566742c4c656674'\n"
                              "      '766172312e546578742c56617231'\n"
                              "      '20')\n"));
  TStringList* lines = module->Properties->Strings();
  ASSERT_EQ(lines->Count(), 3);
  EXPECT_EQ((*lines)[0], "Left,Left");
  EXPECT_EQ((*lines)[1], "var1.Text,Var1");
  EXPECT_EQ((*lines)[2], " ");
}

TEST_F(StringHolder, WithoutInternalVerTheLinesAreVersion0) {
  auto module = Read(Resource("    StrData = ('' '4142')\n"));
  EXPECT_EQ((*module->Properties->Strings())[0], "4142");
}

TEST_F(StringHolder, EmptyStrDataAndEmptyHolders) {
  auto module = Read(Resource("    InternalVer = 2\n    StrData = ('')\n"));
  EXPECT_EQ(module->Properties->Strings()->Count(), 0);
  EXPECT_EQ(module->Properties->KeyString(), "");
  // Nothing to write: no StrData.
  std::string text = rtl::WriteForm(*module);
  EXPECT_EQ(text.find("StrData"), std::string::npos) << text;
  // A key alone is written.
  module->Properties->SetKeyString("k");
  EXPECT_NE(rtl::WriteForm(*module).find("StrData = (\n      'k')"), std::string::npos)
      << rtl::WriteForm(*module);
}

TEST_F(StringHolder, AssignmentCopiesLinesButNotTheKey) {
  TzetStrHolder a(nullptr), b(nullptr);
  a.Strings()->Add("one");
  a.Strings()->Add("two");
  a.SetKeyString("key a");
  b.SetKeyString("key b");
  b.Assign(&a);
  EXPECT_EQ(b.Strings()->Text(), "one\r\ntwo\r\n");
  EXPECT_EQ(b.KeyString(), "key b");

  TStringList list;
  a.AssignTo(list);
  EXPECT_EQ(list.Text(), "one\r\ntwo\r\n");
  list.Add("three");
  b.Assign(list);
  EXPECT_EQ(b.Strings()->Count(), 3);
  b.SetStrings(b.Strings());
  EXPECT_EQ(b.Strings()->Count(), 3);

  TComponent other(nullptr);
  EXPECT_THROW(b.Assign(&other), rtl::EAssignError);
}

TEST_F(StringHolder, ChangeEventsOutsideResourcesOnly) {
  std::vector<std::string> events;
  auto module = Read(Resource("    InternalVer = 2\n    StrData = ('' '41')\n"));
  TzetStrHolder* holder = module->Properties;
  holder->OnChanging = TzetStrHolder::TChangeEvent([&](TObject* s) {
    events.push_back("changing " + std::to_string(holder->Strings()->Count()));
  });
  holder->OnChange = TzetStrHolder::TChangeEvent([&](TObject* s) {
    EXPECT_EQ(s, holder);
    events.push_back("change " + std::to_string(holder->Strings()->Count()));
  });
  TStringList list;
  list.Add("x");
  list.Add("y");
  holder->Assign(list);
  EXPECT_EQ(events, (std::vector<std::string>{"changing 1", "change 2"}));

  // Reading a resource into the holder raises no events.
  events.clear();
  rtl::ReadForm("object Module: THolderModule\n"
                "  inherited Properties: TzetStrHolder\n"
                "    InternalVer = 2\n"
                "    StrData = ('' '41' '42' '43')\n"
                "  end\n"
                "end\n",
                *module);
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(holder->Strings()->Count(), 3);
}

TEST_F(StringHolder, PublishedPropertiesStream) {
  THolderModule module(nullptr);
  auto* holder = new TzetStrHolder(&module);
  holder->SetName("Properties");
  holder->SetSorted(true);
  holder->SetDuplicates(dupError);
  holder->SetCapacity(12);
  holder->Strings()->Add("a");
  std::string text = rtl::WriteForm(module);
  auto back = Read(text);
  EXPECT_TRUE(back->Properties->Sorted());
  EXPECT_EQ(back->Properties->Duplicates(), dupError);
  EXPECT_EQ(back->Properties->Capacity(), 12);
  // KeyString and Strings travel inside StrData only.
  EXPECT_EQ(text.find("KeyString"), std::string::npos) << text;
  EXPECT_EQ(text.find("Strings"), std::string::npos) << text;
  EXPECT_LT(text.find("InternalVer"), text.find("StrData"));
  EXPECT_THROW(holder->SetCapacity(-1), EStringListError);
}

} // namespace
