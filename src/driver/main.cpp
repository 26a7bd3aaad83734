// The application shim: SDL 1.2 does not rename main on this platform, so main hands the
// process's arguments to SDL_main, and SDL_main's result ends the process.
#include "driver/demo.h"

int main(int argc, char** argv)
{
    return SDL_main(argc, argv);
}
