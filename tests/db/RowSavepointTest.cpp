#include "db/odbc/RowSavepoint.h"

#include <gtest/gtest.h>

namespace velra::odbc {
namespace {

using Undo = RowSavepoint::Undo;

// Rows one after another: the savepoint travels with each row's first statement; PostgreSQL
// releases the row before's with it, SQL Server has no release.
TEST(RowSavepoint, EachRowsSavepointTravelsWithItsFirstStatement) {
  for (BackendKind kind : {BackendKind::PostgreSql, BackendKind::SqlServer}) {
    RowSavepoint savepoint(kind);
    savepoint.Ask();
    EXPECT_EQ(savepoint.Take(), 1);
    EXPECT_EQ(savepoint.Take(), 0);  // the row's further statements
    EXPECT_TRUE(savepoint.Release());
    savepoint.Ask();
    EXPECT_EQ(savepoint.Take(), kind == BackendKind::PostgreSql ? 2 : 1);
    EXPECT_TRUE(savepoint.Release());
    EXPECT_FALSE(savepoint.Release());
    EXPECT_EQ(savepoint.Rollback(), Undo::NoSavepoint);
    // A row that sent nothing has nothing to undo.
    savepoint.Ask();
    EXPECT_EQ(savepoint.Rollback(), Undo::Nothing);
    EXPECT_TRUE(savepoint.Whole());
  }
}

// A failure inside the row's savepoint is undone with it; one outside any savepoint leaves a
// transaction that must not be committed.
TEST(RowSavepoint, AFailureOutsideASavepointLeavesTheTransactionUnfitToCommit) {
  RowSavepoint savepoint(BackendKind::PostgreSql);
  savepoint.Ask();
  savepoint.Take();
  savepoint.Failed(false);
  EXPECT_FALSE(savepoint.Whole());
  EXPECT_EQ(savepoint.Rollback(), Undo::ToSavepoint);
  EXPECT_TRUE(savepoint.Whole());
  savepoint.Failed(false);
  EXPECT_FALSE(savepoint.Whole());
  EXPECT_EQ(savepoint.Rollback(), Undo::NoSavepoint);
  EXPECT_FALSE(savepoint.Whole());
}

// When SQL Server refuses the batch that carried the savepoint, the savepoint was not set: a
// rollback to its name would reach the row before's savepoint and undo that written row.
TEST(RowSavepoint, ARefusedBatchOnSqlServerNeverRollsBackTheRowBefore) {
  RowSavepoint savepoint(BackendKind::SqlServer);
  savepoint.Ask();
  savepoint.Take();
  savepoint.Release();  // the row before, written
  savepoint.Ask();
  EXPECT_EQ(savepoint.Take(), 1);
  savepoint.Failed(false);
  savepoint.CarrierFailed();
  EXPECT_EQ(savepoint.Rollback(), Undo::Nothing);
  EXPECT_TRUE(savepoint.Whole());
  // The next row's savepoint is taken as usual.
  savepoint.Ask();
  EXPECT_EQ(savepoint.Take(), 1);
}

// A deadlock's victim on SQL Server has lost the whole transaction: neither the row alone is
// undone nor is anything committed.
TEST(RowSavepoint, ATransactionTheServerEndedIsNeitherUndoneByRowNorCommitted) {
  RowSavepoint savepoint(BackendKind::SqlServer);
  savepoint.Ask();
  savepoint.Take();
  savepoint.Failed(true);
  savepoint.CarrierFailed();
  EXPECT_EQ(savepoint.Rollback(), Undo::TransactionEnded);
  EXPECT_FALSE(savepoint.Whole());
  savepoint.Clear();
  EXPECT_TRUE(savepoint.Whole());
}

}  // namespace
}  // namespace velra::odbc
