// Base64 with the standard alphabet, one unbroken line out, a lenient reader in.
#pragma once

#include <string>
#include <string_view>

namespace tarnex {

std::string Base64Encode(std::string_view bytes);
// Throws Error("Base64: Incorrect string format") when the length is not a
// multiple of 4; any other text decodes.
std::string Base64Decode(std::string_view text);

} // namespace tarnex
