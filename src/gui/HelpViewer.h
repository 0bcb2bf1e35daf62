#pragma once
// The German help pages, one per help context id, shown in a help window.

class QWidget;

namespace velra::gui {

inline constexpr int kWizardHelp = 1140;
inline constexpr int kStoragePickerHelp = 1068;

// Opens (or raises) the help window at the page of the context id.
void ShowHelpTopic(int contextId, QWidget* parent);

}  // namespace velra::gui
