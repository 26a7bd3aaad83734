// vantrel-module: writes the generated soundtrack alone, and can render it to a WAV file
// (44100 Hz, 16-bit stereo) through libopenmpt, to listen to it or look at its levels.
#include "vantrel-assets/music.h"

#include <libopenmpt/libopenmpt.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

static void PrintHelp(const char* program)
{
    printf("Usage: %s OUT.S3M [--wav OUT.WAV]\n"
           "Writes the show's generated module to OUT.S3M and prints its orders, length and\n"
           "peak level. With --wav, also renders it with libopenmpt at 44100 Hz, 16-bit stereo.\n",
           program);
}

static bool WriteFile(const char* name, const void* data, size_t size)
{
    FILE* f = fopen(name, "wb");
    if (!f) {
        fprintf(stderr, "%s: cannot open for writing\n", name);
        return false;
    }
    bool ok = fwrite(data, 1, size, f) == size;
    ok = fclose(f) == 0 && ok;
    if (!ok)
        fprintf(stderr, "%s: write failed\n", name);
    return ok;
}

static void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        out.push_back(uint8_t(v >> (8 * i)));
}

static void Put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

static void LogToStderr(const char* message, void*)
{
    fprintf(stderr, "libopenmpt: %s\n", message);
}

int main(int argc, char** argv)
{
    const char* out = nullptr;
    const char* wav = nullptr;
    for (int i = 1; i < argc; i++) {
        if (!strcmp(argv[i], "--help") || !strcmp(argv[i], "-h")) {
            PrintHelp(argv[0]);
            return 0;
        } else if (!strcmp(argv[i], "--wav") && i + 1 < argc) {
            wav = argv[++i];
        } else if (argv[i][0] != '-' && !out) {
            out = argv[i];
        } else {
            fprintf(stderr, "%s: unexpected argument '%s' (try --help)\n", argv[0], argv[i]);
            return 2;
        }
    }
    if (!out) {
        PrintHelp(argv[0]);
        return 2;
    }

    std::vector<uint8_t> module = ASSET_ComposeModule();
    if (!WriteFile(out, module.data(), module.size()))
        return 1;

    int error = 0;
    openmpt_module* mod = openmpt_module_create_from_memory2(module.data(), module.size(), LogToStderr,
                                                             nullptr, nullptr, nullptr, &error, nullptr, nullptr);
    if (!mod) {
        fprintf(stderr, "%s: libopenmpt refuses the module (error %d)\n", out, error);
        return 1;
    }
    const char* tracker = openmpt_module_get_metadata(mod, "tracker");
    printf("%s: %zu bytes, %d orders, %.1f s, made with %s\n", out, module.size(),
           openmpt_module_get_num_orders(mod), openmpt_module_get_duration_seconds(mod), tracker);
    openmpt_free_string(tracker);

    const int rate = 44100;
    std::vector<int16_t> pcm;
    std::vector<float> block(2 * 1024);
    float peak = 0;
    for (;;) {
        size_t frames = openmpt_module_read_interleaved_float_stereo(mod, rate, 1024, block.data());
        if (frames == 0)
            break;
        for (size_t i = 0; i < 2 * frames; i++) {
            float v = block[i];
            peak = v > peak ? v : -v > peak ? -v : peak;
            float s = v * 32767.0f;
            pcm.push_back(int16_t(s > 32767.0f ? 32767 : s < -32768.0f ? -32768 : s));
        }
    }
    openmpt_module_destroy(mod);
    printf("peak %.3f of full scale\n", peak);

    if (wav) {
        std::vector<uint8_t> file;
        uint32_t bytes = uint32_t(pcm.size() * 2);
        file.insert(file.end(), {'R', 'I', 'F', 'F'});
        Put32(file, 36 + bytes);
        file.insert(file.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
        Put32(file, 16);
        Put16(file, 1);  // PCM
        Put16(file, 2);
        Put32(file, rate);
        Put32(file, rate * 4);
        Put16(file, 4);
        Put16(file, 16);
        file.insert(file.end(), {'d', 'a', 't', 'a'});
        Put32(file, bytes);
        for (int16_t s : pcm)
            Put16(file, uint16_t(s));
        if (!WriteFile(wav, file.data(), file.size()))
            return 1;
    }
    return 0;
}
