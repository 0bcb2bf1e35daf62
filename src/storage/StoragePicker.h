#pragma once
// The behaviour of the warehouse location picker: a modal dialog over the storage tree that
// returns the storage number of the chosen location. The window only shows this state.

#include <string>

#include "storage/StorageTree.h"

namespace velra {

inline constexpr int kStoragePickerHelpContext = 1068;
inline constexpr const char* kChooseSubordinateLocation =
    "Wählen Sie bitte ein untergeordnetes Lager aus.";

class StoragePicker {
 public:
  // Set by the caller before showing.
  std::string Lagernummer;    // in: the current storage number; out: the chosen one
  std::string Artikelnummer;  // passed along, not used
  // 0 = confirmed (also the start value), 1 = cancelled.
  int Action = 0;

  // Builds the tree (on load of the dialog). `separator` is the option Program/StorageToken.
  void Load(const std::string& connectionString, const std::string& separator);
  // For tests and callers that have a tree already.
  void Load(StorageTree tree, const std::string& separator);

  const StorageTree& Tree() const { return tree_; }
  int Selected() const { return selected_; }
  void Select(int node);  // an index that is no node keeps the selection
  bool Closed() const { return closed_; }

  // OK: confirms; a location other than the root replaces Lagernummer.
  void OkClick();
  // Activating the selected node (double click): the root asks for a subordinate location and
  // keeps the dialog open (false, the caller shows kChooseSubordinateLocation); otherwise as OK.
  bool ActivateSelected();
  void CancelClick();  // Action = 1
  void CloseBox();     // the window's close box: Action = 1
  void Escape();       // closes without changing Action
  const std::string& LoadError() const { return loadError_; }

 private:
  StorageTree tree_;
  std::string separator_;
  std::string loadError_;
  int selected_ = StorageTree::kRoot;
  bool closed_ = false;
};

}  // namespace velra
