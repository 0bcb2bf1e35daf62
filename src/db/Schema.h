#pragma once
// The company schema: every table the program reads or writes.

#include <string_view>

#include "db/Connection.h"

namespace velra {

// Creates the tables and indexes of a company database in the connection's engine.
void CreateCompanySchema(Connection& connection);
// Inserts the reference data of the demo company (tax keys, article types, units, warehouse).
void InsertDemoReferenceData(Connection& connection);

}  // namespace velra
