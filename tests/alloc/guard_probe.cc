// A shared object that allocates where the seam cannot see: strdup in the C
// library and std::string's out-of-line members in libstdc++. The imports
// guard must find both.
#include <string.h>

#include <string>

__attribute__((visibility("default"))) char* GuardProbeCopy(const char* text) {
  return strdup(text);
}

__attribute__((visibility("default"))) size_t GuardProbeGrow(const char* text) {
  std::string s(text);
  s.append(text);
  return s.size();
}
