// Prints the OID table as this build holds it, one entry a line,
//   INDEX|DOTTED|ROLE
// with an empty ROLE for a reserved entry: the list that tool_test.sh checks
// the tool's oid command against, read from the table's one list
// (kORBIOIDRoles and the build's arc, orbi_services/internal/oid_entries.h)
// rather than typed again.
#include <stdio.h>

#include <string>

#include "orbi_services/internal/oid_entries.h"
#include "orbi_services/oid_table.h"

int main() {
  for (int index = 0; index < kORBIOIDTableSize; ++index) {
    const char* role = ORBIOIDRoleOf(index);
    const std::string dotted = orbi_services::EntryDottedText(index);
    if (printf("%d|%s|%s\n", index, dotted.c_str(),
               role != nullptr ? role : "") < 0) {
      return 1;
    }
  }
  return fflush(stdout) == 0 ? 0 : 1;
}
