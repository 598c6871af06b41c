// The allocation-failure suites see only malloc, calloc, realloc and operator
// new. A C library function that allocates on the library's behalf (strdup
// and its kin) or an out-of-line libstdc++ member that allocates (std::string
// growth is instantiated in libstdc++, not in the library) would slip past
// the seam, so the real shared objects must not import any of them.
#include <stdio.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace {

// The undefined dynamic symbols of a shared object, without version suffixes.
std::vector<std::string> ImportedSymbols(const std::string& library) {
  const std::string command = std::string("'") + ORBI_NM +
                              "' -D --undefined-only --format=posix '" +
                              library + "'";
  std::vector<std::string> symbols;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    ADD_FAILURE() << "cannot run " << command;
    return symbols;
  }
  char line[4096];
  while (fgets(line, sizeof line, pipe) != nullptr) {
    std::string symbol(line);
    symbol = symbol.substr(0, symbol.find(' '));
    symbol = symbol.substr(0, symbol.find('@'));
    if (!symbol.empty()) symbols.push_back(symbol);
  }
  EXPECT_EQ(pclose(pipe), 0) << command;
  return symbols;
}

// C functions that return or grow a heap block from inside the C library.
const std::set<std::string> kAllocatingFunctions = {
    "strdup",
    "strndup",
    "__strdup",
    "__strndup",
    "wcsdup",
    "asprintf",
    "vasprintf",
    "__asprintf",
    "__asprintf_chk",
    "__vasprintf_chk",
    "aligned_alloc",
    "posix_memalign",
    "memalign",
    "valloc",
    "pvalloc",
    "reallocarray",
    "getline",
    "getdelim",
    "__getdelim",
    "open_memstream",
    "open_wmemstream",
    "fmemopen",
    "realpath",
    "canonicalize_file_name",
    "tempnam",
    "get_current_dir_name",
    "scandir",
    "glob",
    "regcomp",
    "getaddrinfo",
    "tsearch",
    "hcreate",
    "setvbuf",
    "fopen",
    "fdopen",
    "_ZnwmSt11align_val_t",
    "_ZnamSt11align_val_t",
};

// Out-of-line libstdc++ code that allocates: std::string and the streams.
const char* const kAllocatingPrefixes[] = {
    "_ZNSt7__cxx1112basic_string",
    "_ZNSs",
    "_ZNSt7__cxx1119basic_ostringstream",
    "_ZNSt7__cxx1118basic_stringstream",
    "_ZNSt7__cxx1115basic_stringbuf",
    "_ZNSo",
    "_ZNSi",
    "_ZSt16__ostream_insert",
};

// The imports of library that allocate where the seam cannot see.
std::vector<std::string> HiddenAllocations(const std::string& library) {
  const std::vector<std::string> symbols = ImportedSymbols(library);
  EXPECT_FALSE(symbols.empty()) << library << " imports nothing?";
  std::vector<std::string> hidden;
  for (const std::string& symbol : symbols) {
    bool allocating = kAllocatingFunctions.count(symbol) != 0;
    for (const char* prefix : kAllocatingPrefixes) {
      allocating = allocating || symbol.rfind(prefix, 0) == 0;
    }
    if (allocating) hidden.push_back(symbol);
  }
  return hidden;
}

TEST(AllocImports, NameLibraryAllocatesOnlyThroughTheSeam) {
  EXPECT_EQ(HiddenAllocations(ORBI_NAME_LIBRARY), std::vector<std::string>{});
}

TEST(AllocImports, ServicesAllocateOnlyThroughTheSeam) {
  EXPECT_EQ(HiddenAllocations(ORBI_SERVICES_LIBRARY),
            std::vector<std::string>{});
}

TEST(AllocImports, TheGuardFindsAHiddenAllocation) {
  // A small shared object built for this test that calls strdup and
  // std::string: a guard that read nothing would pass everything.
  const std::vector<std::string> hidden = HiddenAllocations(ORBI_GUARD_PROBE);
  EXPECT_NE(std::find(hidden.begin(), hidden.end(), "strdup"), hidden.end());
  EXPECT_NE(std::find_if(hidden.begin(), hidden.end(),
                         [](const std::string& s) {
                           return s.rfind("_ZNSt7__cxx1112basic_string", 0) ==
                                  0;
                         }),
            hidden.end());
}

}  // namespace
