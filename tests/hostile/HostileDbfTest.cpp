// dBase tables whose header lies: record counts and lengths the file cannot hold, zero or
// overflowing, field descriptions that run past the header. Every load ends with the records the
// file really holds and a note, or with a German refusal; none reads or allocates on the
// header's word.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

#include "Isolated.h"
#include "TestSupport.h"
#include "source/SourceOpening.h"

namespace velra {
namespace {

using test::IsolatedOutcome;
using ::testing::HasSubstr;

struct Field {
  std::string name;
  char type;
  uint8_t length;
};

// What the header says, where it differs from the truth.
struct Claims {
  std::optional<uint32_t> recordCount = std::nullopt;
  std::optional<uint32_t> headerLength = std::nullopt;
  std::optional<uint32_t> recordLength = std::nullopt;
  bool terminator = true;
};

void Put16(std::string& out, uint32_t value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>(value >> 8 & 0xFF));
}

// A dBase III table: two fields, the given records (each without its deletion flag).
std::string Table(const std::vector<std::string>& records, const Claims& claims = {},
                  const std::vector<Field>& fields = {{"NR", 'C', 6}, {"TEXT", 'C', 10}}) {
  uint32_t recordLength = 1;
  for (const Field& field : fields) recordLength += field.length;
  const uint32_t headerLength =
      32 + 32 * static_cast<uint32_t>(fields.size()) + (claims.terminator ? 1 : 0);
  std::string bytes(32, '\0');
  bytes[0] = 0x03;
  bytes[1] = 126;
  bytes[2] = 5;
  bytes[3] = 17;
  const uint32_t count = claims.recordCount.value_or(static_cast<uint32_t>(records.size()));
  for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<char>(count >> (8 * i) & 0xFF);
  std::string lengths;
  Put16(lengths, claims.headerLength.value_or(headerLength));
  Put16(lengths, claims.recordLength.value_or(recordLength));
  bytes.replace(8, 4, lengths);
  bytes[29] = 0x03;  // Windows-1252
  for (const Field& field : fields) {
    std::string descriptor(32, '\0');
    descriptor.replace(0, field.name.size(), field.name);
    descriptor[11] = field.type;
    descriptor[16] = static_cast<char>(field.length);
    bytes += descriptor;
  }
  if (claims.terminator) bytes += '\x0D';
  for (const std::string& record : records) {
    std::string padded = " " + record;
    padded.resize(recordLength, ' ');
    bytes += padded;
  }
  bytes += '\x1A';
  return bytes;
}

const std::vector<std::string> kRecords = {"1     eins", "2     zwei", "3     drei"};

class HostileDbfTest : public ::testing::Test {
 protected:
  // Loads the table in a child: the rows as "NR|TEXT" lines, then the notes.
  IsolatedOutcome Load(const std::string& bytes) {
    test::WriteBytes(dir_ / "artikel.dbf", bytes);
    return test::RunIsolated(
        [&] {
          SourceRequest request;
          request.format = SourceFormat::Dbf;
          request.path = dir_ / "artikel.dbf";
          request.table = "artikel";
          SourceTable table;
          LoadReport report;
          LoadSource(request, table, report);
          std::string text = std::to_string(table.RowCount()) + " rows";
          for (size_t r = 1; r <= table.RowCount(); ++r) {
            text += "\n";
            for (size_t c = 1; c <= table.ColumnCount(); ++c)
              text += (c > 1 ? "|" : "") + table.Get(c, r).ToText();
          }
          for (const SourceWarning& warning : report.warnings) text += "\nNote: " + warning.text;
          return text;
        },
        test::kHangLimit, 256u * 1024u * 1024u);
  }
  test::TempDir dir_;
};

TEST_F(HostileDbfTest, ARecordCountBeyondTheFileLoadsWhatIsThereAndSaysSo) {
  for (uint32_t claimed : {4u, 1000000u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
    SCOPED_TRACE(claimed);
    IsolatedOutcome outcome = Load(Table(kRecords, {.recordCount = claimed}));
    ASSERT_TRUE(outcome.Returned()) << outcome.Describe();
    EXPECT_THAT(outcome.text, HasSubstr("3 rows\n1|eins\n2|zwei\n3|drei\n"));
    EXPECT_THAT(outcome.text, HasSubstr("enthält nur 3 der angegebenen " + std::to_string(claimed) +
                                        " Datensätze"));
    EXPECT_LT(outcome.peakKilobytes, 128 * 1024) << outcome.Describe();
  }
}

TEST_F(HostileDbfTest, ACountOfZeroDoesNotHideTheRecordsBehindIt) {
  IsolatedOutcome outcome = Load(Table(kRecords, {.recordCount = 0}));
  ASSERT_TRUE(outcome.Returned()) << outcome.Describe();
  EXPECT_THAT(outcome.text, HasSubstr("0 rows"));
  EXPECT_THAT(outcome.text, HasSubstr("enthält hinter den 0 Datensätzen"));
  EXPECT_THAT(outcome.text, HasSubstr("weitere Daten; diese wurden nicht geladen"));
}

TEST_F(HostileDbfTest, RecordLengthsThatTheFieldsOrTheFileCannotHave) {
  // Zero, and shorter than the fields: refused.
  for (uint32_t length : {0u, 1u, 16u}) {
    SCOPED_TRACE(length);
    IsolatedOutcome outcome = Load(Table(kRecords, {.recordLength = length}));
    ASSERT_TRUE(outcome.Threw()) << outcome.Describe();
    EXPECT_THAT(outcome.text, HasSubstr("Satzlänge von " + std::to_string(length) + " Bytes"));
    EXPECT_THAT(outcome.text, HasSubstr("die Felder brauchen aber 17 Bytes"));
  }
  // Longer than the whole file: no record fits, and the note says so.
  IsolatedOutcome outcome = Load(Table(kRecords, {.recordLength = 0xFFFF}));
  ASSERT_TRUE(outcome.Returned()) << outcome.Describe();
  EXPECT_THAT(outcome.text, HasSubstr("0 rows"));
  EXPECT_THAT(outcome.text, HasSubstr("enthält nur 0 der angegebenen 3 Datensätze"));
  // Fields that add up to more than any record can hold.
  std::vector<Field> wide;
  for (int i = 0; i < 300; ++i) wide.push_back({"F" + std::to_string(i), 'N', 255});
  outcome = Load(Table({"1"}, {}, wide));
  ASSERT_TRUE(outcome.Threw()) << outcome.Describe();
  EXPECT_THAT(outcome.text, HasSubstr("die Felder brauchen aber 76501 Bytes"));
}

TEST_F(HostileDbfTest, HeaderLengthsAndFieldDescriptionsBeyondTheHeader) {
  struct Case {
    Claims claims;
    const char* message;
  };
  const std::vector<Case> cases = {
      {{.headerLength = 0}, "mit 0 Bytes eine unmögliche Länge"},
      {{.headerLength = 32}, "mit 32 Bytes eine unmögliche Länge"},
      {{.headerLength = 0xFFFF}, "endet innerhalb ihres Dateikopfs"},
      // The header ends inside the second field description.
      {{.headerLength = 80}, "Feldbeschreibungen reichen über das Ende des Dateikopfs hinaus"},
  };
  for (const Case& hostile : cases) {
    SCOPED_TRACE(hostile.message);
    IsolatedOutcome outcome = Load(Table(kRecords, hostile.claims));
    ASSERT_TRUE(outcome.Threw()) << outcome.Describe();
    EXPECT_THAT(outcome.text, HasSubstr("artikel.dbf"));
    EXPECT_THAT(outcome.text, HasSubstr(hostile.message));
  }
  // Descriptions with no length or an impossible type.
  for (const Field& broken : {Field{"NR", 'C', 0}, Field{"NR", '\x01', 5}}) {
    IsolatedOutcome outcome = Load(Table(kRecords, {}, {{"A", 'C', 1}, broken}));
    ASSERT_TRUE(outcome.Threw()) << outcome.Describe();
    EXPECT_THAT(outcome.text, HasSubstr("Die Beschreibung des 2. Feldes ist ungültig"));
  }
  // A file that ends inside its first record: nothing is read past the end.
  std::string cut = Table(kRecords);
  cut.resize(cut.size() - 3 * 17 + 5);
  IsolatedOutcome outcome = Load(cut);
  ASSERT_TRUE(outcome.Returned()) << outcome.Describe();
  EXPECT_THAT(outcome.text, HasSubstr("0 rows"));
  EXPECT_THAT(outcome.text, HasSubstr("enthält nur 0 der angegebenen 3 Datensätze"));
}

}  // namespace
}  // namespace velra
