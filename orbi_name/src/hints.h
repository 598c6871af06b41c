// Code-placement hints for the hot paths.
//
// ORBI_COLD marks a function that runs only on a rare path (an error, an
// uncommon name type): the compiler keeps it out of line and out of the way,
// so the common path that calls it keeps its registers and its straight run
// of instructions.
#ifndef ORBI_NAME_SRC_HINTS_H_
#define ORBI_NAME_SRC_HINTS_H_

// ORBI_NOINLINE keeps a function out of line (where inlining it would make
// its callers keep more values across the call) without moving it away.
//
// ORBI_ALWAYS_INLINE marks a small helper that a hot path needs inline even
// where it has a second, cold caller; ORBI_LAMBDA_ALWAYS_INLINE does the
// same for a lambda (it stands after the parameter list).
#if defined(__GNUC__) || defined(__clang__)
#define ORBI_COLD __attribute__((cold, noinline))
#define ORBI_NOINLINE __attribute__((noinline))
#define ORBI_ALWAYS_INLINE inline __attribute__((always_inline))
#define ORBI_LAMBDA_ALWAYS_INLINE __attribute__((always_inline))
#else
#define ORBI_COLD
#define ORBI_NOINLINE
#define ORBI_ALWAYS_INLINE inline
#define ORBI_LAMBDA_ALWAYS_INLINE
#endif

#endif  // ORBI_NAME_SRC_HINTS_H_
