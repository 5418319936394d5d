// Language files: the blocks, the directives of the first lines, decoding, the look-up with its
// accelerator and control-character rules, and the analysis files.
#include "language_test_support.h"

#include "platform/thread_locale.h"
#include "support/language_file.h"
#include "support/language_text.h"
#include "support/translator.h"

#include <gtest/gtest.h>

using language_test::CrLf;
using language_test::TempFolder;

namespace {

class LanguageFile : public ::testing::Test {
protected:
  /// Loads Bytes from EN into RU; answers the entry count.
  int32_t Load(std::string_view bytes, const char* source = "EN", const char* target = "RU") {
    file = folder.Write("app.lng", bytes);
    lang.LanguageFile = file;
    return lang.LoadLanguageFile(file, source, &res, target);
  }
  std::u16string Lookup(std::u16string_view text, bool* found = nullptr) {
    bool f = false;
    std::u16string out = lang.LookupText(text, &res, f);
    if (found)
      *found = f;
    return out;
  }

  TempFolder folder;
  std::string file;
  TWtranslLanguage lang;
  TWtranslLanguagesList res;
};

TEST_F(LanguageFile, BlocksCountOnlyWhenAnEmptyLineClosesThemAndTheLaterBlockWins) {
  EXPECT_EQ(Load(CrLf({"EN:>Open", "RU:>first", "", "EN:>Open", "RU:>second", "", "EN:>Close",
                       "RU:>never closed"})),
            2);
  EXPECT_EQ(Lookup(u"Open"), u"second");
  bool found = true;
  EXPECT_EQ(Lookup(u"Close", &found), u"Close");
  EXPECT_FALSE(found);

  // Several lines of one language: the last one wins; prefixes are case-sensitive; a block whose
  // source and target language are the same gives nothing.
  EXPECT_EQ(Load(CrLf({"EN:>Save", "RU:>a", "ru:>lower", "RU:>b", ""})), 1);
  EXPECT_EQ(Lookup(u"Save"), u"b");
  EXPECT_EQ(lang.LoadLanguageFile(file, "EN", &res, "EN"), 0);
  EXPECT_EQ(lang.LoadLanguageFile(folder.File("missing.lng"), "EN", &res, "RU"), -1);
  EXPECT_TRUE(res.Exact.empty());
}

TEST_F(LanguageFile, LinesAreStrippedOfBlanksOnlyAndALoneCarriageReturnStays) {
  ASSERT_EQ(Load("   EN:>Run  \n\tRU:>x\nRU:>go\r\n\nEN:>A\rB\nRU:>ok\n\n"), 2);
  EXPECT_EQ(Lookup(u"Run"), u"go");
  EXPECT_EQ(res.Exact.count("A\rB"), 1u);
}

TEST_F(LanguageFile, DirectivesApplyInTheFirstNineteenLinesOnly) {
  std::string text =
      CrLf({"//saveall", "// Charset=windows-1251", "BiDiMode=RightToLeft", "//fileappend"});
  for (int i = 0; i < 15; ++i)
    text += "//\r\n";                                                  // lines 5 to 19
  text += CrLf({"Encoding=utf-8", "", "EN:>Yes", "RU:>\xc4\xe0", ""}); // line 20 is a comment
  ASSERT_EQ(Load(text), 1);
  EXPECT_EQ(lang.SaveMode, tsmAll);
  EXPECT_EQ(lang.SaveFileMode, tsfAppend);
  EXPECT_EQ(lang.Charset, 204);
  EXPECT_EQ(lang.CodePage, 1251u);
  EXPECT_EQ(lang.BiDiMode, 1);
  EXPECT_EQ(lang.Encoding, 0);
  EXPECT_EQ(Lookup(u"Yes"), u"\u0414\u0430"); // decoded from Windows-1251

  // Each load starts from the defaults again; unknown values change nothing.
  ASSERT_EQ(Load(CrLf({"//Charset=klingon", "//BiDiMode=upside", "", "EN:>Yes", "RU:>y", ""})), 1);
  EXPECT_EQ(lang.Charset, 1);
  EXPECT_EQ(lang.CodePage, 0u);
  EXPECT_EQ(lang.BiDiMode, 0);
}

// Directive names count only as written: in another case they are comments, and a translation
// that happens to hold one in another case stays a translation.
TEST_F(LanguageFile, DirectiveNamesAreMatchedWithRegardToCase) {
  const struct {
    std::vector<std::string> head;
    TTranslSaveMode saveMode;
    TTranslSaveFileMode fileMode;
    uint8_t encoding, bidi, charset;
    const char16_t* translation; // of "Set up", null when the file gives none
  } cases[] = {
      {{"//SAVEUNTR", "//FileAppend"}, tsmOff, tsfNew, 0, 0, 1, nullptr},
      {{"//SaveAll", "//saveUntrObj", "//SAVEUNUSED"}, tsmOff, tsfNew, 0, 0, 1, nullptr},
      {{"//saveuntr", "//fileappend"}, tsmUntranslated, tsfAppend, 0, 0, 1, nullptr},
      {{"//saveall", "//filerewrite", "//Encoding=utf-8"}, tsmAll, tsfRewrite, 1, 0, 1, nullptr},
      {{"EN:>Set up", "RU:>encoding=utf-8", ""}, tsmOff, tsfNew, 0, 0, 1, u"encoding=utf-8"},
      {{"EN:>Set up", "RU:>BIDIMODE=righttoleft charset=windows-1251", ""},
       tsmOff,
       tsfNew,
       0,
       0,
       1,
       u"BIDIMODE=righttoleft charset=windows-1251"},
      {{"//ENCODING=utf-8", "//bidimode=righttoleft", "//CharSet=windows-1251"},
       tsmOff,
       tsfNew,
       0,
       0,
       1,
       nullptr},
      {{"//BiDiMode=righttoleft", "//Charset=windows-1251"}, tsmOff, tsfNew, 0, 1, 204, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.head.front());
    lang.SaveMode = tsmOff;
    lang.SaveFileMode = tsfNew;
    std::string text;
    for (const std::string& line : c.head)
      text += line + "\r\n";
    EXPECT_EQ(Load(text + CrLf({"", "EN:>Yes", "RU:>da", ""})), c.translation ? 2 : 1);
    EXPECT_EQ(lang.SaveMode, c.saveMode);
    EXPECT_EQ(lang.SaveFileMode, c.fileMode);
    EXPECT_EQ(lang.Encoding, c.encoding);
    EXPECT_EQ(lang.BiDiMode, c.bidi);
    EXPECT_EQ(lang.Charset, c.charset);
    bool found = false;
    EXPECT_EQ(Lookup(u"Set up", &found), c.translation ? c.translation : u"Set up");
    EXPECT_EQ(found, c.translation != nullptr);
  }
}

TEST_F(LanguageFile, Utf16IsDecodedThroughTheCodePageAndUtf8AsUtf8) {
  const std::string entry = CrLf({"", "EN:>Yes", "RU:>\xc4\xe0", ""});
  ASSERT_EQ(Load(CrLf({"//Charset=windows-1251", "//Encoding=utf-16"}) + entry), 1);
  EXPECT_EQ(lang.Encoding, 2);
  EXPECT_EQ(Lookup(u"Yes"), u"\u0414\u0430");
  ASSERT_EQ(Load(CrLf({"//Charset=windows-1251", "//Encoding=UTF-8"}) +
                 CrLf({"", "EN:>Yes", "RU:>\xd0\x94\xd0\xb0", ""})),
            1);
  EXPECT_EQ(lang.Encoding, 1);
  EXPECT_EQ(Lookup(u"Yes"), u"\u0414\u0430");
}

TEST_F(LanguageFile, LocaleDirectiveSetsTheThreadLocaleUntilTheNextLoad) {
  const uint32_t original = platform::CurrentThreadLocale();
  Load(CrLf({"//Locale=$0419", ""}));
  EXPECT_EQ(lang.Locale, 0x0419u);
  EXPECT_EQ(platform::CurrentThreadLocale(), 0x0419u);
  Load(CrLf({"Locale=0", ""}));
  EXPECT_EQ(lang.Locale, original);
  EXPECT_EQ(platform::CurrentThreadLocale(), original);
}

TEST_F(LanguageFile, AcceleratorsMatchOneWayAndAreKeptOrDropped) {
  ASSERT_EQ(Load(CrLf({"EN:>Open", "RU:>&Otkryt", "", "EN:>&Save", "RU:>&Sokhr", "",
                       "EN:>Salt && &Pepper", "RU:>S && &P", ""})),
            3);
  // &Open finds Open and keeps the translation's accelerator.
  EXPECT_EQ(Lookup(u"&Open"), u"&Otkryt");
  // Open finds Open; a text without accelerator gets a translation without one.
  EXPECT_EQ(Lookup(u"Open"), u"Otkryt");
  // Save does not find &Save.
  bool found = true;
  EXPECT_EQ(Lookup(u"Save", &found), u"Save");
  EXPECT_FALSE(found);
  EXPECT_EQ(Lookup(u"&Save"), u"&Sokhr");
  // After a literal "&&" a later "&" counts as literal too: the caption has no accelerator, so
  // its translation loses the one it carries.
  EXPECT_EQ(Lookup(u"  Salt && &Pepper "), u"S && P");

  const support::TEncodedKey k = support::EncodeKey(u"&A&&b&c");
  EXPECT_EQ(k.Key, u"&A&&b&c");
  EXPECT_EQ(k.KeyNoAccel, u"A&&b&c"); // after "&&" every "&" is literal
  EXPECT_TRUE(k.HasAccel);
  EXPECT_EQ(support::DecodeText(u"&a&&b%41%4", true, true), u"a&&bA%4");
}

TEST_F(LanguageFile, LineBreaksAreCodedInKeysAndDecodedInTranslations) {
  ASSERT_EQ(Load(CrLf({"EN:>First%0D%0ASecond", "RU:>One%0D%0ATwo", ""})), 1);
  EXPECT_EQ(Lookup(u"First\r\nSecond"), u"One\r\nTwo");
  // Without a control character in the source text the translation stays coded.
  ASSERT_EQ(Load(CrLf({"EN:>Percent", "RU:>100%41", ""})), 1);
  EXPECT_EQ(Lookup(u"Percent"), u"100%41");
}

TEST_F(LanguageFile, LowerCaseLookupIgnoresCaseOfTheSourceText) {
  ASSERT_EQ(Load(CrLf({"EN:>Aggregate Variables", "RU:>vars", ""})), 1);
  EXPECT_EQ(res.Lower.count("aggregate variables"), 1u);
  EXPECT_EQ(Lookup(u"AGGREGATE variables"), u"vars");
}

TEST_F(LanguageFile, LanguagesSectionListsCodesAndTheDefault) {
  Load(CrLf({"[Languages]", "$EN = English", "$RU = Russian", "$XX =", "Other = 1", "Default = RU",
             "", "EN:>Open", "RU:>o", ""}));
  TStringList list;
  list.Add("stale");
  EXPECT_EQ(lang.GetLanguages(&list), "RU");
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list[0], "EN,English");
  EXPECT_EQ(list[1], "RU,Russian");
  lang.LanguageFile = folder.File("none.lng");
  EXPECT_EQ(lang.GetLanguages(&list), "");
  EXPECT_EQ(list.Count(), 0);
}

TEST(LanguageAnalysis, SaveUntranslatedKeepsSourceTextsAndWritesTheNextFreeNewFile) {
  TempFolder folder;
  const std::string file = folder.Write(
      "app.lng", CrLf({"//saveuntr", "", "EN:>Open", "RU:>o", "", "EN:>Done", "RU:>d", ""}));
  folder.Write("app.lng.new", "taken");
  {
    TWtransl tr(nullptr, true);
    tr.LanguageFile = file;
    std::u16string text = u"Open";
    EXPECT_TRUE(tr.Translate("RU", nullptr, &text, "EN"));
    EXPECT_EQ(text, u"Open"); // the interface stays in the source language
    for (const char16_t* t : {u"&Close", u"Line\r\nbreak", u"42 %", u"Close"}) {
      text = t;
      tr.Translate("RU", nullptr, &text, "EN");
      EXPECT_EQ(text, t);
    }
  }
  EXPECT_EQ(TempFolder::Read(folder.File("app.lng.new")), "taken");
  EXPECT_EQ(TempFolder::Read(folder.File("app.lng.1.new")),
            CrLf({"[Languages]", "$EN = #1", "$RU = #2 (Default)", "Default = RU", "", "EN:>&Close",
                  "RU:>", "", "EN:>Line%0D%0Abreak", "RU:>", "", "EN:>Close", "RU:>", "", ""}));
}

TEST(LanguageAnalysis, UnusedAndPathModes) {
  TempFolder folder;
  const std::string file = folder.Write(
      "app.lng", CrLf({"//saveunused", "", "EN:>Open", "RU:>o", "", "EN:>Done", "RU:>d", ""}));
  {
    TWtransl tr(nullptr, true);
    tr.LanguageFile = file;
    std::u16string text = u"Open";
    tr.Translate("RU", nullptr, &text, "EN");
  }
  EXPECT_EQ(TempFolder::Read(folder.File("app.lng.unused")),
            CrLf({"[Languages]", "$EN = #1", "$RU = #2 (Default)", "Default = RU", "", "EN:>Done",
                  "RU:>", "", ""}));

  TWtranslLanguage lang;
  lang.SaveMode = tsmUntranslatedWithPath;
  TComponent owner(nullptr);
  owner.SetName("Form1");
  TComponent* child = new TComponent(&owner);
  child->SetName("Label1");
  bool doDefault = true;
  lang.Record(u"Text", child, nullptr, false, doDefault);
  lang.Record(u"Text", child, nullptr, false, doDefault);
  lang.Record(u"12:30", child, nullptr, false, doDefault); // nothing to translate
  EXPECT_FALSE(doDefault);
  ASSERT_EQ(lang.Collected.Count(), 1);
  EXPECT_EQ(lang.Collected[0], "[TComponent]Form1 -> [TComponent]Label1=Text");
}

} // namespace
