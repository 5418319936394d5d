// The analysis modes of the language files: recording texts while translating and writing them
// into a new language file that a translator fills in.
#include "support/language_file.h"

#include "platform/codepage.h"
#include "rtl/component.h"
#include "rtl/file_names.h"
#include "support/language_text.h"

#include <cstdio>
#include <memory>

namespace {

/// "[TClass]Name -> [TClass]Name.Property", outermost owner first.
std::string ObjectPath(const TObject* obj, PPropInfo prop) {
  std::string path;
  if (auto* comp = dynamic_cast<const TComponent*>(obj)) {
    for (const TComponent* c = comp; c; c = c->Owner()) {
      std::string part = "[" + c->ClassName() + "]" + c->Name();
      path = path.empty() ? part : part + " -> " + path;
    }
  } else if (auto* persistent = dynamic_cast<const TPersistent*>(obj)) {
    path = persistent->ClassName();
  } else if (obj) {
    path = "TObject";
  }
  if (prop)
    path += "." + prop->Name();
  return path;
}

/// Name with ".N" inserted before its final extension.
std::string NumberedName(const std::string& name, int n) {
  const std::string ext = name.substr(rtl::ChangeFileExt(name, "").size());
  return name.substr(0, name.size() - ext.size()) + "." + std::to_string(n) + ext;
}

} // namespace

void TWtranslLanguage::Record(std::u16string_view text, const TObject* obj, PPropInfo prop,
                              bool found, bool& doDefault) {
  doDefault = false;
  if (text.empty() || !support::HasTranslatableChar(text))
    return;
  const std::string key = platform::WideToAnsi(support::EncodeKey(text).Key);
  switch (SaveMode) {
  case tsmUntranslated:
    if (!found && Collected.IndexOf(key) < 0)
      Collected.Add(key);
    break;
  case tsmUntranslatedWithPath:
    if (!found) {
      const std::string line = ObjectPath(obj, prop) + "=" + key;
      if (Collected.IndexOf(line) < 0)
        Collected.Add(line);
    }
    break;
  case tsmUnused:
    if (Collected.Count() == 0)
      Collected.Add("");
    if (int32_t i = Collected.IndexOf(key); i >= 0)
      Collected.Delete(i);
    break;
  default:
    break;
  }
}

void TWtranslLanguage::SaveCollected() noexcept {
  try {
    if (SaveMode == tsmOff || Collected.Count() == 0 || LanguageFile.empty())
      return;
    const std::string base = LanguageFile + (SaveMode == tsmUnused ? ".unused" : ".new");
    std::string name = base;
    if (SaveFileMode == tsfNew) {
      for (int n = 1; LanguageFileExists(name); ++n)
        name = NumberedName(base, n);
    }
    const bool existed = LanguageFileExists(name);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(
        std::fopen(name.c_str(), SaveFileMode == tsfAppend ? "ab" : "wb"), &std::fclose);
    if (!f)
      return;
    std::string out;
    if (!existed) {
      out += "[Languages]\r\n";
      out += "$" + SourceLanguage + " = #1\r\n";
      out += "$" + TargetLanguage + " = #2 (Default)\r\n";
      out += "Default = " + TargetLanguage + "\r\n\r\n";
    }
    for (int32_t i = 0; i < Collected.Count(); ++i) {
      if (Collected[i].empty())
        continue;
      out += SourceLanguage + ":>" + Collected[i] + "\r\n";
      out += TargetLanguage + ":>\r\n\r\n";
    }
    out += "\r\n";
    std::fwrite(out.data(), 1, out.size(), f.get());
  } catch (...) {
  }
}
