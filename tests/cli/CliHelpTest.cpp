#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "base/Text.h"

namespace velra {
namespace {

using test::RunCli;

TEST(CliVersion, PrintsTheProjectsVersionAndExits0) {
  std::string out, errors;
  EXPECT_EQ(RunCli("--version", out, errors), 0) << errors;
  EXPECT_EQ(out, "importassistent-cli " VELRA_VERSION "\n");
  EXPECT_EQ(errors, "");
}

// The help of the program and of each command, headings and placeholders of values included,
// speaks German only; it goes to stdout and ends the program with 0.
class CliHelp : public ::testing::TestWithParam<const char*> {};

TEST_P(CliHelp, HasNoEnglishWords) {
  std::string out, errors;
  EXPECT_EQ(RunCli(std::string(GetParam()) + "--help", out, errors), 0) << errors;
  EXPECT_NE(out.find("Aufruf:"), std::string::npos) << out;
  EXPECT_NE(out.find("-h,--help"), std::string::npos) << out;
  EXPECT_NE(out.find("Diese Hilfe zeigen und beenden"), std::string::npos) << out;
  const std::string lower = ToLowerAscii(out);
  for (const char* english :
       {"usage", "options:", "subcommand", "positionals", "required", "print this help",
        "display program", " int", " uint", " float", " file", " dir", "needs:", "excludes:"})
    EXPECT_EQ(lower.find(english), std::string::npos) << english << " in\n" << out;
}

INSTANTIATE_TEST_SUITE_P(ProgramAndCommands, CliHelp,
                         ::testing::Values("", "demo ", "companies ", "company ", "preview ",
                                           "fields ", "import "));

TEST(CliHelpHeadings, ListTheCommandsAndOptionsInGerman) {
  std::string out, errors;
  ASSERT_EQ(RunCli("--help", out, errors), 0) << errors;
  EXPECT_NE(out.find("Befehle:"), std::string::npos) << out;
  EXPECT_NE(out.find("Optionen:"), std::string::npos) << out;
  EXPECT_NE(out.find("--version"), std::string::npos) << out;
}

}  // namespace
}  // namespace velra
