// Text helpers of the registry store: how names are compared and how they are kept on disk.
#pragma once

#include <string>
#include <string_view>

namespace dq::registry {

// The form names are compared in: every UTF-16 code unit upper-cased on its own (simple case
// mapping, as Windows compares registry names), laid out big-endian so that comparing the bytes
// orders names by code unit.
std::string FoldName(std::u16string_view name);

// UTF-16 to UTF-8 and back without loss: an unpaired surrogate is kept as its own three-byte
// sequence, so every name Windows could store round-trips while ordinary names stay readable.
std::string ToStoredText(std::u16string_view text);
std::u16string FromStoredText(std::string_view text);

} // namespace dq::registry
