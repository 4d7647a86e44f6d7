#pragma once
// The database objects of the forms: Connection, Recordset (with Field),
// Command, and the Sql statement value with its bound parameters.
#include "command.h"
#include "runtime/errors.h"
#include "connection.h"
#include "recordset.h"
#include "sql.h"
