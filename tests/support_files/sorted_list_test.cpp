#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/support.h"

namespace {

struct Record {
  std::string name;
  std::string key;
  std::int8_t i8 = 0;
  std::int16_t i16 = 0;
  std::int32_t i32 = 0;
  float f32 = 0;
  std::uint8_t u8 = 0;
  double f64 = 0;
  std::int64_t i64 = 0;
};

// Fills the list with one record per key, named by position ("0", "1", ...).
void Fill(SortedList<Record>& list, const std::vector<std::string>& keys) {
  list.clear();
  for (std::size_t i = 0; i < keys.size(); ++i) {
    Record* r = list.add();
    r->name = std::to_string(i);
    r->key = keys[i];
  }
}

std::string Names(SortedList<Record>& list) {
  std::string out;
  list.reset();
  while (const Record* r = list.next()) out += r->name + " ";
  return out;
}

TEST(SortedListCursor, AddInsertsAfterCurrentOrAtFrontAndNextStopsAtEnd) {
  SortedList<Record> list;
  list.reset();
  EXPECT_EQ(list.next(), nullptr);  // empty list
  list.add()->name = "a";
  list.add()->name = "c";
  list.reset();
  list.add()->name = "front";  // before the first: goes to the front
  list.next();                 // cursor on "a"
  list.add()->name = "b";      // after "a"
  EXPECT_EQ(list.size(), 4u);
  EXPECT_EQ(Names(list), "front a b c ");

  list.reset();
  for (int i = 0; i < 4; ++i) ASSERT_NE(list.next(), nullptr);
  EXPECT_EQ(list.next(), nullptr);
  EXPECT_EQ(list.next(), nullptr);
  // The cursor stayed on the last element: a new element goes after it.
  list.add()->name = "d";
  EXPECT_EQ(Names(list), "front a b c d ");

  list.clear();
  EXPECT_EQ(list.size(), 0u);
  EXPECT_EQ(list.next(), nullptr);
  Record* fresh = list.add();
  EXPECT_TRUE(fresh->name.empty());
  EXPECT_EQ(fresh->i64, 0);
}

TEST(SortedListSort, StableForEqualKeysInBothDirections) {
  struct Case {
    std::vector<std::string> keys;
    int options;
    std::string expected;
  };
  const Case cases[] = {
      {{"2012.10.05 14:03", "2012.10.05 14:03", "2012.10.04 09:00"}, 3, "0 1 2 "},
      {{"2012.10.04 09:00", "2012.10.05 14:03", "2012.10.05 14:03"}, 3, "1 2 0 "},
      {{"b", "a", "b", "a", "b"}, 0, "1 3 0 2 4 "},
      {{"b", "a", "b", "a", "b"}, SortDescending, "0 2 4 1 3 "},
      {{"x", "X", "y", "x"}, SortIgnoreCase, "0 1 3 2 "},
      {{"x", "X", "y", "x"}, 0, "1 0 3 2 "},
      // Only A-Z fold: "_" (0x5F) sorts between "Z" and "a" unless folded.
      {{"a", "_", "B"}, SortIgnoreCase, "1 0 2 "},
      {{"a", "_", "B"}, 0, "2 1 0 "},
      // Bytes compare unsigned: 0xE4 after "z"; a prefix comes first.
      {{"\xE4", "z", "zz", ""}, 0, "3 1 2 0 "},
      {{}, 3, ""},
      {{"only"}, 3, "0 "},
  };
  for (const Case& c : cases) {
    SortedList<Record> list;
    Fill(list, c.keys);
    list.sortByField(c.options, &Record::key, SortFieldText);
    EXPECT_EQ(Names(list), c.expected)
        << "options " << c.options << " first key " << (c.keys.empty() ? "-" : c.keys[0]);
    EXPECT_EQ(list.size(), c.keys.size());
  }
}

// Puts the values 3, -1, 2, -1 (as the field's type) into the records.
template <class F>
void FillNumbers(SortedList<Record>& list, F Record::*field) {
  list.clear();
  const int values[] = {3, -1, 2, -1};
  for (int i = 0; i < 4; ++i) {
    Record* r = list.add();
    r->name = std::to_string(i);
    r->*field = static_cast<F>(values[i]);
  }
}

TEST(SortedListSort, EveryNumericCodeSortsItsOwnType) {
  SortedList<Record> list;
  auto check = [&](auto field, int code, const char* ascending, const char* descending) {
    FillNumbers(list, field);
    list.sortByField(0, field, code);
    EXPECT_EQ(Names(list), ascending) << "code " << code;
    FillNumbers(list, field);
    list.sortByField(SortDescending, field, code);
    EXPECT_EQ(Names(list), descending) << "code " << code;
  };
  check(&Record::i8, SortFieldInt8, "1 3 2 0 ", "0 2 1 3 ");
  check(&Record::i16, SortFieldInt16, "1 3 2 0 ", "0 2 1 3 ");
  check(&Record::i32, SortFieldInt32, "1 3 2 0 ", "0 2 1 3 ");
  check(&Record::i32, SortFieldInt32Alt, "1 3 2 0 ", "0 2 1 3 ");
  check(&Record::f32, SortFieldFloat, "1 3 2 0 ", "0 2 1 3 ");
  check(&Record::f64, SortFieldDouble, "1 3 2 0 ", "0 2 1 3 ");
  check(&Record::i64, SortFieldInt64, "1 3 2 0 ", "0 2 1 3 ");
  // -1 as an unsigned byte is 255, the greatest value.
  check(&Record::u8, SortFieldUInt8, "2 0 1 3 ", "1 3 0 2 ");
}

TEST(SortedListSort, CodeThatDoesNotNameTheFieldTypeLeavesTheOrder) {
  SortedList<Record> list;
  const int wrongCodes[] = {
      SortFieldInt8, SortFieldInt16, SortFieldDouble, SortFieldInt64, 2, 0, -1};
  for (int code : wrongCodes) {
    FillNumbers(list, &Record::i32);
    list.sortByField(0, &Record::i32, code);
    EXPECT_EQ(Names(list), "0 1 2 3 ") << "code " << code;
  }
  Fill(list, {"b", "a"});
  list.sortByField(0, &Record::key, SortFieldInt32);
  EXPECT_EQ(Names(list), "0 1 ");
}

TEST(SortedListSort, CursorStaysOnTheSameElement) {
  SortedList<Record> list;
  Fill(list, {"c", "a", "b"});
  list.reset();
  list.next();  // on "c" (name 0)
  list.sortByField(0, &Record::key, SortFieldText);
  EXPECT_EQ(list.next(), nullptr);  // "c" is now last
  list.add()->name = "3";
  EXPECT_EQ(Names(list), "1 2 0 3 ");
  // Links in both directions were rebuilt: insert at the front again.
  list.reset();
  list.add()->name = "f";
  EXPECT_EQ(Names(list), "f 1 2 0 3 ");
}

TEST(SortedListSort, LargeListSortsStablyAndFast) {
  constexpr int kCount = 100000;
  SortedList<Record> list;
  for (int i = 0; i < kCount; ++i) {
    Record* r = list.add();
    r->i32 = (i * 7919) % 1000;  // many equal keys
    r->i64 = i;                  // original position
  }
  list.sortByField(SortDescending, &Record::i32, SortFieldInt32);
  list.reset();
  const Record* previous = list.next();
  int seen = 1;
  while (const Record* r = list.next()) {
    ASSERT_TRUE(previous->i32 > r->i32 || (previous->i32 == r->i32 && previous->i64 < r->i64));
    previous = r;
    ++seen;
  }
  EXPECT_EQ(seen, kCount);
}

}  // namespace
