// The OID table's entries as this build spells them out: each entry's DER
// content octets and its dotted text, put together from the rows of
// kORBIOIDRoles (orbi_services/oid_table.h), the rule for the reserved
// entries (ARC.2.INDEX) and the build's arc (orbi_build_oids.h). The table's
// source makes its objects from MakeEntryOctets; the tests and the tool's
// test read EntryDottedText.
//
// Not installed, as it depends on the build's arc; constants and inline
// functions only, so nothing here becomes a symbol of the services library.
#ifndef ORBI_SERVICES_INTERNAL_OID_ENTRIES_H_
#define ORBI_SERVICES_INTERNAL_OID_ENTRIES_H_

#include <stddef.h>

#include <string>

#include "orbi_build_oids.h"
#include "orbi_services/oid_table.h"

namespace orbi_services {

// The build's arc: its content octets and its dotted text.
constexpr unsigned char kArcOctets[] = {ORBI_OID_ARC_BYTES};
constexpr char kArcText[] = ORBI_OID_ARC_TEXT;
// The arc under ARC that holds the reserved entries: entry INDEX is
// ARC.2.INDEX, content octets the arc's, 02 and INDEX. One octet each while
// both are below 128.
constexpr unsigned char kReservedArc = 2;
static_assert(kORBIOIDTableSize <= 128,
              "a reserved entry's index is one content octet");

// EntryLength returns the number of content octets of entry index.
// REQUIRES: 0 <= index < kORBIOIDTableSize.
constexpr OM_uint32 EntryLength(int index) {
  const ORBIOIDRole* row = ORBIOIDRowOf(index);
  constexpr auto kArcLength = static_cast<OM_uint32>(sizeof(kArcOctets));
  if (row == nullptr) return kArcLength + 2;
  return (ORBIOIDIsUnderArc(*row) ? kArcLength : 0) + row->der.length;
}

// LongestEntry returns the largest EntryLength of the table.
constexpr OM_uint32 LongestEntry() {
  OM_uint32 longest = 0;
  for (int i = 0; i < kORBIOIDTableSize; ++i) {
    if (EntryLength(i) > longest) longest = EntryLength(i);
  }
  return longest;
}

// EntryOctets holds every entry's content octets, entry i in bytes[i] with
// at least one zero byte behind them, and their number in length[i].
struct EntryOctets {
  unsigned char bytes[kORBIOIDTableSize][LongestEntry() + 1];
  OM_uint32 length[kORBIOIDTableSize];
};

// MakeEntryOctets puts together the content octets of every entry: a row's
// octets, after the arc's for a row under the arc; a reserved entry's from
// the rule above.
constexpr EntryOctets MakeEntryOctets() {
  EntryOctets out{};
  for (int i = 0; i < kORBIOIDTableSize; ++i) {
    unsigned char* p = out.bytes[i];
    const ORBIOIDRole* row = ORBIOIDRowOf(i);
    if (row == nullptr || ORBIOIDIsUnderArc(*row)) {
      for (unsigned char octet : kArcOctets) *p++ = octet;
    }
    if (row == nullptr) {
      *p++ = kReservedArc;
      *p++ = static_cast<unsigned char>(i);
    } else {
      for (OM_uint32 k = 0; k < row->der.length; ++k) {
        *p++ = static_cast<unsigned char>(row->der.bytes[k]);
      }
    }
    out.length[i] = static_cast<OM_uint32>(p - out.bytes[i]);
  }
  return out;
}

// EntryDottedText returns the dotted text of entry index, the arc spelled
// out ("1.3.6.1.4.1.32473.1" for the mechanism under the default arc), or
// "" for an index outside the table.
inline std::string EntryDottedText(int index) {
  if (index < 0 || index >= kORBIOIDTableSize) return "";
  const ORBIOIDRole* row = ORBIOIDRowOf(index);
  if (row == nullptr) {
    return std::string(kArcText) + "." + std::to_string(kReservedArc) + "." +
           std::to_string(index);
  }
  // "ARC.1.1": the arc's text, then the row's from its first dot.
  if (ORBIOIDIsUnderArc(*row)) return kArcText + std::string(row->dotted + 3);
  return row->dotted;
}

}  // namespace orbi_services

#endif  // ORBI_SERVICES_INTERNAL_OID_ENTRIES_H_
