// The module's reader and writer of the standard exported name token and
// of the exported composite name token (mech/standard_name_token.h), on
// their own: no module, glue or library.
//
// Invariants: an accepted token's fields lie inside the input and cover it
// exactly, and writing them again gives the input byte for byte (the reader
// takes only the shortest DER length, so a token has one form); a refused
// one leaves the fields untouched. Writing the input split into an OID and a
// name reads back to the same two pieces.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <vector>

#include "../mech/standard_name_token.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact-size copy, so that a read past the end is caught.
  std::vector<unsigned char> token(data, data + size);
  token.reserve(1);  // a non-null pointer for no bytes
  orbi_mech::TokenFields fields;
  const unsigned char sentinel = 0;
  fields.mech = &sentinel;
  if (!orbi_mech::ParseStandardToken(token.data(), size, &fields)) {
    FUZZ_CHECK(fields.mech == &sentinel && fields.name == nullptr &&
               fields.mech_length == 0 && fields.name_length == 0);
  } else {
    const unsigned char* end = token.data() + size;
    FUZZ_CHECK(fields.mech_length > 0);
    FUZZ_CHECK(fields.mech > token.data() &&
               fields.mech + fields.mech_length <= end);
    FUZZ_CHECK(fields.name + fields.name_length == end);
    const size_t rewritten =
        orbi_mech::StandardTokenSize(fields.mech_length, fields.name_length);
    FUZZ_CHECK(rewritten == size);
    std::vector<unsigned char> again(rewritten);
    FUZZ_CHECK(orbi_mech::WriteStandardToken(fields.mech, fields.mech_length,
                                             fields.name, fields.name_length,
                                             again.data(), again.size()));
    FUZZ_CHECK(memcmp(again.data(), token.data(), size) == 0);
  }

  // The same bytes as a composite token: its fields lie inside the input in
  // order and cover it, and the writer gives the input back.
  orbi_mech::TokenFields composite;
  composite.mech = &sentinel;
  if (!orbi_mech::ParseCompositeToken(token.data(), size, &composite)) {
    FUZZ_CHECK(composite.mech == &sentinel && composite.name == nullptr &&
               composite.attributes == nullptr);
  } else {
    const unsigned char* end = token.data() + size;
    FUZZ_CHECK(composite.mech_length > 0 && composite.mech > token.data());
    FUZZ_CHECK(composite.mech + composite.mech_length + 4 <= composite.name);
    FUZZ_CHECK(composite.name + composite.name_length + 4 ==
               composite.attributes);
    FUZZ_CHECK(composite.attributes + composite.attributes_length == end);
    const size_t rewritten = orbi_mech::CompositeTokenSize(
        composite.mech_length, composite.name_length,
        composite.attributes_length);
    FUZZ_CHECK(rewritten == size);
    std::vector<unsigned char> again(rewritten);
    FUZZ_CHECK(orbi_mech::WriteCompositeToken(
        composite.mech, composite.mech_length, composite.name,
        composite.name_length, composite.attributes,
        composite.attributes_length, again.data(), again.size()));
    FUZZ_CHECK(memcmp(again.data(), token.data(), size) == 0);
    // A token is of one kind.
    FUZZ_CHECK(fields.mech == &sentinel);
  }

  // The input as an OID and a name: the first byte chooses the cut.
  if (size >= 1) {
    const size_t rest = size - 1;
    const size_t cut = rest == 0 ? 0 : data[0] % (rest + 1);
    const unsigned char* mech = data + 1;
    const unsigned char* name = data + 1 + cut;
    const size_t name_length = rest - cut;
    const size_t written_size = orbi_mech::StandardTokenSize(cut, name_length);
    FUZZ_CHECK((written_size == 0) == (cut == 0));
    if (written_size != 0) {
      std::vector<unsigned char> written(written_size);
      FUZZ_CHECK(orbi_mech::WriteStandardToken(mech, cut, name, name_length,
                                               written.data(), written_size));
      // One byte short is refused, not overrun.
      FUZZ_CHECK(!orbi_mech::WriteStandardToken(
          mech, cut, name, name_length, written.data(), written_size - 1));
      orbi_mech::TokenFields back;
      FUZZ_CHECK(
          orbi_mech::ParseStandardToken(written.data(), written_size, &back));
      FUZZ_CHECK(back.mech_length == cut && memcmp(back.mech, mech, cut) == 0);
      FUZZ_CHECK(
          back.name_length == name_length &&
          (name_length == 0 || memcmp(back.name, name, name_length) == 0));
    }
  }
  return 0;
}
