// A name from the command line: its type, its bytes, its import and binding,
// and what the library gives back of it. Functions that return an int return
// kExitOk, or the exit status after reporting the failure to the session.
#ifndef ORBI_TOOL_NAMES_H_
#define ORBI_TOOL_NAMES_H_

#include <stddef.h>

#include <string>
#include <vector>

#include "args.h"
#include "holders.h"
#include "orbi_name/internal_name.h"
#include "orbi_services/gss_types.h"
#include "session.h"

namespace orbi_tool {

// NameType is the name type a name is imported with, from --type.
struct NameType {
  gss_OID oid = nullptr;  // null: no --type, the library's default
  OwnedOid owned;         // holds an OID read from text
  bool exported = false;  // the TEXT is an exported name token
};

// ReadNameType reads the value of --type; false with error set when it is
// neither a keyword nor an OID text.
[[nodiscard]] bool ReadNameType(const char* value, NameType* type,
                                std::string* error);

// ReadNameInput gathers the bytes of a name (or, for the exported-name type,
// of a token) from TEXT, "-" or --in FILE.
int ReadNameInput(const Session& session, const Args& args,
                  const NameType& type, std::vector<unsigned char>* bytes);

// ImportName fills name from bytes with the type.
int ImportName(const Session& session, const NameType& type,
               std::vector<unsigned char>* bytes, PLVORBIInternalName* name);

// BindName binds name to the library's mechanism. An exported name comes
// bound already: its token named the mechanism.
int BindName(const Session& session, const NameType& type,
             PLVORBIInternalName* name);

// ReadAndImport reads the name's input and imports it with --type; with
// bind it also binds the name to the mechanism.
int ReadAndImport(const Session& session, const Args& args, bool bind,
                  PLVORBIInternalName* name);

// ExportToken gives the name's exported name token.
int ExportToken(const Session& session, PLVORBIInternalName* name,
                std::vector<unsigned char>* token);

// DisplayName gives the name's bytes and type.
int DisplayName(const Session& session, PLVORBIInternalName* name,
                std::vector<unsigned char>* bytes, gss_OID* type);

// BytesField adds a byte string: escaped in the text form, {"text", "hex"}
// in JSON.
void BytesField(Session* session, const char* label, const char* key,
                const unsigned char* bytes, size_t length);

}  // namespace orbi_tool

#endif  // ORBI_TOOL_NAMES_H_
