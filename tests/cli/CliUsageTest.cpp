#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>

#include "TestSupport.h"
#include "base/Text.h"

namespace velra {
namespace {

struct WrongCommandLine {
  std::string arguments;    // "DIR/" stands for a fresh folder
  std::string named;        // what the message must name
  std::string hidden = {};  // what it must not repeat; empty: nothing
};

std::ostream& operator<<(std::ostream& out, const WrongCommandLine& line) {
  return out << "'" << line.arguments << "'";
}

class CliUsage : public ::testing::TestWithParam<WrongCommandLine> {
 protected:
  test::TempDir dir_;
};

TEST_P(CliUsage, OneGermanLineNamingTheMistakeAndExitCode2) {
  const WrongCommandLine& line = GetParam();
  std::string out, errors;
  EXPECT_EQ(test::RunCli(ReplaceAll(line.arguments, "DIR/", dir_.Path()), out, errors), 2);
  EXPECT_EQ(out, "");
  ASSERT_FALSE(errors.empty());
  EXPECT_EQ(errors.back(), '\n');
  EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
  EXPECT_NE(errors.find(line.named), std::string::npos) << errors;
  if (!line.hidden.empty()) {
    EXPECT_EQ(errors.find(line.hidden), std::string::npos) << errors;
  }
  const std::string lower = ToLowerAscii(errors);
  for (const char* english : {"required", "expected", "argument", "subcommand", "convert", "value",
                              " not ", " is ", " in {"})
    EXPECT_EQ(lower.find(english), std::string::npos) << errors;
}

INSTANTIATE_TEST_SUITE_P(
    WrongCommandLines, CliUsage,
    ::testing::Values(
        WrongCommandLine{"", "companies, company, preview, fields oder import"},
        WrongCommandLine{"frobnicate", "'frobnicate'"}, WrongCommandLine{"preview", "--file"},
        WrongCommandLine{"preview --file", "--file"},
        WrongCommandLine{"preview --file a.csv --file b.csv", "--file"},
        WrongCommandLine{"preview --file a.csv --rows -1", "--rows"},
        WrongCommandLine{"companies --unknown-option", "--unknown-option"},
        WrongCommandLine{"preview --file a.mdb --pasword geheim", "--pasword", "geheim"},
        WrongCommandLine{"companies extra", "'extra'"},
        WrongCommandLine{"import --kind 1 --file a.csv --encoding latin1", "--encoding"},
        WrongCommandLine{"import --kind 1 --file a.csv --sync=maybe", "--sync"},
        WrongCommandLine{"demo --dir DIR/demo --password geheim", "--server", "geheim"}));

}  // namespace
}  // namespace velra
