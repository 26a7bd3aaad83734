// The program's side of the music: position and state as the show reads them.
#include "platform/music.h"

#include "platform/backend.h"

uint8_t MusicStopped = 0;
uint32_t MUSIC_Handle = 0;

// The position word holds the order index in its low 16 bits and the row in its high 16
// bits; both are shown 1-based. A failed position read (all ones) gives 65536 for both.
int MUSIC_GetOrder(void) { return (int)(PLAT.MusicPosition() & 0xFFFF) + 1; }
int MUSIC_GetRow(void) { return (int)(PLAT.MusicPosition() >> 16) + 1; }
bool MUSIC_IsPlaying(void) { return !MusicStopped; }
