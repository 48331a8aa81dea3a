#include "app/entry.h"

#include <gtest/gtest.h>

namespace j6 {
namespace {

TEST(IsHelpRequest, EmptyOrSecondCharacterQuestionMarkOrLowerH) {
  const struct {
    const char* area;
    bool help;
  } cases[] = {
      {"", true},     {"/?", true},  {"-?", true},   {"-h", true},     {"/h", true},
      {"Ah1", true},  {"??", true},  {"/H", false},  {"-H", false},    {"A", false},
      {"?", false},   {"h", false},  {"A01", false}, {"A01  ", false}, {" h", true},
      {"123", false}, {"x?y", true}, {"AH1", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsHelpRequest(c.area), c.help) << "[" << c.area << "]";
}

}  // namespace
}  // namespace j6
