#include <algorithm>
#include <iterator>
#include <list>
#include <map>

#include "platform/memory/memory_platform.h"
#include "platform/memory/text_fold.h"

namespace zent::memory {

using platform::RegAccess;

struct MemoryRegistry::Node {
  std::string name;
  std::string sortKey;  // the name upper-cased
  // Sorted by sortKey, as the system lists them; found by a binary search, so
  // a key with tens of thousands of subkeys stays quick to walk.
  std::vector<std::shared_ptr<Node>> children;
  using Values = std::list<std::pair<std::string, RegValue>>;
  Values values;  // in order of creation
  // `values` by upper-case name: a key may hold thousands of values, and a
  // test of thousands of findings must not spend its time finding them.
  std::map<std::string, Values::iterator> valueIndex;
  // Bytes of text values set as stored (odd, unterminated, with a NUL
  // inside), by upper-case name; `values` holds their reading as text.
  std::map<std::string, std::string> storedText;
  bool readOnly = false;
  bool deleted = false;
  bool inaccessible = false;
  // A link key stands for its target wherever a path goes through it.
  bool isLink = false;
  std::weak_ptr<Node> linkTarget;

  using Children = std::vector<std::shared_ptr<Node>>;

  Children::const_iterator FirstNotBefore(const std::string& key) const {
    return std::lower_bound(
        children.begin(), children.end(), key,
        [](const auto& child, const std::string& k) { return child->sortKey < k; });
  }

  // The child named `childName` in any letter case; children.end() if none.
  Children::const_iterator ChildAt(std::string_view childName) const {
    const std::string key = UpperCaseUtf8(childName);
    const auto at = FirstNotBefore(key);
    return at != children.end() && (*at)->sortKey == key ? at : children.end();
  }

  void Put(std::string_view valueName, RegValue value) {
    const std::string key = UpperCaseUtf8(valueName);
    storedText.erase(key);
    if (RegValue* existing = FindValue(valueName)) {
      *existing = std::move(value);
    } else {
      values.emplace_back(std::string(valueName), std::move(value));
      valueIndex.emplace(key, std::prev(values.end()));
    }
  }

  bool EraseValue(std::string_view valueName) {
    const auto at = valueIndex.find(UpperCaseUtf8(valueName));
    if (at == valueIndex.end()) return false;
    storedText.erase(at->first);
    values.erase(at->second);
    valueIndex.erase(at);
    return true;
  }

  std::shared_ptr<Node> Child(std::string_view childName) const {
    const auto at = ChildAt(childName);
    return at == children.end() ? nullptr : *at;
  }

  std::shared_ptr<Node> AddChild(std::string_view childName) {
    auto child = std::make_shared<Node>();
    child->name = std::string(childName);
    child->sortKey = UpperCaseUtf8(childName);
    const auto at = std::upper_bound(
        children.begin(), children.end(), child->sortKey,
        [](const std::string& k, const auto& other) { return k < other->sortKey; });
    children.insert(at, child);
    return child;
  }

  RegValue* FindValue(std::string_view valueName) {
    const auto at = valueIndex.find(UpperCaseUtf8(valueName));
    return at == valueIndex.end() ? nullptr : &at->second->second;
  }
};

namespace {

using Node = MemoryRegistry::Node;

// The key a path step reaches: a link's target (nullptr once that is gone).
std::shared_ptr<Node> Through(std::shared_ptr<Node> node) {
  if (!node || !node->isLink) return node;
  return node->linkTarget.lock();
}

std::vector<std::string_view> SplitKeyPath(std::string_view path) {
  std::vector<std::string_view> parts;
  while (!path.empty()) {
    const auto cut = path.find('\\');
    const auto part = path.substr(0, cut);
    if (!part.empty()) parts.push_back(part);
    if (cut == std::string_view::npos) break;
    path.remove_prefix(cut + 1);
  }
  return parts;
}

bool IsTextType(std::uint32_t type) {
  return type == platform::kRegSz || type == platform::kRegExpandSz ||
         type == platform::kRegMultiSz;
}

// Text as the system stores it: UTF-16LE, a NUL after it (a multi-string ends
// with two) unless it was set as stored without one.
std::string StoredBytes(const RegValue& value) {
  if (!IsTextType(value.type)) return value.data;
  std::string bytes = Utf8ToUtf16Le(value.data).value_or(std::string());
  if (!value.textWhole) return bytes;
  return bytes.append(value.type == platform::kRegMultiSz ? 4 : 2, '\0');
}

// The text the system's own reading gives: up to the first NUL.
RegValue ReadAsText(std::uint32_t type, std::string_view bytes) {
  const bool whole = bytes.empty() || (bytes.size() % 2 == 0 && bytes[bytes.size() - 1] == '\0' &&
                                       bytes[bytes.size() - 2] == '\0');
  std::string text = Utf16LeToUtf8(bytes);
  if (type == platform::kRegMultiSz) {
    while (text.ends_with('\0')) text.pop_back();
  } else if (const auto nul = text.find('\0'); nul != std::string::npos) {
    text.resize(nul);
  }
  return RegValue{type, std::move(text), whole};
}

class MemoryKey final : public platform::RegistryKey {
 public:
  MemoryKey(std::shared_ptr<Node> node, RegAccess access, const bool& refuseWrites, bool treeLocked)
      : node_(std::move(node)),
        access_(access),
        refuseWrites_(refuseWrites),
        treeLocked_(treeLocked) {}

  std::optional<RegValue> QueryValue(std::string_view name) const override {
    if (node_->deleted) return std::nullopt;
    const RegValue* value = node_->FindValue(name);
    return value ? std::optional<RegValue>(*value) : std::nullopt;
  }

  std::optional<RegValue> QueryStoredValue(std::string_view name) const override {
    auto value = QueryValue(name);
    if (!value) return value;
    const auto raw = node_->storedText.find(UpperCaseUtf8(name));
    if (raw != node_->storedText.end()) return RegValue{value->type, raw->second};
    return RegValue{value->type, StoredBytes(*value)};
  }

  bool SetValue(std::string_view name, const RegValue& value) override {
    if (!MaySetValues() || refuseWrites_) return false;
    node_->Put(name, value);
    return true;
  }

  std::vector<std::string> SubkeyNames() const override {
    std::vector<std::string> names;
    if (node_->deleted) return names;
    for (const auto& child : node_->children) names.push_back(child->name);
    return names;
  }

  std::vector<std::string> ValueNames() const override {
    std::vector<std::string> names;
    if (node_->deleted) return names;
    for (const auto& [name, value] : node_->values) names.push_back(name);
    return names;
  }

  bool DeleteValue(std::string_view name) override {
    if (!MaySetValues()) return false;
    return node_->EraseValue(name);
  }

  // As in the system, the rights on the key to delete decide, not those this
  // handle was opened with.
  bool DeleteSubkey(std::string_view name) override {
    if (node_->deleted || treeLocked_) return false;
    auto& children = node_->children;
    const auto it = node_->ChildAt(name);
    if (it == children.end() || !(*it)->children.empty() || (*it)->readOnly) return false;
    (*it)->deleted = true;
    children.erase(it);
    return true;
  }

 private:
  bool MaySetValues() const {
    return (access_ == RegAccess::SetValue || access_ == RegAccess::Full) && !node_->deleted;
  }

  std::shared_ptr<Node> node_;
  RegAccess access_;
  const bool& refuseWrites_;
  bool treeLocked_;  // a standard user's handle on a machine key
};

}  // namespace

MemoryRegistry::MemoryRegistry(Bits32Tag /*tag*/) {
  for (auto root : {RegRoot::ClassesRoot, RegRoot::CurrentUser, RegRoot::LocalMachine,
                    RegRoot::Users, RegRoot::CurrentConfig}) {
    roots_[root] = std::make_shared<Node>();
  }
}

MemoryRegistry::MemoryRegistry() : MemoryRegistry(Bits32Tag{}) {
  view32_ = std::make_unique<MemoryRegistry>(Bits32Tag{});
  view32_->view64_ = this;
}

// "SOFTWARE\WOW6432Node\X" of HKLM is the 32-bit view's "SOFTWARE\X", and
// "SOFTWARE\Classes\WOW6432Node\X" its classes' "X".
std::optional<MemoryRegistry::Redirection> MemoryRegistry::Redirected(RegRoot root,
                                                                      std::string_view path) const {
  if (!view32_ || root != RegRoot::LocalMachine) return std::nullopt;
  const auto parts = SplitKeyPath(path);
  const auto is = [&parts](std::size_t i, std::string_view name) {
    return i < parts.size() && UpperCaseUtf8(parts[i]) == name;
  };
  if (!is(0, "SOFTWARE")) return std::nullopt;
  std::size_t rest = 0;
  RegRoot target = RegRoot::LocalMachine;
  std::string prefix;
  if (is(1, "WOW6432NODE")) {
    rest = 2;
    prefix = "SOFTWARE";
  } else if (is(1, "CLASSES") && is(2, "WOW6432NODE")) {
    rest = 3;
    target = RegRoot::ClassesRoot;
  } else {
    return std::nullopt;
  }
  for (std::size_t i = rest; i < parts.size(); ++i) {
    if (!prefix.empty()) prefix += '\\';
    prefix.append(parts[i]);
  }
  return Redirection{view32_.get(), target, std::move(prefix)};
}

MemoryRegistry::~MemoryRegistry() = default;

platform::Registry& MemoryRegistry::InView(platform::RegView view) {
  if (view == platform::RegView::Bits32) return View32();
  return view64_ != nullptr ? *view64_ : *this;
}

MemoryRegistry& MemoryRegistry::View32() { return view64_ != nullptr ? *this : *view32_; }

void MemoryRegistry::ShareKey(RegRoot root, std::string_view path) {
  View32().LinkTo(root, path, Make(root, path));
}

std::shared_ptr<Node> MemoryRegistry::Make(RegRoot root, std::string_view path) {
  if (const auto to = Redirected(root, path)) return to->view->Make(to->root, to->path);
  auto node = roots_.at(root);
  for (const auto part : SplitKeyPath(path)) {
    auto child = node->Child(part);
    node = Through(child ? child : node->AddChild(part));
    if (!node) return nullptr;
  }
  return node;
}

void MemoryRegistry::LinkTo(RegRoot root, std::string_view path,
                            const std::shared_ptr<Node>& target) {
  auto parts = SplitKeyPath(path);
  if (parts.empty() || !target) return;
  const auto last = parts.back();
  parts.pop_back();
  auto parent = roots_.at(root);
  for (const auto part : parts) {
    auto child = parent->Child(part);
    parent = Through(child ? child : parent->AddChild(part));
    if (!parent) return;
  }
  auto node = parent->Child(last);
  if (!node) node = parent->AddChild(last);
  node->isLink = true;
  node->linkTarget = target;
}

std::shared_ptr<Node> MemoryRegistry::Find(RegRoot root, std::string_view path) const {
  if (const auto to = Redirected(root, path)) return to->view->Find(to->root, to->path);
  auto node = roots_.at(root);
  for (const auto part : SplitKeyPath(path)) {
    node = Through(node->Child(part));
    if (!node) return nullptr;
  }
  return node;
}

bool MemoryRegistry::StandardUser() const {
  return view64_ != nullptr ? view64_->standardUser_ : standardUser_;
}

// The machine's keys, which a standard user may read but not change. The
// classes are all the machine's here: this registry keeps no per-user part.
bool MemoryRegistry::Locked(RegRoot root) const {
  return StandardUser() && (root == RegRoot::LocalMachine || root == RegRoot::ClassesRoot);
}

std::unique_ptr<platform::RegistryKey> MemoryRegistry::Open(RegRoot root, std::string_view path,
                                                            RegAccess access) {
  auto node = Find(root, path);
  const bool changes = access != RegAccess::Read;
  if (!node || node->inaccessible || (changes && (node->readOnly || Locked(root)))) return nullptr;
  return std::make_unique<MemoryKey>(std::move(node), access, refuseWrites_, Locked(root));
}

std::unique_ptr<platform::RegistryKey> MemoryRegistry::Create(RegRoot root, std::string_view path) {
  if (const auto to = Redirected(root, path)) return to->view->Create(to->root, to->path);
  if (Locked(root)) return nullptr;
  auto node = roots_.at(root);
  for (const auto part : SplitKeyPath(path)) {
    auto child = node->Child(part);
    if (!child) {
      if (node->readOnly) return nullptr;
      child = node->AddChild(part);
    }
    node = Through(child);
    if (!node) return nullptr;
  }
  if (node->readOnly || node->inaccessible) return nullptr;
  return std::make_unique<MemoryKey>(std::move(node), RegAccess::SetValue, refuseWrites_, false);
}

void MemoryRegistry::SetValue(RegRoot root, std::string_view path, std::string_view name,
                              RegValue value) {
  if (auto node = Make(root, path)) node->Put(name, std::move(value));
}

void MemoryRegistry::SetStoredValue(RegRoot root, std::string_view path, std::string_view name,
                                    std::uint32_t type, std::string bytes) {
  SetValue(root, path, name, IsTextType(type) ? ReadAsText(type, bytes) : RegValue{type, bytes});
  if (IsTextType(type)) Find(root, path)->storedText[UpperCaseUtf8(name)] = std::move(bytes);
}

bool MemoryRegistry::KeyExists(RegRoot root, std::string_view path) const {
  return Find(root, path) != nullptr;
}

std::optional<RegValue> MemoryRegistry::Value(RegRoot root, std::string_view path,
                                              std::string_view name) const {
  const auto node = Find(root, path);
  if (!node) return std::nullopt;
  const RegValue* value = node->FindValue(name);
  return value ? std::optional<RegValue>(*value) : std::nullopt;
}

void MemoryRegistry::SetReadOnly(RegRoot root, std::string_view path, bool readOnly) {
  if (auto node = Find(root, path)) node->readOnly = readOnly;
}

void MemoryRegistry::RefuseWrites(bool refuse) { refuseWrites_ = refuse; }

void MemoryRegistry::SetStandardUser(bool standardUser) {
  (view64_ != nullptr ? view64_->standardUser_ : standardUser_) = standardUser;
}

void MemoryRegistry::SetInaccessible(RegRoot root, std::string_view path, bool inaccessible) {
  if (auto node = Find(root, path)) node->inaccessible = inaccessible;
}

bool MemoryRegistry::IsLink(RegRoot root, std::string_view path) {
  if (const auto to = Redirected(root, path)) return to->view->IsLink(to->root, to->path);
  auto parts = SplitKeyPath(path);
  if (parts.empty()) return false;
  const auto last = parts.back();
  parts.pop_back();
  auto parent = roots_.at(root);
  for (const auto part : parts) {
    parent = Through(parent->Child(part));
    if (!parent) return false;
  }
  const auto node = parent->Child(last);
  return node && node->isLink;
}

void MemoryRegistry::SetLink(RegRoot root, std::string_view path, RegRoot targetRoot,
                             std::string_view targetPath) {
  Create(targetRoot, targetPath);
  LinkTo(root, path, Find(targetRoot, targetPath));
}

}  // namespace zent::memory
