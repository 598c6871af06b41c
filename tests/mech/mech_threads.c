/* Drives the ORBI mechanism through MIT krb5's glue from several threads at
 * once, as an application of its own would (only <gssapi/gssapi.h> and
 * libgssapi_krb5): each thread makes, displays, exports, re-imports,
 * compares and releases names of its own, and all of them display, export,
 * duplicate, compare and read the attributes of one shared name, and
 * release the name types the glue hands out, while refusals put minor
 * statuses through the glue's shared status map.
 *
 *   mech_threads [ROUNDS]     (default 200 rounds in each of 8 threads)
 *
 * Prints one line per failed check and exits 1 when any failed. Run under
 * ThreadSanitizer (the tsan preset instruments this program and the
 * module) or helgrind, it also shows the races it meets. */
#include <gssapi/gssapi.h>
#include <gssapi/gssapi_ext.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "orbi_build_oids.h"

enum { kThreads = 8 };

/* The ORBI mechanism, arc 1 of the build's OID arc (orbi_build_oids.h). */
static gss_OID_desc orbi_mech = {ORBI_MECH_OID_DER_LENGTH, ORBI_MECH_OID_DER};

static gss_name_t shared_name = GSS_C_NO_NAME;
static gss_buffer_desc shared_token = GSS_C_EMPTY_BUFFER;
static int rounds = 200;

struct worker {
  pthread_t thread;
  int index;
  int failures;
};

static void fail(struct worker* w, const char* what, int round, OM_uint32 major,
                 OM_uint32 minor) {
  if (w->failures++ < 5) {
    printf("FAIL: thread %d round %d: %s (major %x minor %u)\n", w->index,
           round, what, major, minor);
  }
}

/* expected_token writes the exported name token of text into out (RFC 2743
 * section 3.2, with the mechanism OID DER-wrapped) and returns its size. */
static size_t expected_token(const char* text, unsigned char* out) {
  /* The mechanism OID is below 128 bytes: its DER length is one byte. */
  static const unsigned char head[] = {0x04,
                                       0x01,
                                       0x00,
                                       ORBI_MECH_OID_DER_LENGTH + 2,
                                       0x06,
                                       ORBI_MECH_OID_DER_LENGTH,
                                       ORBI_OID_ARC_BYTES,
                                       0x01};
  const size_t h = sizeof(head);
  size_t n = strlen(text);
  memcpy(out, head, h);
  out[h] = (unsigned char)(n >> 24);
  out[h + 1] = (unsigned char)(n >> 16);
  out[h + 2] = (unsigned char)(n >> 8);
  out[h + 3] = (unsigned char)n;
  memcpy(out + h + 4, text, n);
  return h + 4 + n;
}

static OM_uint32 make_name(const char* text, gss_OID type, gss_name_t* out,
                           OM_uint32* minor) {
  gss_buffer_desc input;
  gss_name_t plain = GSS_C_NO_NAME;
  OM_uint32 major, ignored;
  input.length = strlen(text);
  input.value = (void*)text;
  *out = GSS_C_NO_NAME;
  major = gss_import_name(minor, &input, type, &plain);
  if (!GSS_ERROR(major)) {
    major = gss_canonicalize_name(minor, plain, &orbi_mech, out);
  }
  gss_release_name(&ignored, &plain);
  return major;
}

static int same_buffer(const gss_buffer_desc* b, const void* data,
                       size_t length) {
  return b->length == length && memcmp(b->value, data, length) == 0;
}

static void one_round(struct worker* w, int round) {
  OM_uint32 major, minor = 0, ignored, context = 0;
  char text[32];
  unsigned char expected[128];
  size_t expected_size;
  gss_name_t mine = GSS_C_NO_NAME, back = GSS_C_NO_NAME, copy = GSS_C_NO_NAME,
             refused = GSS_C_NO_NAME;
  gss_buffer_desc shown = GSS_C_EMPTY_BUFFER, token = GSS_C_EMPTY_BUFFER,
                  message = GSS_C_EMPTY_BUFFER;
  gss_OID_set types = GSS_C_NO_OID_SET;
  gss_buffer_set_t attrs = GSS_C_NO_BUFFER_SET;
  gss_OID type = GSS_C_NO_OID;
  int equal = -1;

  snprintf(text, sizeof(text), "user%d-%d", w->index, round);
  expected_size = expected_token(text, expected);

  major = make_name(text, GSS_C_NO_OID, &mine, &minor);
  if (major != GSS_S_COMPLETE) {
    fail(w, "import and canonicalize", round, major, minor);
    goto done;
  }
  major = gss_display_name(&minor, mine, &shown, NULL);
  if (major != GSS_S_COMPLETE || !same_buffer(&shown, text, strlen(text))) {
    fail(w, "display", round, major, minor);
  }
  gss_release_buffer(&ignored, &shown);
  major = gss_export_name(&minor, mine, &token);
  if (major != GSS_S_COMPLETE ||
      !same_buffer(&token, expected, expected_size)) {
    fail(w, "export", round, major, minor);
  }
  major = gss_import_name(&minor, &token, GSS_C_NT_EXPORT_NAME, &back);
  if (major != GSS_S_COMPLETE) fail(w, "import token", round, major, minor);
  major = gss_compare_name(&minor, mine, back, &equal);
  if (major != GSS_S_COMPLETE || equal != 1) {
    fail(w, "compare with own token", round, major, minor);
  }
  gss_release_buffer(&ignored, &token);

  /* The shared name, used by every thread. */
  major = gss_compare_name(&minor, mine, shared_name, &equal);
  if (major != GSS_S_COMPLETE || equal != 0) {
    fail(w, "compare with shared", round, major, minor);
  }
  major = gss_duplicate_name(&minor, shared_name, &copy);
  if (major != GSS_S_COMPLETE) fail(w, "duplicate shared", round, major, minor);
  major = gss_compare_name(&minor, copy, shared_name, &equal);
  if (major != GSS_S_COMPLETE || equal != 1) {
    fail(w, "compare duplicate", round, major, minor);
  }
  major = gss_export_name(&minor, shared_name, &token);
  if (major != GSS_S_COMPLETE ||
      !same_buffer(&token, shared_token.value, shared_token.length)) {
    fail(w, "export shared", round, major, minor);
  }
  gss_release_buffer(&ignored, &token);
  major = gss_display_name(&minor, shared_name, &shown, &type);
  if (major != GSS_S_COMPLETE || !same_buffer(&shown, "shared", 6)) {
    fail(w, "display shared", round, major, minor);
  }
  gss_release_buffer(&ignored, &shown);
  /* The module keeps the type it handed out from being freed. */
  major = gss_release_oid(&minor, &type);
  if (major != GSS_S_COMPLETE) fail(w, "release the type", round, major, minor);
  /* The shared name's one attribute, its database path. */
  major = gss_inquire_name(&minor, shared_name, NULL, NULL, &attrs);
  if (major != GSS_S_COMPLETE || attrs == GSS_C_NO_BUFFER_SET ||
      attrs->count != 1) {
    fail(w, "inquire shared", round, major, minor);
  } else {
    int more = -1;
    major = gss_get_name_attribute(&minor, shared_name, &attrs->elements[0],
                                   NULL, NULL, &shown, NULL, &more);
    if (major != GSS_S_COMPLETE || !same_buffer(&shown, "shared", 6) ||
        more != 0) {
      fail(w, "read the shared path", round, major, minor);
    }
    gss_release_buffer(&ignored, &shown);
  }
  gss_release_buffer_set(&ignored, &attrs);

  major = gss_inquire_names_for_mech(&minor, &orbi_mech, &types);
  if (major != GSS_S_COMPLETE || types == GSS_C_NO_OID_SET ||
      types->count != 3) {
    fail(w, "names for mech", round, major, minor);
  }
  gss_release_oid_set(&ignored, &types);

  /* A refusal: its minor status goes through the glue's status map and
   * back to the module for its text. */
  major = make_name(text, GSS_C_NT_USER_NAME, &refused, &minor);
  if (major != GSS_S_BAD_NAMETYPE) fail(w, "refusal", round, major, minor);
  major = gss_display_status(&ignored, minor, GSS_C_MECH_CODE, &orbi_mech,
                             &context, &message);
  if (major != GSS_S_COMPLETE || message.length == 0 ||
      strstr((const char*)message.value, "ORBI") == NULL) {
    fail(w, "status text", round, major, minor);
  }
  gss_release_buffer(&ignored, &message);

done:
  gss_release_name(&ignored, &refused);
  gss_release_name(&ignored, &copy);
  gss_release_name(&ignored, &back);
  gss_release_name(&ignored, &mine);
}

static void* run(void* arg) {
  struct worker* w = (struct worker*)arg;
  int round;
  for (round = 0; round < rounds; ++round) one_round(w, round);
  return NULL;
}

int main(int argc, char** argv) {
  struct worker workers[kThreads];
  OM_uint32 major, minor;
  int i, failures = 0;
  if (argc > 1) rounds = atoi(argv[1]);
  if (rounds <= 0) {
    fprintf(stderr, "usage: mech_threads [ROUNDS]\n");
    return 2;
  }
  major = make_name("shared", GSS_C_NO_OID, &shared_name, &minor);
  if (major == GSS_S_COMPLETE) {
    major = gss_export_name(&minor, shared_name, &shared_token);
  }
  if (major != GSS_S_COMPLETE) {
    printf(
        "FAIL: the shared name: major %x minor %u (is GSS_MECH_CONFIG "
        "set?)\n",
        major, minor);
    return 1;
  }
  for (i = 0; i < kThreads; ++i) {
    workers[i].index = i;
    workers[i].failures = 0;
    if (pthread_create(&workers[i].thread, NULL, run, &workers[i]) != 0) {
      printf("FAIL: pthread_create\n");
      return 1;
    }
  }
  for (i = 0; i < kThreads; ++i) {
    pthread_join(workers[i].thread, NULL);
    failures += workers[i].failures;
  }
  gss_release_buffer(&minor, &shared_token);
  gss_release_name(&minor, &shared_name);
  if (failures != 0) {
    printf("mech_threads: %d failures\n", failures);
    return 1;
  }
  printf("mech_threads: %d threads x %d rounds passed\n", kThreads, rounds);
  return 0;
}
