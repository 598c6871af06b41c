#include "commands.h"

#include <string.h>

#include <string>
#include <vector>

#include "byte_text.h"
#include "holders.h"
#include "input.h"
#include "json.h"
#include "names.h"
#include "oid_view.h"
#include "orbi_name/internal/rules.h"
#include "orbi_name/internal_name.h"
#include "orbi_name/internal_name_set.h"
#include "orbi_name/internal_oid.h"
#include "orbi_name/status.h"
#include "orbi_services/gss_types.h"
#include "orbi_services/oid_table.h"
#include "token_view.h"

namespace orbi_tool {

int RunShow(Session* session, const Args& args) {
  PLVORBIInternalName name;
  int result = ReadAndImport(*session, args, true, &name);
  if (result != kExitOk) return result;
  std::vector<unsigned char> text;
  gss_OID type = nullptr;
  result = DisplayName(*session, &name, &text, &type);
  if (result != kExitOk) return result;
  std::vector<unsigned char> token;
  result = ExportToken(*session, &name, &token);
  if (result != kExitOk) return result;
  InspectedToken fields;
  std::string error;
  if (!InspectToken(token, &fields, &error)) {
    return session->Refuse("the exported token does not read back: " + error);
  }
  BytesField(session, "name:", "name", text.data(), text.size());
  const OidInfo type_info = DescribeOid(type);
  session->Field("name type:", OidLine(type_info), "name_type",
                 OidJson(type_info));
  const OidInfo mech_info = DescribeOid(&fields.mech);
  session->Field("mechanism:", OidLine(mech_info), "mechanism",
                 OidJson(mech_info));
  session->Field("token:", Hex(token), "token", JsonString(Hex(token)));
  return kExitOk;
}

int RunExport(Session* session, const Args& args) {
  if (args.raw && session->json()) {
    return session->Usage("--raw and --json exclude each other");
  }
  PLVORBIInternalName name;
  int result = ReadAndImport(*session, args, true, &name);
  if (result != kExitOk) return result;
  std::vector<unsigned char> token;
  result = ExportToken(*session, &name, &token);
  if (result != kExitOk) return result;
  session->Json("token", JsonString(Hex(token)));
  session->SetText(args.raw ? std::string(token.begin(), token.end())
                            : Hex(token) + "\n");
  return kExitOk;
}

int RunInspect(Session* session, const Args& args) {
  std::vector<unsigned char> token;
  const char* arg = args.positional.empty() ? nullptr : args.positional[0];
  if (args.in != nullptr && arg != nullptr) {
    return session->Usage("HEX and --in exclude each other");
  }
  const char* path = args.in != nullptr ? args.in : arg == nullptr ? "-" : arg;
  std::string error;
  if (args.in != nullptr || strcmp(path, "-") == 0) {
    if (!ReadSource(path, "token", &token, &error) ||
        !DecodeTokenInput(&token, &error)) {
      return session->Refuse(error);
    }
  } else if (!ParseHex(path, &token, &error)) {
    return session->Refuse("HEX: " + error);
  }

  InspectedToken fields;
  if (!InspectToken(token, &fields, &error)) return session->Refuse(error);

  session->Field("identifier:", IdentifierHex() + " (exported name)",
                 "identifier", JsonString(IdentifierHex()));
  const OidInfo mech = DescribeOid(&fields.mech);
  if (!mech.decodes) {
    session->Line("mechanism:", mech.failure);
    return session->RefuseWithFields("mechanism OID: " + mech.failure);
  }
  session->Field("mechanism:",
                 mech.index == kORBIMechanismIndex
                     ? OidLine(mech)
                     : OidLine(mech) + ", not the library's mechanism",
                 "mechanism", OidJson(mech));
  session->Field("name length:", std::to_string(fields.name_length),
                 "name_length", std::to_string(fields.name_length));
  BytesField(session, "name:", "name", fields.name, fields.name_length);
  if (fields.has_type) {
    const OidInfo type = DescribeOid(&fields.type);
    if (!type.decodes) {
      session->Line("name type:", type.failure);
      return session->RefuseWithFields("name type OID: " + type.failure);
    }
    session->Field("name type:", OidLine(type), "name_type", OidJson(type));
  } else {
    session->Field("name type:", "none (the token ends after the name)",
                   "name_type", "null");
  }

  // The library has the last word: import the token as an exported name.
  PLVORBIInternalName name;
  gss_buffer_desc input;
  if (!MakeBuffer(&token, &input)) {
    return session->RefuseWithFields("the token is too long for a buffer");
  }
  const OM_uint32 status =
      name.Set(ORBIGetOID(kORBIExportedNameTypeIndex), &input);
  if (status != orbi_name::status::SUCCESS) {
    return session->RefuseWithFields(ImportRefusalText(fields, status));
  }
  session->Field("import:", "accepted", "import", "\"accepted\"");
  return kExitOk;
}

int RunExpand(Session* session, const Args& args) {
  PLVORBIInternalName name;
  int result = ReadAndImport(*session, args, false, &name);
  if (result != kExitOk) return result;

  {
    OwnedBuffer path;
    const OM_uint32 status = name.GetDatabasePath(path.get());
    if (status == orbi_name::status::BAD_INPUT) {
      return session->Refuse(
          "the name has no database path (its text is empty or starts with a "
          "line feed)");
    }
    if (status != orbi_name::status::SUCCESS) {
      return session->Refuse("GetDatabasePath fails: " + StatusText(status));
    }
    // The length counts the zero byte behind the path.
    BytesField(session, "database path:", "database_path", path.bytes(),
               path.length() > 0 ? path.length() - 1 : 0);
  }

  unsigned long cursor = 0;
  std::vector<std::string> entries;
  OM_uint32 status;
  for (;;) {
    OwnedBuffer entry;
    status = name.Read(entry.get(), cursor);
    if (status != orbi_name::status::SUCCESS) break;
    const size_t length = entry.length() > 0 ? entry.length() - 1 : 0;
    entries.push_back(JsonBytes(entry.bytes(), length));
    const std::string label = "entry " + std::to_string(entries.size()) + ":";
    session->Line(label.c_str(), Escape(entry.bytes(), length));
  }
  if (status != orbi_name::status::END_OF_LIST) {
    return session->Refuse("Read fails: " + StatusText(status));
  }
  if (entries.empty()) session->Line("entries:", "none");
  session->Json("entries", JsonArray(entries));

  PLVORBIInternalName* chain = name.CopyExpandedName();
  if (chain == nullptr) {
    return session->Refuse("CopyExpandedName fails: no memory");
  }
  // The set adopts the chain and releases it below.
  PLVORBIInternalNameSet expanded(chain);
  std::vector<std::string> names;
  result = kExitOk;
  for (PLVORBIInternalName* member = expanded.GetMember(nullptr);
       member != nullptr; member = expanded.GetMember(member)) {
    std::vector<unsigned char> shown;
    gss_OID member_type = nullptr;
    result = DisplayName(*session, member, &shown, &member_type);
    if (result != kExitOk) break;
    names.push_back(JsonBytes(shown.data(), shown.size()));
    const std::string label = "expanded " + std::to_string(names.size()) + ":";
    session->Line(label.c_str(), Escape(shown.data(), shown.size()));
  }
  expanded.RemoveAllMembers();
  session->Json("expanded", JsonArray(names));
  return result;
}

int RunOid(Session* session, const Args& args) {
  const char* input = args.positional[0];
  PLVORBIInternalOID value;
  OwnedOid der;
  std::string reading;
  std::string reading_json;
  std::string error;
  if (input[0] == '{' || strchr(input, '.') != nullptr) {
    if (args.content) {
      return session->Usage("--content applies to hex input only");
    }
    reading = input[0] == '{' ? "text in braces" : "dotted text";
    reading_json = reading;
    if (!ReadOidText(input, true, &value, &der, &error)) {
      return session->Refuse(error);
    }
  } else {
    std::vector<unsigned char> bytes;
    if (!ParseHex(input, &bytes, &error)) {
      return session->Refuse(
          "not a dotted OID, an OID text in braces or hex DER: " + error);
    }
    if (bytes.empty()) return session->Refuse("no DER bytes given");
    FullEncoding full;
    const bool is_full = !args.content && bytes[0] == 0x06;
    if (is_full) {
      if (!ReadFullEncoding(bytes, &full, &error)) {
        return session->Refuse(
            "the hex starts with 06, the tag of an OID, but is no full DER "
            "encoding: " +
            error + "; --content reads all of it as content octets");
      }
      reading_json = "full DER encoding";
      reading = reading_json + " (tag 06, length " +
                std::to_string(full.length) + ")";
    } else {
      full.length = bytes.size();
      reading = reading_json = "content octets";
    }
    if (!FitsLength<OidLength>(full.length)) {
      return session->Refuse("longer than 4294967295 bytes");
    }
    gss_OID_desc content = {static_cast<OidLength>(full.length),
                            bytes.data() + full.header};
    const OM_uint32 status = value.set(&content);
    if (status != orbi_name::status::SUCCESS) {
      return session->Refuse(
          is_full ? "the content octets of the " + reading +
                        " do not decode: " + StatusText(status) +
                        "; --content reads all of the hex as content octets"
                  : "the DER bytes do not decode: " + StatusText(status));
    }
    const OM_uint32 encoded = value.get(der.ref());
    if (encoded != orbi_name::status::SUCCESS) {
      return session->Refuse("the arcs have no DER encoding: " +
                             StatusText(encoded));
    }
  }

  std::string text;
  if (!TextForm(value, &text)) {
    return session->Refuse("no memory for the text form");
  }
  session->Field("input:", reading, "input", JsonString(reading_json));
  session->Field("text:", text, "text", JsonString(text));
  session->Field("dotted:", DottedForm(text), "dotted",
                 JsonString(DottedForm(text)));
  const std::string der_hex =
      Hex(static_cast<const unsigned char*>(der.get()->elements),
          der.get()->length);
  session->Field("der:", der_hex, "der", JsonString(der_hex));
  unsigned int code = 0;
  const bool has_code = PLVORBIInternalOID::ConvertFromOIDToTS(
                            der.get(), &code) == orbi_name::status::SUCCESS;
  session->Field("algorithm:", has_code ? std::to_string(code) : "none",
                 "algorithm", has_code ? std::to_string(code) : "null");
  const int index = orbi_name::FindTableEntry(der.get());
  session->Field(
      "OID table:",
      index < 0
          ? std::string("not held")
          : "entry " + std::to_string(index) + " (" + TableRole(index) + ")",
      "table_entry", index < 0 ? std::string("null") : std::to_string(index));
  session->Json("role",
                index < 0 ? std::string("null") : JsonString(TableRole(index)));
  return kExitOk;
}

}  // namespace orbi_tool
