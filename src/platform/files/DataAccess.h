#pragma once

namespace fetemark {

// What a run may do to the data directory. A run that only reads (listing, showing,
// exporting to a file the user names) never writes a store, never creates the directory
// and opens the address book read-only, so it works on read-only files and can never
// write back what another program changed meanwhile.
enum class DataAccess {
    ReadOnly,
    ReadWrite,
};

} // namespace fetemark
