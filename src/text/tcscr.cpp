// Set-up and release of the 32-bit text screen.
#include "text/tcscr.h"

#include "platform/screen.h"
#include "support/assert.h"
#include "support/base.h"

#include <cstdlib>
#include <cstring>

int32_t TCS_Width = 320;
int32_t TCS_Height = 200;
uint32_t* TCS_Picture = nullptr;
int32_t TCS_Depth = 0;

static void TCS_FreePicture(void)
{
    // LLS_DUMP must not read the old picture once it is gone.
    TCS_Forget(TCS_Picture);
    std::free(TCS_Picture);
    TCS_Picture = nullptr;
}

bool TCS_Init(int32_t width, int32_t height, int32_t depth)
{
    (void)depth;
    TCS_FreePicture();
    TCS_Width = width;
    // The 640-pixel modes of the old display layer would double these heights; they are not
    // provided.
    if (width == 640 && (height == 240 || height == 160 || height == 200))
        SYS_NOT_PROVIDED("TCS_Init", "TCSCR", 84);
    TCS_Height = height;
    TCS_Depth = 32;

    const int64_t bytes = (int64_t)width * height * 4;
    if (width <= 0 || height <= 0 || bytes > INT32_MAX)
        return false;
    uint32_t* picture = (uint32_t*)MEM_Alloc((int32_t)bytes);
    if (!picture)
        return false;
    std::memset(picture, 0, (size_t)bytes);
    TCS_Picture = picture;
    TCS_Active = 1;
    return true;
}

void TCS_End(void)
{
    TCS_FreePicture();
    TCS_Depth = 0;
}
