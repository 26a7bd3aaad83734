// Synthesised instruments of the soundtrack: drums, bass, pad, lead, pluck, bell and a
// reversed cymbal, rendered as 8-bit samples. Only +, -, *, / and comparisons on doubles
// (our own sine and exponential), so the bytes are the same on every IEEE machine.
#pragma once

#include <cstdint>
#include <vector>

struct SYN_Sample {
    std::vector<int8_t> data;
    bool looped = false;
    uint32_t loopStart = 0;  // [loopStart, loopEnd) repeats when looped
    uint32_t loopEnd = 0;
    uint32_t c2spd = 8363;   // playback rate of tracker note C-4
    int baseNote = 60;       // MIDI note heard at C-4 (unpitched drums: 60)
};

double SYN_Sin(double cycles);   // sine of a phase given in whole turns
double SYN_Exp(double x);        // e^x for -60 <= x <= 60

SYN_Sample SYN_Kick(void);       // pitch-swept sine with a click; 0.45 s
SYN_Sample SYN_Snare(void);      // two-tone body and band-passed noise; 0.3 s
SYN_Sample SYN_HatClosed(void);  // metallic noise, 90 ms
SYN_Sample SYN_HatOpen(void);    // the same, ringing 0.4 s
SYN_Sample SYN_Crash(void);      // broad metallic wash, 1.8 s
SYN_Sample SYN_Boom(void);       // deep falling impact with a burst of noise, for hits; 1.4 s
SYN_Sample SYN_Riser(double seconds); // reversed cymbal swelling to its end, exactly seconds long
SYN_Sample SYN_Bass(void);       // plucked saw bass, looped; C-4 sounds C2
SYN_Sample SYN_Pad(void);        // three detuned soft saws, slow attack, looped; C-4 sounds C4
SYN_Sample SYN_Lead(void);       // two detuned pulse-saws, looped; C-4 sounds C5
SYN_Sample SYN_Pluck(void);      // decaying harmonic pluck for arpeggios; C-4 sounds C5
SYN_Sample SYN_Bell(void);       // inharmonic struck bar for accents; C-4 sounds C5
