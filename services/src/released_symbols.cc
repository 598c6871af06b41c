// Symbols that the first packages of the services library (1.0.0-1)
// exported without meaning to, kept while the soname is 1 so that the
// library still exports everything it ever shipped.
#include <stddef.h>

#include "der/oid.h"

namespace orbi {
namespace der {

// OidArcsEncodable<unsigned long> was an instantiation of a template of the
// DER module that the ASN.1 stand-in used, exported because the module's
// headers did not hide it. It is true when the count arcs have DER content
// octets.
template <typename Arc>
bool OidArcsEncodable(const Arc* arcs, size_t count);

template <>
__attribute__((visibility("default"))) bool OidArcsEncodable<unsigned long>(
    const unsigned long* arcs, size_t count) {
  return FindOidArcsFault(arcs, count) == ArcsFault::kNone;
}

}  // namespace der
}  // namespace orbi
