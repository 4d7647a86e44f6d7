#pragma once
// The earlier edition's start-up: a fixed connection string instead of
// "constr.txt", and a start that goes on past any failure, so the main
// screen opens even without a database and reports the failure itself.

namespace earlier {

inline constexpr const char *ConnectionString = "PROVIDER=Microsoft.Jet.OLEDB.3.51;Data Source=wt.mdb;";

// Opens the shared connection, creates the shared objects and shows Form1
// modeless; every statement's failure is passed over.
void Main();

} // namespace earlier
