// The soundtrack of the default data set, MUSIC\VANTREL.S3M, composed from code.
#pragma once

#include <cstdint>
#include <vector>

// Composes and synthesises the module and returns the complete S3M file; the same bytes
// on every call.
std::vector<uint8_t> ASSET_ComposeModule(void);
