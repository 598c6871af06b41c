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
    {minor::MALFORMED_TOKEN, "MALFORMED_TOKEN",
     "the exported name token is malformed"},
    {minor::FOREIGN_TOKEN, "FOREIGN_TOKEN",
     "the exported name token belongs to another mechanism"},
    {minor::NAME_HAS_NUL, "NAME_HAS_NUL",
     "the name has bytes behind a NUL, which a name cannot keep"},
    {minor::NO_SUCH_ATTRIBUTE, "NO_SUCH_ATTRIBUTE",
     "the name has no such attribute, or no further value of it"},
    {minor::READ_ONLY_ATTRIBUTE, "READ_ONLY_ATTRIBUTE",
     "the name's attributes can be read but not set or deleted"},
    {minor::UNEXPECTED, "UNEXPECTED", "an unexpected internal failure"},
    {minor::UNAVAILABLE, "UNAVAILABLE",
     "the mechanism has names only: no credentials, security contexts or "
     "message protection"},
    {minor::VALUE_OUT_OF_REACH, "VALUE_OUT_OF_REACH",
     "the attribute value lies past the 2147483647 values that the int `more` "
     "can lead to"},
    {minor::ATTRIBUTES_DISAGREE, "ATTRIBUTES_DISAGREE",
     "the composite name token carries attributes its name does not have"},
    {minor::LIBRARY_TOKEN, "LIBRARY_TOKEN",
     "the exported name token is in the name library's own layout, not the "
     "standard one that gss_export_name writes"},
};

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
