// New copies of whole-file stores are created with handles that started programs do not inherit:
// a program that the host starts while a settings file is written would otherwise hold the file
// open for as long as it runs, and every later replacement of the file would be refused.
#include "platform/file_replace.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#endif

TEST(FileReplace, NewFilesAreNotInheritedByStartedPrograms) {
  const std::string name = testing::TempDir() + "file_replace_inherit.tmp";
  std::FILE* file = platform::CreateForWriting(name);
  ASSERT_NE(file, nullptr);
#ifdef _WIN32
  DWORD flags = 0;
  ASSERT_TRUE(
      ::GetHandleInformation(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file))), &flags));
  EXPECT_EQ(flags & HANDLE_FLAG_INHERIT, 0u);
#else
  EXPECT_NE(::fcntl(fileno(file), F_GETFD) & FD_CLOEXEC, 0);
#endif
  std::fclose(file);
  std::string error;
  EXPECT_TRUE(platform::MoveFileReplacing(name, name + ".moved", error)) << error;
  std::remove((name + ".moved").c_str());
}
