/* What a program that lists the machine's mechanisms does, the way MIT's
 * own t_saslname walks them: for every mechanism the glue indicates, its
 * attributes (each displayed), its name types and its SASL names, and the
 * mechanism found again by its SASL name, releasing everything. Written
 * against <gssapi/gssapi.h> alone and linked with libgssapi_krb5 alone.
 *
 * No mechanism may make it crash; the ORBI mechanism (whose OID is the
 * argument, in dotted form) must be listed, concrete and never a default
 * mechanism. Prints one line per mechanism and "FAIL: ..." per failed check;
 * exits 1 when any failed.
 *
 *   mech_enumerate OID */
#include <gssapi/gssapi.h>
#include <gssapi/gssapi_ext.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int failures;

static void fail(const char* what, const char* mech, OM_uint32 major) {
  ++failures;
  printf("FAIL: %s: %s (major %x)\n", mech, what, major);
}

/* dotted writes the dotted form of oid into out. */
static void dotted(const gss_OID_desc* oid, char* out, size_t size) {
  OM_uint32 minor;
  gss_buffer_desc text = GSS_C_EMPTY_BUFFER;
  snprintf(out, size, "?");
  if (GSS_ERROR(gss_oid_to_str(&minor, (gss_OID)oid, &text))) return;
  /* "{ 1 2 840 ... }" */
  snprintf(out, size, "%.*s", (int)text.length, (const char*)text.value);
  gss_release_buffer(&minor, &text);
  {
    char* w = out;
    const char* r = out;
    int first = 1;
    for (; *r != '\0'; ++r) {
      if (*r >= '0' && *r <= '9') {
        if (!first && (r == out || r[-1] == ' ')) *w++ = '.';
        *w++ = *r;
        first = 0;
      }
    }
    *w = '\0';
  }
}

static int in_set(gss_const_OID oid, gss_OID_set set) {
  OM_uint32 minor;
  int present = 0;
  if (set == GSS_C_NO_OID_SET) return 0;
  gss_test_oid_set_member(&minor, (gss_OID)oid, set, &present);
  return present;
}

/* Walks one mechanism; for ORBI also checks what it must say. */
static void walk(const gss_OID_desc* mech, int is_orbi) {
  OM_uint32 major, minor;
  gss_OID_set attrs = GSS_C_NO_OID_SET, known = GSS_C_NO_OID_SET,
              types = GSS_C_NO_OID_SET;
  gss_buffer_desc sasl = GSS_C_EMPTY_BUFFER, name = GSS_C_EMPTY_BUFFER,
                  description = GSS_C_EMPTY_BUFFER;
  gss_OID found = GSS_C_NO_OID;
  char text[256];
  size_t i;

  dotted(mech, text, sizeof(text));
  major = gss_inquire_attrs_for_mech(&minor, mech, &attrs, &known);
  if (GSS_ERROR(major)) {
    fail("gss_inquire_attrs_for_mech", text, major);
  } else if (attrs == GSS_C_NO_OID_SET || known == GSS_C_NO_OID_SET) {
    fail("gss_inquire_attrs_for_mech gave no sets", text, major);
  } else {
    printf("%s: %zu attributes of %zu known:", text, attrs->count,
           known->count);
    for (i = 0; i < attrs->count; ++i) {
      gss_buffer_desc attr_name = GSS_C_EMPTY_BUFFER, short_desc, long_desc;
      short_desc = long_desc = attr_name;
      major = gss_display_mech_attr(&minor, &attrs->elements[i], &attr_name,
                                    &short_desc, &long_desc);
      if (GSS_ERROR(major)) {
        fail("gss_display_mech_attr", text, major);
      } else {
        printf(" %.*s", (int)attr_name.length, (const char*)attr_name.value);
      }
      gss_release_buffer(&minor, &attr_name);
      gss_release_buffer(&minor, &short_desc);
      gss_release_buffer(&minor, &long_desc);
    }
    printf("\n");
    if (is_orbi && (!in_set(GSS_C_MA_MECH_CONCRETE, attrs) ||
                    !in_set(GSS_C_MA_NOT_DFLT_MECH, attrs))) {
      fail("not concrete and not-default", text, major);
    }
  }
  gss_release_oid_set(&minor, &attrs);
  gss_release_oid_set(&minor, &known);

  major = gss_inquire_names_for_mech(&minor, (gss_OID)mech, &types);
  if (GSS_ERROR(major) && is_orbi)
    fail("gss_inquire_names_for_mech", text, major);
  if (!GSS_ERROR(major)) {
    printf("%s: %zu name types\n", text, types->count);
  }
  gss_release_oid_set(&minor, &types);

  major = gss_inquire_saslname_for_mech(&minor, (gss_OID)mech, &sasl, &name,
                                        &description);
  if (GSS_ERROR(major)) {
    fail("gss_inquire_saslname_for_mech", text, major);
  } else {
    printf("%s: SASL name %.*s, \"%.*s\": %.*s\n", text, (int)sasl.length,
           (const char*)sasl.value, (int)name.length, (const char*)name.value,
           (int)description.length, (const char*)description.value);
    if (is_orbi && (name.length != 4 || memcmp(name.value, "ORBI", 4) != 0)) {
      fail("the mechanism's name is not ORBI", text, major);
    }
    major = gss_inquire_mech_for_saslname(&minor, &sasl, &found);
    if (GSS_ERROR(major) || found == GSS_C_NO_OID ||
        found->length != mech->length ||
        memcmp(found->elements, mech->elements, mech->length) != 0) {
      if (is_orbi) fail("not found again by its SASL name", text, major);
    }
  }
  gss_release_buffer(&minor, &sasl);
  gss_release_buffer(&minor, &name);
  gss_release_buffer(&minor, &description);
}

int main(int argc, char** argv) {
  OM_uint32 major, minor;
  gss_OID_set mechs = GSS_C_NO_OID_SET, except = GSS_C_NO_OID_SET,
              defaults = GSS_C_NO_OID_SET;
  int orbi_listed = 0;
  size_t i;
  if (argc != 2) {
    fprintf(stderr, "usage: mech_enumerate OID\n");
    return 2;
  }
  major = gss_indicate_mechs(&minor, &mechs);
  if (GSS_ERROR(major)) {
    fail("gss_indicate_mechs", "-", major);
    return 1;
  }
  for (i = 0; i < mechs->count; ++i) {
    char text[256];
    int is_orbi;
    dotted(&mechs->elements[i], text, sizeof(text));
    is_orbi = strcmp(text, argv[1]) == 0;
    orbi_listed |= is_orbi;
    walk(&mechs->elements[i], is_orbi);
  }
  if (!orbi_listed) fail("not listed by gss_indicate_mechs", argv[1], 0);

  /* The mechanisms a default credential or SPNEGO would consider. */
  gss_create_empty_oid_set(&minor, &except);
  gss_add_oid_set_member(&minor, (gss_OID)GSS_C_MA_NOT_DFLT_MECH, &except);
  major = gss_indicate_mechs_by_attrs(&minor, GSS_C_NO_OID_SET, except,
                                      GSS_C_NO_OID_SET, &defaults);
  if (GSS_ERROR(major)) {
    fail("gss_indicate_mechs_by_attrs", "-", major);
  } else {
    for (i = 0; i < defaults->count; ++i) {
      char text[256];
      dotted(&defaults->elements[i], text, sizeof(text));
      printf("default mechanism: %s\n", text);
      if (strcmp(text, argv[1]) == 0) fail("a default mechanism", text, 0);
    }
  }
  gss_release_oid_set(&minor, &defaults);
  gss_release_oid_set(&minor, &except);
  gss_release_oid_set(&minor, &mechs);
  if (failures != 0) {
    printf("mech_enumerate: %d checks failed\n", failures);
    return 1;
  }
  printf("mech_enumerate: ok\n");
  return 0;
}
