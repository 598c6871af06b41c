#include "text_block.h"

namespace orbi_name {
namespace internal {

std::atomic<uint32_t> g_next_text_stamp{1};

}  // namespace internal
}  // namespace orbi_name
