// The findings register: parallel rows, the selection flags a repair reads and
// the summary caption a category gets when it is closed.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "run/findings.h"

namespace zent {
namespace {

// The interface texts of the summary caption, as a string table that holds them.
std::string TableText(int id) {
  static const std::map<int, std::string> texts = {{kPluralEntriesText, "entries"},
                                                   {kSingleEntryText, "1 entry"}};
  const auto found = texts.find(id);
  return found == texts.end() ? std::string() : found->second;
}

std::string NoText(int) { return {}; }

CategoryItem ItemWithRows(std::size_t rows) {
  CategoryItem item;
  item.caption = "Apps";
  for (std::size_t i = 0; i < rows; ++i) {
    item.category.Record({"N" + std::to_string(i), "C:\\T" + std::to_string(i), {}, {}});
  }
  return item;
}

struct CaptionCase {
  std::size_t rows;
  std::string tableCaption;  // with the texts above
  std::string emptyCaption;  // with a table that lacks them
};

void PrintTo(const CaptionCase& c, std::ostream* out) { *out << c.rows << " rows"; }

class SummaryCaption : public ::testing::TestWithParam<CaptionCase> {};

TEST_P(SummaryCaption, AppendsTheCountAfterALineFeed) {
  CategoryItem item = ItemWithRows(GetParam().rows);
  CloseCategory(item, 1, TableText);
  EXPECT_EQ(item.caption, GetParam().tableCaption);

  CategoryItem bare = ItemWithRows(GetParam().rows);
  CloseCategory(bare, 1, NoText);
  EXPECT_EQ(bare.caption, GetParam().emptyCaption);
}

INSTANTIATE_TEST_SUITE_P(Counts, SummaryCaption,
                         ::testing::Values(CaptionCase{0, "Apps\n0 entries", "Apps\n0 "},
                                           CaptionCase{1, "Apps\n1 entry", "Apps\n"},
                                           CaptionCase{2, "Apps\n2 entries", "Apps\n2 "},
                                           CaptionCase{12, "Apps\n12 entries", "Apps\n12 "}));

TEST(FindingsRegister, ClosingSizesTheFlagsToTheRowsWithOneValue) {
  CategoryItem selected = ItemWithRows(3);
  CloseCategory(selected, 1, NoText);
  EXPECT_EQ(selected.category.SelectionFlags(), (std::vector<std::uint8_t>{1, 1, 1}));

  CategoryItem kept = ItemWithRows(2);
  CloseCategory(kept, 0, NoText);
  EXPECT_EQ(kept.category.SelectionFlags(), (std::vector<std::uint8_t>{0, 0}));
}

TEST(FindingsRegister, RowsBeyondTheFlagsAreNotSelected) {
  CategoryItem item = ItemWithRows(2);
  EXPECT_EQ(item.category.Flag(0), 0);  // an unclosed category selects nothing
  CloseCategory(item, 1, NoText);
  item.category.Record({"late", "C:\\LATE", {}, {}});
  EXPECT_EQ(item.category.Flag(1), 1);
  EXPECT_EQ(item.category.Flag(2), 0);
  EXPECT_FALSE(item.category.SetFlag(2, 1));
  EXPECT_EQ(item.category.Flag(2), 0);
}

TEST(FindingsRegister, RecordKeepsTheListsParallel) {
  FindingCategory category;
  category.Record({"Event", "C:\\A.WAV", {}, "App"});
  category.Record({"Name", "C:\\B.DLL", "Key", {}});
  ASSERT_EQ(category.EntryCount(), 2u);
  EXPECT_EQ(category.TargetPaths(), (std::vector<std::string>{"C:\\A.WAV", "C:\\B.DLL"}));
  EXPECT_EQ(category.EntryKeys(), (std::vector<std::string>{"", "Key"}));
  EXPECT_EQ(category.EntryDetails(), (std::vector<std::string>{"App", ""}));

  category.CreateLists();
  EXPECT_EQ(category.EntryCount(), 0u);
  EXPECT_TRUE(category.EntryDetails().empty());
}

TEST(FindingsRegister, CategoryListKeepsRunOrderAndFindsByIndex) {
  CategoryList list;
  list.Add(3, "DLLs");
  list.Add(9, "Apps");
  list.Add(7, "");
  ASSERT_EQ(list.Count(), 3u);
  EXPECT_EQ(list.Item(0).CategoryIndex, 3);
  EXPECT_EQ(list.Item(1).caption, "Apps");
  EXPECT_EQ(list.Item(2).CategoryIndex, 7);

  ASSERT_NE(list.Find(9), nullptr);
  EXPECT_EQ(list.Find(9), &list.Item(1));
  EXPECT_EQ(list.Find(7), &list.Item(2));
  EXPECT_EQ(list.Find(0), nullptr);

  list.Clear();
  EXPECT_TRUE(list.Empty());
  EXPECT_EQ(list.Find(3), nullptr);
}

}  // namespace
}  // namespace zent
