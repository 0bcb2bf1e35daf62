#pragma once
// The company's warehouse structure (table StorageStructure) as a tree under the root
// "Lagerorte", and the storage path of a location.

#include <string>
#include <vector>

namespace velra {

struct StorageNode {
  std::string key;   // SubCategory (the root: "Lagerorte")
  std::string text;  // Description
  std::string tag;   // number; its first ";"-piece is the location's code
  int image = 0;     // Symbol (the root: 3)
  int parent = -1;   // index of the parent node; -1 for the root
  std::vector<int> children;
};

class StorageTree {
 public:
  // Only the root.
  StorageTree();
  // Reads StorageStructure ordered by ID, Category, SubCategory: each row with a SubCategory
  // becomes a child of the node keyed by its Category; rows whose parent is not (yet) in the
  // tree or whose key is taken add no node. A database that cannot be read gives the root only
  // and a German reason in `error`.
  static StorageTree Build(const std::string& connectionString, std::string* error = nullptr);

  const std::vector<StorageNode>& Nodes() const { return nodes_; }
  static constexpr int kRoot = 0;
  // The codes from the top level down to `node`, joined by `separator`; the root adds nothing.
  std::string StoragePath(int node, const std::string& separator) const;

  // Adds a node under the node keyed `parentKey`; false when there is none or `key` is taken.
  bool Add(const std::string& parentKey, const std::string& key, const std::string& text,
           int image, const std::string& tag);

 private:
  std::vector<StorageNode> nodes_;
};

}  // namespace velra
