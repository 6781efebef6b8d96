// Which database the connection reached, as far as literal texts differ:
// learnt after Open from the connection's "DBMS Name" property and, where
// the server's own setting decides how it reads a backslash, from the
// server. Nothing here fails: a database that does not answer is Unknown.
#pragma once

#include <string>

#include "database/component_state.h"

namespace qorvid {

// The database a "DBMS Name" names; Unknown for a name not listed.
Dbms DbmsFromName(const std::string& name);

// Sets state.dialect for the connection just opened.
void LearnDialect(ComponentState& state);

// A statement that may have changed the server's backslash setting (its text
// names sql_mode) has run: asks the server again.
void RelearnDialectAfter(ComponentState& state, const std::string& statement);

}  // namespace qorvid
