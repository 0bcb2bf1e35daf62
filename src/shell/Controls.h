#pragma once
// The state of the window's controls that the wizard's behaviour reads and writes. The window
// mirrors it; tests read it after every event.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace velra {

struct CheckBox {
  int Value = 0;  // checked when 1
  bool Enabled = true;
  bool Visible = true;
  bool Checked() const { return Value == 1; }
};

struct Button {
  bool Enabled = true;
  bool Visible = true;
};

struct TextBox {
  std::string Text;
  bool Enabled = true;
  bool Visible = true;
};

struct Label {
  std::string Caption;
  bool Visible = true;
};

struct Frame {
  bool Visible = true;
};

// A combo box: a list of entries, the selected one and its text.
struct Combo {
  std::vector<std::string> Items;
  int ListIndex = -1;  // -1: no entry selected
  std::string Text;
  bool Enabled = true;
  bool Visible = true;

  void Clear() {
    Items.clear();
    ListIndex = -1;
    Text.clear();
  }
  // Selects the entry with exactly this text; without one, only the text shows. True on a match.
  bool SetText(const std::string& text);
  void Select(int index);
};

struct ImageComboItem {
  std::string Key;
  std::string Text;
};

struct ImageCombo {
  std::vector<ImageComboItem> Items;
  int Selected = -1;
  bool Enabled = true;
};

struct ListViewItem {
  std::string Text;
  std::string Icon;
  std::string Index;        // sub-item 1
  std::string Description;  // sub-item 2
};

struct ListView {
  std::vector<ListViewItem> Items;
  int Selected = -1;
};

struct ProgressBar {
  double Max = 0;
  double Value = 0;
};

// Colours of the step lights (BGR as the suite stores them).
inline constexpr uint32_t kLightNormal = 0x8000000F;  // the system's button face
inline constexpr uint32_t kLightCurrent = 0x80FF80;
inline constexpr uint32_t kLightStartDone = 0xFF;

inline constexpr int kStepCount = 7;

}  // namespace velra
