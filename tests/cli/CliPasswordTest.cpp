#include <gtest/gtest.h>

#include "DemoCompany.h"
#include "base/ConnectionString.h"
#include "base/Text.h"

namespace velra {
namespace {

class CompanyCommand : public test::OnBothCompanies {};

TEST_P(CompanyCommand, ShowsTheConnectionWithoutThePassword) {
  const std::string password =
      GetParam() == "Datei" ? kCompanyDatabasePassword : test::TestServer()->password;
  const std::string connection = company_.Session().Context.ConnectionString;
  ASSERT_NE(connection.find("Password=" + password), std::string::npos) << connection;

  std::string output;
  ASSERT_EQ(test::RunCli("--program-dir " + dir_.Path() + " --company " + company_.CompanyName() +
                             " company",
                         output),
            0)
      << output;
  EXPECT_NE(output.find("Verbindung:       " +
                        ReplaceAll(connection, "Password=" + password, "Password=***") + "\n"),
            std::string::npos)
      << output;
  EXPECT_EQ(output.find("Password=" + password), std::string::npos) << output;
  if (GetParam() == "Datei") {
    EXPECT_EQ(output.find(password), std::string::npos) << output;
  }
}

VELRA_ON_BOTH_COMPANIES(CompanyCommand);

}  // namespace
}  // namespace velra
