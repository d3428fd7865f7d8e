#include "toolkit/window/icon.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

namespace toolkit {
namespace {

// The icon must be a well-formed 16 by 16 XPM of at most 16 colours, every
// pixel one of the declared colours (FLTK draws nothing for a bad one).
TEST(IconTest, IsASixteenBySixteenXpmOfAtMostSixteenColours) {
  const char* const* xpm = IconXpm();
  int width = 0, height = 0, colours = 0, per_pixel = 0;
  ASSERT_EQ(std::sscanf(xpm[0], "%d %d %d %d", &width, &height, &colours, &per_pixel), 4);
  EXPECT_EQ(width, kIconSize);
  EXPECT_EQ(height, kIconSize);
  EXPECT_LE(colours, 16);
  ASSERT_EQ(per_pixel, 1);
  ASSERT_EQ(IconXpmLines(), 1 + colours + height);
  std::set<char> declared;
  for (int i = 1; i <= colours; ++i) declared.insert(xpm[i][0]);
  for (int row = 0; row < height; ++row) {
    const std::string pixels = xpm[1 + colours + row];
    ASSERT_EQ(pixels.size(), static_cast<size_t>(width)) << "row " << row;
    for (char pixel : pixels) EXPECT_TRUE(declared.count(pixel)) << "row " << row;
  }
}

}  // namespace
}  // namespace toolkit
