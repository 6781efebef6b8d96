// Self-registration: the registry entries that let the COM runtime find each
// class of the server by ProgID and CLSID, and their removal.
#pragma once

namespace qorvid {

class ServerObject;

// Writes the entries of every registered class. Raises the component error
// "Error creating system registry entry" at the first failed write; the
// entries written before it stay.
void RegisterServerClasses(ServerObject& server);

// Deletes those entries. A missing key, or one still holding subkeys of
// someone else's, does not stop the others.
void UnregisterServerClasses(ServerObject& server);

}  // namespace qorvid
