/* A library file that has the right name but only one entry point, for the loader's test. */
unsigned int BASS_GetVersion(void) {
    return 0x00020002;
}
