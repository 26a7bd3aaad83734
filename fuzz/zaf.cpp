// Fuzz target: the .ZAF loader over the file's bytes, then every frame through doFrame, and
// the player forward and back. A corrupt frame's assertion stop is a clean outcome.
#include "fx2d/anim.h"
#include "platform/screen.h"
#include "support/assert.h"

namespace {

struct FuzzStop {};

void FuzzThrow(const char*, const char*, const char*, int)
{
    throw FuzzStop();
}

// Plays steps, ending quietly at a corrupt frame.
void FuzzPlay(Anim* anim, int32_t steps, uint32_t now)
{
    try {
        ANIM_Play(anim, steps, now);
    } catch (const FuzzStop&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SYS_SetAssertHandler(FuzzThrow);
    // One page of exactly 64000 bytes for the whole run, so any stray write is caught.
    static const bool screen = LLS_Init(1, 0) == 1;
    (void)screen;
    Anim anim;
    if (!ANIM_InitMemory(&anim, data, size, 2, 0, 0))
        return 0;
    // Each frame on its own, then the player's loops over all of them.
    for (int32_t i = 0; i < anim.frameCount; i++) {
        anim.currentFrame = (uint32_t)i;
        FuzzPlay(&anim, 1, 0);
    }
    anim.currentFrame = 0;
    anim.lastTime = 0;
    FuzzPlay(&anim, anim.frameCount, 10);
    FuzzPlay(&anim, -anim.frameCount, 11);   // held back by the rate limit
    FuzzPlay(&anim, -anim.frameCount, 0);
    ANIM_End(&anim);
    return 0;
}
