// The database path and entries of a name's text: GetDatabasePath and the
// three Read forms with their entry cursor.
//
// The text is the bytes of nameValue up to the first NUL, and never more than
// nameLength bytes (the record keeps a NUL at an index <= nameLength, so both
// bounds are always inside the block). Its first line is the database path;
// each further line, up to the next separator or the end of the text, is one
// entry.
#include <assert.h>
#include <limits.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <memory>
#include <new>

#include "entry_cursor.h"
#include "holders.h"
#include "orbi_name/internal_name.h"
#include "orbi_services/oid_table.h"
#include "scoped.h"
#include "short_bytes.h"
#include "table_oids.h"
#include "text_block.h"

using orbi_name::internal::CharBlock;
using orbi_name::internal::CopyBytes;
using orbi_name::internal::DecodeCursor;
using orbi_name::internal::EncodeCursor;
using orbi_name::internal::FindByte;
using orbi_name::internal::kCursorEnd;
using orbi_name::internal::kCursorNotBegun;
using orbi_name::internal::kNameSource;
using orbi_name::internal::MutexLock;
using orbi_name::internal::Oids;
using orbi_name::internal::ReadTrailer;
using orbi_name::internal::TextTrailer;
namespace status = orbi_name::status;

namespace {

constexpr char kGetDatabasePathText[] =
    "PLVORBIInternalName::GetDatabasePath()";
constexpr char kReadBufferText[] =
    "PLVORBIInternalName::Read(gss_buffer_t, ulong&)";
constexpr char kReadAsnBufferText[] =
    "PLVORBIInternalName::Read(PLVASNBuffer *, ulong&)";
// The label form takes two arguments; its text names a third all the same.
constexpr char kReadLabelText[] =
    "PLVORBIInternalName::Read(PLVASNLabelString*, ulong&, int)";

constexpr unsigned int kLabelVisibleAlternative = 1;

// LineEnd returns the index of the first separator at or after from, or
// limit when there is none before it. REQUIRES: from <= limit, and no NUL
// lies before limit.
[[nodiscard]] uint32_t LineEnd(const char* text, uint32_t from, uint32_t limit,
                               char separator) {
  return from +
         static_cast<uint32_t>(FindByte(text + from, limit - from,
                                        static_cast<unsigned char>(separator)));
}

}  // namespace

OM_uint32 PLVORBIInternalName::GetDatabasePath(gss_buffer_t path) {
  ORBI_TRACE_SCOPE(kNameSource, kGetDatabasePathText);
  if (path == nullptr) return status::BAD_INPUT;
  // The text is checked and copied under one hold of the lock, so that it
  // cannot change between the test and the copy.
  MutexLock lock(mutex);
  if (nameValue == nullptr || nameLength == 0 || nameValue[0] == '\0' ||
      nameValue[0] == separator) {
    return status::BAD_INPUT;
  }
  const uint32_t length = LineEnd(
      nameValue, 0, ReadTrailer(nameValue, nameLength).text_end, separator);
  auto* copy = static_cast<char*>(malloc(static_cast<size_t>(length) + 1));
  if (copy == nullptr) {
    path->value = nullptr;
    path->length = 0;
    return status::NO_MEMORY;
  }
  CopyBytes(copy, nameValue, length);
  copy[length] = '\0';
  path->value = copy;
  path->length = static_cast<size_t>(length) + 1;
  return status::SUCCESS;
}

OM_uint32 PLVORBIInternalName::Read(gss_buffer_t entry, unsigned long& cursor) {
  ORBI_TRACE_SCOPE(kNameSource, kReadBufferText);
  if (entry == nullptr) return status::BAD_INPUT;
  MutexLock lock(mutex);
  if (cursor == kCursorEnd) return status::END_OF_LIST;

  // A name without text has no entries, as a text without separator.
  if (nameValue == nullptr) {
    if (cursor != kCursorNotBegun) return status::BAD_INPUT;
    cursor = kCursorEnd;
    return status::END_OF_LIST;
  }
  const TextTrailer trailer = ReadTrailer(nameValue, nameLength);
  // Entries lie before the text's first NUL.
  const uint32_t limit = trailer.text_end;
  uint32_t start = 0;
  if (cursor == kCursorNotBegun) {
    const uint32_t path_end = LineEnd(nameValue, 0, limit, separator);
    if (path_end == limit) {
      cursor = kCursorEnd;
      return status::END_OF_LIST;
    }
    start = path_end + 1;
  } else if (!DecodeCursor(cursor, nameValue, trailer.stamp, trailer.text_end,
                           separator, &start)) {
    return status::BAD_INPUT;
  }

  // start <= limit <= nameLength, and a separator found at end lies below
  // limit, so end + 1 is still a valid offset.
  assert(start <= limit && limit <= nameLength);
  const uint32_t end = LineEnd(nameValue, start, limit, separator);
  const bool more = end < limit;
  const uint32_t length = end - start;
  auto* copy = static_cast<char*>(malloc(static_cast<size_t>(length) + 1));
  if (copy == nullptr) {
    entry->value = nullptr;
    entry->length = 0;
    return status::NO_MEMORY;
  }
  CopyBytes(copy, nameValue + start, length);
  copy[length] = '\0';
  entry->value = copy;
  entry->length = static_cast<size_t>(length) + 1;
  cursor = more ? EncodeCursor(trailer.stamp, end + 1) : kCursorEnd;
  return status::SUCCESS;
}

OM_uint32 PLVORBIInternalName::Read(PLVASNBuffer* entry,
                                    unsigned long& cursor) {
  ORBI_TRACE_SCOPE(kNameSource, kReadAsnBufferText);
  if (entry == nullptr) return status::BAD_INPUT;
  const unsigned long old_cursor = cursor;
  gss_buffer_desc copy = {0, nullptr};
  OM_uint32 result = Read(&copy, cursor);
  CharBlock holder(static_cast<char*>(copy.value));
  if (result != status::SUCCESS) return result;
  // The entry is appended behind what the buffer holds and then moved to its
  // front, which is what clearing and appending would give, except that a
  // buffer that cannot grow keeps what it held.
  const unsigned long old_length = entry->length;
  if (entry->append(static_cast<unsigned char*>(copy.value), copy.length) !=
      0) {
    // The entry is lost to the caller: let the same entry be read again.
    cursor = old_cursor;
    return status::NO_MEMORY;
  }
  if (old_length != 0) {
    memmove(entry->data, entry->data + old_length, copy.length);
    entry->length = copy.length;
  }
  return status::SUCCESS;
}

OM_uint32 PLVORBIInternalName::Read(PLVASNLabelString* label,
                                    unsigned long& cursor) {
  ORBI_TRACE_SCOPE(kNameSource, kReadLabelText);
  if (label == nullptr) return status::BAD_INPUT;
  gss_OID type = nullptr;
  {
    MutexLock lock(mutex);
    type = nameType;
  }
  // Only the table's own default type is accepted: an equal OID held
  // elsewhere is another type for a name.
  if (type != Oids().default_type) return status::BAD_NAME_TYPE;
  gss_buffer_desc copy = {0, nullptr};
  const OM_uint32 result = Read(&copy, cursor);
  CharBlock holder(static_cast<char*>(copy.value));
  if (result != status::SUCCESS) return result;
  if (label->visibleString.set_value_visible(holder.get()) != 0) {
    return status::LABEL_NOT_SET;
  }
  if (label->select(kLabelVisibleAlternative) != 0) {
    return status::LABEL_NOT_SET;
  }
  return status::SUCCESS;
}
