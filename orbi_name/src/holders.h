// Owners for what the name operations allocate: a malloc block, and a chain
// of names linked through their next members. Both release on every way out
// unless released.
#ifndef ORBI_NAME_SRC_HOLDERS_H_
#define ORBI_NAME_SRC_HOLDERS_H_

#include <stdlib.h>

#include <memory>

#include "orbi_name/internal_name.h"

namespace orbi_name {
namespace internal {

struct FreeDeleter {
  void operator()(void* block) const { free(block); }
};
using CharBlock = std::unique_ptr<char, FreeDeleter>;

// DeleteChain destroys first and every name chained behind it.
inline void DeleteChain(PLVORBIInternalName* first) {
  while (first != nullptr) {
    PLVORBIInternalName* next = first->GetNextMember();
    delete first;
    first = next;
  }
}

// NameChain owns a chain of names linked through their next members and
// destroys every one of them unless released. It is the one owner of a chain
// under construction (an expansion) or taken apart (a set's members).
class NameChain {
 public:
  NameChain() = default;
  // Adopts first and every name chained behind it.
  explicit NameChain(PLVORBIInternalName* first) : first_(first) {}
  ~NameChain() { DeleteChain(first_); }
  NameChain(const NameChain&) = delete;
  NameChain& operator=(const NameChain&) = delete;

  PLVORBIInternalName* first() const { return first_; }

  // Append links name behind the last one and takes ownership of it.
  void Append(PLVORBIInternalName* name) {
    // An adopted chain is walked to its end once.
    if (last_ == nullptr && first_ != nullptr) {
      last_ = first_;
      for (PLVORBIInternalName* next = last_->GetNextMember(); next != nullptr;
           next = next->GetNextMember()) {
        last_ = next;
      }
    }
    if (last_ == nullptr) {
      first_ = name;
    } else {
      (void)last_->SetNextMember(name);
    }
    last_ = name;
  }

  // Release hands the chain to the caller.
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

}  // namespace internal
}  // namespace orbi_name

#endif  // ORBI_NAME_SRC_HOLDERS_H_
