/* A GSS-API application of its own for Heimdal's glue: written against
 * Heimdal's <gssapi/gssapi.h> alone and linked with Heimdal's libgssapi
 * alone, it reaches the ORBI mechanism only through the glue, which loads
 * orbi_mech_heimdal.so as /etc/gss/mech tells it to. The test runs it in a
 * mount namespace of its own whose /etc/gss/mech names the build tree's
 * module (heimdal_namespace.sh).
 *
 * It lists the mechanism, imports names without a type, with the
 * mechanism's default type and with the user-name type under which the glue
 * hands over untyped text, canonicalizes, displays, exports, imports the
 * token, compares, duplicates and releases them; asks for the mechanism's
 * name types (whose set the glue releases without the OIDs' bytes) and for
 * the mechanisms of a name; checks the refused name types and tokens, the
 * security-context calls the mechanism does not have, the SASL name both
 * ways, and the texts of the minor statuses.
 *
 * Prints one line per failed check ("FAIL: ...") and exits 1 when any
 * failed. */
#include <gssapi/gssapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "client_support.h"

/* minor_text returns the glue's text for a minor status of the mechanism in
 * a static buffer. */
static const char* minor_text(OM_uint32 minor) {
  OM_uint32 context;
  return status_text(minor, &context);
}

static int in_set(gss_OID oid, gss_OID_set set) {
  OM_uint32 minor;
  int present = 0;
  if (set == GSS_C_NO_OID_SET) return 0;
  gss_test_oid_set_member(&minor, oid, set, &present);
  return present;
}

/* The glue lists a module's mechanisms by asking its gss_indicate_mechs. */
static void check_mechanism_listed(void) {
  OM_uint32 minor, major;
  gss_OID_set mechs = GSS_C_NO_OID_SET;
  major = gss_indicate_mechs(&minor, &mechs);
  check(major == GSS_S_COMPLETE, "gss_indicate_mechs: %x", major);
  check(in_set(&orbi_mech, mechs),
        "the glue does not list " ORBI_MECH_OID_TEXT
        ": does /etc/gss/mech name orbi_mech_heimdal.so, and does it load?");
  gss_release_oid_set(&minor, &mechs);
}

/* A name imported without a type, with the mechanism's default type, or
 * with the user-name type (which the glue also uses for an untyped text) is
 * the same name: it displays as "alice" with the default type and exports
 * the same token. */
static void check_imports(void) {
  const struct {
    const char* what;
    gss_OID type;
  } cases[] = {
      {"no type", GSS_C_NO_OID},
      {"the default type", &orbi_default_type},
      {"the user-name type", GSS_C_NT_USER_NAME},
  };
  size_t i;
  for (i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    OM_uint32 minor = 0, major;
    gss_name_t mn = GSS_C_NO_NAME;
    gss_buffer_desc input = text("alice"), shown = GSS_C_EMPTY_BUFFER,
                    token = GSS_C_EMPTY_BUFFER;
    gss_OID type = GSS_C_NO_OID;
    major = canonical(&input, cases[i].type, &mn, &minor);
    check(major == GSS_S_COMPLETE && mn != GSS_C_NO_NAME,
          "%s: canonicalize: %x minor %u (%s)", cases[i].what, major, minor,
          minor_text(minor));
    if (mn == GSS_C_NO_NAME) continue;
    major = gss_display_name(&minor, mn, &shown, &type);
    check(major == GSS_S_COMPLETE && is_text(&shown, "alice") &&
              same_oid(type, &orbi_default_type),
          "%s: displays as \"%.*s\" (%x), or not with the default type",
          cases[i].what, (int)shown.length, (const char*)shown.value, major);
    major = gss_export_name(&minor, mn, &token);
    check(major == GSS_S_COMPLETE && is_alice_token(&token),
          "%s: export: %x, not the standard token of \"alice\" (%zu bytes)",
          cases[i].what, major, token.length);
    gss_release_buffer(&minor, &shown);
    gss_release_buffer(&minor, &token);
    release(&mn);
  }
}

/* The main path: import, canonicalize, export, import the token, compare,
 * duplicate, release. */
static void check_round_trip(void) {
  OM_uint32 minor, major;
  gss_name_t name = GSS_C_NO_NAME, mn = GSS_C_NO_NAME, back = GSS_C_NO_NAME,
             copy = GSS_C_NO_NAME, other = GSS_C_NO_NAME;
  gss_buffer_desc input = text("alice"), shown = GSS_C_EMPTY_BUFFER,
                  token = bytes(alice_token, sizeof(alice_token)),
                  token2 = GSS_C_EMPTY_BUFFER;
  gss_OID type = GSS_C_NO_OID;
  int equal = -1;
  size_t i;
  static const struct {
    const char* bytes;
    size_t length;
  } others[] = {{"alicf", 5}, {"Alice", 5}, {"alice\0", 6}, {"alic", 4}};

  major = gss_import_name(&minor, &input, GSS_C_NO_OID, &name);
  check(major == GSS_S_COMPLETE, "import of \"alice\" without a type: %x",
        major);
  if (major == GSS_S_COMPLETE) {
    major = gss_canonicalize_name(&minor, name, &orbi_mech, &mn);
  }
  check(major == GSS_S_COMPLETE && mn != GSS_C_NO_NAME,
        "canonicalize to the ORBI mechanism: %x minor %u (%s)", major, minor,
        minor_text(minor));
  if (mn == GSS_C_NO_NAME) goto done;

  /* The token goes to the module at once. */
  major = gss_import_name(&minor, &token, GSS_C_NT_EXPORT_NAME, &back);
  check(major == GSS_S_COMPLETE, "import of the token: %x minor %u (%s)", major,
        minor, minor_text(minor));
  if (back == GSS_C_NO_NAME) goto done;
  major = gss_display_name(&minor, back, &shown, &type);
  check(major == GSS_S_COMPLETE && is_text(&shown, "alice") &&
            same_oid(type, &orbi_default_type),
        "the imported token does not display as \"alice\"");
  gss_release_buffer(&minor, &shown);

  major = gss_compare_name(&minor, mn, back, &equal);
  check(major == GSS_S_COMPLETE && equal == 1,
        "compare with the re-imported name: %x equal %d", major, equal);
  /* A name without a mechanism is imported through the module to be
   * compared. */
  equal = -1;
  major = gss_compare_name(&minor, name, back, &equal);
  check(major == GSS_S_COMPLETE && equal == 1,
        "compare of the plain name with the mechanism name: %x equal %d", major,
        equal);

  major = gss_duplicate_name(&minor, back, &copy);
  check(major == GSS_S_COMPLETE && copy != GSS_C_NO_NAME, "duplicate: %x",
        major);
  if (copy != GSS_C_NO_NAME) {
    equal = -1;
    major = gss_compare_name(&minor, copy, back, &equal);
    check(major == GSS_S_COMPLETE && equal == 1,
          "compare with the duplicate: %x equal %d", major, equal);
    major = gss_export_name(&minor, copy, &token2);
    check(major == GSS_S_COMPLETE && is_alice_token(&token2),
          "the duplicate exports another token: %x", major);
    gss_release_buffer(&minor, &token2);
  }

  /* Names differing in a byte, in case, or by a trailing NUL differ, and so
   * do their tokens. */
  for (i = 0; i < sizeof(others) / sizeof(others[0]); ++i) {
    gss_buffer_desc other_input = bytes(others[i].bytes, others[i].length);
    major = canonical(&other_input, GSS_C_NO_OID, &other, &minor);
    check(major == GSS_S_COMPLETE, "other name %zu: %x", i, major);
    if (other == GSS_C_NO_NAME) continue;
    equal = -1;
    major = gss_compare_name(&minor, mn, other, &equal);
    check(major == GSS_S_COMPLETE && equal == 0,
          "other name %zu compares as equal: %x equal %d", i, major, equal);
    major = gss_export_name(&minor, other, &token2);
    check(major == GSS_S_COMPLETE && !is_alice_token(&token2),
          "other name %zu exports the token of \"alice\"", i);
    gss_release_buffer(&minor, &token2);
    release(&other);
  }

done:
  release(&copy);
  release(&back);
  release(&mn);
  release(&name);
}

/* Composite names as Heimdal's glue routes them: gss_export_name_composite
 * goes to the module's, and the token comes back through
 * GSS_C_NT_EXPORT_NAME, the only type under which this glue reads a token
 * (it has no GSS_C_NT_COMPOSITE_EXPORT). */
static void check_composite(void) {
  OM_uint32 minor, major;
  gss_name_t mn = GSS_C_NO_NAME, back = GSS_C_NO_NAME;
  gss_buffer_desc input = text("alice"), token = GSS_C_EMPTY_BUFFER;
  unsigned char expected[sizeof(alice_token) + 4];
  /* RFC 6680's composite export type, 1.3.6.1.5.6.6, by value. */
  gss_OID_desc composite_type = {6, "\x2b\x06\x01\x05\x06\x06"};
  int equal = -1;

  memcpy(expected, alice_token, sizeof(alice_token));
  expected[1] = 0x02;
  memset(expected + sizeof(alice_token), 0, 4);
  major = canonical(&input, GSS_C_NO_OID, &mn, &minor);
  check(major == GSS_S_COMPLETE, "the name \"alice\": %x", major);
  if (mn == GSS_C_NO_NAME) return;
  major = gss_export_name_composite(&minor, mn, &token);
  check(major == GSS_S_COMPLETE && token.length == sizeof(expected) &&
            memcmp(token.value, expected, sizeof(expected)) == 0,
        "gss_export_name_composite: %x, %zu bytes", major, token.length);
  if (major == GSS_S_COMPLETE) {
    major = gss_import_name(&minor, &token, GSS_C_NT_EXPORT_NAME, &back);
    check(major == GSS_S_COMPLETE, "import of the composite token: %x (%s)",
          major, minor_text(minor));
  }
  if (back != GSS_C_NO_NAME) {
    major = gss_compare_name(&minor, mn, back, &equal);
    check(major == GSS_S_COMPLETE && equal == 1,
          "the composite token's name compares: %x equal %d", major, equal);
  }
  release(&back);
  /* The glue does not know the composite type: it asks the modules that
   * list it among their name types, none does, and no name is made
   * (GSS_S_NAME_NOT_MN from Heimdal 7.8). */
  major = gss_import_name(&minor, &token, &composite_type, &back);
  check(GSS_ERROR(major) && back == GSS_C_NO_NAME,
        "Heimdal's glue took a token under RFC 6680's composite type: %x",
        major);
  release(&back);
  gss_release_buffer(&minor, &token);
  release(&mn);
}

/* The glue hands the module's set to the caller, whose gss_release_oid_set
 * frees the set and its array but not the OIDs' bytes: valgrind sees a leak
 * if the module allocated them. The glue answers which mechanisms take a
 * name from these types. */
static void check_name_types(void) {
  OM_uint32 minor, major;
  gss_OID_set types = GSS_C_NO_OID_SET, mechs = GSS_C_NO_OID_SET;
  gss_name_t untyped = GSS_C_NO_NAME, service = GSS_C_NO_NAME;
  gss_buffer_desc input = text("alice");
  int round;
  for (round = 0; round < 3; ++round) {
    major = gss_inquire_names_for_mech(&minor, &orbi_mech, &types);
    check(major == GSS_S_COMPLETE && types != GSS_C_NO_OID_SET,
          "gss_inquire_names_for_mech: %x", major);
    if (types == GSS_C_NO_OID_SET) return;
    check(types->count == 4, "%zu name types, expected 4", types->count);
    check(in_set(&orbi_default_type, types) &&
              in_set(GSS_C_NT_EXPORT_NAME, types) &&
              in_set(GSS_C_NT_ANONYMOUS, types) &&
              in_set(GSS_C_NT_USER_NAME, types),
          "the default, exported, anonymous and user-name types are not all "
          "listed");
    gss_release_oid_set(&minor, &types);
  }

  major = gss_import_name(&minor, &input, GSS_C_NO_OID, &untyped);
  if (major == GSS_S_COMPLETE) {
    major = gss_inquire_mechs_for_name(&minor, untyped, &mechs);
  }
  check(major == GSS_S_COMPLETE && in_set(&orbi_mech, mechs),
        "the mechanisms of an untyped name leave ORBI out: %x", major);
  gss_release_oid_set(&minor, &mechs);
  major = gss_import_name(&minor, &input, GSS_C_NT_HOSTBASED_SERVICE, &service);
  if (major == GSS_S_COMPLETE) {
    major = gss_inquire_mechs_for_name(&minor, service, &mechs);
  }
  check(major == GSS_S_COMPLETE && !in_set(&orbi_mech, mechs),
        "the mechanisms of a host-based service name include ORBI: %x", major);
  gss_release_oid_set(&minor, &mechs);
  release(&service);
  release(&untyped);
}

/* Name types the mechanism does not take are refused when the glue binds the
 * name to the mechanism, with the module's minor status and text. (A type
 * that no mechanism lists, such as the machine uid, the glue refuses itself
 * on import.) */
static void check_refused_types(void) {
  const struct {
    const char* what;
    gss_OID type;
  } cases[] = {
      {"host-based service", GSS_C_NT_HOSTBASED_SERVICE},
      {"Kerberos principal", &krb5_principal_type},
  };
  size_t i;
  for (i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    OM_uint32 minor = 0, major;
    gss_name_t mn = GSS_C_NO_NAME;
    gss_buffer_desc input = text("alice");
    const char* said;
    major = canonical(&input, cases[i].type, &mn, &minor);
    check(major == GSS_S_BAD_NAMETYPE && mn == GSS_C_NO_NAME,
          "%s: %x, expected GSS_S_BAD_NAMETYPE", cases[i].what, major);
    said = minor_text(minor);
    check(minor == status_BAD_NAME_TYPE && strstr(said, "ORBI") != NULL &&
              strstr(said, "BAD_NAME_TYPE") != NULL,
          "%s: minor %u reads \"%s\"", cases[i].what, minor, said);
    release(&mn);
  }
}

/* The glue reads a token's header itself and refuses what it cannot parse;
 * what it hands on, the module checks. */
static void check_refused_tokens(void) {
  const struct {
    const char* what;
    size_t offset; /* the byte there becomes value; one past the end appends */
    unsigned char value;
    OM_uint32 major;
    const char* minor_name; /* in the module's text; NULL: the glue refused */
  } cases[] = {
      {"a NUL inside the name", kNameAt + 2, 0x00, GSS_S_BAD_NAME,
       "NAME_HAS_NUL"},
      {"identifier 04 02 (composite)", 1, 0x02, GSS_S_DEFECTIVE_TOKEN,
       "MALFORMED_TOKEN"},
      {"unconfigured mechanism", kLastMechByte, 0x02, GSS_S_BAD_MECH, NULL},
      {"a trailing byte", sizeof(alice_token), 'x', GSS_S_BAD_NAME, NULL},
      {"name length one too long", kNameLengthAt + 3, 0x06, GSS_S_BAD_NAME,
       NULL},
  };
  unsigned char token[64];
  size_t i;
  for (i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    OM_uint32 minor = 0, major;
    gss_name_t name = GSS_C_NO_NAME;
    gss_buffer_desc input;
    size_t length = sizeof(alice_token);
    memcpy(token, alice_token, sizeof(alice_token));
    token[cases[i].offset] = cases[i].value;
    if (cases[i].offset >= length) length = cases[i].offset + 1;
    input = bytes(token, length);
    major = gss_import_name(&minor, &input, GSS_C_NT_EXPORT_NAME, &name);
    check(major == cases[i].major && name == GSS_C_NO_NAME,
          "%s: %x, expected %x", cases[i].what, major, cases[i].major);
    if (cases[i].minor_name != NULL) {
      check(strstr(minor_text(minor), cases[i].minor_name) != NULL,
            "%s: the refusal reads \"%s\"", cases[i].what, minor_text(minor));
    }
    release(&name);
  }
}

/* The glue insists on the security-context entry points; the mechanism has
 * none, and says so. */
static void check_unavailable(void) {
  OM_uint32 minor = 0, major, ignored;
  gss_name_t target = GSS_C_NO_NAME;
  gss_ctx_id_t context = GSS_C_NO_CONTEXT;
  gss_buffer_desc input = text("alice"), token = GSS_C_EMPTY_BUFFER;
  major = canonical(&input, GSS_C_NO_OID, &target, &minor);
  check(major == GSS_S_COMPLETE, "the target name: %x", major);
  if (target == GSS_C_NO_NAME) return;
  major = gss_init_sec_context(&minor, GSS_C_NO_CREDENTIAL, &context, target,
                               &orbi_mech, 0, 0, GSS_C_NO_CHANNEL_BINDINGS,
                               GSS_C_NO_BUFFER, NULL, &token, NULL, NULL);
  check(major == GSS_S_UNAVAILABLE && context == GSS_C_NO_CONTEXT &&
            token.length == 0,
        "gss_init_sec_context: %x", major);
  check(minor == minor_UNAVAILABLE &&
            strstr(minor_text(minor), "UNAVAILABLE") != NULL,
        "gss_init_sec_context: minor %u reads \"%s\"", minor,
        minor_text(minor));
  gss_release_buffer(&ignored, &token);
  release(&target);
}

/* The SASL name the module gives, and the mechanism found by it: the glue
 * asks the module for both. */
static void check_sasl_names(void) {
  OM_uint32 minor = 0, major, ignored;
  gss_buffer_desc sasl = GSS_C_EMPTY_BUFFER, name = GSS_C_EMPTY_BUFFER,
                  description = GSS_C_EMPTY_BUFFER,
                  unknown = text("GS2-AAAAAAAAAAA");
  gss_OID found = GSS_C_NO_OID;
  major = gss_inquire_saslname_for_mech(&minor, &orbi_mech, &sasl, &name,
                                        &description);
  check(major == GSS_S_COMPLETE && sasl.length == 15 &&
            memcmp(sasl.value, "GS2-", 4) == 0 && is_text(&name, "ORBI") &&
            description.length > 0,
        "gss_inquire_saslname_for_mech: %x \"%.*s\"", major, (int)sasl.length,
        (const char*)sasl.value);
  if (major == GSS_S_COMPLETE) {
    major = gss_inquire_mech_for_saslname(&minor, &sasl, &found);
    check(major == GSS_S_COMPLETE && same_oid(found, &orbi_mech),
          "gss_inquire_mech_for_saslname of \"%.*s\": %x", (int)sasl.length,
          (const char*)sasl.value, major);
  }
  found = GSS_C_NO_OID;
  major = gss_inquire_mech_for_saslname(&minor, &unknown, &found);
  check(major == GSS_S_BAD_MECH && found == GSS_C_NO_OID,
        "gss_inquire_mech_for_saslname of an unknown name: %x", major);
  gss_release_buffer(&ignored, &sasl);
  gss_release_buffer(&ignored, &name);
  gss_release_buffer(&ignored, &description);
}

int main(void) {
  check_mechanism_listed();
  check_imports();
  check_round_trip();
  check_composite();
  check_name_types();
  check_refused_types();
  check_refused_tokens();
  check_unavailable();
  check_sasl_names();
  if (failures != 0) {
    printf("heimdal_client: %d of %d checks failed\n", failures, checks);
    return 1;
  }
  printf("heimdal_client: %d checks passed\n", checks);
  return 0;
}
