/*
 * The audio library interface, version 2.2: the subset the program calls, with the vendor's
 * names, constants and record layouts. Our implementation is libbass.so (audio/bass/), loaded
 * at run time from the program folder.
 *
 * Threads: every call may be made from any thread. The error code is kept per thread, so
 * BASS_ErrorGetCode must be asked on the thread that made the failed call. A successful call
 * leaves the code as it was; only failures set it.
 */
#ifndef TESSALY_BASS_H
#define TESSALY_BASS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define BASSDEF(f) __stdcall f
#define BASS_CALLBACK __stdcall
#else
#define BASSDEF(f) f
#define BASS_CALLBACK
#endif

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef uint64_t QWORD;
typedef int32_t BOOL;
typedef DWORD HMUSIC;  /* module channel */
typedef DWORD HSTREAM; /* stream channel */
typedef DWORD HSYNC;   /* synchroniser */
typedef void* HWND;    /* owner window, only passed through */

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

#define BASSVERSION 0x0202 /* major.minor in the low word of BASS_GetVersion */

/* Error codes (BASS_ErrorGetCode) */
#define BASS_OK 0
#define BASS_ERROR_MEM 1       /* memory error */
#define BASS_ERROR_FILEOPEN 2  /* the file could not be opened */
#define BASS_ERROR_DRIVER 3    /* no usable sound output */
#define BASS_ERROR_HANDLE 5    /* invalid handle */
#define BASS_ERROR_INIT 8      /* BASS_Init has not been called */
#define BASS_ERROR_ALREADY 14  /* already initialised */
#define BASS_ERROR_ILLTYPE 19  /* an illegal type was given */
#define BASS_ERROR_ILLPARAM 20 /* an illegal parameter was given */
#define BASS_ERROR_DEVICE 23   /* illegal device number */
#define BASS_ERROR_NOTAVAIL 37 /* not available */
#define BASS_ERROR_FILEFORM 41 /* unsupported file format */
#define BASS_ERROR_UNKNOWN -1  /* some other problem */

/* Sample and channel flags */
#define BASS_SAMPLE_8BITS 1        /* 8-bit samples (this implementation always decodes 16-bit) */
#define BASS_SAMPLE_LOOP 4         /* loop at the end */
#define BASS_MUSIC_RAMP 0x200      /* normal ramping */
#define BASS_MUSIC_PRESCAN 0x20000 /* compute the exact length at load time */

/* Sync types */
#define BASS_SYNC_END 2 /* the channel reached its end, also each time a looping channel wraps */

/* DirectSound version that BASS_GetInfo reports: there is no DirectSound here, and 9 is the
   last version the 2.2 interface knew. */
#define BASS_DSVER_REPORTED 9

/* Output device information (BASS_GetInfo): 14 32-bit fields. */
typedef struct {
    DWORD flags;     /* 0 */
    DWORD hwsize;    /* 0: no hardware mixing */
    DWORD hwfree;    /* 0 */
    DWORD freesam;   /* 0 */
    DWORD free3d;    /* 0 */
    DWORD minrate;   /* lowest channel rate accepted */
    DWORD maxrate;   /* highest channel rate accepted */
    DWORD eax;       /* FALSE */
    DWORD minbuf;    /* output buffer length in milliseconds */
    DWORD dsver;     /* BASS_DSVER_REPORTED */
    DWORD latency;   /* typical delay from play to sound, in milliseconds */
    DWORD initflags; /* flags given to BASS_Init */
    DWORD speakers;  /* output channels */
    DWORD freq;      /* output rate in Hz */
} BASS_INFO;

/* Channel information (BASS_ChannelGetInfo). */
typedef struct {
    DWORD freq;  /* sample rate in Hz */
    DWORD chans; /* channel count */
    DWORD flags; /* BASS_SAMPLE_* flags; bit 0 set means 8-bit samples */
} BASS_CHANNELINFO;

/* Sync callback: runs on the library's sync thread, never on the mixing thread, so a callback
   that blocks delays later syncs but not the sound. data is 0 for BASS_SYNC_END. */
typedef void(BASS_CALLBACK SYNCPROC)(HSYNC handle, DWORD channel, DWORD data, DWORD user);

/* 0x00020002 for version 2.2. */
DWORD BASSDEF(BASS_GetVersion)(void);
/* Code of the last failed call on this thread. */
int BASSDEF(BASS_ErrorGetCode)(void);
/* device -1 (or 1) is the default output; freq is the mixing rate. A second call fails with
   BASS_ERROR_ALREADY; no usable output gives BASS_ERROR_DRIVER. win and dsguid are ignored. */
BOOL BASSDEF(BASS_Init)(int device, DWORD freq, DWORD flags, HWND win, const void* dsguid);
/* Stops the output and frees every channel; waits for a running sync callback to return. */
BOOL BASSDEF(BASS_Free)(void);
BOOL BASSDEF(BASS_GetInfo)(BASS_INFO* info);

/* MPEG audio (layers 1 to 3) from memory only (mem TRUE): the image at file + offset, length
   bytes, is read in place and must stay valid until the stream is freed. A LAME/Xing tag's
   encoder delay and padding are trimmed, so looping is gapless. */
HSTREAM BASSDEF(BASS_StreamCreateFile)(BOOL mem, const void* file, DWORD offset, DWORD length,
                                       DWORD flags);
/* Freeing stops the channel at once; 0 or a module handle fails with BASS_ERROR_HANDLE. */
BOOL BASSDEF(BASS_StreamFree)(HSTREAM handle);

/* Tracker modules from memory only (mem TRUE); freq 0 renders at the BASS_Init rate. */
HMUSIC BASSDEF(BASS_MusicLoad)(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD flags,
                               DWORD freq);
/* Freeing stops the channel at once; 0 or a stream handle fails with BASS_ERROR_HANDLE. */
BOOL BASSDEF(BASS_MusicFree)(HMUSIC handle);

/* Starts or resumes; restart TRUE (or a channel that played to its end) starts from 0. */
BOOL BASSDEF(BASS_ChannelPlay)(DWORD handle, BOOL restart);
/* Only BASS_SYNC_END; param is ignored. */
HSYNC BASSDEF(BASS_ChannelSetSync)(DWORD handle, DWORD type, QWORD param, SYNCPROC* proc,
                                   DWORD user);
BOOL BASSDEF(BASS_ChannelRemoveSync)(DWORD handle, HSYNC sync);

/* Position within the current pass and length, in bytes of the decoded 16-bit samples;
   (QWORD)-1 with an error on failure. */
QWORD BASSDEF(BASS_ChannelGetPosition)(DWORD handle);
QWORD BASSDEF(BASS_ChannelGetLength)(DWORD handle);
/* Seconds for a byte count in the channel's format; a negative value on failure. */
float BASSDEF(BASS_ChannelBytes2Seconds)(DWORD handle, QWORD pos);
/* Sample rate, volume (0..100) and pan (-100..100); null pointers are skipped. */
BOOL BASSDEF(BASS_ChannelGetAttributes)(DWORD handle, DWORD* freq, DWORD* volume, int* pan);
BOOL BASSDEF(BASS_ChannelGetInfo)(DWORD handle, BASS_CHANNELINFO* info);

#ifdef __cplusplus
}
#endif

#endif
