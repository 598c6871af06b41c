// The database path and entries of a name's text: GetDatabasePath, the three
// Read forms with their entry cursor, and CopyExpandedName.
//
// The text is the bytes of nameValue up to the first NUL, and never more than
// nameLength bytes (the record keeps a NUL at an index <= nameLength, so both
// bounds are always inside the block). Its first line is the database path;
// each further line, up to the next separator or the end of the text, is one
// entry.
#include <limits.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <memory>
#include <new>

#include "orbi_name/internal_name.h"
#include "orbi_services/oid_table.h"
#include "scoped.h"

using orbi_name::internal::kNameSource;
using orbi_name::internal::MutexLock;
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
constexpr char kCopyExpandedNameText[] =
    "PLVORBIInternalName::CopyExpandedName()";
constexpr char kExpandEndOfListText[] =
    "PLVORBIInternalName::CopyExpandedName() hit end of list.";
constexpr char kExpandNoMemoryText[] =
    "PLVORBIInternalName::CopyExpandedName() ran out of memory.";
// The record operator= writes; each expanded member is made as its copy.
constexpr char kAssignText[] = "PLVORBIInternalName::Operator=";

constexpr unsigned int kLabelVisibleAlternative = 1;

// Entry cursor. 0 means that the walk has not begun and all ones that no
// entries are left. Every other value is a position made by EncodeCursor:
//
//   bits  0..31  offset: index in nameValue where the next entry starts
//   bits 32..62  check value mixed from the text block's address, nameLength
//                and the offset
//   bit  63      always 0
//
// DecodeCursor accepts a position only when its check value matches the
// name's current block and length, 1 <= offset <= nameLength, and the byte
// before the offset is the separator. Each test takes constant time, so a
// walk or an expansion never rescans the text. An accepted offset always
// lies within the block's nameLength bytes, so even a stale cursor that
// passes the tests (a new text that happens to sit at the old address with
// the old length) cannot make Read leave the text; a made-up value passes
// with a chance of about 2^-31. The offset is at least 1 and bit 63 is 0, so
// a position is never 0 nor all ones.
static_assert(sizeof(unsigned long) * CHAR_BIT >= 64,
              "the entry cursor packs a 32-bit offset and a check value");
constexpr unsigned long kCursorNotBegun = 0;
constexpr unsigned long kCursorEnd = ~0ul;
constexpr int kCheckShift = 32;
constexpr uint32_t kCheckMask = 0x7FFFFFFFu;

// The check value of a position: the splitmix64 finalizer over the block's
// address combined with the length and the offset, cut to 31 bits.
[[nodiscard]] uint32_t CursorCheck(const char* text, uint32_t length,
                                   uint32_t offset) {
  uint64_t x = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(text));
  x ^= ((static_cast<uint64_t>(length) << 32) | offset) * 0x9E3779B97F4A7C15ull;
  x ^= x >> 30;
  x *= 0xBF58476D1CE4E5B9ull;
  x ^= x >> 27;
  x *= 0x94D049BB133111EBull;
  x ^= x >> 31;
  return static_cast<uint32_t>(x >> 32) & kCheckMask;
}

[[nodiscard]] unsigned long EncodeCursor(const char* text, uint32_t length,
                                         uint32_t offset) {
  return (static_cast<unsigned long>(CursorCheck(text, length, offset))
          << kCheckShift) |
         offset;
}

// DecodeCursor sets *offset to the position that cursor designates in the
// given text and returns true, or returns false when cursor is not a
// position of this text (see above).
[[nodiscard]] bool DecodeCursor(unsigned long cursor, const char* text,
                                uint32_t length, char separator,
                                uint32_t* offset) {
  if (text == nullptr) return false;
  const auto candidate = static_cast<uint32_t>(cursor & 0xFFFFFFFFul);
  const unsigned long check = cursor >> kCheckShift;
  if (check != CursorCheck(text, length, candidate)) return false;
  if (candidate < 1 || candidate > length) return false;
  if (text[candidate - 1] != separator) return false;
  *offset = candidate;
  return true;
}

// LineEnd returns the index of the first separator or NUL at or after from,
// or limit when there is none before it. REQUIRES: from <= limit.
[[nodiscard]] uint32_t LineEnd(const char* text, uint32_t from, uint32_t limit,
                               char separator) {
  uint32_t i = from;
  while (i < limit && text[i] != '\0' && text[i] != separator) ++i;
  return i;
}

struct FreeDeleter {
  void operator()(void* block) const { free(block); }
};
using CharBlock = std::unique_ptr<char, FreeDeleter>;

// NameChain owns a chain of names linked through their next members and
// destroys every one of them unless released.
class NameChain {
 public:
  NameChain() = default;
  ~NameChain() {
    PLVORBIInternalName* name = first_;
    while (name != nullptr) {
      PLVORBIInternalName* next = name->GetNextMember();
      delete name;
      name = next;
    }
  }
  NameChain(const NameChain&) = delete;
  NameChain& operator=(const NameChain&) = delete;

  // Append links name behind the last one and takes ownership of it.
  void Append(PLVORBIInternalName* name) {
    if (last_ == nullptr) {
      first_ = name;
    } else {
      (void)last_->SetNextMember(name);
    }
    last_ = name;
  }
  [[nodiscard]] PLVORBIInternalName* Release() {
    PLVORBIInternalName* first = first_;
    first_ = nullptr;
    last_ = nullptr;
    return first;
  }

 private:
  PLVORBIInternalName* first_ = nullptr;
  PLVORBIInternalName* last_ = nullptr;
};

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
  const uint32_t length = LineEnd(nameValue, 0, nameLength, separator);
  // The copy's length counts a zero byte and must fit the 32-bit field.
  if (length == UINT32_MAX) {
    path->value = nullptr;
    path->length = 0;
    return status::NO_MEMORY;
  }
  auto* copy = static_cast<char*>(malloc(static_cast<size_t>(length) + 1));
  if (copy == nullptr) {
    path->value = nullptr;
    path->length = 0;
    return status::NO_MEMORY;
  }
  memcpy(copy, nameValue, length);
  copy[length] = '\0';
  path->value = copy;
  path->length = length + 1;
  return status::SUCCESS;
}

OM_uint32 PLVORBIInternalName::Read(gss_buffer_t entry, unsigned long& cursor) {
  ORBI_TRACE_SCOPE(kNameSource, kReadBufferText);
  if (entry == nullptr) return status::BAD_INPUT;
  MutexLock lock(mutex);
  if (cursor == kCursorEnd) return status::END_OF_LIST;

  uint32_t start = 0;
  if (cursor == kCursorNotBegun) {
    // A name without text has no entries, as a text without separator.
    if (nameValue == nullptr) {
      cursor = kCursorEnd;
      return status::END_OF_LIST;
    }
    const uint32_t path_end = LineEnd(nameValue, 0, nameLength, separator);
    if (path_end == nameLength || nameValue[path_end] != separator) {
      cursor = kCursorEnd;
      return status::END_OF_LIST;
    }
    start = path_end + 1;
  } else if (!DecodeCursor(cursor, nameValue, nameLength, separator, &start)) {
    return status::BAD_INPUT;
  }

  // start <= nameLength, and a separator found at end lies below nameLength,
  // so end + 1 is still a valid offset and length + 1 fits in 32 bits.
  const uint32_t end = LineEnd(nameValue, start, nameLength, separator);
  const bool more = end < nameLength && nameValue[end] == separator;
  const uint32_t length = end - start;
  auto* copy = static_cast<char*>(malloc(static_cast<size_t>(length) + 1));
  if (copy == nullptr) {
    entry->value = nullptr;
    entry->length = 0;
    return status::NO_MEMORY;
  }
  memcpy(copy, nameValue + start, length);
  copy[length] = '\0';
  entry->value = copy;
  entry->length = length + 1;
  cursor = more ? EncodeCursor(nameValue, nameLength, end + 1) : kCursorEnd;
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
  if (type != ORBIGetOID(kORBIDefaultNameTypeIndex))
    return status::BAD_NAME_TYPE;
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

PLVORBIInternalName* PLVORBIInternalName::CopyExpandedName() {
  ORBI_TRACE_SCOPE(kNameSource, kCopyExpandedNameText);
  gss_buffer_desc path = {0, nullptr};
  const OM_uint32 path_status = GetDatabasePath(&path);
  // Every member's text starts with the database path: a name without one
  // cannot be expanded. That is not a shortage of memory, so it is not
  // traced as one.
  if (path_status == status::BAD_INPUT) return nullptr;
  CharBlock path_holder(static_cast<char*>(path.value));
  if (path_status != status::SUCCESS) {
    ORBI_TRACE_LEVEL1(kNameSource, kExpandNoMemoryText);
    return nullptr;
  }
  const size_t path_length = path.length - 1;

  gss_OID name_type;
  gss_OID mech_type;
  {
    MutexLock lock(mutex);
    name_type = nameType;
    mech_type = mechType;
  }

  NameChain chain;
  unsigned long cursor = kCursorNotBegun;
  gss_buffer_desc entry = {0, nullptr};
  OM_uint32 read_status = Read(&entry, cursor);
  bool out_of_memory = false;
  while (read_status == status::SUCCESS || read_status == status::END_OF_LIST) {
    CharBlock entry_holder(static_cast<char*>(entry.value));
    std::unique_ptr<PLVORBIInternalName> member(new (std::nothrow)
                                                    PLVORBIInternalName());
    if (member == nullptr) {
      out_of_memory = true;
      break;
    }
    // The member takes this name's type and mechanism as operator= gives
    // them, and the record operator= writes; its text is replaced at once
    // below, so copying this name's whole text first (which would make the
    // expansion quadratic in the number of entries) is skipped.
    ORBI_TRACE_LEVEL1(kNameSource, kAssignText);
    {
      MutexLock member_lock(member->mutex);
      member->nameType = name_type;
      member->mechType = mech_type;
    }
    const size_t entry_length =
        read_status == status::SUCCESS ? entry.length - 1 : 0;
    // path_length and entry_length are below 2^32; the sum only wraps where
    // size_t is 32 bits wide.
    if (entry_length > SIZE_MAX - 2 - path_length) {
      out_of_memory = true;
      break;
    }
    CharBlock text(static_cast<char*>(malloc(path_length + entry_length + 2)));
    if (text == nullptr) {
      out_of_memory = true;
      break;
    }
    memcpy(text.get(), path.value, path_length);
    size_t used = path_length;
    if (read_status == status::SUCCESS) {
      text.get()[used++] = separator;
      memcpy(text.get() + used, entry.value, entry_length);
      used += entry_length;
    }
    text.get()[used] = '\0';
    if (member->ChangeExternalName(text.get()) != status::SUCCESS) {
      out_of_memory = true;
      break;
    }
    chain.Append(member.release());
    if (cursor == kCursorEnd) break;
    entry = gss_buffer_desc{0, nullptr};
    read_status = Read(&entry, cursor);
  }
  // Only 1 can end the loop here, unless the caller changed the text during
  // the expansion (a stale cursor gives 10); either way nothing is handed out.
  if (out_of_memory ||
      (read_status != status::SUCCESS && read_status != status::END_OF_LIST)) {
    ORBI_TRACE_LEVEL1(kNameSource, kExpandNoMemoryText);
    return nullptr;
  }
  if (read_status == status::END_OF_LIST) {
    ORBI_TRACE_LEVEL1(kNameSource, kExpandEndOfListText);
  }
  return chain.Release();
}
