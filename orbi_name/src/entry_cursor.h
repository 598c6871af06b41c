// The two fixed values of the entry cursor of Read (orbi_name/internal_name.h):
// every other value is a position that Read makes.
#ifndef ORBI_NAME_SRC_ENTRY_CURSOR_H_
#define ORBI_NAME_SRC_ENTRY_CURSOR_H_

namespace orbi_name {
namespace internal {

inline constexpr unsigned long kCursorNotBegun = 0;  // no entry read yet
inline constexpr unsigned long kCursorEnd = ~0ul;    // no entries left

}  // namespace internal
}  // namespace orbi_name

#endif  // ORBI_NAME_SRC_ENTRY_CURSOR_H_
