// The desktop backend's translation of SDL's events into the show's: the keys the show knows
// by name, presses and releases kept apart, the window's close; everything else dropped.
#include "platform/desktop/desktop.h"

#include <gtest/gtest.h>

namespace {

SDL_Event Key(Uint8 type, SDLKey sym)
{
    SDL_Event e{};
    e.type = type;
    e.key.type = type;
    e.key.keysym.sym = sym;
    return e;
}

TEST(DesktopEvents, KeysAndTheWindowCloseBecomeTheShowsEvents)
{
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    const struct {
        SDL_Event sdl;
        PLAT_EventType type;
        PLAT_Key key;
    } cases[] = {
        {Key(SDL_KEYUP, SDLK_ESCAPE), PLAT_EVENT_KEY_UP, PLAT_KEY_ESCAPE},
        {Key(SDL_KEYDOWN, SDLK_ESCAPE), PLAT_EVENT_KEY_DOWN, PLAT_KEY_ESCAPE},
        {Key(SDL_KEYUP, SDLK_SPACE), PLAT_EVENT_KEY_UP, PLAT_KEY_SPACE},
        {Key(SDL_KEYUP, SDLK_q), PLAT_EVENT_KEY_UP, PLAT_KEY_Q},
        {Key(SDL_KEYUP, SDLK_PRINT), PLAT_EVENT_KEY_UP, PLAT_KEY_PRINT},
        {Key(SDL_KEYUP, SDLK_SYSREQ), PLAT_EVENT_KEY_UP, PLAT_KEY_SYSREQ},
        {Key(SDL_KEYUP, SDLK_F12), PLAT_EVENT_KEY_UP, PLAT_KEY_F12},
        {Key(SDL_KEYUP, SDLK_a), PLAT_EVENT_KEY_UP, PLAT_KEY_OTHER},
        {Key(SDL_KEYUP, SDLK_F11), PLAT_EVENT_KEY_UP, PLAT_KEY_OTHER},
        {quit, PLAT_EVENT_QUIT, PLAT_KEY_OTHER},
    };
    for (const auto& c : cases) {
        PLAT_Event e{};
        ASSERT_TRUE(DESK_TranslateEvent(c.sdl, &e)) << "SDL event " << (int)c.sdl.type;
        EXPECT_EQ(e.type, c.type) << "SDL key " << (int)c.sdl.key.keysym.sym;
        EXPECT_EQ(e.key, c.key) << "SDL key " << (int)c.sdl.key.keysym.sym;
    }

    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    PLAT_Event e{};
    EXPECT_FALSE(DESK_TranslateEvent(motion, &e)) << "the show has no use for the mouse";
}

}  // namespace
