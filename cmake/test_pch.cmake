# One precompiled header for the GoogleTest programs.
#
#   agg_test_pch(<target>)
#
# GoogleTest's header and the standard headers most tests include take a large share of each test
# file's compile time, the more so in the unoptimised sanitizer builds. They are precompiled once
# per build tree, by the small program agg_test_pch that is built only as the test programs need
# it, and every test program reuses that header. The donor has the test programs' compile flags
# (the sanitizer and warning options of the build, GoogleTest's definitions), so the compiler
# accepts the header for them; a header it rejected would be a warning, which fails the
# -Werror builds rather than slowing them down unnoticed.
set(AGG_TEST_PCH_HEADERS
    <gtest/gtest.h> <algorithm> <atomic> <chrono> <cstring> <filesystem> <fstream>
    <functional> <memory> <mutex> <sstream> <string> <thread> <vector>)

# The native builds only: mingw-w64's g++ 12 loses the system-header marks of the precompiled
# standard library, and std::string's inlined copies then raise -Warray-bounds in test files.
function(agg_test_pch target)
  if(WIN32)
    return()
  endif()
  if(NOT TARGET agg_test_pch)
    set(main "${CMAKE_BINARY_DIR}/agg_test_pch/main.cpp")
    file(CONFIGURE OUTPUT "${main}" CONTENT "int main() { return 0; }\n")
    add_executable(agg_test_pch EXCLUDE_FROM_ALL "${main}")
    target_link_libraries(agg_test_pch PRIVATE ${AGG_GTEST})
    target_precompile_headers(agg_test_pch PRIVATE ${AGG_TEST_PCH_HEADERS})
  endif()
  target_precompile_headers(${target} REUSE_FROM agg_test_pch)
endfunction()
