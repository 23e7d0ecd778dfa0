#include <gtest/gtest.h>

#include <climits>

#include "hex.h"

namespace quorix {
namespace {

TEST(HexPrimitives, StrIntReadsOneDigit) {
  const struct {
    std::string_view in;
    int out;
  } cases[] = {{"7", 7}, {"0", 0}, {"9", 9}, {"c", 12}, {"C", 12}, {"F", 15}, {"f", 15}, {"G", 0},
               {"g", 0}, {" ", 0}, {":", 0}, {"", 0},   {"@", 0},  {"`", 0},  {"/", 0},  {"Ab", 10}};
  for (const auto& c : cases) EXPECT_EQ(Str_Int(c.in), c.out) << '"' << c.in << '"';
}

TEST(HexPrimitives, StrHexReadsTwoDigitsAndIgnoresTheRest) {
  const struct {
    std::string_view in;
    int out;
  } cases[] = {{"3A", 58}, {"3a", 58}, {"FF", 255},  {"F", 240}, {"", 0},
               {"G1", 1},  {"1G", 16}, {"ABC", 171}, {"00", 0},  {"0", 0}};
  for (const auto& c : cases) EXPECT_EQ(Str_Hex(c.in), c.out) << '"' << c.in << '"';
}

TEST(HexPrimitives, HexxGivesTheLowByteInUpperCase) {
  const struct {
    long long in;
    std::string_view out;
  } cases[] = {{0, "00"},    {10, "0A"},      {255, "FF"},      {256, "00"},      {300, "2C"},
               {4095, "FF"}, {-1, "FF"},      {-516, "FC"},     {-32768, "00"},   {32767, "FF"},
               {-261, "FB"}, {0x12345, "45"}, {-0x1FE01, "FF"}, {LLONG_MIN, "00"}};
  for (const auto& c : cases) EXPECT_EQ(Hexx(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace quorix
