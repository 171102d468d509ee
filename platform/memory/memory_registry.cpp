#include <algorithm>
#include <map>

#include "platform/memory/memory_platform.h"
#include "platform/memory/text_fold.h"

namespace zent::memory {

using platform::RegAccess;

struct MemoryRegistry::Node {
  std::string name;
  std::vector<std::shared_ptr<Node>> children;           // sorted by name, as the system lists them
  std::vector<std::pair<std::string, RegValue>> values;  // in order of creation
  // Bytes of text values set as stored (odd, unterminated, with a NUL
  // inside), by upper-case name; `values` holds their reading as text.
  std::map<std::string, std::string> storedText;
  bool readOnly = false;
  bool deleted = false;

  void Put(std::string_view valueName, RegValue value) {
    storedText.erase(UpperCaseUtf8(valueName));
    if (RegValue* existing = FindValue(valueName)) {
      *existing = std::move(value);
    } else {
      values.emplace_back(std::string(valueName), std::move(value));
    }
  }

  std::shared_ptr<Node> Child(std::string_view childName) const {
    for (const auto& child : children) {
      if (EqualsIgnoringCase(child->name, childName)) return child;
    }
    return nullptr;
  }

  std::shared_ptr<Node> AddChild(std::string_view childName) {
    auto child = std::make_shared<Node>();
    child->name = std::string(childName);
    const auto key = UpperCaseUtf8(childName);
    const auto at = std::find_if(children.begin(), children.end(),
                                 [&](const auto& c) { return UpperCaseUtf8(c->name) > key; });
    children.insert(at, child);
    return child;
  }

  RegValue* FindValue(std::string_view valueName) {
    for (auto& [n, v] : values) {
      if (EqualsIgnoringCase(n, valueName)) return &v;
    }
    return nullptr;
  }
};

namespace {

using Node = MemoryRegistry::Node;

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
  MemoryKey(std::shared_ptr<Node> node, RegAccess access, const bool& refuseWrites)
      : node_(std::move(node)), access_(access), refuseWrites_(refuseWrites) {}

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
    if (!Writable() || refuseWrites_) return false;
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
    if (!Writable()) return false;
    auto& values = node_->values;
    const auto it = std::find_if(values.begin(), values.end(),
                                 [&](const auto& v) { return EqualsIgnoringCase(v.first, name); });
    if (it == values.end()) return false;
    node_->storedText.erase(UpperCaseUtf8(it->first));
    values.erase(it);
    return true;
  }

  bool DeleteSubkey(std::string_view name) override {
    if (!Writable()) return false;
    auto& children = node_->children;
    const auto it = std::find_if(children.begin(), children.end(),
                                 [&](const auto& c) { return EqualsIgnoringCase(c->name, name); });
    if (it == children.end() || !(*it)->children.empty() || (*it)->readOnly) return false;
    (*it)->deleted = true;
    children.erase(it);
    return true;
  }

 private:
  bool Writable() const { return access_ == RegAccess::Full && !node_->deleted; }

  std::shared_ptr<Node> node_;
  RegAccess access_;
  const bool& refuseWrites_;
};

}  // namespace

MemoryRegistry::MemoryRegistry() {
  for (auto root : {RegRoot::ClassesRoot, RegRoot::CurrentUser, RegRoot::LocalMachine,
                    RegRoot::Users, RegRoot::CurrentConfig}) {
    roots_[root] = std::make_shared<Node>();
  }
}

MemoryRegistry::~MemoryRegistry() = default;

std::shared_ptr<Node> MemoryRegistry::Find(RegRoot root, std::string_view path) const {
  auto node = roots_.at(root);
  for (const auto part : SplitKeyPath(path)) {
    node = node->Child(part);
    if (!node) return nullptr;
  }
  return node;
}

std::unique_ptr<platform::RegistryKey> MemoryRegistry::Open(RegRoot root, std::string_view path,
                                                            RegAccess access) {
  auto node = Find(root, path);
  if (!node || (access == RegAccess::Full && node->readOnly)) return nullptr;
  return std::make_unique<MemoryKey>(std::move(node), access, refuseWrites_);
}

std::unique_ptr<platform::RegistryKey> MemoryRegistry::Create(RegRoot root, std::string_view path) {
  auto node = roots_.at(root);
  for (const auto part : SplitKeyPath(path)) {
    auto child = node->Child(part);
    if (!child) {
      if (node->readOnly) return nullptr;
      child = node->AddChild(part);
    }
    node = child;
  }
  if (node->readOnly) return nullptr;
  return std::make_unique<MemoryKey>(std::move(node), RegAccess::Full, refuseWrites_);
}

void MemoryRegistry::SetValue(RegRoot root, std::string_view path, std::string_view name,
                              RegValue value) {
  auto node = roots_.at(root);
  for (const auto part : SplitKeyPath(path)) {
    auto child = node->Child(part);
    node = child ? child : node->AddChild(part);
  }
  node->Put(name, std::move(value));
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

}  // namespace zent::memory
