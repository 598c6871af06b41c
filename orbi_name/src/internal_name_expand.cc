// Expansion of a name into one name per entry: CopyExpandedName, and the
// factory of its members.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <memory>
#include <new>

#include "entry_cursor.h"
#include "holders.h"
#include "orbi_name/internal_name.h"
#include "scoped.h"

using orbi_name::internal::CharBlock;
using orbi_name::internal::kAssignText;
using orbi_name::internal::kCursorEnd;
using orbi_name::internal::kCursorNotBegun;
using orbi_name::internal::kNameSource;
using orbi_name::internal::MutexLock;
using orbi_name::internal::NameChain;
namespace status = orbi_name::status;

namespace {

constexpr char kCopyExpandedNameText[] =
    "PLVORBIInternalName::CopyExpandedName()";
constexpr char kExpandEndOfListText[] =
    "PLVORBIInternalName::CopyExpandedName() hit end of list.";
constexpr char kExpandNoMemoryText[] =
    "PLVORBIInternalName::CopyExpandedName() ran out of memory.";

}  // namespace

PLVORBIInternalName* PLVORBIInternalName::NewMember(gss_OID type,
                                                    gss_OID mech) {
  auto* member = new (std::nothrow) PLVORBIInternalName();
  if (member == nullptr) return nullptr;
  // The member takes the expanded name's type and mechanism as operator=
  // gives them, with the record operator= writes; its text is replaced at
  // once, so copying the expanded name's whole text first (which would make
  // an expansion quadratic in the number of entries) is skipped.
  ORBI_TRACE_LEVEL1(kNameSource, kAssignText);
  MutexLock lock(member->mutex);
  member->nameType = type;
  member->mechType = mech;
  return member;
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
    std::unique_ptr<PLVORBIInternalName> member(
        NewMember(name_type, mech_type));
    if (member == nullptr) {
      out_of_memory = true;
      break;
    }
    const size_t entry_length =
        read_status == status::SUCCESS ? entry.length - 1 : 0;
    // The member's text: the path, and the separator and the entry when
    // there is one. path_length and entry_length are below 2^32.
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
  // Only NO_MEMORY can end the loop here, unless the caller changed the text
  // during the expansion (a stale cursor gives BAD_INPUT); either way nothing
  // is handed out.
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
