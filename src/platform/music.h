// The program's side of the music: start the module, read its position (1-based order and
// row), stop it.
#pragma once

#include <cstdint>

extern uint8_t MusicStopped;   // set by MUSIC_Stop; all the program knows of whether music plays
extern uint32_t MUSIC_Handle;  // the playing module's handle, 0 when none

// The music position word: order index in the low 16 bits, row in the high 16 bits,
// 0xFFFFFFFF when there is none. MUSIC_Position starts as MUSIC_LibraryPosition, the playing
// module's (BASS_ChannelGetPosition); a test may script it instead.
extern uint32_t (*MUSIC_Position)(void);
uint32_t MUSIC_LibraryPosition(void);

// Starts the music library's output: the backend's sound output when it has one (PLAT.audio),
// else none (the module then plays with the backend's clock). Registers MUSIC_Free with the
// fatal-error exit. Ends the process with a message on failure.
void MUSIC_Init(void);

// Reads the module file name whole (FILE_GetSize and FILE_Load: one file gives size and
// bytes), loads it and starts it from its start. Ends the process with a message when the
// file is missing, empty or short, or the module is refused or has nothing to play.
int MUSIC_Load(const char* name);

int MUSIC_GetOrder(void);      // 1-based order number of the position heard now
int MUSIC_GetRow(void);        // 1-based row number of the position heard now
void MUSIC_Stop(void);         // stops and releases the library; sets MusicStopped
void MUSIC_Free(void);         // releases the library (again)
bool MUSIC_IsPlaying(void);    // false once stopped or once the module has played to its end
void MUSIC_Pause(void);        // holds the module where it is (silence; the position stays)
void MUSIC_Resume(void);       // plays on from where MUSIC_Pause held it
