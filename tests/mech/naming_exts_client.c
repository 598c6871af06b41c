/* The naming extensions of RFC 6680 with ORBI names, the way MIT's own
 * t_namingexts exercises a mechanism: an application of its own, linked
 * with MIT krb5's libgssapi_krb5 alone, reaching the module only through
 * the unmodified glue (GSS_MECH_CONFIG names the build tree's orbi.conf).
 *
 * It imports a name and binds it to the mechanism, asks gss_inquire_name
 * for its attributes, reads every value of each with the `more` iteration,
 * exports the composite name token, imports it and the standard token
 * under GSS_C_NT_EXPORT_NAME (as t_namingexts imports the composite token
 * it exported) and under GSS_C_NT_COMPOSITE_EXPORT and compares the names,
 * their attributes and their values, checks that a composite token with an
 * attribute part is refused under both, then reads every entry of a name of
 * 10,000 entries, in order and from the last back to the first.
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

#define PATH_ATTR attribute_uris[attribute_Path]
#define ENTRIES_ATTR attribute_uris[attribute_Entries]

/* values_of reads every value of attr into out ("v1;v2;"), checking each
 * value's flags and display form on the way, and returns the last major
 * status; *count is the number of values read. */
static OM_uint32 values_of(gss_name_t name, const char* attr, char* out,
                           size_t size, size_t* count) {
  OM_uint32 major = GSS_S_COMPLETE, minor, ignored;
  gss_buffer_desc attr_buffer = text(attr);
  int more = -1;
  size_t used = 0;
  out[0] = '\0';
  *count = 0;
  while (more != 0) {
    int authenticated = -1, complete = -1;
    gss_buffer_desc value = GSS_C_EMPTY_BUFFER, shown = GSS_C_EMPTY_BUFFER;
    major = gss_get_name_attribute(&minor, name, &attr_buffer, &authenticated,
                                   &complete, &value, &shown, &more);
    if (major != GSS_S_COMPLETE) break;
    ++*count;
    if (authenticated != 0 || complete != 1 || shown.length != value.length ||
        memcmp(shown.value, value.value, value.length) != 0) {
      check(0, "%s value %zu: authenticated %d complete %d", attr, *count,
            authenticated, complete);
    }
    if (used < size) {
      used += (size_t)snprintf(out + used, size - used, "%.*s;",
                               (int)value.length, (const char*)value.value);
    }
    gss_release_buffer(&ignored, &value);
    gss_release_buffer(&ignored, &shown);
  }
  return major;
}

/* attributes_of writes the names gss_inquire_name lists into out
 * ("a1;a2;"). */
static OM_uint32 attributes_of(gss_name_t name, char* out, size_t size) {
  OM_uint32 minor, ignored, major;
  gss_buffer_set_t attrs = GSS_C_NO_BUFFER_SET;
  int is_mn = -1;
  gss_OID mech = GSS_C_NO_OID;
  size_t i, used = 0;
  out[0] = '\0';
  major = gss_inquire_name(&minor, name, &is_mn, &mech, &attrs);
  if (major != GSS_S_COMPLETE) return major;
  check(is_mn == 1 && same_oid(mech, &orbi_mech),
        "gss_inquire_name: a mechanism name %d of ORBI %d", is_mn,
        same_oid(mech, &orbi_mech));
  gss_release_oid(&ignored, &mech);
  for (i = 0; attrs != GSS_C_NO_BUFFER_SET && i < attrs->count; ++i) {
    if (used < size) {
      used += (size_t)snprintf(out + used, size - used, "%.*s;",
                               (int)attrs->elements[i].length,
                               (const char*)attrs->elements[i].value);
    }
  }
  gss_release_buffer_set(&ignored, &attrs);
  return major;
}

/* same_attributes checks that two names list the same attributes with the
 * same values. */
static void same_attributes(gss_name_t a, gss_name_t b, const char* what) {
  char attrs_a[256], attrs_b[256], values_a[256], values_b[256];
  size_t count;
  check(attributes_of(a, attrs_a, sizeof(attrs_a)) == GSS_S_COMPLETE &&
            attributes_of(b, attrs_b, sizeof(attrs_b)) == GSS_S_COMPLETE &&
            strcmp(attrs_a, attrs_b) == 0,
        "%s: attributes \"%s\" and \"%s\"", what, attrs_a, attrs_b);
  values_of(a, PATH_ATTR, values_a, sizeof(values_a), &count);
  values_of(b, PATH_ATTR, values_b, sizeof(values_b), &count);
  check(strcmp(values_a, values_b) == 0, "%s: paths \"%s\" and \"%s\"", what,
        values_a, values_b);
  values_of(a, ENTRIES_ATTR, values_a, sizeof(values_a), &count);
  values_of(b, ENTRIES_ATTR, values_b, sizeof(values_b), &count);
  check(strcmp(values_a, values_b) == 0, "%s: entries \"%s\" and \"%s\"", what,
        values_a, values_b);
}

static void check_naming_exts(void) {
  OM_uint32 minor, major, ignored;
  gss_name_t mn = GSS_C_NO_NAME, refused = GSS_C_NO_NAME;
  gss_buffer_desc input = text("db/users\nalice\nbob");
  gss_buffer_desc composite = GSS_C_EMPTY_BUFFER, plain = GSS_C_EMPTY_BUFFER;
  char listed[256], values[256], every[256];
  unsigned char* with_attributes = NULL;
  size_t count, t, k, used;
  /* The token types the glue hands a token on under. */
  const gss_OID token_types[] = {GSS_C_NT_EXPORT_NAME,
                                 GSS_C_NT_COMPOSITE_EXPORT};
  const char* type_names[] = {"GSS_C_NT_EXPORT_NAME",
                              "GSS_C_NT_COMPOSITE_EXPORT"};

  major = canonical(&input, GSS_C_NO_OID, &mn, &minor);
  check(major == GSS_S_COMPLETE, "import and canonicalize: %x", major);
  if (mn == GSS_C_NO_NAME) return;

  /* Every attribute of the module's list, in its order: the path's and the
   * entries'. */
  every[0] = '\0';
  for (k = 0, used = 0; k < attribute_count && used < sizeof(every); ++k) {
    used += (size_t)snprintf(every + used, sizeof(every) - used, "%s;",
                             attribute_uris[k]);
  }
  major = attributes_of(mn, listed, sizeof(listed));
  check(major == GSS_S_COMPLETE && strcmp(listed, every) == 0,
        "gss_inquire_name: %x \"%s\"", major, listed);
  major = values_of(mn, PATH_ATTR, values, sizeof(values), &count);
  check(major == GSS_S_COMPLETE && strcmp(values, "db/users;") == 0,
        "the path: %x \"%s\"", major, values);
  major = values_of(mn, ENTRIES_ATTR, values, sizeof(values), &count);
  check(major == GSS_S_COMPLETE && strcmp(values, "alice;bob;") == 0,
        "the entries: %x \"%s\"", major, values);

  /* The composite token: the standard token with 04 02 and an empty
   * attribute part behind the name. */
  major = gss_export_name(&minor, mn, &plain);
  check(major == GSS_S_COMPLETE, "gss_export_name: %x", major);
  major = gss_export_name_composite(&minor, mn, &composite);
  check(major == GSS_S_COMPLETE, "gss_export_name_composite: %x minor %u",
        major, minor);
  if (major != GSS_S_COMPLETE || plain.length < 2) goto done;
  check(composite.length == plain.length + 4 &&
            memcmp(composite.value, "\x04\x02", 2) == 0 &&
            memcmp((char*)composite.value + 2, (char*)plain.value + 2,
                   plain.length - 2) == 0 &&
            memcmp((char*)composite.value + plain.length, "\0\0\0\0", 4) == 0,
        "the composite token is not the standard one with 04 02 and A = 0");

  for (t = 0; t < 2; ++t) {
    for (k = 0; k < 2; ++k) {
      const gss_buffer_t token = k == 0 ? &composite : &plain;
      const char* kind = k == 0 ? "composite" : "standard";
      gss_name_t back = GSS_C_NO_NAME;
      int equal = -1;
      char what[96];
      major = gss_import_name(&minor, token, token_types[t], &back);
      check(major == GSS_S_COMPLETE, "import of the %s token under %s: %x (%s)",
            kind, type_names[t], major, status_text(minor, &ignored));
      if (back == GSS_C_NO_NAME) continue;
      major = gss_compare_name(&minor, mn, back, &equal);
      check(major == GSS_S_COMPLETE && equal == 1,
            "the %s token's name under %s compares: %x equal %d", kind,
            type_names[t], major, equal);
      snprintf(what, sizeof(what), "from the %s token under %s", kind,
               type_names[t]);
      same_attributes(mn, back, what);
      release(&back);
    }
  }

  /* An attribute part this name does not have: refused whole. */
  with_attributes = malloc(composite.length + 3);
  if (with_attributes != NULL) {
    gss_buffer_desc token = bytes(with_attributes, composite.length + 3);
    memcpy(with_attributes, composite.value, composite.length);
    with_attributes[composite.length - 1] = 3;
    memcpy(with_attributes + composite.length, "bob", 3);
    for (t = 0; t < 2; ++t) {
      major = gss_import_name(&minor, &token, token_types[t], &refused);
      check(major == GSS_S_DEFECTIVE_TOKEN && refused == GSS_C_NO_NAME &&
                strstr(status_text(minor, &ignored), "ATTRIBUTES_DISAGREE") !=
                    NULL,
            "a composite token with attributes under %s: %x (%s)",
            type_names[t], major, status_text(minor, &ignored));
      release(&refused);
    }
    free(with_attributes);
  }

done:
  release(&refused);
  release(&mn);
  gss_release_buffer(&ignored, &composite);
  gss_release_buffer(&ignored, &plain);
}

/* The tokens of "alice", byte for byte. */
static void check_alice_tokens(void) {
  OM_uint32 minor, major, ignored;
  gss_name_t mn = GSS_C_NO_NAME;
  gss_buffer_desc input = text("alice"), plain = GSS_C_EMPTY_BUFFER,
                  composite = GSS_C_EMPTY_BUFFER;
  unsigned char expected[sizeof(alice_token) + 4];
  memcpy(expected, alice_token, sizeof(alice_token));
  expected[1] = 0x02;
  memset(expected + sizeof(alice_token), 0, 4);
  major = canonical(&input, GSS_C_NO_OID, &mn, &minor);
  check(major == GSS_S_COMPLETE, "the name \"alice\": %x", major);
  if (mn == GSS_C_NO_NAME) return;
  {
    gss_buffer_desc shown = GSS_C_EMPTY_BUFFER;
    gss_OID type = GSS_C_NO_OID;
    major = gss_display_name(&minor, mn, &shown, &type);
    check(major == GSS_S_COMPLETE && is_text(&shown, "alice") &&
              same_oid(type, &orbi_default_type),
          "display of \"alice\": %x", major);
    gss_release_buffer(&ignored, &shown);
  }
  major = gss_export_name(&minor, mn, &plain);
  check(major == GSS_S_COMPLETE && is_alice_token(&plain),
        "the standard token of \"alice\": %x", major);
  major = gss_export_name_composite(&minor, mn, &composite);
  check(major == GSS_S_COMPLETE && composite.length == sizeof(expected) &&
            memcmp(composite.value, expected, sizeof(expected)) == 0,
        "the composite token of \"alice\": %x, %zu bytes", major,
        composite.length);
  gss_release_buffer(&ignored, &plain);
  gss_release_buffer(&ignored, &composite);
  release(&mn);
  /* A Kerberos principal is no ORBI name. */
  major = canonical(&input, &krb5_principal_type, &mn, &minor);
  check(major == GSS_S_BAD_NAMETYPE && mn == GSS_C_NO_NAME,
        "a Kerberos principal bound to ORBI: %x", major);
  release(&mn);
}

/* Every entry of a name of 10,000 entries, in order and backwards. */
static void check_many_entries(void) {
  enum { kEntries = 10000 };
  OM_uint32 minor, major = GSS_S_COMPLETE, ignored;
  gss_name_t mn = GSS_C_NO_NAME;
  gss_buffer_desc attr = text(ENTRIES_ATTR);
  char* name_text = malloc(16 * kEntries);
  size_t used = 0, read = 0, wrong = 0;
  int i, more = -1;
  if (name_text == NULL) return;
  used = (size_t)sprintf(name_text, "db");
  for (i = 0; i < kEntries; ++i) {
    used += (size_t)sprintf(name_text + used, "\ne%d", i);
  }
  {
    gss_buffer_desc input = bytes(name_text, used);
    major = canonical(&input, GSS_C_NO_OID, &mn, &minor);
  }
  check(major == GSS_S_COMPLETE, "the name of %d entries: %x", kEntries, major);
  while (mn != GSS_C_NO_NAME && more != 0) {
    char expected[16];
    gss_buffer_desc value = GSS_C_EMPTY_BUFFER;
    major = gss_get_name_attribute(&minor, mn, &attr, NULL, NULL, &value, NULL,
                                   &more);
    if (major != GSS_S_COMPLETE) break;
    snprintf(expected, sizeof(expected), "e%zu", read);
    if (!is_text(&value, expected)) ++wrong;
    ++read;
    gss_release_buffer(&ignored, &value);
  }
  check(major == GSS_S_COMPLETE && read == kEntries && wrong == 0,
        "%zu of %d entries read, %zu wrong: %x", read, kEntries, wrong, major);
  /* From the last back to the first: each `more` is the index of the entry
   * it designates (-1 the first) and is answered as readily as in order. */
  read = wrong = 0;
  for (i = kEntries - 1; mn != GSS_C_NO_NAME && i >= 0; --i) {
    char expected[16];
    gss_buffer_desc value = GSS_C_EMPTY_BUFFER;
    more = i == 0 ? -1 : i;
    major = gss_get_name_attribute(&minor, mn, &attr, NULL, NULL, &value, NULL,
                                   &more);
    if (major != GSS_S_COMPLETE) break;
    snprintf(expected, sizeof(expected), "e%d", i);
    if (!is_text(&value, expected) || more != (i + 1) % kEntries) ++wrong;
    ++read;
    gss_release_buffer(&ignored, &value);
  }
  check(major == GSS_S_COMPLETE && read == kEntries && wrong == 0,
        "backwards: %zu of %d entries read, %zu wrong: %x", read, kEntries,
        wrong, major);
  release(&mn);
  free(name_text);
}

int main(void) {
  check_alice_tokens();
  check_naming_exts();
  check_many_entries();
  if (failures != 0) {
    printf("naming_exts_client: %d of %d checks failed\n", failures, checks);
    return 1;
  }
  printf("naming_exts_client: %d checks passed\n", checks);
  return 0;
}
