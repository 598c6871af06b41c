// Identification data that the shared library exports.
//
// plvorbiname_SCCSInfo is a zero-terminated text of lines, each of the form
// "@(#)Key: value" and ending with a line feed, so that `what` and `strings`
// find them in the binary. The keys, in this order: FileDescription,
// FileVersion, InternalName, ProductVersion, BuildInfo. FileVersion and
// ProductVersion are the library's version, "MAJOR.MINOR.PATCH".
//
// plvorbiname_LegalNotice is a zero-terminated text: the copyright and licence
// notice of the library.
//
// Both are constant, live as long as the library is loaded, and may be read
// from any thread.
#ifndef ORBI_NAME_VERSION_H_
#define ORBI_NAME_VERSION_H_

#include "orbi_name/export.h"

extern "C" {
ORBI_NAME_EXPORT extern const char plvorbiname_SCCSInfo[];
ORBI_NAME_EXPORT extern const char plvorbiname_LegalNotice[];
}

#endif  // ORBI_NAME_VERSION_H_
