#include "sample_classes.h"

#include "platform/resources.h"
#include "rtl/form_registry.h"
#include "rtl/form_resource.h"

#include <gtest/gtest.h>

using namespace rtl;

namespace {

// The canonical form the writer produces, so that reading and writing it again gives the same.
const char kModuleForm[] = R"(object Module: TSampleModule
  Tag = -3
  Description = 'Aggregation'
  MinVersion = 4.0
  ModuleType = [soFirst, soThird]
  IsMultiThreadSupported = True
  OnLoad = ModuleChange
  object Panel: TSamplePanel
    Caption = 'It''s'#13#10'two lines'
    Count = 5
    Big = -9000000000
    Ratio = 0.25
    Hint = 'caf'#233
    Enabled = False
    Color = scBlue
    Options = [soSecond]
    Mark = 'x'
    Extra = 17
    Buddy = Main
    Font.Size = 11
    Font.Name = 'Arial'
    OnChange = ModuleChange
    Columns = 3
    OnCount = ModuleCount
    object Main: TSampleItem
      Caption = 'inner'
      Version = 1.5
      Font.Size = 8
      Font.Name = 'Tahoma'
    end
  end
  object Properties: TSampleHolder
    InternalVer = 2
    StrData = (
      ''
      '4c6566742c4c656674'
      '546f702c546f70')
  end
end
)";

std::string ErrorOf(std::string_view text, TComponent& root) {
  try {
    ReadForm(text, root);
  } catch (const EFormError& e) {
    return e.what();
  }
  return "no error";
}

std::string ErrorOf(std::string_view text) {
  TSampleModule root(nullptr);
  return ErrorOf(text, root);
}

class FormResource : public ::testing::Test {
protected:
  void SetUp() override {
    RegisterSampleClasses();
    gSampleLog.clear();
  }
};

TEST_F(FormResource, ReadingAppliesValuesAndCreatesOwnedComponents) {
  TSampleModule module(nullptr);
  ReadForm(kModuleForm, module);

  EXPECT_EQ(module.Name(), "Module");
  EXPECT_EQ(module.Tag(), -3);
  EXPECT_EQ(module.description, "Aggregation");
  EXPECT_EQ(module.minVersion, 4.0f);
  EXPECT_EQ(module.moduleType, 5u);
  EXPECT_TRUE(module.multiThread);
  ASSERT_TRUE(module.OnLoad);

  // Every component belongs to the root; nesting gives the parent component.
  ASSERT_EQ(module.ComponentCount(), 3);
  auto* panel = dynamic_cast<TSamplePanel*>(module.FindComponent("panel"));
  auto* main = dynamic_cast<TSampleItem*>(module.FindComponent("Main"));
  auto* holder = dynamic_cast<TSampleHolder*>(module.FindComponent("Properties"));
  ASSERT_TRUE(panel && main && holder);
  EXPECT_EQ(main->Owner(), &module);
  EXPECT_EQ(main->GetParentComponent(), panel);
  EXPECT_EQ(panel->GetParentComponent(), &module);
  EXPECT_EQ(module.Main, main);

  EXPECT_EQ(panel->Caption(), "It's\r\ntwo lines");
  EXPECT_TRUE(panel->captionSetWhileLoading);
  EXPECT_FALSE(panel->IsLoading());
  EXPECT_EQ(panel->count, 5);
  EXPECT_EQ(panel->big, -9000000000);
  EXPECT_EQ(panel->ratio, 0.25);
  EXPECT_EQ(panel->hint, u"caf\u00e9");
  EXPECT_FALSE(panel->enabled);
  EXPECT_EQ(panel->color, scBlue);
  EXPECT_EQ(panel->options, 2u);
  EXPECT_EQ(panel->mark, 'x');
  EXPECT_EQ(panel->extra.ToInt32(), 17);
  EXPECT_EQ(panel->Buddy(), main); // a reference to an object read later
  EXPECT_EQ(panel->Font()->size, 11);
  EXPECT_EQ(panel->Font()->name, "Arial");
  EXPECT_EQ(panel->columns, 3);
  EXPECT_EQ(main->version, 1.5f);
  EXPECT_EQ(holder->version, 2);
  EXPECT_EQ(holder->lines, (std::vector<std::string>{"", "4c6566742c4c656674", "546f702c546f70"}));

  panel->OnChange(panel);
  module.OnLoad(&module);
  EXPECT_EQ(module.calls.back(), "change Module");
  int32_t result = 0;
  panel->OnCount(panel, result);
  EXPECT_EQ(result, 42);

  // Loaded runs once everything is read, in reading order, the root last.
  EXPECT_EQ(gSampleLog, (std::vector<std::string>{"loaded Panel", "loaded Main", "loaded Module"}));
}

TEST_F(FormResource, WritingWhatWasReadGivesTheSameText) {
  TSampleModule module(nullptr);
  ReadForm(kModuleForm, module);
  EXPECT_EQ(WriteForm(module), kModuleForm);

  // Read into a fresh root, the written text gives the same values again.
  TSampleModule copy(nullptr);
  ReadForm(WriteForm(module), copy);
  EXPECT_EQ(WriteForm(copy), kModuleForm);
}

TEST_F(FormResource, WriterLeavesDefaultsOutAndQuotesTexts) {
  TSampleModule module(nullptr);
  module.SetName("M");
  auto* item = new TSampleItem(&module);
  item->SetName("Item");
  item->SetCaption("a'b\tc\xe9");
  item->ratio = 1e20;
  EXPECT_EQ(WriteForm(module), "object M: TSampleModule\n"
                               "  object Item: TSampleItem\n"
                               "    Caption = 'a''b'#9'c'#233\n"
                               "    Ratio = 1e+20\n"
                               "    Font.Size = 8\n"
                               "    Font.Name = 'Tahoma'\n"
                               "  end\n"
                               "end\n");
  TSampleModule copy(nullptr);
  ReadForm(WriteForm(module), copy);
  auto* read = dynamic_cast<TSampleItem*>(copy.FindComponent("Item"));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->Caption(), "a'b\tc\xe9");
  EXPECT_EQ(read->ratio, 1e20);
}

TEST_F(FormResource, StringsNumbersAndListsInEveryWritableForm) {
  TSampleModule module(nullptr);
  ReadForm("object M: TSampleModule\n"
           "  Description = 'one ' +\n"
           "    'two'#$41#66 + ''\n"
           "  MinVersion = -1.5e3\n"
           "  Tag = $7F\n"
           "  ModuleType = []\n"
           "  object P: TSampleHolder\n"
           "    StrData = ('a' 'b'\n"
           "      + 'c' '\xc3\xa9')\n"
           "  end\n"
           "end",
           module);
  EXPECT_EQ(module.description, "one twoAB");
  EXPECT_EQ(module.minVersion, -1500.0f);
  EXPECT_EQ(module.Tag(), 127);
  auto* holder = dynamic_cast<TSampleHolder*>(module.FindComponent("P"));
  ASSERT_NE(holder, nullptr);
  EXPECT_EQ(holder->lines, (std::vector<std::string>{"a", "bc", "\xe9"}));

  FormObject parsed = ParseForm("object X: TSampleModule Tag = -9223372036854775808 end");
  EXPECT_EQ(parsed.properties.at(0).value.integer, INT64_MIN);
  EXPECT_EQ(parsed.name, "X");
  EXPECT_EQ(parsed.line, 1);
}

TEST_F(FormResource, ErrorsNameTheCauseAndTheLine) {
  EXPECT_EQ(ErrorOf("object M: TSampleModule\n  Description = 'open\nend"),
            "Unterminated string (line 2)");
  EXPECT_EQ(ErrorOf("object M: TSampleModule\n\n  Colour = 1\nend"),
            "Property Colour does not exist in TSampleModule (line 3)");
  EXPECT_EQ(ErrorOf("object M: TSampleModule\n  object P: TNoSuch\n  end\nend"),
            "Class TNoSuch not found (line 2)");
  EXPECT_EQ(ErrorOf("object M: TSampleItem\nend"),
            "Form class TSampleItem does not match TSampleModule (line 1)");
  EXPECT_EQ(ErrorOf("object M: TSampleModule\n  object P: TSampleItem\n    Color = scPink\n"
                    "  end\nend"),
            "Error reading P.Color: Invalid property element: scPink (line 3)");
  EXPECT_EQ(ErrorOf("object M: TSampleModule\n  Tag = 'x'\nend"),
            "Error reading M.Tag: Invalid string value for property Tag (line 2)");
  EXPECT_EQ(ErrorOf("object M: TSampleModule\n  Tag = 4294967296\nend"),
            "Error reading M.Tag: Invalid value 4294967296 for property Tag (line 2)");
  EXPECT_EQ(ErrorOf("object M: TSampleModule\n  Tag = 99999999999999999999\nend"),
            "Number out of range (line 2)");
  EXPECT_EQ(ErrorOf("object M: TSampleModule\n  OnLoad = Nowhere\nend"),
            "Error reading M.OnLoad: Method Nowhere not found in TSampleModule (line 2)");
  EXPECT_EQ(ErrorOf("object M: TSampleModule\n  object P: TSampleItem\n  Buddy = Q\n  end\nend"),
            "Error reading P.Buddy: Component Q not found (line 3)");
  EXPECT_EQ(ErrorOf("object M: TSampleModule\n  object P: TSampleItem\n  end\n"
                    "  object p: TSampleItem\n  end\nend"),
            "Error reading p: A component named p already exists (line 4)");
  EXPECT_EQ(ErrorOf("object M: TSampleModule\n  Serial = 1\nend"),
            "Property Serial does not exist in TSampleModule (line 2)");
  EXPECT_EQ(ErrorOf("object M: TSampleModule\n  object P: TSampleItem\n    Serial = 1\n"
                    "  end\nend"),
            "Error reading P.Serial: Property Serial is read-only (line 3)");
  EXPECT_EQ(ErrorOf("object M: TSampleModule\n  Tag = 1\n"), "'end' expected (line 3)");
  EXPECT_EQ(ErrorOf("object M: TSampleModule\nend\nend"), "End of text expected (line 3)");
  EXPECT_EQ(ErrorOf("object M: TSampleModule\n  Tag = ?\nend"), "Invalid character '?' (line 2)");
  EXPECT_EQ(ErrorOf("object M: TSampleModule\n  Tag = #70000\nend"),
            "Invalid character code (line 2)");
  EXPECT_EQ(ErrorOf("object M: TSampleModule\n  Tag = 12ab\nend"), "Invalid number (line 2)");

  std::string deep;
  for (int i = 0; i < 40; ++i)
    deep += "object A" + std::to_string(i) + ": TSampleItem\n";
  EXPECT_EQ(ErrorOf(deep), "Objects nested too deeply (line 33)");
}

TEST_F(FormResource, FailedReadLeavesNoComponentLoading) {
  TSampleModule module(nullptr);
  EXPECT_NE(ErrorOf("object M: TSampleModule\n  object P: TSampleItem\n    Caption = 'x'\n"
                    "    Nothing = 1\n  end\nend",
                    module),
            "no error");
  ASSERT_EQ(module.ComponentCount(), 1);
  EXPECT_FALSE(module.IsLoading());
  EXPECT_FALSE(module.Components(0)->IsLoading());
  EXPECT_TRUE(gSampleLog.empty()); // no Loaded after a failure
}

TEST_F(FormResource, InheritedObjectsFillExistingComponents) {
  TSampleFrame frame(nullptr);
  ReadForm("object Frame: TSampleModule\n  inherited Header: TSampleItem\n    Caption = 'Top'\n"
           "  end\nend",
           frame);
  ASSERT_EQ(frame.ComponentCount(), 1);
  EXPECT_EQ(dynamic_cast<TSampleItem*>(frame.Components(0))->Caption(), "Top");
  EXPECT_EQ(
      ErrorOf("object Frame: TSampleFrame\n  inherited Footer: TSampleItem\n  end\nend", frame),
      "Inherited component Footer not found (line 2)");
}

TEST_F(FormResource, RootsUnderOneOwnerGetNumberedNames) {
  TComponent application(nullptr);
  auto* first = new TSampleModule(&application);
  auto* second = new TSampleModule(&application);
  ReadForm("object Module: TSampleModule\nend", *first);
  ReadForm("object Module: TSampleModule\nend", *second);
  ReadForm("object Module: TSampleModule\nend", *second);
  EXPECT_EQ(first->Name(), "Module");
  EXPECT_EQ(second->Name(), "Module_1");
}

TEST_F(FormResource, EmbeddedFormsAreFoundByName) {
  platform::RegisterEmbeddedResource("TSampleModule", kModuleForm);
  EXPECT_EQ(FindFormResource("TSAMPLEMODULE"), kModuleForm);
  EXPECT_TRUE(FindFormResource("TNotEmbedded").empty());

  TSampleModule module(nullptr);
  LoadFormResource(module, "tsamplemodule");
  EXPECT_EQ(module.ComponentCount(), 3);
  try {
    LoadFormResource(module, "TNotEmbedded");
    FAIL();
  } catch (const EFormError& e) {
    EXPECT_STREQ(e.what(), "Form resource TNotEmbedded not found");
  }
}

TEST_F(FormResource, AnyCorruptionOfAFormFailsCleanly) {
  // Every prefix, and every text with one byte replaced, either reads or raises a library
  // failure; the sanitizer builds check that nothing else happens.
  const std::string form = kModuleForm;
  const char replacements[] = {'\'', '#', '(', ')', '[', ']', '\n', '\0', '$', '+', '.', 'x'};
  auto attempt = [](const std::string& text) {
    TSampleModule root(nullptr);
    try {
      ReadForm(text, root);
    } catch (const Exception&) {
    }
  };
  for (std::size_t n = 0; n <= form.size(); n += 3)
    attempt(form.substr(0, n));
  for (std::size_t i = 0; i < form.size(); i += 5)
    for (char c : replacements) {
      std::string text = form;
      text[i] = c;
      attempt(text);
    }
}

} // namespace
