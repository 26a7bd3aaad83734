// PNG output in the web build: a page has no folder to write into, so the PNG writers
// refuse with a reason instead of linking libpng.
#include "support/pngwrite.h"

static bool PNG_Unavailable(const char* path, std::string* error)
{
    if (error)
        *error = std::string("cannot write \"") + path + "\": PNG files are not written in a web page";
    return false;
}

bool PNG_WriteRGB32(const char* path, const uint32_t*, int, int, std::string* error)
{
    return PNG_Unavailable(path, error);
}

bool PNG_WriteIndexed(const char* path, const uint8_t*, int, int, const uint8_t*, int, std::string* error)
{
    return PNG_Unavailable(path, error);
}
