/* What the C clients that reach the ORBI mechanism through a glue share: the
 * failure count and check(), the mechanism's OIDs and the exported token of
 * "alice", the minor statuses' numbers, buffer and name helpers, and the
 * glue's text for a minor status.
 *
 * Each client includes it once, after its glue's <gssapi/gssapi.h> (MIT's
 * or Heimdal's), so it uses only the RFC 2744 C types and functions that
 * both glues declare. Every function here is static and every client uses
 * all of them. */
#ifndef ORBI_TESTS_MECH_CLIENT_SUPPORT_H_
#define ORBI_TESTS_MECH_CLIENT_SUPPORT_H_

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "orbi_build_oids.h"

static int failures;
static int checks;

/* check counts a check and, when ok is 0, prints "FAIL: " and the message. */
static void check(int ok, const char* format, ...) {
  va_list args;
  ++checks;
  if (ok) return;
  ++failures;
  printf("FAIL: ");
  va_start(args, format);
  vprintf(format, args);
  va_end(args);
  printf("\n");
}

/* The minor statuses, numbered by the lists the module is made from: the
 * library's statuses (orbi_name/status.def) as status_NAME, the module's own
 * codes (mech/minor_status.def) as minor_NAME. */
enum {
#define ORBI_NAME_STATUS(NAME, value, major_status, message) \
  status_##NAME = value,
#include "orbi_name/status.def"
#define ORBI_MINOR(NAME, value, major_status, message) minor_##NAME = value,
#include "mech/minor_status.def"
};

/* OIDs by value. The ORBI mechanism is the build's OID arc (by default
 * 1.3.6.1.4.1.32473, the enterprise number RFC 5612 sets aside for
 * documentation) with arc 1, its default name type arc 1.1
 * (orbi_build_oids.h). 1.2.840.113554.1.2.2.1 is the Kerberos V5 principal
 * name type (RFC 1964). */
static gss_OID_desc orbi_mech = {ORBI_MECH_OID_DER_LENGTH, ORBI_MECH_OID_DER};
static gss_OID_desc orbi_default_type = {ORBI_DEFAULT_NAME_TYPE_DER_LENGTH,
                                         ORBI_DEFAULT_NAME_TYPE_DER};
static gss_OID_desc krb5_principal_type = {
    10, "\x2a\x86\x48\x86\xf7\x12\x01\x02\x02\x01"};

/* The exported name token of "alice" (RFC 2743 section 3.2): 04 01, the
 * length of the DER-wrapped mechanism OID, that OID with tag 06 and its
 * length (short form: the mechanism OID is below 128 bytes), the name's
 * four-byte length, the name. */
enum {
  kMechLength = ORBI_MECH_OID_DER_LENGTH,
  kLastMechByte = 5 + kMechLength, /* offsets into alice_token */
  kNameLengthAt = 6 + kMechLength,
  kNameAt = 10 + kMechLength
};
static const unsigned char alice_token[] = {0x04,
                                            0x01,
                                            0x00,
                                            kMechLength + 2,
                                            0x06,
                                            kMechLength,
                                            ORBI_OID_ARC_BYTES,
                                            0x01,
                                            0x00,
                                            0x00,
                                            0x00,
                                            0x05,
                                            'a',
                                            'l',
                                            'i',
                                            'c',
                                            'e'};

static int same_oid(const gss_OID_desc* a, const gss_OID_desc* b) {
  return a != GSS_C_NO_OID && b != GSS_C_NO_OID && a->length == b->length &&
         memcmp(a->elements, b->elements, a->length) == 0;
}

/* bytes and text describe caller-owned bytes as a buffer, without copying. */
static gss_buffer_desc bytes(const void* data, size_t length) {
  gss_buffer_desc buffer;
  buffer.length = length;
  buffer.value = (void*)data;
  return buffer;
}

static gss_buffer_desc text(const char* s) { return bytes(s, strlen(s)); }

static int is_text(const gss_buffer_desc* buffer, const char* s) {
  return buffer->length == strlen(s) &&
         memcmp(buffer->value, s, buffer->length) == 0;
}

static int is_alice_token(const gss_buffer_desc* token) {
  return token->length == sizeof(alice_token) &&
         memcmp(token->value, alice_token, sizeof(alice_token)) == 0;
}

/* status_text returns the glue's text for a minor status of the mechanism in
 * a static buffer, and in *context the message context gss_display_status
 * leaves: 0 when the whole text came in one message. */
static const char* status_text(OM_uint32 minor, OM_uint32* context) {
  static char out[512];
  OM_uint32 major, ignored;
  gss_buffer_desc message = GSS_C_EMPTY_BUFFER;
  *context = 0;
  major = gss_display_status(&ignored, minor, GSS_C_MECH_CODE, &orbi_mech,
                             context, &message);
  if (GSS_ERROR(major)) {
    snprintf(out, sizeof(out), "(gss_display_status failed: %x)", major);
  } else {
    snprintf(out, sizeof(out), "%.*s", (int)message.length,
             (const char*)message.value);
  }
  gss_release_buffer(&ignored, &message);
  return out;
}

static void release(gss_name_t* name) {
  OM_uint32 minor;
  if (*name != GSS_C_NO_NAME) gss_release_name(&minor, name);
}

/* canonical imports input with type and binds it to the ORBI mechanism. A
 * name that failed to import goes to no further call (Heimdal's glue does
 * not take a null name), so a failed import ends here. */
static OM_uint32 canonical(const gss_buffer_desc* input, gss_OID type,
                           gss_name_t* out, OM_uint32* minor) {
  gss_name_t imported = GSS_C_NO_NAME;
  gss_buffer_desc copy = *input;
  OM_uint32 major = gss_import_name(minor, &copy, type, &imported);
  *out = GSS_C_NO_NAME;
  if (!GSS_ERROR(major)) {
    major = gss_canonicalize_name(minor, imported, &orbi_mech, out);
  }
  release(&imported);
  return major;
}

#endif /* ORBI_TESTS_MECH_CLIENT_SUPPORT_H_ */
