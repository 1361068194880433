/* A library file with every entry point of the interface but another version (2.4), for the
   player window's version check. */
#include "audio/bass.h"

DWORD BASS_GetVersion(void) {
    return 0x00020004;
}
int BASS_ErrorGetCode(void) {
    return BASS_ERROR_UNKNOWN;
}
BOOL BASS_Init(int device, DWORD freq, DWORD flags, HWND win, const void* dsguid) {
    (void)device, (void)freq, (void)flags, (void)win, (void)dsguid;
    return TRUE;
}
BOOL BASS_Free(void) {
    return TRUE;
}
BOOL BASS_GetInfo(BASS_INFO* info) {
    (void)info;
    return FALSE;
}
HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD flags) {
    (void)mem, (void)file, (void)offset, (void)length, (void)flags;
    return 0;
}
BOOL BASS_StreamFree(HSTREAM handle) {
    (void)handle;
    return FALSE;
}
HMUSIC BASS_MusicLoad(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD flags,
                      DWORD freq) {
    (void)mem, (void)file, (void)offset, (void)length, (void)flags, (void)freq;
    return 0;
}
BOOL BASS_MusicFree(HMUSIC handle) {
    (void)handle;
    return FALSE;
}
BOOL BASS_ChannelPlay(DWORD handle, BOOL restart) {
    (void)handle, (void)restart;
    return FALSE;
}
HSYNC BASS_ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC* proc, DWORD user) {
    (void)handle, (void)type, (void)param, (void)proc, (void)user;
    return 0;
}
BOOL BASS_ChannelRemoveSync(DWORD handle, HSYNC sync) {
    (void)handle, (void)sync;
    return FALSE;
}
QWORD BASS_ChannelGetPosition(DWORD handle) {
    (void)handle;
    return (QWORD)-1;
}
QWORD BASS_ChannelGetLength(DWORD handle) {
    (void)handle;
    return (QWORD)-1;
}
float BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos) {
    (void)handle, (void)pos;
    return -1.0f;
}
BOOL BASS_ChannelGetAttributes(DWORD handle, DWORD* freq, DWORD* volume, int* pan) {
    (void)handle, (void)freq, (void)volume, (void)pan;
    return FALSE;
}
BOOL BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO* info) {
    (void)handle, (void)info;
    return FALSE;
}
