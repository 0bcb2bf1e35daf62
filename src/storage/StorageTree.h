#pragma once
// The company's warehouse structure (table StorageStructure) as a tree under the root
// "Lagerorte", and the storage path of a location.

#include <string>
#include <unordered_map>
#include <vector>

#include "db/DbError.h"

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
  // becomes a child of the node keyed by its Category, whether the parent's row comes before or
  // after it; children keep that order. Rows whose parent is nowhere in the tree (also rows that
  // form a cycle) or whose key is taken add no node. Keys compare ignoring letter case, as the
  // database compares them. Throws DbError with a German sentence when the database cannot be
  // read.
  static StorageTree Build(const std::string& connectionString);

  const std::vector<StorageNode>& Nodes() const { return nodes_; }
  static constexpr int kRoot = 0;
  // The codes from the top level down to `node`, joined by `separator`; the root and levels
  // without a code add nothing.
  std::string StoragePath(int node, const std::string& separator) const;

  // Adds a node under the node keyed `parentKey`; false when there is none, or `key` is empty
  // or taken.
  bool Add(const std::string& parentKey, const std::string& key, const std::string& text, int image,
           const std::string& tag);
  // The node keyed `key`, -1 when there is none.
  int Find(const std::string& key) const;

 private:
  std::vector<StorageNode> nodes_;
  std::unordered_map<std::string, int> index_;  // folded key -> node
};

}  // namespace velra
