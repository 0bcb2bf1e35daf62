#pragma once
// The company schema: every table the program reads or writes.

#include <string_view>

#include "db/Connection.h"

namespace velra {

// Creates the tables and indexes of a company database in the connection's engine: SQLite for a
// file company, PostgreSQL or SQL Server for a server company.
void CreateCompanySchema(Connection& connection);
// Inserts the reference data of the demo company (tax keys, article types, units, warehouse),
// with the engine's value for true.
void InsertDemoReferenceData(Connection& connection);

}  // namespace velra
