// Conversion between raw bytes and hexadecimal text, used for the byte
// arguments of the simulated counter and for its event log.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Decodes text such as "0a0d303030313233" (either letter case) into bytes.
// Returns nothing when the text is empty, of odd length or not hexadecimal.
std::optional<std::string> decodeHex(std::string_view text);

// Encodes bytes as lower-case hexadecimal, two digits per byte.
std::string encodeHex(std::string_view bytes);
