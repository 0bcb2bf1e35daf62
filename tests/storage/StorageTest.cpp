#include <functional>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "db/Connection.h"
#include "db/Schema.h"
#include "storage/StoragePicker.h"
#include "storage/StorageTree.h"

namespace velra {
namespace {

using test::TempDir;

class StorageTest : public ::testing::Test {
 protected:
  StorageTest() {
    db_ = Connection::Open(connectionString_, Connection::OpenMode::CreateIfMissing);
    CreateCompanySchema(*db_);
  }

  void Insert(const Value& category, const Value& key, const Value& text, const Value& symbol,
              const Value& number) {
    db_->Execute(
        "INSERT INTO StorageStructure (Category, SubCategory, Description, Symbol, Number) "
        "VALUES (?, ?, ?, ?, ?)",
        {category, key, text, symbol, number});
  }

  // Hall 1 with shelves A and B, place 03 on shelf B; hall 2.
  void InsertHalls() {
    Insert("Lagerorte", "H1", "Halle 1", 0, "1;Halle");
    Insert("Lagerorte", "H2", "Halle 2", 0, "2;Halle");
    Insert("H1", "H1-A", "Regal A", 1, "07;Regal");
    Insert("H1", "H1-B", "Regal B", 1, "B;Regal");
    Insert("H1-B", "H1-B-03", "Fach 03", 2, "03;Fach");
  }

  StorageTree Build() { return StorageTree::Build(connectionString_); }

  TempDir dir_;
  std::string connectionString_ = "Provider=SQLite;Data Source=" + (dir_ / "Muster.mdb");
  std::unique_ptr<Connection> db_;
};

TEST_F(StorageTest, RowsBecomeNodesUnderTheirCategory) {
  InsertHalls();
  StorageTree tree = Build();
  ASSERT_EQ(tree.Nodes().size(), 6u);
  const StorageNode& root = tree.Nodes()[StorageTree::kRoot];
  EXPECT_EQ(root.key, "Lagerorte");
  EXPECT_EQ(root.text, "Lagerorte");
  EXPECT_EQ(root.image, 3);
  EXPECT_EQ(root.children, (std::vector<int>{tree.Find("H1"), tree.Find("H2")}));
  EXPECT_EQ(tree.Nodes()[tree.Find("H1")].children,
            (std::vector<int>{tree.Find("H1-A"), tree.Find("H1-B")}));

  int place = tree.Find("H1-B-03");
  const StorageNode& node = tree.Nodes()[place];
  EXPECT_EQ(node.parent, tree.Find("H1-B"));
  EXPECT_EQ(node.text, "Fach 03");
  EXPECT_EQ(node.image, 2);
  EXPECT_EQ(node.tag, "03;Fach");

  EXPECT_EQ(tree.StoragePath(place, "-"), "1-B-03");
  EXPECT_EQ(tree.StoragePath(place, ""), "1B03");
  EXPECT_EQ(tree.StoragePath(tree.Find("H2"), "-"), "2");
  EXPECT_EQ(tree.StoragePath(tree.Find("H1-A"), "-"), "1-07");
  EXPECT_EQ(tree.StoragePath(StorageTree::kRoot, "-"), "");
}

TEST_F(StorageTest, MalformedRowsAddNoNode) {
  Insert("Lagerorte", "H1", "Halle 1", 0, "1;Halle");
  Insert("Lagerorte", "h1", "Doppelt", 0, "9;Halle");
  Insert("Lagerorte", "LAGERORTE", "Wie die Wurzel", 0, "8;Halle");
  Insert("Lagerorte", Value(), "Ohne Schlüssel", 0, "7;Halle");
  Insert("Lagerorte", "", "Leerer Schlüssel", 0, "6;Halle");
  Insert("Nirgends", "N1", "Ohne Eltern", 0, "5;Fach");
  Insert("Z2", "Z1", "Kreis", 0, "4;Fach");
  Insert("Z1", "Z2", "Kreis", 0, "3;Fach");
  Insert("S", "S", "Eigenes Kind", 0, "2;Fach");
  StorageTree tree = Build();
  ASSERT_EQ(tree.Nodes().size(), 2u);
  EXPECT_EQ(tree.Nodes()[tree.Find("h1")].text, "Halle 1");
}

TEST_F(StorageTest, KeysIgnoreCaseAndEmptyValuesAreTolerated) {
  Insert("Lagerorte", "H1", "Halle 1", 0, "1;Halle");
  Insert("h1", "Mitte", "Ohne Nummer", Value(), Value());
  Insert("MITTE", "F5", "Fach 5", 2, "5;Fach");
  StorageTree tree = Build();
  ASSERT_EQ(tree.Nodes().size(), 4u);
  const StorageNode& middle = tree.Nodes()[tree.Find("Mitte")];
  EXPECT_EQ(middle.parent, tree.Find("H1"));
  EXPECT_EQ(middle.image, 0);
  EXPECT_EQ(middle.tag, "");
  // A level without a code leaves no doubled separator.
  EXPECT_EQ(tree.StoragePath(tree.Find("F5"), "-"), "1-5");
}

TEST_F(StorageTest, ChildrenWhoseParentComesLaterStillAppearInIdOrder) {
  Insert("H1", "H1-A", "Regal A", 1, "A;Regal");
  Insert("H1-A", "H1-A-01", "Fach 01", 2, "01;Fach");
  Insert("Lagerorte", "H1", "Halle 1", 0, "1;Halle");
  Insert("H1", "H1-B", "Regal B", 1, "B;Regal");
  StorageTree tree = Build();
  ASSERT_EQ(tree.Nodes().size(), 5u);
  EXPECT_EQ(tree.Nodes()[tree.Find("H1")].children,
            (std::vector<int>{tree.Find("H1-A"), tree.Find("H1-B")}));
  EXPECT_EQ(tree.StoragePath(tree.Find("H1-A-01"), "-"), "1-A-01");
}

TEST_F(StorageTest, FieldNamesAreMatchedIgnoringCase) {
  db_->ExecuteScript(
      "DROP TABLE StorageStructure; CREATE TABLE storagestructure (id INTEGER PRIMARY KEY, "
      "CATEGORY TEXT, subcategory TEXT, DESCRIPTION TEXT, symbol REAL, NUMBER TEXT)");
  db_->Execute("INSERT INTO storagestructure VALUES (1, 'Lagerorte', 'H1', 'Halle 1', 2.0, '1')");
  StorageTree tree = Build();
  ASSERT_EQ(tree.Nodes().size(), 2u);
  EXPECT_EQ(tree.Nodes()[1].text, "Halle 1");
  EXPECT_EQ(tree.Nodes()[1].image, 2);
  EXPECT_EQ(tree.StoragePath(1, "-"), "1");
}

TEST_F(StorageTest, UnreadableStructureSaysWhyAndThePickerOffersTheRoot) {
  std::string error = test::ThrownMessage<DbError>(
      [&] { StorageTree::Build("Provider=SQLite;Data Source=" + (dir_ / "Fehlt.mdb")); });
  EXPECT_NE(error.find("nicht vorhanden"), std::string::npos) << error;

  db_->ExecuteScript("DROP TABLE StorageStructure");
  error = test::ThrownMessage<DbError>([&] { StorageTree::Build(connectionString_); });
  EXPECT_NE(error.find("StorageStructure"), std::string::npos) << error;

  StoragePicker picker;
  picker.Load(connectionString_, "-");
  EXPECT_EQ(picker.Tree().Nodes().size(), 1u);
  EXPECT_EQ(picker.LoadError(), error);
}

TEST_F(StorageTest, PickerConfirmsTheSelectedLocation) {
  InsertHalls();
  StoragePicker picker;
  picker.Lagernummer = "alt";
  picker.Load(connectionString_, "-");
  EXPECT_EQ(picker.LoadError(), "");
  EXPECT_EQ(picker.Action, 0);

  picker.OkClick();  // the root is selected
  EXPECT_TRUE(picker.Closed());
  EXPECT_EQ(picker.Lagernummer, "alt");

  picker.Load(connectionString_, "-");
  EXPECT_FALSE(picker.ActivateSelected());
  EXPECT_FALSE(picker.Closed());
  EXPECT_EQ(picker.Lagernummer, "alt");

  picker.Select(picker.Tree().Find("H1-B-03"));
  EXPECT_TRUE(picker.ActivateSelected());
  EXPECT_TRUE(picker.Closed());
  EXPECT_EQ(picker.Action, 0);
  EXPECT_EQ(picker.Lagernummer, "1-B-03");
}

TEST_F(StorageTest, PickerLeavingWithoutOkKeepsTheStorageNumber) {
  InsertHalls();
  const std::pair<std::function<void(StoragePicker&)>, int> exits[] = {
      {&StoragePicker::CancelClick, 1}, {&StoragePicker::CloseBox, 1}, {&StoragePicker::Escape, 0}};
  for (const auto& [exit, action] : exits) {
    StoragePicker picker;
    picker.Lagernummer = "alt";
    picker.Load(connectionString_, "-");
    picker.Select(picker.Tree().Find("H1-B-03"));
    exit(picker);
    EXPECT_TRUE(picker.Closed());
    EXPECT_EQ(picker.Action, action);
    EXPECT_EQ(picker.Lagernummer, "alt");
  }
}

TEST(StoragePickerTest, LocationNamedLikeTheRootCanBePicked) {
  StorageTree tree;
  ASSERT_TRUE(tree.Add("Lagerorte", "L", "Lagerorte", 0, "9;Halle"));
  StoragePicker picker;
  picker.Load(tree, "-");
  picker.Select(tree.Find("L"));
  EXPECT_TRUE(picker.ActivateSelected());
  EXPECT_EQ(picker.Lagernummer, "9");
}

}  // namespace
}  // namespace velra
