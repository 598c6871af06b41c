// ORBI_NAME_EXPORT marks the declarations that the shared library makes
// visible; everything else in it is hidden.
#ifndef ORBI_NAME_EXPORT_H_
#define ORBI_NAME_EXPORT_H_

#if defined(_WIN32)
#if defined(ORBI_NAME_BUILDING_LIBRARY)
#define ORBI_NAME_EXPORT __declspec(dllexport)
#else
#define ORBI_NAME_EXPORT __declspec(dllimport)
#endif
#else
#define ORBI_NAME_EXPORT __attribute__((visibility("default")))
#endif

// ORBI_NAME_LOCAL keeps a member of an exported class out of the library's
// interface: private helpers are not part of it.
#if defined(_WIN32)
#define ORBI_NAME_LOCAL
#else
#define ORBI_NAME_LOCAL __attribute__((visibility("hidden")))
#endif

#endif  // ORBI_NAME_EXPORT_H_
