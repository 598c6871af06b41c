#include "names.h"

#include <string.h>

#include "byte_text.h"
#include "input.h"
#include "json.h"
#include "oid_view.h"
#include "orbi_name/internal/rules.h"
#include "orbi_name/internal_oid.h"
#include "orbi_name/status.h"
#include "orbi_services/oid_table.h"
#include "token_view.h"

namespace orbi_tool {

bool ReadNameType(const char* value, NameType* type, std::string* error) {
  int index = -1;
  if (strcmp(value, "default") == 0) {
    index = kORBIDefaultNameTypeIndex;
  } else if (strcmp(value, "anonymous") == 0) {
    index = kORBIAnonymousNameTypeIndex;
  } else if (strcmp(value, "exported") == 0) {
    index = kORBIExportedNameTypeIndex;
  }
  if (index >= 0) {
    type->oid = ORBIGetOID(index);
  } else {
    PLVORBIInternalOID oid;
    std::string why;
    if (!ReadOidText(value, false, &oid, &type->owned, &why)) {
      *error = "--type: not default, anonymous, exported or an OID: " + why;
      return false;
    }
    type->oid = type->owned.get();
    index = orbi_name::FindTableEntry(type->oid);
  }
  type->exported = index == kORBIExportedNameTypeIndex;
  return true;
}

int ReadNameInput(const Session& session, const Args& args,
                  const NameType& type, std::vector<unsigned char>* bytes) {
  const char* arg = args.positional.empty() ? nullptr : args.positional[0];
  if (args.in != nullptr && arg != nullptr) {
    return session.Usage("TEXT and --in exclude each other");
  }
  const char* path = args.in;
  if (arg != nullptr && strcmp(arg, "-") == 0) path = "-";
  std::string error;
  if (path != nullptr) {
    if (!ReadSource(path, type.exported ? "token" : "TEXT", bytes, &error)) {
      return session.Refuse(error);
    }
    if (type.exported && !DecodeTokenInput(bytes, &error)) {
      return session.Refuse(error);
    }
    return kExitOk;
  }
  if (arg == nullptr) {
    // The anonymous type ignores the bytes; any other needs them.
    if (type.oid != nullptr &&
        orbi_name::FindTableEntry(type.oid) == kORBIAnonymousNameTypeIndex) {
      bytes->clear();
      return kExitOk;
    }
    return session.Usage("no TEXT given (TEXT, - or --in FILE)");
  }
  if (type.exported) {
    if (!ParseHex(arg, bytes, &error)) return session.Refuse("HEX: " + error);
    return kExitOk;
  }
  if (!Unescape(arg, bytes, &error)) return session.Usage(error);
  return kExitOk;
}

int ImportName(const Session& session, const NameType& type,
               std::vector<unsigned char>* bytes, PLVORBIInternalName* name) {
  gss_buffer_desc input;
  if (!MakeBuffer(bytes, &input)) {
    return session.Refuse("the input is too long for a name buffer");
  }
  const OM_uint32 status = name->Set(type.oid, &input);
  if (status == orbi_name::status::SUCCESS) return kExitOk;
  if (type.exported) {
    InspectedToken fields;
    std::string error;
    if (!InspectToken(*bytes, &fields, &error)) return session.Refuse(error);
    return session.Refuse(ImportRefusalText(fields, status));
  }
  if (status == orbi_name::status::BAD_NAME_TYPE) {
    return session.Refuse(
        "Set refuses the name type " + OidLine(DescribeOid(type.oid)) +
        ": it takes the default, exported and anonymous name types only: " +
        StatusText(status));
  }
  return session.Refuse("Set refuses the name: " + StatusText(status));
}

int BindName(const Session& session, const NameType& type,
             PLVORBIInternalName* name) {
  if (type.exported) return kExitOk;
  const OM_uint32 status =
      name->CanonicalizeName(ORBIGetOID(kORBIMechanismIndex));
  if (status == orbi_name::status::SUCCESS) return kExitOk;
  std::string message =
      "CanonicalizeName refuses the name: " + StatusText(status);
  if (status == orbi_name::status::BAD_NAME_TYPE) {
    message +=
        ": only a name of the default name type is bound; this one has " +
        OidLine(DescribeOid(name->GetNameType()));
  }
  return session.Refuse(message);
}

int ReadAndImport(const Session& session, const Args& args, bool bind,
                  PLVORBIInternalName* name) {
  NameType type;
  std::string error;
  if (args.type != nullptr && !ReadNameType(args.type, &type, &error)) {
    return session.Usage(error);
  }
  std::vector<unsigned char> bytes;
  int result = ReadNameInput(session, args, type, &bytes);
  if (result != kExitOk) return result;
  result = ImportName(session, type, &bytes, name);
  if (result != kExitOk || !bind) return result;
  return BindName(session, type, name);
}

int ExportToken(const Session& session, PLVORBIInternalName* name,
                std::vector<unsigned char>* token) {
  OwnedBuffer buffer;
  const OM_uint32 status = name->Export(buffer.get());
  if (status != orbi_name::status::SUCCESS) {
    return session.Refuse("Export refuses the name: " + StatusText(status));
  }
  token->assign(buffer.bytes(), buffer.bytes() + buffer.length());
  return kExitOk;
}

int DisplayName(const Session& session, PLVORBIInternalName* name,
                std::vector<unsigned char>* bytes, gss_OID* type) {
  OwnedBuffer buffer;
  const OM_uint32 status = name->Display(buffer.get(), type);
  if (status != orbi_name::status::SUCCESS) {
    return session.Refuse("Display fails: " + StatusText(status));
  }
  bytes->assign(buffer.bytes(), buffer.bytes() + buffer.length());
  return kExitOk;
}

void BytesField(Session* session, const char* label, const char* key,
                const unsigned char* bytes, size_t length) {
  session->Field(label, Escape(bytes, length), key, JsonBytes(bytes, length));
}

}  // namespace orbi_tool
