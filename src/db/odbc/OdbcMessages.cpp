#include "db/odbc/OdbcMessages.h"

#include <string_view>

namespace velra::odbc::text {

namespace {

std::string Quoted(std::string_view name) {
  return "'" + std::string(name) + "'";
}

}  // namespace

std::string ConnectionLost(const std::string& database, const std::string& server) {
  return "Die Verbindung zur Firmendatenbank " + Quoted(database) + " auf dem Server " +
         Quoted(server) + " ist unterbrochen: ";
}

std::string DriverMissing(const std::string& driver) {
  return "Der ODBC-Treiber " + Quoted(driver) + " ist nicht eingerichtet";
}

std::string Locked(const std::string& name) {
  return "Die Firmendatenbank " + Quoted(name) +
         " ist gesperrt, weil ein anderes Programm gerade in sie schreibt; bitte versuchen Sie es "
         "später noch einmal (";
}

std::string Failed(const std::string& name) {
  return "Fehler in der Firmendatenbank " + Quoted(name) + ": ";
}

std::string Denied(const std::string& name) {
  return "Die Anmeldung an der Firmendatenbank " + Quoted(name) +
         " hat nicht das Recht, in sie zu schreiben: ";
}

}  // namespace velra::odbc::text
