// The named system-wide lock: recursion for its holder across lock objects, exclusion of other
// threads, and exclusion of other processes, which are this test binary started again as a
// helper (through the shell, so the same code runs natively and under wine).
#include "platform/named_lock.h"

#include "platform/environment.h"
#include "platform/module_info.h"
#include "platform_test_env.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <random>
#include <sstream>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using platform::NamedLock;
namespace fs = std::filesystem;

constexpr char kChildVariable[] = "AGG_UNIT_LOCK_CHILD";

void Put(const fs::path& file, const std::string& text) {
  std::ofstream(file) << text;
}

std::string Get(const fs::path& file) {
  std::ifstream in(file);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// The helper's part. Its instructions come in the environment as "mode|lock name|folder".
int RunChild(const std::string& job) {
  const auto first = job.find('|'), second = job.find('|', first + 1);
  if (first == std::string::npos || second == std::string::npos)
    return 10;
  const std::string mode = job.substr(0, first);
  const std::string name = job.substr(first + 1, second - first - 1);
  const fs::path folder = job.substr(second + 1);
  if (mode == "wait") {
    NamedLock lock(name);
    if (lock.TryLock()) {
      Put(folder / "result", "taken while the parent held it");
      return 3;
    }
    Put(folder / "waiting", "");
    if (!lock.Lock())
      return 4;
    Put(folder / "result", "acquired");
    lock.Unlock();
    return 0;
  }
  if (mode == "abandon") {
    // Ends while holding the lock; the system must pass it on.
    static NamedLock* lock = nullptr; // still reachable at exit, so no leak is reported
    lock = new NamedLock(name);
    if (!lock->Lock())
      return 4;
    Put(folder / "held", "");
    return 0;
  }
  return 11;
}

// When started as the helper, the binary does the helper's part and ends before any test runs.
[[maybe_unused]] const int g_childRun = [] {
  const std::string job = platform::GetEnvVar(kChildVariable);
  if (!job.empty())
    std::exit(RunChild(job));
  return 0;
}();

std::string UniqueName(const char* what) {
  std::random_device random;
  return std::string("unit_platform_") + what + "_" + std::to_string(random());
}

// Starts this binary as the helper for Job; the future answers the shell's result.
std::future<int> StartChild(const std::string& job) {
  platform::SetEnvVar(kChildVariable, job);
  const std::string command = "\"" + platform::ModuleFileName(0) + "\"";
  std::promise<void> started;
  auto running = started.get_future();
  auto result = std::async(std::launch::async, [command, &started] {
    started.set_value();
    return std::system(command.c_str());
  });
  running.wait();
  return result;
}

void EndChildJobs() {
  platform::UnsetEnvVar(kChildVariable);
}

// Waits until File exists or the helper has ended; true when the file is there.
bool AwaitFile(const fs::path& file, std::future<int>& child) {
  for (auto deadline = std::chrono::steady_clock::now() + 60s;
       std::chrono::steady_clock::now() < deadline;) {
    if (fs::exists(file))
      return true;
    if (child.wait_for(20ms) == std::future_status::ready)
      return fs::exists(file);
  }
  return false;
}

fs::path JobFolder(const std::string& name) {
  fs::path folder = platform_test::RunFolder() / name;
  fs::create_directories(folder);
  return folder;
}

// Whether another thread could take the lock right now (it gives it back at once).
bool OtherThreadCanTake(const std::string& name) {
  return std::async(std::launch::async,
                    [&] {
                      NamedLock lock(name);
                      const bool taken = lock.TryLock();
                      if (taken)
                        lock.Unlock();
                      return taken;
                    })
      .get();
}

TEST(NamedLock, HolderReentersThroughEveryObjectOfTheName) {
  const std::string name = UniqueName("recursion");
  NamedLock first(name), second(name);
  ASSERT_TRUE(first.Lock());
  ASSERT_TRUE(first.Lock());
  ASSERT_TRUE(second.TryLock());
  EXPECT_FALSE(OtherThreadCanTake(name));

  // A thread that does not hold the lock cannot release it.
  std::async(std::launch::async, [&] { NamedLock(name).Unlock(); }).get();
  first.Unlock();
  second.Unlock();
  EXPECT_FALSE(OtherThreadCanTake(name));
  first.Unlock();
  EXPECT_TRUE(OtherThreadCanTake(name));
}

TEST(NamedLock, ExcludesOtherThreads) {
  const std::string name = UniqueName("threads");
  constexpr int kThreads = 4, kRounds = 200;
  int counter = 0;
  std::atomic<int> inside{0}, mostInside{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&] {
      NamedLock lock(name);
      for (int i = 0; i < kRounds; ++i) {
        platform::NamedLockGuard guard(lock);
        ASSERT_TRUE(guard.OwnsLock());
        const int now = ++inside;
        if (now > mostInside)
          mostInside = now;
        const int seen = counter;
        std::this_thread::yield();
        counter = seen + 1;
        --inside;
      }
    });
  for (auto& t : threads)
    t.join();
  EXPECT_EQ(counter, kThreads * kRounds);
  EXPECT_EQ(mostInside, 1);
}

TEST(NamedLock, NamesOfIniFilesWithPathsAndLongNamesWork) {
  const std::string path = "C:\\Data\\" + UniqueName("path") + ".ini";
  const std::string longName(300, 'x');
  for (const std::string& name : {path, longName}) {
    platform::ScopedNamedLock held(name);
    EXPECT_TRUE(held.OwnsLock()) << name;
    EXPECT_FALSE(OtherThreadCanTake(name)) << name;
  }
  EXPECT_TRUE(OtherThreadCanTake(path));
}

TEST(NamedLock, AnotherProcessWaitsUntilTheHolderReleases) {
  const std::string name = UniqueName("process");
  const fs::path folder = JobFolder(name);
  NamedLock lock(name);
  ASSERT_TRUE(lock.Lock());
  std::future<int> child = StartChild("wait|" + name + "|" + folder.string());
  const bool waiting = AwaitFile(folder / "waiting", child);
  std::this_thread::sleep_for(300ms);
  const bool finishedEarly = fs::exists(folder / "result");
  lock.Unlock();
  const int rc = child.get();
  EndChildJobs();
  EXPECT_TRUE(waiting) << Get(folder / "result");
  EXPECT_FALSE(finishedEarly);
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(Get(folder / "result"), "acquired");
}

TEST(NamedLock, ALockLeftByAnEndedProcessPassesOn) {
  const std::string name = UniqueName("abandoned");
  const fs::path folder = JobFolder(name);
  std::future<int> child = StartChild("abandon|" + name + "|" + folder.string());
  const int rc = child.get();
  EndChildJobs();
  ASSERT_EQ(rc, 0);
  ASSERT_TRUE(fs::exists(folder / "held"));
  auto taken = std::async(std::launch::async, [&] {
    NamedLock lock(name);
    const bool ok = lock.Lock();
    if (ok)
      lock.Unlock();
    return ok;
  });
  if (taken.wait_for(30s) != std::future_status::ready) {
    // The waiting thread cannot be joined; end the binary rather than hang it.
    std::fprintf(stderr, "deadlock: the lock of an ended process was never passed on\n");
    std::abort();
  }
  EXPECT_TRUE(taken.get());
}

} // namespace
