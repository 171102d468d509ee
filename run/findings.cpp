#include "run/findings.h"

#include <utility>

namespace zent {

void FindingCategory::CreateLists() {
  entryNames_.clear();
  targetPaths_.clear();
  entryKeys_.clear();
  entryDetails_.clear();
  selectionFlags_.clear();
  entryViews_.clear();
}

void FindingCategory::Record(Finding finding) {
  entryNames_.push_back(std::move(finding.name));
  targetPaths_.push_back(std::move(finding.target));
  entryKeys_.push_back(std::move(finding.key));
  entryDetails_.push_back(std::move(finding.detail));
  entryViews_.push_back(finding.view);
}

platform::RegView FindingCategory::View(std::size_t i) const {
  return i < entryViews_.size() ? entryViews_[i] : platform::RegView::Bits64;
}

std::uint8_t FindingCategory::Flag(std::size_t i) const {
  return i < selectionFlags_.size() ? selectionFlags_[i] : 0;
}

void FindingCategory::SetAllFlags(std::uint8_t value) {
  selectionFlags_.assign(EntryCount(), value);
}

bool FindingCategory::SetFlag(std::size_t i, std::uint8_t value) {
  if (i >= selectionFlags_.size()) return false;
  selectionFlags_[i] = value;
  return true;
}

void CloseCategory(CategoryItem& item, std::uint8_t flagValue, const TextLoader& loadText) {
  const auto text = [&](int id, std::string fallback) {
    return loadText ? loadText(id) : fallback;
  };
  const std::string plural = text(kPluralEntriesText, "Eintr\xC3\xA4ge");
  const std::string single = text(kSingleEntryText, "1 Eintrag");
  const std::size_t count = item.category.EntryCount();
  item.category.SetAllFlags(flagValue);
  item.caption += '\n';
  item.caption += count == 1 ? single : std::to_string(count) + " " + plural;
}

CategoryItem& CategoryList::Add(int categoryIndex, std::string caption) {
  auto item = std::make_unique<CategoryItem>();
  item->caption = std::move(caption);
  item->CategoryIndex = categoryIndex;
  items_.push_back(std::move(item));
  return *items_.back();
}

CategoryItem* CategoryList::Find(int categoryIndex) {
  for (const auto& item : items_) {
    if (item->CategoryIndex == categoryIndex) return item.get();
  }
  return nullptr;
}

}  // namespace zent
