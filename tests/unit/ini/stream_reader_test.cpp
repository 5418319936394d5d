#include "settings/stream_reader.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> ReadAll(const std::string& bytes, std::size_t bufferSize = 128) {
  std::istringstream stream(bytes);
  TStreamReader reader(&stream, false, bufferSize);
  std::vector<std::string> lines;
  while (!reader.EndOfStream())
    lines.push_back(reader.ReadLine());
  return lines;
}

using Lines = std::vector<std::string>;

TEST(TStreamReader, SplitsAtEveryKindOfLineBreak) {
  EXPECT_EQ(ReadAll("a\rb\nc\r\nd"), (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(ReadAll("a\n\n\r\rb\r\n"), (Lines{"a", "", "", "", "b"}));
  EXPECT_EQ(ReadAll("\n"), (Lines{""}));
  EXPECT_TRUE(ReadAll("").empty());
  EXPECT_EQ(ReadAll(std::string("x\0y\n", 4)), (Lines{std::string("x\0y", 3)}));
}

TEST(TStreamReader, LinesAndLineBreaksAcrossBufferFills) {
  // The CR of a CR LF pair is the last byte of the first fill, its LF the first of the second.
  const std::string first(127, 'a');
  EXPECT_EQ(ReadAll(first + "\r\nb"), (Lines{first, "b"}));
  // A CR at the end of a fill followed by another line's text is a line break of its own.
  EXPECT_EQ(ReadAll(first + "\rb"), (Lines{first, "b"}));
  // Lines far longer than the buffer; the buffer never drops below 128 bytes.
  const std::string longLine(1000, 'z');
  EXPECT_EQ(ReadAll(longLine + "\n" + longLine, 1), (Lines{longLine, longLine}));
}

TEST(TStreamReader, NilStreamAndOwnership) {
  try {
    TStreamReader reader(nullptr, true);
    FAIL() << "no exception";
  } catch (const EInOutError& e) {
    EXPECT_STREQ(e.what(), "Stream is nil");
  }

  struct TrackedStream : std::istringstream {
    explicit TrackedStream(bool& deleted) : std::istringstream("a\nb"), Deleted(deleted) {}
    ~TrackedStream() override { Deleted = true; }
    bool& Deleted;
  };
  bool deleted = false;
  {
    TStreamReader reader(new TrackedStream(deleted), true);
    EXPECT_EQ(reader.ReadLine(), "a");
    reader.Close();
    EXPECT_TRUE(deleted);
    EXPECT_TRUE(reader.EndOfStream());
    EXPECT_EQ(reader.ReadLine(), "");
  }
  bool kept = false;
  TrackedStream* stream = new TrackedStream(kept);
  { TStreamReader reader(stream, false); }
  EXPECT_FALSE(kept);
  delete stream;
}

} // namespace
