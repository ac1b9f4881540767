#include "model/keyed_collection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/error_of.h"

namespace tarn {
namespace {

using testing::ErrorOf;
using Strings = std::vector<std::string>;

TEST(KeyedCollectionTest, KeysPlacesOrderAndErrors) {
  KeyedCollection<std::string> names;
  names.Add(std::make_unique<std::string>("a"), "MaxSpeed");
  names.Add(std::make_unique<std::string>("b"));
  names.Add(std::make_unique<std::string>("c"), "gun");
  names.Add(std::make_unique<std::string>("d"), "\xC9t\xE9");
  EXPECT_EQ(names.Item("MAXSPEED"), "a");
  EXPECT_EQ(names.Item(2), "b");
  EXPECT_EQ(names.Find("b"), nullptr);  // added without a key
  EXPECT_EQ(names.Item("\xC9T\xE9"), "d");
  EXPECT_EQ(names.Find("\xE9T\xE9"), nullptr);  // only ASCII letters fold

  EXPECT_EQ(ErrorOf([&] { names.Item("missing"); }), kErrInvalidArgument);
  EXPECT_EQ(ErrorOf([&] { names.Item(0); }), kErrSubscriptOutOfRange);
  EXPECT_EQ(ErrorOf([&] { names.Remove(5); }), kErrSubscriptOutOfRange);
  EXPECT_EQ(ErrorOf([&] { names.Add(std::make_unique<std::string>("x"), "GUN"); }),
            kErrDuplicateKey);
  EXPECT_EQ(Strings(names.begin(), names.end()), (Strings{"a", "b", "c", "d"}));

  // Removing moves the later items up; their keys follow them.
  names.Remove("maxspeed");
  names.Remove(1);
  EXPECT_EQ(names.Item("Gun"), "c");
  EXPECT_EQ(&names.Item(1), &names.Item("GUN"));
  names.Add(std::make_unique<std::string>("e"), "maxSpeed");
  EXPECT_EQ(Strings(names.begin(), names.end()), (Strings{"c", "d", "e"}));
}

}  // namespace
}  // namespace tarn
