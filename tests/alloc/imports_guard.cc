// The allocation-failure suites see only malloc, calloc, realloc and operator
// new. A C library function that allocates on the library's behalf (strdup
// and its kin) or an out-of-line libstdc++ member that allocates (std::string
// growth is instantiated in libstdc++, not in the library) would slip past
// the seam, so the real shared objects must not import any of them.
#include <stdio.h>

#include <set>
#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace {

// The undefined dynamic symbols of a shared object, without version suffixes.
std::vector<std::string> ImportedSymbols(const std::string& library) {
  const std::string command =
      std::string("'") + ORBI_NM + "' -D --undefined-only --format=posix '" +
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
    "strdup",         "strndup",      "__strdup",      "__strndup",
    "wcsdup",         "asprintf",     "vasprintf",     "__asprintf",
    "__asprintf_chk", "__vasprintf_chk", "aligned_alloc", "posix_memalign",
    "memalign",       "valloc",       "pvalloc",       "reallocarray",
    "getline",        "getdelim",     "__getdelim",    "open_memstream",
    "open_wmemstream", "fmemopen",    "realpath",      "canonicalize_file_name",
    "tempnam",        "get_current_dir_name", "scandir", "glob",
    "regcomp",        "getaddrinfo",  "tsearch",       "hcreate",
    "setvbuf",        "fopen",        "fdopen",
    "_ZnwmSt11align_val_t", "_ZnamSt11align_val_t",
};

// Out-of-line libstdc++ code that allocates: std::string and the streams.
const char* const kAllocatingPrefixes[] = {
    "_ZNSt7__cxx1112basic_string", "_ZNSs", "_ZNSt7__cxx1119basic_ostringstream",
    "_ZNSt7__cxx1118basic_stringstream", "_ZNSt7__cxx1115basic_stringbuf",
    "_ZNSo", "_ZNSi", "_ZSt16__ostream_insert",
};

void ExpectNoHiddenAllocation(const std::string& library) {
  const std::vector<std::string> symbols = ImportedSymbols(library);
  ASSERT_FALSE(symbols.empty()) << library << " imports nothing?";
  for (const std::string& symbol : symbols) {
    EXPECT_EQ(kAllocatingFunctions.count(symbol), 0u)
        << library << " imports " << symbol;
    for (const char* prefix : kAllocatingPrefixes) {
      EXPECT_NE(symbol.rfind(prefix, 0), 0u)
          << library << " imports " << symbol;
    }
  }
}

TEST(AllocImports, NameLibraryAllocatesOnlyThroughTheSeam) {
  ExpectNoHiddenAllocation(ORBI_NAME_LIBRARY);
}

TEST(AllocImports, ServicesAllocateOnlyThroughTheSeam) {
  ExpectNoHiddenAllocation(ORBI_SERVICES_LIBRARY);
}

TEST(AllocImports, TheGuardSeesImports) {
  // A guard that reads nothing would pass everything: both libraries import
  // the allocator by name.
  for (const char* library : {ORBI_NAME_LIBRARY, ORBI_SERVICES_LIBRARY}) {
    SCOPED_TRACE(library);
    const std::vector<std::string> symbols = ImportedSymbols(library);
    const std::set<std::string> imported(symbols.begin(), symbols.end());
    EXPECT_TRUE(imported.count("malloc") != 0 || imported.count("_Znwm") != 0 ||
                imported.count("_ZnwmRKSt9nothrow_t") != 0);
  }
}

}  // namespace
