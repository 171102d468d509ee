#pragma once

// A scan's findings as rows of three texts (name, target path, and the key or
// the detail), to compare with the rows a test expects.

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "run/findings.h"

namespace zent::testing {

struct Row {
  std::string name;
  std::string target;
  std::string keyOrDetail;
  friend bool operator==(const Row&, const Row&) = default;
};

inline void PrintTo(const Row& row, std::ostream* out) {
  *out << "(" << row.name << ", " << row.target << ", " << row.keyOrDetail << ")";
}

// Which list gives a row its third text: &FindingCategory::EntryKeys or
// &FindingCategory::EntryDetails.
using ThirdColumn = const std::vector<std::string>& (FindingCategory::*)() const;

inline std::vector<Row> RowsOf(const FindingCategory& category, ThirdColumn third) {
  std::vector<Row> rows;
  for (std::size_t i = 0; i < category.EntryCount(); ++i) {
    rows.push_back({category.EntryNames()[i], category.TargetPaths()[i], (category.*third)()[i]});
  }
  return rows;
}

// The single category a scan added.
inline const CategoryItem& OnlyCategory(const CategoryList& categories) {
  EXPECT_EQ(categories.Count(), 1u);
  return categories.Item(0);
}

}  // namespace zent::testing
