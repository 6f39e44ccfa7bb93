// How the C heap treats memory the program (and the GL stack inside it)
// frees.
#pragma once

// Makes the C heap keep the memory it frees for the next allocation instead
// of handing it back to the kernel. Software GL and GLUT allocate and free
// buffers of hundreds of kilobytes on every frame; returned to the kernel,
// each one is faulted back in page by page on the next frame.
//
// Returns whether the C library took the settings: false where it has no
// such settings (anything but glibc) and in builds configured with
// ML_FAST_ALLOCATOR=OFF, which keep the library's defaults.
bool keepFreedMemory();
