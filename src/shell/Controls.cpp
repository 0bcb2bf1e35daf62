#include "shell/Controls.h"

namespace velra {

bool Combo::SetText(const std::string& text) {
  Text = text;
  for (size_t i = 0; i < Items.size(); ++i)
    if (Items[i] == text) {
      ListIndex = static_cast<int>(i);
      return true;
    }
  ListIndex = -1;
  return false;
}

void Combo::Select(int index) {
  if (index < 0 || index >= static_cast<int>(Items.size())) return;
  ListIndex = index;
  Text = Items[static_cast<size_t>(index)];
}

}  // namespace velra
