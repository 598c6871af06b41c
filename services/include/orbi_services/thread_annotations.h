// Clang's thread-safety annotations, for the lock service and the fields it
// guards. With clang and -Wthread-safety the compiler checks that a guarded
// field is used only while its lock is held; other compilers see nothing.
#ifndef ORBI_SERVICES_THREAD_ANNOTATIONS_H_
#define ORBI_SERVICES_THREAD_ANNOTATIONS_H_

#if defined(__clang__) && !defined(SWIG)
#define ORBI_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define ORBI_THREAD_ANNOTATION(x)
#endif

#define ORBI_CAPABILITY(name) ORBI_THREAD_ANNOTATION(capability(name))
#define ORBI_SCOPED_CAPABILITY ORBI_THREAD_ANNOTATION(scoped_lockable)
#define ORBI_GUARDED_BY(x) ORBI_THREAD_ANNOTATION(guarded_by(x))
#define ORBI_ACQUIRE(...) \
  ORBI_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define ORBI_RELEASE(...) \
  ORBI_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define ORBI_REQUIRES(...) \
  ORBI_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define ORBI_EXCLUDES(...) ORBI_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
#define ORBI_NO_THREAD_SAFETY_ANALYSIS \
  ORBI_THREAD_ANNOTATION(no_thread_safety_analysis)

#endif  // ORBI_SERVICES_THREAD_ANNOTATIONS_H_
