// The closing screen: the end text on the 32-bit text screen, whose whole picture is softened
// and pulled half a pixel up and to the left every frame, so that drawn letters glow and melt
// away while new ones fade in.
#pragma once

#include <cstdint>

bool FinalePrepare(uint32_t time);   // opens "ENDTEXT.TXT" and builds the text colour table
bool FinaleStart(uint32_t time);     // records the start, sets up the text screen, installs FinaleFrame
bool FinaleFrame(uint32_t time);     // the frame hook: soften, clear the left column, draw the text, show

// One softening pass over a width x height picture in place: every pixel but those of the
// bottom row becomes the average of itself, its right neighbour (a row's last pixel takes the
// next row's first), the pixel below and the pixel below-right, channel by channel.
void FINALE_Soften(uint32_t* picture, int32_t width, int32_t height);
