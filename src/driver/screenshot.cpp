// Screenshots from the window (Print Screen, SysReq or F12): the 8-bit screen as a PCX file
// and the shown frame as a PNG beside it, both numbered by ShotCounter.
#include "driver/demo.h"

#include "image/pcxwrite.h"
#include "platform/screen.h"
#include "support/pngwrite.h"
#include "text/tcscr.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

void DEMO_Screenshot(void)
{
    const int number = ShotCounter % 100;
    char pcx[16], png[16];
    std::snprintf(png, sizeof png, "vantrl%02d.png", number);
    // Once the closing's text screen is set up (its depth is 32) there is no 8-bit picture to
    // save: the PNG alone is written.
    const bool textScreen = TCS_Depth != 0;
    std::snprintf(pcx, sizeof pcx, textScreen ? "vantrl%02d.TGA" : "vantrl%02d.PCX", number);
    ShotCounter++;

    if (!textScreen && LLS_Screen) {
        if (PIX_WritePCX(pcx, LLS_Screen, LLS_Width, LLS_Height, PAL_Target))
            std::fprintf(stderr, "vantrel: screenshot %s (%d x %d, 8-bit)\n", pcx, LLS_Width, LLS_Height);
        else
            std::fprintf(stderr, "vantrel: cannot write the screenshot \"%s\": %s\n", pcx, std::strerror(errno));
    }
    std::string error;
    if (PNG_WriteRGB32(png, LLS_Frame32, LLS_FRAME_WIDTH, LLS_FRAME_HEIGHT, &error))
        std::fprintf(stderr, "vantrel: screenshot %s (%d x %d, as shown)\n", png, LLS_FRAME_WIDTH, LLS_FRAME_HEIGHT);
    else
        std::fprintf(stderr, "vantrel: %s\n", error.c_str());
}
