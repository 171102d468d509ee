#pragma once

// The findings register: what the cleaning pass found, one category per scan
// or sweep, each with parallel lists of texts (row i of every list belongs to
// finding i) and one selection flag per finding. Nothing of it is shown or
// written to disk; the repair reads it and removes the selected entries.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "run/run_state.h"

namespace zent {

// One row of a category. Texts a category does not use stay empty.
struct Finding {
  std::string name;    // EntryNames
  std::string target;  // TargetPaths
  std::string key;     // EntryKeys
  std::string detail;  // EntryDetails
  // The registry view the entry was found in; the repair removes it there.
  platform::RegView view = platform::RegView::Bits64;
};

class FindingCategory {
 public:
  // Empties every list and the flags, as a scan does when it starts.
  void CreateLists();
  // Appends one element to every list in the same step.
  void Record(Finding finding);

  std::size_t EntryCount() const { return entryNames_.size(); }
  const std::vector<std::string>& EntryNames() const { return entryNames_; }
  const std::vector<std::string>& TargetPaths() const { return targetPaths_; }
  const std::vector<std::string>& EntryKeys() const { return entryKeys_; }
  const std::vector<std::string>& EntryDetails() const { return entryDetails_; }
  const std::vector<std::uint8_t>& SelectionFlags() const { return selectionFlags_; }
  // The view of finding i; the 64-bit one beyond the end.
  platform::RegView View(std::size_t i) const;

  // The selection flag of finding i; 0 beyond the end of SelectionFlags.
  std::uint8_t Flag(std::size_t i) const;
  // Sizes SelectionFlags to the entry count, every flag `value`.
  void SetAllFlags(std::uint8_t value);
  // Selects or deselects one sized flag; false beyond the end.
  bool SetFlag(std::size_t i, std::uint8_t value);

 private:
  std::vector<std::string> entryNames_;
  std::vector<std::string> targetPaths_;
  std::vector<std::string> entryKeys_;
  std::vector<std::string> entryDetails_;
  std::vector<std::uint8_t> selectionFlags_;
  std::vector<platform::RegView> entryViews_;
};

// An item of `CategoryList` with its category.
struct CategoryItem {
  std::string caption;
  int CategoryIndex = 0;
  FindingCategory category;
};

// The plural word and singular phrase of the summary caption, each replaced by
// its interface text on every call.
inline constexpr int kPluralEntriesText = 20212;
inline constexpr int kSingleEntryText = 20213;

// Sizes the flags to the entry count with `flagValue` and appends the summary
// caption: "\n" + count + " " + plural word, or "\n" + singular phrase for 1.
void CloseCategory(CategoryItem& item, std::uint8_t flagValue, const TextLoader& loadText);

// The ordered, never shown index of the categories. Items keep their address
// until Clear.
class CategoryList {
 public:
  CategoryItem& Add(int categoryIndex, std::string caption);
  std::size_t Count() const { return items_.size(); }
  bool Empty() const { return items_.empty(); }
  CategoryItem& Item(std::size_t i) { return *items_.at(i); }
  const CategoryItem& Item(std::size_t i) const { return *items_.at(i); }
  // The first item with that index, or nullptr.
  CategoryItem* Find(int categoryIndex);
  void Clear() { items_.clear(); }

 private:
  std::vector<std::unique_ptr<CategoryItem>> items_;
};

}  // namespace zent
