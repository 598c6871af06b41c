/* The ORBI mechanism's name attributes as the clients through MIT's glue
 * name them, made from the module's list (mech/name_attributes.def): the
 * index of each row (attribute_Path, attribute_Entries, ...), their number
 * attribute_count, and each row's URI under the mechanism's OID in
 * attribute_uris, in the order gss_inquire_name lists them. */
#ifndef ORBI_TESTS_MECH_CLIENT_ATTRIBUTES_H_
#define ORBI_TESTS_MECH_CLIENT_ATTRIBUTES_H_

#include "orbi_build_oids.h"

enum {
#define ORBI_ATTRIBUTE(Name, suffix, values) attribute_##Name,
#include "mech/name_attributes.def"
  attribute_count
};

static const char* const attribute_uris[attribute_count] = {
#define ORBI_ATTRIBUTE(Name, suffix, values) \
  "urn:oid:" ORBI_MECH_OID_TEXT suffix,
#include "mech/name_attributes.def"
};

#endif /* ORBI_TESTS_MECH_CLIENT_ATTRIBUTES_H_ */
