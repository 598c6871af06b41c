#include "name_record.h"

#include <assert.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <memory>
#include <new>

#include "orbi_name/status.h"
#include "orbi_services/oid_table.h"

namespace orbi_mech {
namespace {

namespace status = orbi_name::status;

// Growing is a block from malloc that grows by doubling, so appending n
// items one at a time costs O(n) in all.
template <typename T>
class Growing {
 public:
  Growing() = default;
  Growing(const Growing&) = delete;
  Growing& operator=(const Growing&) = delete;
  ~Growing() { free(data_); }

  size_t size() const { return size_; }

  [[nodiscard]] bool Append(const T* items, size_t count) {
    if (count > capacity_ - size_) {
      size_t capacity = capacity_ == 0 ? 64 : capacity_;
      while (capacity - size_ < count) {
        if (capacity > SIZE_MAX / sizeof(T) / 2) return false;
        capacity *= 2;
      }
      auto* grown = static_cast<T*>(realloc(data_, capacity * sizeof(T)));
      if (grown == nullptr) return false;
      data_ = grown;
      capacity_ = capacity;
    }
    memcpy(data_ + size_, items, count * sizeof(T));
    size_ += count;
    return true;
  }

  // Release hands over in *out a block of exactly size() items (null for
  // none), so that what is kept costs what it holds; false when memory runs
  // out for it, *out then untouched.
  [[nodiscard]] bool Release(T** out) {
    T* block = data_;
    if (size_ < capacity_) {
      block = nullptr;
      if (size_ != 0) {
        block = static_cast<T*>(malloc(size_ * sizeof(T)));
        if (block == nullptr) return false;
        memcpy(block, data_, size_ * sizeof(T));
      }
      free(data_);
    }
    data_ = nullptr;
    size_ = capacity_ = 0;
    *out = block;
    return true;
  }

 private:
  T* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

// Owned is a block the library handed out, freed at the end of the scope.
struct Owned {
  gss_buffer_desc buffer = {0, nullptr};
  Owned() = default;
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  ~Owned() { free(buffer.value); }
};

// AppendValue appends a value the library handed out (its bytes and the NUL
// its length counts) to values and the index of that NUL to ends. False when
// memory runs out, or when the values would pass the 32-bit ends (only a
// text of 4 GiB comes near).
[[nodiscard]] bool AppendValue(const gss_buffer_desc& value,
                               Growing<char>* values, Growing<uint32_t>* ends) {
  assert(value.length >= 1);
  if (values->size() + value.length - 1 > UINT32_MAX) return false;
  const auto end = static_cast<uint32_t>(values->size() + value.length - 1);
  return values->Append(static_cast<const char*>(value.value), value.length) &&
         ends->Append(&end, 1);
}

}  // namespace

NameLayout::~NameLayout() {
  free(values_);
  free(ends_);
}

gss_buffer_desc NameLayout::path() const {
  assert(has_path_);
  return {ends_[0], values_};
}

gss_buffer_desc NameLayout::entry(uint32_t index) const {
  assert(index < entry_count_);
  const uint32_t start = ends_[index] + 1;
  return {ends_[index + 1] - start, values_ + start};
}

OM_uint32 NameLayout::Build(PLVORBIInternalName& name, bool anonymous,
                            NameLayout** layout) {
  Growing<char> values;
  Growing<uint32_t> ends;
  bool has_path = false;
  if (!anonymous) {
    Owned path;
    const OM_uint32 got = name.GetDatabasePath(&path.buffer);
    // BAD_INPUT: the name has no database path, and so no attributes.
    if (got != status::SUCCESS && got != status::BAD_INPUT) return got;
    has_path = got == status::SUCCESS;
    if (has_path && !AppendValue(path.buffer, &values, &ends)) {
      return status::NO_MEMORY;
    }
  }
  // Entries count as attributes only behind a path.
  unsigned long cursor = 0;
  while (has_path) {
    Owned entry;
    const OM_uint32 read = name.Read(&entry.buffer, cursor);
    if (read == status::END_OF_LIST) break;
    if (read != status::SUCCESS) return read;
    if (!AppendValue(entry.buffer, &values, &ends)) return status::NO_MEMORY;
  }
  std::unique_ptr<NameLayout> made(new (std::nothrow) NameLayout);
  if (made == nullptr) return status::NO_MEMORY;
  made->has_path_ = has_path;
  made->entry_count_ = has_path ? static_cast<uint32_t>(ends.size() - 1) : 0;
  if (!values.Release(&made->values_) || !ends.Release(&made->ends_)) {
    return status::NO_MEMORY;
  }
  *layout = made.release();
  return status::SUCCESS;
}

NameRecord* NameRecord::New(size_t text_length) {
  if (text_length > SIZE_MAX - sizeof(NameRecord) - 1) return nullptr;
  // malloc's blocks are aligned for any object, the record's included.
  void* block = malloc(sizeof(NameRecord) + text_length + 1);
  if (block == nullptr) return nullptr;
  return new (block) NameRecord(text_length);
}

void NameRecord::Delete(NameRecord* record) {
  if (record == nullptr) return;
  record->~NameRecord();
  free(record);
}

NameRecord::~NameRecord() {
  // Most records never keep either: no call for them.
  if (owned_text_ != nullptr) free(owned_text_);
  if (NameLayout* layout = layout_.load(std::memory_order_relaxed)) {
    delete layout;
  }
}

void NameRecord::KeepText(const void* bytes) {
  assert(text_ == nullptr);
  char* room = Room();
  if (room_ != 0) memcpy(room, bytes, room_);
  room[room_] = '\0';
  text_ = room;
  text_length_ = room_;
}

OM_uint32 NameRecord::KeepDisplayedText() {
  assert(text_ == nullptr);
  gss_buffer_desc shown = {0, nullptr};
  gss_OID type = GSS_C_NO_OID;
  const OM_uint32 got = name_.Display(&shown, &type);
  if (got != status::SUCCESS) return got;
  owned_text_ = static_cast<char*>(shown.value);
  text_ = owned_text_;
  text_length_ = shown.length;
  type_.store(type, std::memory_order_release);
  return status::SUCCESS;
}

gss_OID NameRecord::Type() {
  gss_OID type = type_.load(std::memory_order_acquire);
  if (type == GSS_C_NO_OID) {
    type = name_.GetNameType();
    type_.store(type, std::memory_order_release);
  }
  return type;
}

NameText NameRecord::Text() const {
  assert(text_ != nullptr);
  return {text_, text_length_};
}

OM_uint32 NameRecord::Layout(const NameLayout** layout) {
  NameLayout* kept = layout_.load(std::memory_order_acquire);
  if (kept == nullptr) {
    const bool anonymous = Type() == ORBIGetOID(kORBIAnonymousNameTypeIndex);
    NameLayout* made = nullptr;
    const OM_uint32 built = NameLayout::Build(name_, anonymous, &made);
    if (built != status::SUCCESS) return built;
    if (layout_.compare_exchange_strong(kept, made, std::memory_order_acq_rel,
                                        std::memory_order_acquire)) {
      kept = made;
    } else {
      // Another reader's layout was kept first: it holds the same values.
      delete made;
    }
  }
  *layout = kept;
  return status::SUCCESS;
}

}  // namespace orbi_mech
