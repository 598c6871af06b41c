#include "minor_status.h"

#include "orbi_name/status.h"

namespace orbi_mech {
namespace {

struct MinorText {
  OM_uint32 value;
  const char* name;
  const char* message;
};

constexpr MinorText kModuleTexts[] = {
#define ORBI_MINOR(NAME, value, major_status, message) \
  {minor::NAME, #NAME, message},
#include "minor_status.def"
};

// A minor status names one fault: no code of the module is also a library
// status, and no two codes share a value.
constexpr OM_uint32 kLibraryStatuses[] = {
#define ORBI_NAME_STATUS(NAME, value, major_status, message) value,
#include "orbi_name/status.def"
};

constexpr bool EveryCodeIsItsOwn() {
  for (const MinorText& text : kModuleTexts) {
    for (OM_uint32 status : kLibraryStatuses) {
      if (text.value == status) return false;
    }
    int uses = 0;
    for (const MinorText& other : kModuleTexts) {
      if (other.value == text.value) ++uses;
    }
    if (uses != 1) return false;
  }
  return true;
}
static_assert(EveryCodeIsItsOwn(),
              "a code of minor_status.def is a library status or used twice");

const MinorText* ModuleText(OM_uint32 value) {
  for (const MinorText& text : kModuleTexts) {
    if (text.value == value) return &text;
  }
  return nullptr;
}

}  // namespace

const char* MinorStatusName(OM_uint32 value) {
  const MinorText* text = ModuleText(value);
  return text != nullptr ? text->name : orbi_name::StatusName(value);
}

const char* MinorStatusMessage(OM_uint32 value) {
  const MinorText* text = ModuleText(value);
  return text != nullptr ? text->message : orbi_name::StatusMessage(value);
}

}  // namespace orbi_mech
