#include <gtest/gtest.h>

#include "core/Iglobals.h"

TEST(PagePosition, EightNinthsAbove) {
  EXPECT_EQ(PagePosition(QSize(1024, 768), QSize(637, 300)), QPoint(193, 416));
}
