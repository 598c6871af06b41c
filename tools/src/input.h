// Reading the whole of standard input or a file, with a bound on its size.
#ifndef ORBI_TOOL_INPUT_H_
#define ORBI_TOOL_INPUT_H_

#include <stddef.h>
#include <stdio.h>

#include <string>
#include <vector>

namespace orbi_tool {

// The most bytes read from standard input or a file: far more than any name
// or token a shell user handles, and a bound on memory for an endless input.
constexpr size_t kMaxInput = size_t{64} << 20;

// ReadAll appends what in holds, to its end, to bytes, at most limit bytes in
// all; too_long tells whether more were there. False on a read error.
[[nodiscard]] bool ReadAll(FILE* in, size_t limit,
                           std::vector<unsigned char>* bytes, bool* too_long);

// ReadSource reads the whole of path, or standard input for "-", at most
// kMaxInput bytes. what names the input in messages ("TEXT", "token"). On
// failure error says what went wrong.
[[nodiscard]] bool ReadSource(const char* path, const char* what,
                              std::vector<unsigned char>* bytes,
                              std::string* error);

}  // namespace orbi_tool

#endif  // ORBI_TOOL_INPUT_H_
