// Instrument synthesis for the soundtrack. Every waveform is built from our own sine,
// exponential and a 32-bit congruential noise source, so the samples are reproducible
// bit for bit. Looped samples hold a whole number of cycles of every partial in the loop,
// which makes the loop seamless.
#include "synth.h"

#include <cmath>
#include <cstdint>

static const double PI = 3.14159265358979323846;

double SYN_Sin(double cycles)
{
    double t = cycles - std::floor(cycles);  // [0, 1)
    double x = t * (2.0 * PI);
    if (x > PI)
        x -= 2.0 * PI;                       // [-pi, pi]
    if (x > PI / 2)
        x = PI - x;                          // sin(pi - x) = sin(x)
    else if (x < -PI / 2)
        x = -PI - x;
    // Taylor series to x^15 on [-pi/2, pi/2]: error below 1e-9.
    double x2 = x * x;
    double s = -1.0 / 1307674368000.0;
    s = 1.0 / 6227020800.0 + x2 * s;
    s = -1.0 / 39916800.0 + x2 * s;
    s = 1.0 / 362880.0 + x2 * s;
    s = -1.0 / 5040.0 + x2 * s;
    s = 1.0 / 120.0 + x2 * s;
    s = -1.0 / 6.0 + x2 * s;
    s = 1.0 + x2 * s;
    return x * s;
}

double SYN_Exp(double x)
{
    // e^x = (e^(x / 1024))^1024, with the small power from its Taylor series.
    double y = x / 1024.0;
    double e = 1.0 + y * (1.0 + y / 2.0 * (1.0 + y / 3.0 * (1.0 + y / 4.0 * (1.0 + y / 5.0 * (1.0 + y / 6.0)))));
    for (int i = 0; i < 10; i++)
        e *= e;
    return e;
}

// Noise in [-1, 1) from a 32-bit linear congruential generator, fixed seed per instrument.
struct Noise {
    uint32_t state;
    double Next()
    {
        state = state * 1664525u + 1013904223u;
        return double(state >> 8) / 8388608.0 - 1.0;
    }
};

// One-pole low-pass; the high-pass is the input minus its low-pass.
struct OnePole {
    double a = 0, y = 0;
    void Set(double cutoff, double rate) { a = 1.0 - SYN_Exp(-2.0 * PI * cutoff / rate); }
    double Low(double x) { return y += a * (x - y); }
    double High(double x) { return x - Low(x); }
};

// State-variable filter (two poles); keep the cutoff below a sixth of the rate.
struct StateVariable {
    double f = 0, q = 1, low = 0, band = 0;
    void Set(double cutoff, double rate, double damping)
    {
        f = 2.0 * SYN_Sin(cutoff / (2.0 * rate));
        q = damping;
    }
    void Run(double x)
    {
        low += f * band;
        double high = x - low - q * band;
        band += f * high;
    }
};

// A smooth saturation that keeps |y| < 1 and is nearly linear for small x.
static double SoftClip(double x)
{
    if (x > 3.0)
        x = 3.0;
    if (x < -3.0)
        x = -3.0;
    return x * (27.0 + x * x) / (27.0 + 9.0 * x * x);
}

// Square wave of the given phase in turns.
static double Square(double cycles)
{
    return cycles - std::floor(cycles) < 0.5 ? 1.0 : -1.0;
}

// Linear fade over the last count samples, so no sample ends on a step.
static void FadeEnd(std::vector<double>& x, size_t count)
{
    size_t n = x.size();
    if (count > n)
        count = n;
    for (size_t i = 0; i < count; i++)
        x[n - 1 - i] *= double(i) / double(count);
}

// Scales so the largest magnitude becomes peak * 127 and rounds to 8 bits.
static std::vector<int8_t> Quantise(const std::vector<double>& x, double peak)
{
    double max = 1e-12;
    for (double v : x)
        max = std::fabs(v) > max ? std::fabs(v) : max;
    double scale = 127.0 * peak / max;
    std::vector<int8_t> out(x.size());
    for (size_t i = 0; i < x.size(); i++) {
        double v = x[i] * scale;
        double r = v >= 0 ? std::floor(v + 0.5) : -std::floor(-v + 0.5);
        out[i] = int8_t(r > 127 ? 127 : r < -127 ? -127 : r);
    }
    return out;
}

static SYN_Sample OneShot(const std::vector<double>& x, uint32_t rate, int baseNote, double peak)
{
    SYN_Sample s;
    s.data = Quantise(x, peak);
    s.c2spd = rate;
    s.baseNote = baseNote;
    return s;
}

// A sample that plays x once and then repeats from loopStart to its end.
static SYN_Sample Looped(const std::vector<double>& x, uint32_t rate, int baseNote, double peak, uint64_t loopStart)
{
    SYN_Sample s = OneShot(x, rate, baseNote, peak);
    s.looped = true;
    s.loopStart = uint32_t(loopStart);
    s.loopEnd = uint32_t(x.size());
    return s;
}

static size_t Samples(double seconds, double rate)
{
    return size_t(seconds * rate);
}

SYN_Sample SYN_Kick(void)
{
    const double rate = 22050;
    std::vector<double> x(Samples(0.45, rate));
    Noise noise{0x4B1C4u};
    OnePole clickFilter;
    clickFilter.Set(2500, rate);
    double phase = 0;
    for (size_t n = 0; n < x.size(); n++) {
        double t = double(n) / rate;
        double freq = 44.0 + 125.0 * SYN_Exp(-t / 0.028);  // the drop in pitch makes the thump
        phase += freq / rate;
        double body = SYN_Sin(phase) * SYN_Exp(-t / 0.21);
        double click = clickFilter.Low(noise.Next()) * SYN_Exp(-t / 0.004) * 0.9;
        x[n] = SoftClip(1.5 * (body + click));
    }
    FadeEnd(x, Samples(0.03, rate));
    return OneShot(x, uint32_t(rate), 60, 0.98);
}

SYN_Sample SYN_Snare(void)
{
    const double rate = 22050;
    std::vector<double> x(Samples(0.3, rate));
    Noise noise{0x5A4EEu};
    OnePole high, low;
    high.Set(1200, rate);
    low.Set(7000, rate);
    double p1 = 0, p2 = 0;
    for (size_t n = 0; n < x.size(); n++) {
        double t = double(n) / rate;
        double bend = 1.0 + 0.2 * SYN_Exp(-t / 0.008);
        p1 += 180.0 * bend / rate;
        p2 += 330.0 * bend / rate;
        double body = (0.6 * SYN_Sin(p1) + 0.4 * SYN_Sin(p2)) * SYN_Exp(-t / 0.06);
        double hiss = low.Low(high.High(noise.Next())) * SYN_Exp(-t / 0.1);
        x[n] = SoftClip(1.2 * (0.6 * body + 1.1 * hiss));
    }
    FadeEnd(x, Samples(0.04, rate));
    return OneShot(x, uint32_t(rate), 60, 0.95);
}

// Six detuned square waves over noise, high-passed: the metal of hats and cymbals.
static std::vector<double> Metal(size_t count, double rate, double spread, uint32_t seed,
                                 double highCut, double decay, double noiseMix)
{
    static const double partials[6] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
    std::vector<double> x(count);
    Noise noise{seed};
    OnePole h1, h2, lp;
    h1.Set(highCut, rate);
    h2.Set(highCut, rate);
    lp.Set(rate * 0.3, rate);
    for (size_t n = 0; n < count; n++) {
        double t = double(n) / rate;
        double metal = 0;
        for (double p : partials)
            metal += Square(p * spread * t);
        double v = (1.0 - noiseMix) * metal / 6.0 + noiseMix * noise.Next();
        double attack = t < 0.0015 ? t / 0.0015 : 1.0;
        x[n] = lp.Low(h2.High(h1.High(v))) * attack * SYN_Exp(-t / decay);
    }
    return x;
}

SYN_Sample SYN_HatClosed(void)
{
    const double rate = 44100;
    std::vector<double> x = Metal(Samples(0.09, rate), rate, 1.6, 0x4A7C1u, 6500, 0.018, 0.55);
    FadeEnd(x, Samples(0.02, rate));
    return OneShot(x, uint32_t(rate), 60, 0.9);
}

SYN_Sample SYN_HatOpen(void)
{
    const double rate = 44100;
    std::vector<double> x = Metal(Samples(0.4, rate), rate, 1.6, 0x40E41u, 6000, 0.12, 0.5);
    FadeEnd(x, Samples(0.08, rate));
    return OneShot(x, uint32_t(rate), 60, 0.9);
}

SYN_Sample SYN_Crash(void)
{
    const double rate = 32000;
    std::vector<double> x = Metal(Samples(1.8, rate), rate, 2.3, 0xC7A54u, 2800, 0.55, 0.6);
    FadeEnd(x, Samples(0.3, rate));
    return OneShot(x, uint32_t(rate), 60, 0.95);
}

SYN_Sample SYN_Boom(void)
{
    const double rate = 22050;
    std::vector<double> x(Samples(1.4, rate));
    Noise noise{0xB0044u};
    OnePole dark;
    dark.Set(2500, rate);
    double phase = 0;
    for (size_t n = 0; n < x.size(); n++) {
        double t = double(n) / rate;
        phase += (32.0 + 90.0 * SYN_Exp(-t / 0.08)) / rate;
        double body = SYN_Sin(phase) * SYN_Exp(-t / 0.45);
        double blast = dark.Low(noise.Next()) * SYN_Exp(-t / 0.12) * 1.2;
        x[n] = SoftClip(1.3 * (body + blast));
    }
    FadeEnd(x, Samples(0.2, rate));
    return OneShot(x, uint32_t(rate), 60, 0.97);
}

SYN_Sample SYN_Riser(double seconds)
{
    const double rate = 22050;
    const size_t count = Samples(seconds, rate);
    std::vector<double> x(count);
    Noise noise{0x215E5u};
    StateVariable sweep;
    double phase[3] = {0, 0, 0};
    for (size_t n = 0; n < count; n++) {
        double u = double(n) / double(count);       // 0 .. 1 over the swell
        // 300 Hz rising to 3.6 kHz: the filter is stable only below a sixth of the rate
        // (a sweep to 8 kHz blew it up and left the sample silent).
        double cutoff = 300.0 * SYN_Exp(2.48 * u);
        sweep.Set(cutoff, rate, 0.5);
        double metal = 0;
        for (int i = 0; i < 3; i++) {
            phase[i] += (540.0 + 313.0 * i) * 2.3 / rate;
            metal += Square(phase[i]);
        }
        sweep.Run(0.7 * noise.Next() + 0.1 * metal);
        x[n] = (sweep.low + 0.5 * sweep.band) * u * u * u;
    }
    FadeEnd(x, Samples(0.004, rate));
    return OneShot(x, uint32_t(rate), 60, 0.9);
}

// Phase in turns of partial `harmonic` of an oscillator running `cycles` turns per `loop`
// samples, at sample n: computed in integers, so the loop closes exactly.
static double LoopPhase(uint64_t cycles, uint64_t harmonic, uint64_t n, uint64_t loop)
{
    return double((cycles * harmonic * n) % loop) / double(loop);
}

// Magnitude of a two-pole low-pass at harmonic h with its corner at harmonic corner.
static double LowPass(double h, double corner)
{
    double r = h / corner;
    return 1.0 / std::sqrt(1.0 + r * r * r * r);
}

// Returns 1 at the start falling smoothly to exactly 0 at `end` (in samples), then 0.
static double Settle(size_t n, size_t end, double tau)
{
    if (n >= end)
        return 0.0;
    double e0 = SYN_Exp(-double(end) / tau);
    return (SYN_Exp(-double(n) / tau) - e0) / (1.0 - e0);
}

SYN_Sample SYN_Bass(void)
{
    // One cycle of 256 samples at 16744 Hz is C2; the pluck settles within 16 cycles,
    // then one cycle loops.
    const uint64_t period = 256, attack = 16 * period;
    const int harmonics = 48;
    std::vector<double> x(attack + period);
    for (size_t n = 0; n < x.size(); n++) {
        double b = Settle(n, attack, 1100.0);
        double corner = 4.5 + 12.0 * b;
        double v = 0;
        for (int h = 1; h <= harmonics; h++) {
            double a = LowPass(h, corner) / h * (h == 1 ? 1.4 : 1.0);
            v += a * SYN_Sin(LoopPhase(1, h, n, period));
        }
        double attackRamp = n < 24 ? double(n) / 24.0 : 1.0;
        x[n] = v * (0.72 + 0.28 * b) * attackRamp;
    }
    return Looped(x, 16744, 36, 0.97, attack);
}

SYN_Sample SYN_Pad(void)
{
    // 512 turns of C4 in a 43008-sample loop at 21977 Hz; three oscillators 2 turns apart
    // per loop (about 7 cents) beat slowly against each other.
    const uint64_t loop = 43008, turns = 512, attack = 5376;
    const int harmonics = 22;
    static const int detune[3] = {-2, 0, 2};
    double offset[3][harmonics + 1];
    Noise noise{0x9AD00u};
    for (auto& osc : offset)
        for (double& o : osc)
            o = noise.Next();  // scattered phases keep the peaks low
    double amplitude[harmonics + 1];
    for (int h = 1; h <= harmonics; h++)
        amplitude[h] = LowPass(h, 6.0) / h;
    std::vector<double> x(attack + loop);
    for (size_t n = 0; n < x.size(); n++) {
        double v = 0;
        for (int o = 0; o < 3; o++)
            for (int h = 1; h <= harmonics; h++)
                v += amplitude[h] * SYN_Sin(LoopPhase(turns + detune[o], h, n, loop) + offset[o][h]);
        double u = n < attack ? double(n) / double(attack) : 1.0;
        x[n] = v * u * u * (3.0 - 2.0 * u);
    }
    return Looped(x, 21977, 60, 0.97, attack);
}

SYN_Sample SYN_Lead(void)
{
    // 512 turns of C5 in a 32768-sample loop at 33488 Hz; the side oscillators run one
    // turn per loop apart, a beat of about 1 Hz. The attack is brighter and settles.
    const uint64_t loop = 32768, turns = 512, attack = 2048;
    const int harmonics = 16;
    static const int detune[3] = {0, -1, 1};
    static const double level[3] = {1.0, 0.55, 0.55};
    static const double offset[3] = {0.0, 0.31, 0.67};
    std::vector<double> x(attack + loop);
    for (size_t n = 0; n < x.size(); n++) {
        double b = Settle(n, attack, 500.0);
        double corner = 5.0 + 6.0 * b;
        double v = 0;
        for (int o = 0; o < 3; o++)
            for (int h = 1; h <= harmonics; h++) {
                double a = LowPass(h, corner) / h * (h % 2 ? 1.0 : 0.45);
                v += level[o] * a * SYN_Sin(LoopPhase(turns + detune[o], h, n, loop) + offset[o] * h);
            }
        double ramp = n < 64 ? double(n) / 64.0 : 1.0;
        x[n] = v * (1.0 + 0.25 * b) * ramp;
    }
    return Looped(x, 33488, 72, 0.97, attack);
}

SYN_Sample SYN_Pluck(void)
{
    const double rate = 32000, freq = 523.2511;
    std::vector<double> x(Samples(0.9, rate));
    for (size_t n = 0; n < x.size(); n++) {
        double t = double(n) / rate;
        double v = 0;
        for (int h = 1; h <= 14; h++) {
            double tau = 0.42 / (1.0 + 0.55 * (h - 1));  // upper partials die first
            v += SYN_Sin(h * freq * t) * SYN_Exp(-t / tau) / (h * (1.0 + 0.1 * h));
        }
        x[n] = v * (t < 0.001 ? t / 0.001 : 1.0);
    }
    FadeEnd(x, Samples(0.05, rate));
    return OneShot(x, uint32_t(rate), 72, 0.97);
}

SYN_Sample SYN_Bell(void)
{
    const double rate = 22050, freq = 523.2511;
    // Partials of a free bar, and one a hair above the fundamental for a slow shimmer.
    static const double ratio[5] = {1.0, 1.0023, 2.756, 5.404, 8.933};
    static const double level[5] = {1.0, 0.35, 0.5, 0.25, 0.12};
    static const double decay[5] = {1.3, 1.1, 0.6, 0.3, 0.15};
    std::vector<double> x(Samples(2.4, rate));
    for (size_t n = 0; n < x.size(); n++) {
        double t = double(n) / rate;
        double v = 0;
        for (int i = 0; i < 5; i++)
            v += level[i] * SYN_Sin(ratio[i] * freq * t) * SYN_Exp(-t / decay[i]);
        x[n] = v * (t < 0.0015 ? t / 0.0015 : 1.0);
    }
    FadeEnd(x, Samples(0.4, rate));
    return OneShot(x, uint32_t(rate), 72, 0.97);
}
