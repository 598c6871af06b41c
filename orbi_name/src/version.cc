#include "orbi_name/version.h"

// The library target defines ORBI_NAME_VERSION from the project version.
// Other builds of these sources (test and fuzz builds of the same code) carry
// no version of their own.
#ifndef ORBI_NAME_VERSION
#define ORBI_NAME_VERSION "0.0.0-unversioned"
#endif

#if defined(__clang__)
#define ORBI_NAME_COMPILER "clang " __clang_version__
#elif defined(__GNUC__)
#define ORBI_NAME_COMPILER "gcc " __VERSION__
#else
#define ORBI_NAME_COMPILER "unknown compiler"
#endif

#if defined(NDEBUG)
#define ORBI_NAME_ASSERTS "assertions off"
#else
#define ORBI_NAME_ASSERTS "assertions on"
#endif

// No date or host in the text: two builds of one tree give the same bytes.
extern "C" {

const char plvorbiname_SCCSInfo[] =
    "@(#)FileDescription: Name objects of the ORBI GSS-API mechanism\n"
    "@(#)FileVersion: " ORBI_NAME_VERSION
    "\n"
    "@(#)InternalName: liborbi_name\n"
    "@(#)ProductVersion: " ORBI_NAME_VERSION
    "\n"
    "@(#)BuildInfo: " ORBI_NAME_COMPILER ", C++17, " ORBI_NAME_ASSERTS "\n";

const char plvorbiname_LegalNotice[] =
    "Copyright (c) 2026 The orbi_name authors. Released under the MIT "
    "License; see the LICENSE file of the source distribution.";

}  // extern "C"
