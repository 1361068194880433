/* An independent client of the audio library, in plain C: it loads libbass.so with dlopen,
 * plays an MP3 of its own from memory through SDL's disk driver and checks what comes out.
 * Usage: bass_client <folder of libbass.so> <scratch folder>. Exit status 0 when all holds. */
#include "audio/bass.h"

#include <dlfcn.h>
#include <lame/lame.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#define RATE 44100
#define FRAMES 22050 /* half a second: not a whole number of MP3 frames */

static int failures = 0;
#define CHECK(cond)                                                                                \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #cond);                     \
            ++failures;                                                                            \
        }                                                                                          \
    } while (0)

static struct {
    DWORD (*GetVersion)(void);
    int (*ErrorGetCode)(void);
    BOOL (*Init)(int, DWORD, DWORD, HWND, const void*);
    BOOL (*Free)(void);
    HSTREAM (*StreamCreateFile)(BOOL, const void*, DWORD, DWORD, DWORD);
    BOOL (*StreamFree)(HSTREAM);
    BOOL (*ChannelPlay)(DWORD, BOOL);
    HSYNC (*ChannelSetSync)(DWORD, DWORD, QWORD, SYNCPROC*, DWORD);
    QWORD (*ChannelGetPosition)(DWORD);
    QWORD (*ChannelGetLength)(DWORD);
} bass;

/* dlsym gives an object pointer; it is copied bitwise into the function pointer. */
static void entry(void* lib, const char* name, void* target, size_t size) {
    void* f = dlsym(lib, name);
    if (f == NULL || size != sizeof f) {
        fprintf(stderr, "missing entry point %s\n", name);
        exit(2);
    }
    memcpy(target, &f, sizeof f);
}
#define LOAD(field) entry(lib, "BASS_" #field, &bass.field, sizeof bass.field)

static volatile int syncs = 0; /* written by the library's thread only */
static void BASS_CALLBACK onEnd(HSYNC sync, DWORD channel, DWORD data, DWORD user) {
    (void)sync;
    (void)channel;
    (void)data;
    if (user == 42) {
        __atomic_add_fetch(&syncs, 1, __ATOMIC_SEQ_CST);
    }
}

static void sleepMs(int ms) {
    struct timespec t = {ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&t, NULL);
}

/* Left 300 Hz, right 700 Hz, half scale, with the LAME tag for gapless decoding. */
static unsigned char* encodeClip(size_t* size) {
    short* pcm = malloc(sizeof(short) * FRAMES * 2);
    for (int n = 0; n < FRAMES; ++n) {
        pcm[2 * n] = (short)lround(16384 * sin(2 * M_PI * 300.0 * n / RATE));
        pcm[2 * n + 1] = (short)lround(16384 * sin(2 * M_PI * 700.0 * n / RATE));
    }
    lame_global_flags* gf = lame_init();
    lame_set_in_samplerate(gf, RATE);
    lame_set_out_samplerate(gf, RATE);
    lame_set_num_channels(gf, 2);
    lame_set_mode(gf, STEREO);
    lame_set_brate(gf, 128);
    lame_set_bWriteVbrTag(gf, 1);
    lame_set_write_id3tag_automatic(gf, 0);
    lame_init_params(gf);
    size_t capacity = FRAMES * 2 + 20000;
    unsigned char* mp3 = malloc(capacity);
    int n = lame_encode_buffer_interleaved(gf, pcm, FRAMES, mp3, (int)capacity);
    n += lame_encode_flush(gf, mp3 + n, (int)capacity - n);
    /* The tag goes into the empty frame LAME left at the start. */
    unsigned char tag[2880];
    size_t tagSize = lame_get_lametag_frame(gf, tag, sizeof tag);
    memcpy(mp3, tag, tagSize);
    lame_close(gf);
    free(pcm);
    *size = (size_t)n;
    return mp3;
}

static double rising(const short* s, int side, size_t from, size_t count) {
    double first = -1, last = -1;
    int crossings = 0;
    for (size_t f = from + 1; f < from + count; ++f) {
        double a = s[(f - 1) * 2 + side], b = s[f * 2 + side];
        if (a < 0 && b >= 0) {
            double at = (double)(f - 1) + (-a) / (b - a);
            if (first < 0) {
                first = at;
            }
            last = at;
            ++crossings;
        }
    }
    return crossings < 2 ? 0 : (crossings - 1) * (double)RATE / (last - first);
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: bass_client <library folder> <scratch folder>\n");
        return 2;
    }
    char path[4096];
    snprintf(path, sizeof path, "%s/libbass.so", argv[1]);
    void* lib = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (lib == NULL) {
        fprintf(stderr, "dlopen: %s\n", dlerror());
        return 2;
    }
    LOAD(GetVersion);
    LOAD(ErrorGetCode);
    LOAD(Init);
    LOAD(Free);
    LOAD(StreamCreateFile);
    LOAD(StreamFree);
    LOAD(ChannelPlay);
    LOAD(ChannelSetSync);
    LOAD(ChannelGetPosition);
    LOAD(ChannelGetLength);

    char capture[4096];
    snprintf(capture, sizeof capture, "%s/bass_client.raw", argv[2]);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", capture, 1);
    setenv("SDL_DISKAUDIODELAY", "1", 1);

    size_t size = 0;
    unsigned char* mp3 = encodeClip(&size);

    CHECK(bass.GetVersion() == 0x00020002);
    CHECK(bass.StreamCreateFile(TRUE, mp3, 0, (DWORD)size, BASS_SAMPLE_LOOP) == 0);
    CHECK(bass.ErrorGetCode() == BASS_ERROR_INIT);
    CHECK(bass.Init(-1, RATE, 0, NULL, NULL));
    CHECK(!bass.Init(-1, RATE, 0, NULL, NULL));
    CHECK(bass.ErrorGetCode() == BASS_ERROR_ALREADY);
    CHECK(!bass.StreamFree(0));
    CHECK(bass.ErrorGetCode() == BASS_ERROR_HANDLE);
    static const char garbage[] = "no sound in here, only words and more words";
    CHECK(bass.StreamCreateFile(TRUE, garbage, 0, sizeof garbage, 0) == 0);
    CHECK(bass.ErrorGetCode() == BASS_ERROR_FILEFORM);

    /* A first channel, played and freed, leaves nothing behind (the leak checker watches). */
    HSTREAM first = bass.StreamCreateFile(TRUE, mp3, 0, (DWORD)size, 0);
    CHECK(first != 0);
    CHECK(bass.ChannelPlay(first, FALSE));
    CHECK(bass.StreamFree(first));
    CHECK(!bass.StreamFree(first));
    CHECK(bass.ErrorGetCode() == BASS_ERROR_HANDLE);
    /* The first channel may have reached the device for a buffer or two before it was freed: a
       stretch of silence keeps that apart from the looping channel below. */
    sleepMs(50);

    HSTREAM stream = bass.StreamCreateFile(TRUE, mp3, 0, (DWORD)size, BASS_SAMPLE_LOOP);
    CHECK(stream != 0 && stream != first);
    /* Exactly the encoded frames, 16-bit stereo. */
    CHECK(bass.ChannelGetLength(stream) == (QWORD)FRAMES * 4);
    CHECK(bass.ChannelSetSync(stream, BASS_SYNC_END, 0, onEnd, 42) != 0);
    CHECK(bass.ChannelPlay(stream, FALSE));

    /* The position runs up to the length and starts again. */
    QWORD previous = 0;
    int wraps = 0;
    for (int i = 0; i < 20000 && (wraps < 3 || __atomic_load_n(&syncs, __ATOMIC_SEQ_CST) < 3);
         ++i) {
        QWORD now = bass.ChannelGetPosition(stream);
        CHECK(now <= (QWORD)FRAMES * 4);
        if (now < previous) {
            ++wraps;
        }
        previous = now;
        sleepMs(1);
    }
    CHECK(wraps >= 3);
    CHECK(__atomic_load_n(&syncs, __ATOMIC_SEQ_CST) >= 3);
    CHECK(bass.StreamFree(stream));
    CHECK(bass.Free());
    free(mp3);

    /* What the device got: left 300 Hz, right 700 Hz, and each pass equal to the one before. */
    FILE* f = fopen(capture, "rb");
    CHECK(f != NULL);
    if (f == NULL) {
        return 1;
    }
    fseek(f, 0, SEEK_END);
    long bytes = ftell(f);
    fseek(f, 0, SEEK_SET);
    short* out = malloc((size_t)bytes);
    size_t frames = fread(out, 1, (size_t)bytes, f) / 4;
    fclose(f);
    size_t start = 0;
    while (start < frames && out[start * 2] == 0 && out[start * 2 + 1] == 0) {
        ++start;
    }
    /* Skip what the first channel left: sound, then silence longer than any in the tones. */
    for (size_t i = start, quiet = 0; i < frames && i < start + FRAMES / 2; ++i) {
        quiet = out[i * 2] == 0 && out[i * 2 + 1] == 0 ? quiet + 1 : 0;
        if (quiet == 64) {
            while (i < frames && out[i * 2] == 0 && out[i * 2 + 1] == 0) {
                ++i;
            }
            start = i;
            break;
        }
    }
    CHECK(frames > start + 3 * FRAMES);
    if (frames > start + 3 * FRAMES) {
        double left = rising(out, 0, start, FRAMES);
        double right = rising(out, 1, start, FRAMES);
        CHECK(fabs(left - 300) < 1);
        CHECK(fabs(right - 700) < 1);
        size_t differing = 0;
        for (size_t i = start * 2; i < (start + 2 * FRAMES) * 2; ++i) {
            differing += out[i] != out[i + FRAMES * 2];
        }
        CHECK(differing == 0);
        if (failures) {
            fprintf(stderr, "left %.2f Hz, right %.2f Hz, %zu samples differ between passes\n",
                    left, right, differing);
        }
    }
    free(out);
    if (failures == 0) {
        printf("bass_client: all checks passed\n");
    }
    return failures == 0 ? 0 : 1;
}
