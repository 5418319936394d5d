#include "support/call_stack.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string gStackText;
std::string InjectedStack() {
  return gStackText;
}

struct SinkCall {
  uintptr_t Context;
  std::string Text;
};
std::vector<SinkCall> gSinkCalls;
void RecordingSink(uintptr_t context, const std::string& text) {
  gSinkCalls.push_back({context, text});
}
void ThrowingSink(uintptr_t, const std::string&) {
  throw std::runtime_error("sink failed");
}

class CallStack : public ::testing::Test {
protected:
  void SetUp() override {
    gSinkCalls.clear();
    support::SetStackTextSource(&InjectedStack);
  }
  void TearDown() override { support::SetStackTextSource(nullptr); }
};

TEST_F(CallStack, TitleGoesOnItsOwnLineBeforeTheStack) {
  gStackText = "a";
  EXPECT_EQ(support::GetCallStackText("x"), "x\r\na");
  EXPECT_EQ(support::GetCallStackText(""), "a");

  support::LogCallStack("x", &RecordingSink, 42);
  ASSERT_EQ(gSinkCalls.size(), 1u);
  EXPECT_EQ(gSinkCalls[0].Context, 42u);
  EXPECT_EQ(gSinkCalls[0].Text, "x\r\na");
}

TEST_F(CallStack, EmptyStackYieldsNothingEvenWithATitle) {
  gStackText.clear();
  EXPECT_EQ(support::GetCallStackText("x"), "");
  support::LogCallStack("x", &RecordingSink, 1);
  EXPECT_TRUE(gSinkCalls.empty());
}

TEST_F(CallStack, MissingOrFailingSinkIsHarmless) {
  gStackText = "a";
  support::LogCallStack("x", nullptr, 1);
  EXPECT_NO_THROW(support::LogCallStack("x", &ThrowingSink, 1));
}

TEST(CallStackOfThread, NamesTheModulesOfTheFrames) {
  const std::string text = support::GetCallStackText("");
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.find("+0x"), std::string::npos) << text;
  EXPECT_EQ(text.substr(0, 2).find('\r'), std::string::npos);
  EXPECT_EQ(support::GetCallStackText("T").substr(0, 3), "T\r\n");
}

} // namespace
