/* A GSS-API application of its own: written against <gssapi/gssapi.h>
 * alone and linked with MIT krb5's libgssapi_krb5 alone, it reaches the ORBI
 * mechanism only through the glue, which loads orbi_mech.so as the file
 * that GSS_MECH_CONFIG names tells it to.
 *
 * It imports a name, binds it to the mechanism, displays, exports,
 * re-imports, compares, duplicates and releases it, asks for the
 * mechanism's name types, and checks the refusals: name types the
 * mechanism does not take, truncated and corrupted tokens, another
 * mechanism's token, and the texts of the minor statuses they give. It
 * reads a name's database path and entries as name attributes, asks for
 * the mechanism's attributes and SASL names, and releases the OIDs the
 * glue hands out, as careless callers do.
 *
 * Prints one line per failed check ("FAIL: ...") and exits 1 when any
 * failed. */
#include <gssapi/gssapi.h>
#include <gssapi/gssapi_ext.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "client_attributes.h"
#include "client_support.h"

/* 1.2.840.113554.1.2.2, the Kerberos V5 mechanism (RFC 1964). */
static gss_OID_desc krb5_mech = {9, "\x2a\x86\x48\x86\xf7\x12\x01\x02\x02"};

/* minor_text returns the glue's text for a minor status in a static
 * buffer, and checks that the whole text comes in one message. */
static const char* minor_text(OM_uint32 minor) {
  OM_uint32 context;
  const char* out = status_text(minor, &context);
  check(context == 0, "gss_display_status of %u leaves context %u", minor,
        context);
  return out;
}

static void check_mechanism_listed(void) {
  OM_uint32 minor, major;
  gss_OID_set mechs = GSS_C_NO_OID_SET;
  int present = 0;
  major = gss_indicate_mechs(&minor, &mechs);
  check(major == GSS_S_COMPLETE, "gss_indicate_mechs: %x", major);
  if (major == GSS_S_COMPLETE) {
    gss_test_oid_set_member(&minor, &orbi_mech, mechs, &present);
  }
  check(present, "the glue does not list " ORBI_MECH_OID_TEXT
                 ": is GSS_MECH_CONFIG set to a file naming orbi_mech.so?");
  gss_release_oid_set(&minor, &mechs);
}

/* The main path: import, canonicalize, display, export, import the token,
 * compare, duplicate, release. */
static void check_round_trip(void) {
  OM_uint32 minor, major;
  gss_name_t name = GSS_C_NO_NAME, mn = GSS_C_NO_NAME, back = GSS_C_NO_NAME,
             copy = GSS_C_NO_NAME, other = GSS_C_NO_NAME;
  gss_buffer_desc input = text("alice");
  gss_buffer_desc shown = GSS_C_EMPTY_BUFFER, token = GSS_C_EMPTY_BUFFER,
                  token2 = GSS_C_EMPTY_BUFFER;
  gss_OID type = GSS_C_NO_OID;
  int equal = -1;

  major = gss_import_name(&minor, &input, GSS_C_NO_OID, &name);
  check(major == GSS_S_COMPLETE, "import of \"alice\" without a type: %x",
        major);
  major = gss_canonicalize_name(&minor, name, &orbi_mech, &mn);
  check(major == GSS_S_COMPLETE && mn != GSS_C_NO_NAME,
        "canonicalize to the ORBI mechanism: %x minor %u (%s)", major, minor,
        minor_text(minor));
  if (mn == GSS_C_NO_NAME) goto done;

  major = gss_display_name(&minor, mn, &shown, &type);
  check(major == GSS_S_COMPLETE, "display: %x", major);
  check(is_text(&shown, "alice"), "display gives \"%.*s\", expected \"alice\"",
        (int)shown.length, (const char*)shown.value);
  check(same_oid(type, &orbi_default_type),
        "display: the type is not the default name type");
  gss_release_buffer(&minor, &shown);
  major = gss_display_name(&minor, mn, &shown, NULL);
  check(major == GSS_S_COMPLETE && shown.length == 5,
        "display without a type output: %x", major);
  gss_release_buffer(&minor, &shown);

  major = gss_export_name(&minor, mn, &token);
  check(major == GSS_S_COMPLETE, "export: %x", major);
  check(is_alice_token(&token),
        "export: not the standard token of \"alice\" (%zu bytes)",
        token.length);

  major = gss_import_name(&minor, &token, GSS_C_NT_EXPORT_NAME, &back);
  check(major == GSS_S_COMPLETE, "import of the token: %x minor %u (%s)", major,
        minor, minor_text(minor));
  if (back != GSS_C_NO_NAME) {
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
          "compare of the plain name with the mechanism name: %x equal %d",
          major, equal);

    major = gss_duplicate_name(&minor, back, &copy);
    check(major == GSS_S_COMPLETE, "duplicate: %x", major);
    equal = -1;
    major = gss_compare_name(&minor, copy, back, &equal);
    check(major == GSS_S_COMPLETE && equal == 1,
          "compare with the duplicate: %x equal %d", major, equal);
    major = gss_export_name(&minor, copy, &token2);
    check(major == GSS_S_COMPLETE && token2.length == token.length &&
              memcmp(token2.value, token.value, token.length) == 0,
          "the duplicate exports another token");
    gss_release_buffer(&minor, &token2);
  }

  /* Names differing in a byte, in case, or by a trailing NUL differ, and so
   * do their tokens. */
  {
    static const struct {
      const char* bytes;
      size_t length;
    } others[] = {{"alicf", 5}, {"Alice", 5}, {"alice\0", 6}, {"alic", 4}};
    size_t i;
    for (i = 0; i < sizeof(others) / sizeof(others[0]); ++i) {
      gss_buffer_desc other_input = bytes(others[i].bytes, others[i].length);
      major = canonical(&other_input, GSS_C_NO_OID, &other, &minor);
      check(major == GSS_S_COMPLETE, "other name %zu: %x", i, major);
      equal = -1;
      major = gss_compare_name(&minor, mn, other, &equal);
      check(major == GSS_S_COMPLETE && equal == 0,
            "other name %zu compares as equal: %x equal %d", i, major, equal);
      major = gss_export_name(&minor, other, &token2);
      check(major == GSS_S_COMPLETE &&
                (token2.length != token.length ||
                 memcmp(token2.value, token.value, token.length) != 0),
            "other name %zu exports the same token", i);
      gss_release_buffer(&minor, &token2);
      release(&other);
    }
  }

done:
  gss_release_buffer(&minor, &token);
  release(&copy);
  release(&back);
  release(&mn);
  release(&name);
}

static void check_names_for_mech(void) {
  OM_uint32 minor, major;
  gss_OID_set types = GSS_C_NO_OID_SET;
  int present = 0;
  major = gss_inquire_names_for_mech(&minor, &orbi_mech, &types);
  check(major == GSS_S_COMPLETE && types != GSS_C_NO_OID_SET,
        "gss_inquire_names_for_mech: %x", major);
  if (types == GSS_C_NO_OID_SET) return;
  check(types->count == 3, "%zu name types, expected 3", types->count);
  gss_test_oid_set_member(&minor, &orbi_default_type, types, &present);
  check(present, "the default name type is not listed");
  gss_test_oid_set_member(&minor, GSS_C_NT_EXPORT_NAME, types, &present);
  check(present, "the exported name type is not listed");
  gss_test_oid_set_member(&minor, GSS_C_NT_ANONYMOUS, types, &present);
  check(present, "the anonymous name type is not listed");
  /* The glue releases the set and each OID's bytes with free. */
  gss_release_oid_set(&minor, &types);
}

/* Name types the mechanism does not take: the glue stores the name, and the
 * module refuses it when the glue binds it to the mechanism. */
static void check_refused_types(void) {
  const struct {
    const char* what;
    gss_OID type;
  } cases[] = {
      {"user name", GSS_C_NT_USER_NAME},
      {"host-based service", GSS_C_NT_HOSTBASED_SERVICE},
      {"machine uid", GSS_C_NT_MACHINE_UID_NAME},
      {"string uid", GSS_C_NT_STRING_UID_NAME},
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
    check(minor != 0 && strstr(said, "ORBI") != NULL,
          "%s: minor %u reads \"%s\"", cases[i].what, minor, said);
    release(&mn);
  }
}

/* import_token imports length bytes as an exported name. */
static OM_uint32 import_token(const unsigned char* data, size_t length,
                              gss_name_t* out, OM_uint32* minor) {
  gss_buffer_desc input = bytes(data, length);
  return gss_import_name(minor, &input, GSS_C_NT_EXPORT_NAME, out);
}

static void check_refused_tokens(void) {
  unsigned char token[64];
  size_t n, i;
  const size_t size = sizeof(alice_token);
  /* Every truncation: the glue refuses those that cut its header (it also
   * wants a byte behind the mechanism OID before it reads the OID's DER
   * length), the module the rest. */
  for (n = 0; n < size; ++n) {
    OM_uint32 minor = 0, major;
    gss_name_t name = GSS_C_NO_NAME;
    major = import_token(alice_token, n, &name, &minor);
    check(GSS_ERROR(major) && name == GSS_C_NO_NAME,
          "the token cut to %zu bytes is taken: %x", n, major);
    if (n > kNameLengthAt) {
      /* Past the mechanism OID only the module reads the token. */
      check(major == GSS_S_DEFECTIVE_TOKEN && minor != 0,
            "cut to %zu: %x minor %u, expected a defective token from the "
            "module",
            n, major, minor);
    }
    release(&name);
  }
  {
    /* Corruptions: at offset, the byte becomes value; a length of 1 past
     * the token appends it. */
    const struct {
      const char* what;
      size_t offset;
      unsigned char value;
      OM_uint32 expected; /* 0: any error */
    } cases[] = {
        {"identifier 04 02 (composite)", 1, 0x02, GSS_S_DEFECTIVE_TOKEN},
        {"identifier 05 01", 0, 0x05, GSS_S_DEFECTIVE_TOKEN},
        {"M one too long", 3, 0x0c, GSS_S_DEFECTIVE_TOKEN},
        {"DER tag 07", 4, 0x07, GSS_S_DEFECTIVE_TOKEN},
        {"DER length 08", 5, 0x08, GSS_S_DEFECTIVE_TOKEN},
        {"unconfigured mechanism", kLastMechByte, 0x02, GSS_S_BAD_MECH},
        {"name length one too long", kNameLengthAt + 3, 0x06,
         GSS_S_DEFECTIVE_TOKEN},
        {"name length one too short", kNameLengthAt + 3, 0x04,
         GSS_S_DEFECTIVE_TOKEN},
        {"name length above 2^31", kNameLengthAt, 0x80, GSS_S_DEFECTIVE_TOKEN},
        {"a trailing byte", sizeof(alice_token), 'x', GSS_S_DEFECTIVE_TOKEN},
        {"a NUL inside the name", kNameAt + 2, 0x00, GSS_S_BAD_NAME},
    };
    for (i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
      OM_uint32 minor = 0, major;
      gss_name_t name = GSS_C_NO_NAME;
      size_t length = size;
      memcpy(token, alice_token, size);
      token[cases[i].offset] = cases[i].value;
      if (cases[i].offset >= size) length = cases[i].offset + 1;
      major = import_token(token, length, &name, &minor);
      check(major == cases[i].expected && name == GSS_C_NO_NAME,
            "%s: %x, expected %x", cases[i].what, major, cases[i].expected);
      if (major == GSS_S_DEFECTIVE_TOKEN && cases[i].offset >= kNameLengthAt) {
        check(strstr(minor_text(minor), "MALFORMED_TOKEN") != NULL,
              "%s: the refusal reads \"%s\"", cases[i].what, minor_text(minor));
      }
      release(&name);
    }
  }
}

/* A Kerberos name's token: the glue gives it to the Kerberos mechanism, and
 * binding that name to the ORBI mechanism hands the token to the module,
 * which refuses it. */
static void check_foreign_token(void) {
  OM_uint32 minor = 0, major;
  gss_name_t krb = GSS_C_NO_NAME, krb_mn = GSS_C_NO_NAME, back = GSS_C_NO_NAME,
             orbi = GSS_C_NO_NAME, alice = GSS_C_NO_NAME;
  gss_buffer_desc input = text("alice@EXAMPLE.COM");
  gss_buffer_desc token = GSS_C_EMPTY_BUFFER;
  gss_buffer_desc plain = text("alice");
  int equal = -1;
  static const unsigned char krb5_head[] = {0x04, 0x01, 0x00, 0x0b, 0x06,
                                            0x09, 0x2a, 0x86, 0x48, 0x86,
                                            0xf7, 0x12, 0x01, 0x02, 0x02};

  major = gss_import_name(&minor, &input, GSS_C_NT_USER_NAME, &krb);
  if (!GSS_ERROR(major)) {
    major = gss_canonicalize_name(&minor, krb, &krb5_mech, &krb_mn);
  }
  if (!GSS_ERROR(major)) major = gss_export_name(&minor, krb_mn, &token);
  check(major == GSS_S_COMPLETE, "the Kerberos name's token: %x", major);
  if (major != GSS_S_COMPLETE) goto done;
  check(token.length > sizeof(krb5_head) &&
            memcmp(token.value, krb5_head, sizeof(krb5_head)) == 0,
        "the Kerberos token does not start as expected");

  major = gss_import_name(&minor, &token, GSS_C_NT_EXPORT_NAME, &back);
  check(major == GSS_S_COMPLETE, "import of the Kerberos token: %x", major);
  major = gss_canonicalize_name(&minor, back, &orbi_mech, &orbi);
  check(major == GSS_S_BAD_MECH && orbi == GSS_C_NO_NAME,
        "the Kerberos token bound to ORBI: %x, expected GSS_S_BAD_MECH", major);
  check(strstr(minor_text(minor), "ORBI") != NULL,
        "the Kerberos token's refusal reads \"%s\"", minor_text(minor));

  /* Names of two mechanisms are not equal. */
  major = canonical(&plain, GSS_C_NO_OID, &alice, &minor);
  check(major == GSS_S_COMPLETE, "the ORBI name \"alice\": %x", major);
  major = gss_compare_name(&minor, alice, back, &equal);
  check(major == GSS_S_COMPLETE && equal == 0,
        "an ORBI and a Kerberos name compare: %x equal %d", major, equal);

done:
  gss_release_buffer(&minor, &token);
  release(&alice);
  release(&orbi);
  release(&back);
  release(&krb_mn);
  release(&krb);
}

static void check_anonymous(void) {
  OM_uint32 minor = 0, major;
  gss_name_t anonymous = GSS_C_NO_NAME;
  gss_buffer_desc empty = GSS_C_EMPTY_BUFFER, shown = GSS_C_EMPTY_BUFFER;
  gss_OID type = GSS_C_NO_OID;
  int equal = -1;
  major = canonical(&empty, GSS_C_NT_ANONYMOUS, &anonymous, &minor);
  check(major == GSS_S_COMPLETE, "the anonymous name: %x minor %u", major,
        minor);
  if (anonymous == GSS_C_NO_NAME) return;
  major = gss_display_name(&minor, anonymous, &shown, &type);
  check(major == GSS_S_COMPLETE && same_oid(type, GSS_C_NT_ANONYMOUS),
        "the anonymous name does not display with the anonymous type");
  gss_release_buffer(&minor, &shown);
  /* An anonymous name equals no name, itself included. */
  major = gss_compare_name(&minor, anonymous, anonymous, &equal);
  check(major == GSS_S_COMPLETE && equal == 0,
        "the anonymous name equals itself: %x equal %d", major, equal);
  release(&anonymous);
}

static void check_status_texts(void) {
  OM_uint32 minor = 0, major, ignored, context = 0;
  gss_name_t mn = GSS_C_NO_NAME;
  gss_buffer_desc input = text("alice"), message = GSS_C_EMPTY_BUFFER;
  const char* said;
  /* A minor status the module gave: the glue maps it back to the module,
   * whose text names the library's status. */
  major = canonical(&input, GSS_C_NT_HOSTBASED_SERVICE, &mn, &minor);
  said = minor_text(minor);
  check(strstr(said, "ORBI") != NULL && strstr(said, "36") != NULL,
        "minor %u of a refused type reads \"%s\"", minor, said);
  printf("minor %u: %s\n", minor, said);
  /* The major status is the glue's to display. */
  major = gss_display_status(&ignored, major, GSS_C_GSS_CODE, GSS_C_NO_OID,
                             &context, &message);
  check(major == GSS_S_COMPLETE && message.length > 0,
        "display of the major status: %x", major);
  gss_release_buffer(&ignored, &message);
  release(&mn);
}

/* values_of reads every value of the attribute attr of name into out, one
 * line each, and returns the major status of the last call. */
static OM_uint32 values_of(gss_name_t name, gss_buffer_t attr, char* out,
                           size_t size, OM_uint32* minor) {
  OM_uint32 major = GSS_S_COMPLETE, ignored;
  int more = -1;
  out[0] = '\0';
  while (more != 0) {
    int authenticated = -1, complete = -1;
    gss_buffer_desc value = GSS_C_EMPTY_BUFFER, shown = GSS_C_EMPTY_BUFFER;
    major = gss_get_name_attribute(minor, name, attr, &authenticated, &complete,
                                   &value, &shown, &more);
    if (major != GSS_S_COMPLETE) break;
    check(authenticated == 0 && complete == 1,
          "an attribute value is authenticated %d, complete %d", authenticated,
          complete);
    check(shown.length == value.length &&
              memcmp(shown.value, value.value, value.length) == 0,
          "a printable value displays otherwise");
    snprintf(out + strlen(out), size - strlen(out), "%.*s;", (int)value.length,
             (const char*)value.value);
    gss_release_buffer(&ignored, &value);
    gss_release_buffer(&ignored, &shown);
  }
  return major;
}

/* What ordinary client code asks of a mechanism name: whether it is one,
 * of which mechanism, and its attributes, the database path and entries. */
static void check_name_attributes(void) {
  OM_uint32 minor = 0, major, ignored;
  gss_name_t mn = GSS_C_NO_NAME;
  gss_buffer_desc input = text("db/users\nalice\nbob");
  gss_buffer_set_t attrs = GSS_C_NO_BUFFER_SET;
  gss_OID mech = GSS_C_NO_OID;
  int is_mn = -1, listed, i;
  char values[256];

  major = canonical(&input, GSS_C_NO_OID, &mn, &minor);
  check(major == GSS_S_COMPLETE, "the name with entries: %x", major);
  if (mn == GSS_C_NO_NAME) return;
  major = gss_inquire_name(&minor, mn, &is_mn, &mech, &attrs);
  check(major == GSS_S_COMPLETE, "gss_inquire_name: %x minor %u (%s)", major,
        minor, minor_text(minor));
  check(is_mn == 1 && same_oid(mech, &orbi_mech),
        "gss_inquire_name: a mechanism name %d of the ORBI mechanism %d", is_mn,
        same_oid(mech, &orbi_mech));
  gss_release_oid(&ignored, &mech);
  /* Every attribute of the module's list, in its order: the path's and the
   * entries'. */
  listed = attrs != GSS_C_NO_BUFFER_SET && attrs->count == attribute_count;
  for (i = 0; listed && i < attribute_count; ++i) {
    listed = is_text(&attrs->elements[i], attribute_uris[i]);
  }
  check(listed, "gss_inquire_name: not the path's and the entries' URIs");
  if (listed) {
    gss_buffer_desc* path = &attrs->elements[attribute_Path];
    gss_buffer_desc* entries = &attrs->elements[attribute_Entries];
    major = values_of(mn, path, values, sizeof(values), &minor);
    check(major == GSS_S_COMPLETE && strcmp(values, "db/users;") == 0,
          "the path attribute: %x \"%s\"", major, values);
    major = values_of(mn, entries, values, sizeof(values), &minor);
    check(major == GSS_S_COMPLETE && strcmp(values, "alice;bob;") == 0,
          "the entries attribute: %x \"%s\"", major, values);
    major = gss_set_name_attribute(&minor, mn, 1, entries, &input);
    check(major == GSS_S_UNAUTHORIZED, "setting the entries: %x", major);
    major = gss_delete_name_attribute(&minor, mn, path);
    check(major == GSS_S_UNAUTHORIZED, "deleting the path: %x", major);
  }
  gss_release_buffer_set(&ignored, &attrs);
  release(&mn);

  /* A name without a database path has no attributes, and that is no
   * error. */
  input = text("\nalice");
  major = canonical(&input, GSS_C_NO_OID, &mn, &minor);
  if (mn != GSS_C_NO_NAME) {
    major = gss_inquire_name(&minor, mn, NULL, NULL, &attrs);
    check(major == GSS_S_COMPLETE &&
              (attrs == GSS_C_NO_BUFFER_SET || attrs->count == 0),
          "a name without a path: %x with attributes", major);
    gss_release_buffer_set(&ignored, &attrs);
  }
  release(&mn);
}

/* A name is kept exactly or refused: a byte behind a NUL is refused when
 * the glue hands the text to the module, with a minor status that says so. */
static void check_bytes_behind_nul(void) {
  OM_uint32 minor = 0, major;
  gss_name_t mn = GSS_C_NO_NAME;
  gss_buffer_desc input = bytes("ali\0ce", 6);
  major = canonical(&input, GSS_C_NO_OID, &mn, &minor);
  check(major == GSS_S_BAD_NAME && mn == GSS_C_NO_NAME,
        "\"ali\\0ce\" bound to ORBI: %x", major);
  check(strstr(minor_text(minor), "NAME_HAS_NUL") != NULL,
        "its refusal reads \"%s\"", minor_text(minor));
  release(&mn);
}

/* The OIDs the glue hands out may be released, even the name type of a
 * displayed name, which RFC 2744 says not to release: the module keeps its
 * own from being freed. */
static void check_release_oid(void) {
  OM_uint32 minor = 0, major, ignored;
  gss_name_t mn = GSS_C_NO_NAME;
  gss_buffer_desc input = text("alice"), shown = GSS_C_EMPTY_BUFFER;
  gss_OID type = GSS_C_NO_OID;
  major = canonical(&input, GSS_C_NO_OID, &mn, &minor);
  if (mn == GSS_C_NO_NAME) return;
  major = gss_display_name(&minor, mn, &shown, &type);
  gss_release_buffer(&ignored, &shown);
  check(major == GSS_S_COMPLETE, "display: %x", major);
  major = gss_release_oid(&minor, &type);
  check(major == GSS_S_COMPLETE && type == GSS_C_NO_OID,
        "release of the displayed name type: %x", major);
  /* The type is still there for the next name. */
  major = gss_display_name(&minor, mn, &shown, &type);
  check(major == GSS_S_COMPLETE && same_oid(type, &orbi_default_type),
        "the name type after its release: %x", major);
  gss_release_buffer(&ignored, &shown);
  release(&mn);
}

/* What the mechanism is, for callers that choose mechanisms by attribute
 * or by SASL name. */
static void check_mech_inquiries(void) {
  OM_uint32 minor = 0, major, ignored;
  gss_OID_set own = GSS_C_NO_OID_SET, known = GSS_C_NO_OID_SET,
              defaults = GSS_C_NO_OID_SET, except = GSS_C_NO_OID_SET;
  gss_buffer_desc sasl = GSS_C_EMPTY_BUFFER, name = GSS_C_EMPTY_BUFFER,
                  description = GSS_C_EMPTY_BUFFER;
  gss_OID found = GSS_C_NO_OID;
  int concrete = 0, not_default = 0, listed = 1;

  major = gss_inquire_attrs_for_mech(&minor, &orbi_mech, &own, &known);
  check(major == GSS_S_COMPLETE && own != GSS_C_NO_OID_SET &&
            known != GSS_C_NO_OID_SET,
        "gss_inquire_attrs_for_mech: %x", major);
  if (own != GSS_C_NO_OID_SET) {
    gss_test_oid_set_member(&ignored, (gss_OID)GSS_C_MA_MECH_CONCRETE, own,
                            &concrete);
    gss_test_oid_set_member(&ignored, (gss_OID)GSS_C_MA_NOT_DFLT_MECH, own,
                            &not_default);
  }
  check(concrete && not_default,
        "the mechanism is concrete %d and not a default mechanism %d", concrete,
        not_default);
  gss_release_oid_set(&ignored, &own);
  gss_release_oid_set(&ignored, &known);

  /* The mechanisms a default credential would use leave it out. */
  gss_create_empty_oid_set(&ignored, &except);
  gss_add_oid_set_member(&ignored, (gss_OID)GSS_C_MA_NOT_DFLT_MECH, &except);
  major = gss_indicate_mechs_by_attrs(&minor, GSS_C_NO_OID_SET, except,
                                      GSS_C_NO_OID_SET, &defaults);
  if (major == GSS_S_COMPLETE) {
    gss_test_oid_set_member(&ignored, &orbi_mech, defaults, &listed);
  }
  check(major == GSS_S_COMPLETE && !listed,
        "the ORBI mechanism is among the default mechanisms: %x", major);
  gss_release_oid_set(&ignored, &defaults);
  gss_release_oid_set(&ignored, &except);

  major = gss_inquire_saslname_for_mech(&minor, &orbi_mech, &sasl, &name,
                                        &description);
  check(major == GSS_S_COMPLETE && sasl.length == 15 &&
            memcmp(sasl.value, "GS2-", 4) == 0 && is_text(&name, "ORBI") &&
            description.length > 0,
        "gss_inquire_saslname_for_mech: %x \"%.*s\" \"%.*s\"", major,
        (int)sasl.length, (const char*)sasl.value, (int)name.length,
        (const char*)name.value);
  if (major == GSS_S_COMPLETE) {
    /* The glue finds the mechanism by that name, computing it itself. */
    major = gss_inquire_mech_for_saslname(&minor, &sasl, &found);
    check(major == GSS_S_COMPLETE && same_oid(found, &orbi_mech),
          "gss_inquire_mech_for_saslname of \"%.*s\": %x", (int)sasl.length,
          (const char*)sasl.value, major);
  }
  gss_release_buffer(&ignored, &sasl);
  gss_release_buffer(&ignored, &name);
  gss_release_buffer(&ignored, &description);
}

int main(void) {
  check_mechanism_listed();
  check_round_trip();
  check_names_for_mech();
  check_refused_types();
  check_refused_tokens();
  check_foreign_token();
  check_anonymous();
  check_status_texts();
  check_name_attributes();
  check_bytes_behind_nul();
  check_release_oid();
  check_mech_inquiries();
  if (failures != 0) {
    printf("mech_client: %d of %d checks failed\n", failures, checks);
    return 1;
  }
  printf("mech_client: %d checks passed\n", checks);
  return 0;
}
