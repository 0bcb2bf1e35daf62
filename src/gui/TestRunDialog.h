#pragma once
// The result of a test run: what the import would add and change, field by field, the values it
// would compute for the first rows, keys that stand in the file more than once, and the way to
// the report and the reject file.

#include <QDialog>
#include <functional>

namespace velra {
struct ImportResult;
class ShownTexts;
}  // namespace velra

namespace velra::gui {

class TestRunDialog : public QDialog {
 public:
  // `rows`: the rows of the source; `shown` names the fields and writes the values (it must
  // outlive the dialog); `saveRejects` writes the reject file of the test run.
  TestRunDialog(const ImportResult& result, size_t rows, const ShownTexts& shown,
                std::function<void()> saveRejects, QWidget* parent = nullptr);
};

}  // namespace velra::gui
