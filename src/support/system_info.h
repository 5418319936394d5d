// System information helpers shared by the frame, the settings store and the data model: the
// module's own file name and folder, the WOW64 test, version resources, special folders with
// their fallbacks, a file-name sanitiser, and small text and variant helpers.
//
// Nothing here raises to the caller and nothing keeps state beyond the platform's WOW64 entry
// points; every function runs in the caller's thread. Positions and indexes follow the runtime's
// strings: text positions are 1-based, list indexes 0-based.
#pragma once

#include "platform/ole_variant.h"
#include "platform/special_folders.h"
#include "rtl/ansi_string.h"
#include "rtl/object.h"
#include "rtl/string_list.h"

#include <cstdint>
#include <string>
#include <string_view>

/// The version resource of a file, read when the object is created. On any failure Valid is
/// false, the strings are empty and the numbers 0.
class TzetVersionInfo : public TObject {
public:
  explicit TzetVersionInfo(const std::string& fileName);

  /// Major "." Minor "." Release "." Build, as the frame shows the version.
  std::string VersionText() const;

  bool Valid = false;
  std::string ProductName;
  std::string FileDescription;
  uint16_t Major = 0;
  uint16_t Minor = 0;
  uint16_t Release = 0;
  uint16_t Build = 0;
};

namespace support {

/// True when the system reports this process as running under WOW64; false when it cannot say.
bool IsWow64();
/// Full file name of Module (0 = this library), asked with the WOW64 redirection switched off;
/// empty on failure.
std::string GetModuleFileName(uintptr_t module = 0);
/// The folder of GetModuleFileName(Module), with a trailing separator; empty on failure.
std::string GetModuleDir(uintptr_t module = 0);
/// Value of the environment variable Name; empty when it is missing.
std::string GetEnvVar(std::string_view name);

/// The special folder Csidl (a shell folder number) followed by SubFolder, sanitised as one path
/// element, and a trailing separator. When the shell cannot answer, the user's and all users'
/// application data come from the "Shell Folders" registry key; then the folder named by
/// "CommonProgramFiles" is taken; then, with FallBackToModuleDir, this library's folder (without
/// SubFolder). Empty when nothing applies.
std::string GetSpecialFolder(int csidl, std::string_view subFolder, bool fallBackToModuleDir);

/// Name made safe as one path element: the characters " * / : < > ? \ | (with Strict false also
/// ' + ; = [ ]) are replaced by ReplaceChar, or dropped when it is 0; a name that a device name
/// would shadow (beginning with COM or LPT, or equal to CON, AUX, PRN or NUL, in any case) or
/// that consists of dots only gets a '_' in front.
std::string MakeValidFileName(std::string_view name, bool strict, char replaceChar);

/// 1-based position of the first SubText in Text at or after StartPos (1-based), with regard to
/// case; 0 when there is none, when SubText is empty or when StartPos lies outside Text.
int32_t PosEx(std::string_view subText, std::string_view text, int32_t startPos = 1);

/// The Index-th (1-based) part of Text between Delimiter strings; with Trim, characters up to
/// blank are removed from both ends. PartLength receives the length of the part before trimming
/// (0 when there is no such part), PartPos its 1-based position in Text (-1 when there is none).
/// An empty Delimiter gives the whole Text for Index 1 and nothing for higher indexes.
std::string GetToken(std::string_view text, std::string_view delimiter, int32_t index, bool trim,
                     int32_t* partLength = nullptr, int32_t* partPos = nullptr);

/// Text with every OldChar replaced by NewChar.
std::string ReplaceChar(std::string_view text, char oldChar, char newChar);

/// List := the parts of Text between Separator characters; line breaks split as well.
void SplitToList(TStringList& list, std::string_view text, char separator);

/// 0-based index of Item among the entries of ListText (separated by '|'), -1 when absent. The
/// list's search ignores case either way; IgnoreCase additionally lowers ASCII letters first.
int32_t IndexInList(std::string_view listText, std::string_view item, bool ignoreCase);

/// A new string with the same bytes, sharing no block with Text.
rtl::AnsiString CopyString(const rtl::AnsiString& text);

/// True for the Empty and the Null variant (also when reached through a reference).
bool VarIsEmptyOrNull(const platform::VariantRec& v) noexcept;
/// True for variants holding an 8-bit string or an OLE string (also through a reference).
bool VarIsString(const platform::VariantRec& v) noexcept;

/// The shell query GetSpecialFolder uses.
using ShellFolderQuery = platform::ShellFolderAnswer (*)(int csidl);
/// Replaces the shell query (null: the system's again) and answers the one in use before. For
/// tests of the fallbacks; not to be changed while another thread asks for folders.
ShellFolderQuery SetShellFolderQuery(ShellFolderQuery query);

} // namespace support
