#pragma once

// Hands memory that was freed back to the system where the C library keeps it otherwise: after
// a burst of large buffers (video frames, pictures) the heap stays at its peak for the rest of a
// run that may last days. Does nothing where the library has no such call.
void returnFreedMemory();
