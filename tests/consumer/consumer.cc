// A library user's program: imports a name, binds it to the mechanism,
// exports it and checks the token's head; prints the library's version.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "orbi_name/internal_name.h"
#include "orbi_name/status.h"
#include "orbi_name/version.h"
#include "orbi_services/oid_table.h"

int main() {
  char text[] = "db/users\nalice";
  gss_buffer_desc input = {static_cast<OM_uint32>(strlen(text)), text};

  PLVORBIInternalName name;
  if (name.Set(static_cast<gss_OID>(nullptr), &input) !=
          orbi_name::status::SUCCESS ||
      name.CanonicalizeName(ORBIGetOID(kORBIMechanismIndex)) !=
          orbi_name::status::SUCCESS) {
    fprintf(stderr, "consumer: import or canonicalize failed\n");
    return 1;
  }
  gss_buffer_desc token = {0, nullptr};
  if (name.Export(&token) != orbi_name::status::SUCCESS) {
    fprintf(stderr, "consumer: export failed\n");
    return 1;
  }
  const unsigned char* bytes = static_cast<const unsigned char*>(token.value);
  // 04 01, then the mechanism OID's length in two bytes.
  const OM_uint32 mech_length = ORBIGetOID(kORBIMechanismIndex)->length;
  const bool head_ok = token.length >= 4 && bytes[0] == 0x04 &&
                       bytes[1] == 0x01 && bytes[2] == (mech_length >> 8) &&
                       bytes[3] == (mech_length & 0xFF);
  free(token.value);
  if (!head_ok) {
    fprintf(stderr, "consumer: unexpected token head\n");
    return 1;
  }
  if (strstr(plvorbiname_SCCSInfo, "@(#)ProductVersion: ") == nullptr) {
    fprintf(stderr, "consumer: no version data\n");
    return 1;
  }
  printf("consumer: token of %u bytes\n", static_cast<unsigned>(token.length));
  return 0;
}
