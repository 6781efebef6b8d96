// Self-registration: the registry entries that let the COM runtime find each
// class of the server by ProgID and CLSID, and their removal, for every user
// of the machine (HKEY_CLASSES_ROOT) or for the current user only.
#pragma once

namespace qorvid {

class ServerObject;
struct ClassesRoot;

// Writes the entries of every registered class under root. Raises the
// component error "Error creating system registry entry" at the first failed
// write; the entries written before it stay.
void RegisterServerClasses(ServerObject& server, const ClassesRoot& root);

// Deletes those entries. A missing key, or one still holding subkeys of
// someone else's, does not stop the others. The ProgID outlives the class
// while the other bitness's registration of it remains: that one keeps (or
// gets back) its ProgID in its own view.
void UnregisterServerClasses(ServerObject& server, const ClassesRoot& root);

}  // namespace qorvid
