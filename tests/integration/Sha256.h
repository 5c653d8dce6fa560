// SHA-256 of a byte string, as a lower-case hex digest: the fingerprint the
// recorded-scene table keeps for every rendered frame.
#pragma once

#include <string>
#include <vector>

namespace harness {

std::string Sha256Hex(const std::vector<unsigned char>& bytes);

}  // namespace harness
