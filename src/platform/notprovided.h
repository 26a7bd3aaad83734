// Entry points of the old display, music and timer layer that this system does not provide.
// Each exists under its name and stops with the assertion !"NYI" at its fixed place.
#pragma once

void VGA_SetMode(void);
void DRW_DoHorizontalDraw(void);
void DRW_DoVerticalDraw(void);
void DRW_DoVerticalDraw1(void);
void DRW_DoVerticalDraw2(void);
void DRW_DoVerticalDraw3(void);
void DRW_DoVerticalDraw4(void);
void DRW_DoVerticalDraw640(void);
void DRW_DoTransparentDraw(void);
void DRW_DoTransparentDraw640(void);
void PollMusic(void);
void CallMusicHandle(void);
void IsThereMusic(void);
void TIMER_SetSpeed(void);
void LLV_PutBuffer(void);
void LLS_SetMode(void);
void BM_Draw(void);
void BM_Get(void);

// Every entry point of this module with the unit and line its stop reports; for tests.
struct NotProvidedEntry {
    void (*fn)(void);
    const char* name;
    const char* unit;
    int line;
};
extern const NotProvidedEntry NYI_Entries[18];
