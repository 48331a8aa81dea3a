#include "run/fixed_string.h"

#include <gtest/gtest.h>

#include <string>

#include "run/run_state.h"

namespace j6 {
namespace {

TEST(FixedString, StartsEmpty) {
  FixedString<5> text;
  EXPECT_TRUE(text.empty());
  EXPECT_EQ(text.size(), 0u);
  EXPECT_STREQ(text.c_str(), "");
}

TEST(FixedString, AssignCutsToCapacity) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {{"", ""},
               {"abcd", "abcd"},
               {"abcde", "abcde"},
               {"abcdef", "abcde"},
               {"abcdefghijkl", "abcde"}};
  for (const auto& c : cases) {
    FixedString<5> text("zzzzz");
    text.Assign(c.in);
    EXPECT_STREQ(text.c_str(), c.out) << c.in;
    EXPECT_EQ(text.size(), std::string(c.out).size());
  }
}

TEST(FixedString, AppendFillsWhatRoomIsLeft) {
  FixedString<6> text("abc");
  text.Append("de");
  EXPECT_EQ(text.view(), "abcde");
  text.Append("fgh");
  EXPECT_EQ(text.view(), "abcdef");
  text.Append("x");
  EXPECT_EQ(text.view(), "abcdef");
}

TEST(FixedString, ZeroByteEndsTheText) {
  FixedString<10> text;
  text.Assign(std::string_view("ab\0cd", 5));
  EXPECT_EQ(text.view(), "ab");
}

TEST(FixedString, InPlaceZeroShortensTheText) {
  FixedString<10> text("a;b;c");
  text.data()[1] = '\0';
  EXPECT_EQ(text.view(), "a");
  text.Append("x");
  EXPECT_EQ(text.view(), "ax");
}

TEST(RunState, StartsEmptyWithTheDefaultPort) {
  const RunState run;
  EXPECT_TRUE(run.logFilePath.empty());
  EXPECT_TRUE(run.body.empty());
  EXPECT_EQ(run.port, 8000);
  EXPECT_FALSE(run.networkMode);
  EXPECT_FALSE(run.deleteAreaFile);
  for (const char byte : run.record.bytes) ASSERT_EQ(byte, '\0');
}

TEST(RunState, FieldsTruncateToTheirCapacities) {
  RunState run;
  const std::string longText(2000, 'x');
  run.subject.Assign(longText);
  run.extraAttachmentName.Assign(longText);
  run.extraAttachmentPath.Assign(longText);
  run.logFilePath.Assign(longText);
  run.outRoot.Assign(longText);
  EXPECT_EQ(run.subject.size(), 50u);
  EXPECT_EQ(run.extraAttachmentName.size(), 15u);
  EXPECT_EQ(run.extraAttachmentPath.size(), 1023u);
  EXPECT_EQ(run.logFilePath.size(), 3 * 259u);  // 259 characters, each up to 3 bytes of UTF-8
  EXPECT_EQ(run.outRoot.size(), 25u);
}

}  // namespace
}  // namespace j6
