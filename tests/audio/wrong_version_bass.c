/* A library file with every entry point of the interface, but version 2.4. The player window
   only resolves the others by name and asks the version, so they need no real signature. */
unsigned int BASS_GetVersion(void) {
    return 0x00020004;
}

#define ENTRY(name)                                                                                \
    void name(void) {}
ENTRY(BASS_ErrorGetCode)
ENTRY(BASS_Init)
ENTRY(BASS_Free)
ENTRY(BASS_GetInfo)
ENTRY(BASS_StreamCreateFile)
ENTRY(BASS_StreamFree)
ENTRY(BASS_MusicLoad)
ENTRY(BASS_MusicFree)
ENTRY(BASS_ChannelPlay)
ENTRY(BASS_ChannelSetSync)
ENTRY(BASS_ChannelRemoveSync)
ENTRY(BASS_ChannelGetPosition)
ENTRY(BASS_ChannelGetLength)
ENTRY(BASS_ChannelBytes2Seconds)
ENTRY(BASS_ChannelGetAttributes)
ENTRY(BASS_ChannelGetInfo)
