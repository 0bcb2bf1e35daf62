#include "storage/StoragePicker.h"

#include <utility>

namespace velra {

void StoragePicker::Load(const std::string& connectionString, const std::string& separator) {
  // A structure that cannot be read leaves the root to choose, and the reason to show.
  std::string error;
  StorageTree tree;
  try {
    tree = StorageTree::Build(connectionString);
  } catch (const DbError& e) {
    error = e.what();
  }
  Load(std::move(tree), separator);
  loadError_ = std::move(error);
}

void StoragePicker::Load(StorageTree tree, const std::string& separator) {
  tree_ = std::move(tree);
  separator_ = separator;
  loadError_.clear();
  selected_ = StorageTree::kRoot;
  closed_ = false;
}

void StoragePicker::Select(int node) {
  if (node >= 0 && node < static_cast<int>(tree_.Nodes().size())) selected_ = node;
}

void StoragePicker::OkClick() {
  Action = 0;
  // The root is told apart by node, not by its text: a location may be called "Lagerorte" too.
  if (selected_ != StorageTree::kRoot) Lagernummer = tree_.StoragePath(selected_, separator_);
  closed_ = true;
}

bool StoragePicker::ActivateSelected() {
  if (selected_ == StorageTree::kRoot) return false;
  OkClick();
  return true;
}

void StoragePicker::CancelClick() {
  Action = 1;
  closed_ = true;
}

void StoragePicker::CloseBox() {
  Action = 1;
  closed_ = true;
}

void StoragePicker::Escape() {
  closed_ = true;
}

}  // namespace velra
