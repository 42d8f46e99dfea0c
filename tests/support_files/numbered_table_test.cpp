#include "support/numbered_table.h"

#include <gtest/gtest.h>

namespace {

// Counts live objects so the tests can see releases.
struct Tracked {
  static int live;
  Tracked() { ++live; }
  ~Tracked() { --live; }
  Tracked(const Tracked&) = delete;
  Tracked& operator=(const Tracked&) = delete;
  int value = 0;
};
int Tracked::live = 0;

TEST(NumberedTable, NumbersGrowTheTableAndReuseReleasesTheOldObject) {
  {
    NumberedTable<Tracked, 16> table;
    EXPECT_EQ(table.get(0), nullptr);
    Tracked* a = table.allocate(3);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(table.capacity(), 19u);  // number + step
    a->value = 7;
    EXPECT_EQ(table.get(3), a);
    EXPECT_EQ(table.get(2), nullptr);

    Tracked* b = table.allocate(3);
    EXPECT_EQ(Tracked::live, 1);  // the first object was released
    EXPECT_EQ(b->value, 0);       // and the new one starts cleared
    table.allocate(40);
    EXPECT_EQ(table.capacity(), 56u);
    EXPECT_EQ(table.get(3), b);  // growing keeps the objects

    table.release(3);
    table.release(3);
    EXPECT_EQ(table.get(3), nullptr);
    EXPECT_EQ(Tracked::live, 1);
  }
  EXPECT_EQ(Tracked::live, 0);  // the table owns what it holds
}

TEST(NumberedTable, NumbersOutOfRangeHoldNothing) {
  NumberedTable<Tracked, 50> table;
  const long long bad[] = {-1, -2, NumberedTable<Tracked, 50>::kMaxNumber + 1, 1LL << 40};
  for (long long n : bad) {
    EXPECT_EQ(table.allocate(n), nullptr) << n;
    EXPECT_EQ(table.get(n), nullptr) << n;
    table.release(n);
  }
  EXPECT_EQ(table.capacity(), 0u);
  EXPECT_NE(table.allocate(NumberedTable<Tracked, 50>::kMaxNumber), nullptr);
  table.clear();
  EXPECT_EQ(Tracked::live, 0);
}

}  // namespace
