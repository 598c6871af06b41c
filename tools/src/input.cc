#include "input.h"

#include <errno.h>
#include <string.h>

#include <memory>

#include "byte_text.h"

namespace orbi_tool {

bool ReadAll(FILE* in, size_t limit, std::vector<unsigned char>* bytes,
             bool* too_long) {
  unsigned char chunk[4096];
  size_t got;
  *too_long = false;
  while ((got = fread(chunk, 1, sizeof chunk, in)) > 0) {
    if (got > limit - bytes->size()) {
      *too_long = true;
      return true;
    }
    bytes->insert(bytes->end(), chunk, chunk + got);
  }
  return ferror(in) == 0;
}

bool ReadSource(const char* path, const char* what,
                std::vector<unsigned char>* bytes, std::string* error) {
  bytes->clear();
  const bool from_stdin = strcmp(path, "-") == 0;
  const std::string where =
      from_stdin ? std::string("standard input") : "'" + Escape(path) + "'";
  FILE* in = stdin;
  std::unique_ptr<FILE, int (*)(FILE*)> file(nullptr, &fclose);
  if (!from_stdin) {
    file.reset(fopen(path, "rb"));
    if (file == nullptr) {
      *error =
          std::string(what) + ": cannot open " + where + ": " + strerror(errno);
      return false;
    }
    in = file.get();
  }
  bool too_long = false;
  if (!ReadAll(in, kMaxInput, bytes, &too_long)) {
    *error = std::string(what) + ": cannot read " + where;
    return false;
  }
  if (too_long) {
    *error = std::string(what) + ": more than " + std::to_string(kMaxInput) +
             " bytes " + (from_stdin ? "on " : "in ") + where;
    return false;
  }
  return true;
}

}  // namespace orbi_tool
