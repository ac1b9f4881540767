#include "model/section.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/error_of.h"

namespace tarn {
namespace {

using testing::ErrorOf;

TEST(SectionTest, EntriesByKeyPlaceAndRuleOrder) {
  Section section;
  section.SetSectionName("Ship");
  Entry& speed = section.Add("maxspeed", 1, false, false, true, 11, "maxspeed");
  section.Add("hull", 1, true, false, false, 12, "HULL").AddValue("", kLongType, 1, false);
  section.Add("unkeyed", 0, false, true, false, 13);
  EXPECT_EQ(speed.SectionName(), "Ship");
  EXPECT_EQ(&section.Item("MAXSPEED"), &speed);
  EXPECT_EQ(section.Item(3).EntryName(), "unkeyed");
  EXPECT_EQ(ErrorOf([&] { section.Item("SPEED"); }), kErrInvalidArgument);
  EXPECT_EQ(ErrorOf([&] { section.Item(4); }), kErrSubscriptOutOfRange);
  EXPECT_EQ(ErrorOf([&] { section.Add("MaxSpeed", 0, false, false, false, 14, "MAXSPEED"); }),
            kErrDuplicateKey);
  std::vector<std::int32_t> ids;
  for (const Entry& entry : section) ids.push_back(entry.EntryDB_ID());
  EXPECT_EQ(ids, (std::vector<std::int32_t>{11, 12, 13}));

  section.Item("HULL").SetValues("hull", "1", 4);
  section.Item("HULL").SetValues("hull", "2", 5);
  section.Clear();
  EXPECT_EQ(section.Item("HULL").LinesRead(), 0);
  section.Remove("hull");
  section.Remove(1);
  EXPECT_EQ(section.Count(), 1);
  EXPECT_EQ(section.Item(1).EntryDB_ID(), 13);
}

}  // namespace
}  // namespace tarn
