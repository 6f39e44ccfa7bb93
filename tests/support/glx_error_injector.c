/* Makes one chosen frame leave an OpenGL error in a program that reaches
   the host's libGL only through glXGetProcAddressARB, itself looked up with
   dlsym on a dlopen()ed libGL: Wine's OpenGL does, for the Windows build of
   the demo, so stand-ins linked by name (gl_error_injector.c) never run.

   Preloaded (LD_PRELOAD) into every process Wine starts, it stands in front
   of dlsym, hands out its own glXGetProcAddressARB, and that one hands out
   its own glXSwapBuffers. On swap number ML_INJECT_GL_ERROR_FRAME (counting
   from 1, in each process) it first makes one call that OpenGL must reject,
   glEnable of a value that names no capability (GL_INVALID_ENUM, and no
   state changes), in the context the program drew the frame in, then swaps
   as usual: the frame's error query finds an error the program did not
   cause itself. Every other call goes straight through. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* Not a capability in any OpenGL version. */
#define NOT_A_CAPABILITY 0x1234U

typedef void (*AnyFunction)(void);
typedef AnyFunction (*GetProcAddress)(const unsigned char*);
typedef void (*SwapBuffers)(void*, unsigned long);
typedef void (*Enable)(unsigned);

void* dlsym(void* handle, const char* name);

static GetProcAddress realGetProcAddress;
static SwapBuffers realSwapBuffers;

/* ISO C has no cast between object and function pointers. */
static AnyFunction asFunction(void* symbol)
{
    AnyFunction f;
    memcpy(&f, &symbol, sizeof f);
    return f;
}

static void* asObject(AnyFunction f)
{
    void* symbol;
    memcpy(&symbol, &f, sizeof symbol);
    return symbol;
}

static void* realDlsym(void* handle, const char* name)
{
    static void* (*real)(void*, const char*);
    if (real == NULL) {
        /* glibc 2.34 moved dlsym into libc under a new version; older
           releases have only the first one. */
        void* found = dlvsym(RTLD_NEXT, "dlsym", "GLIBC_2.34");
        if (found == NULL) {
            found = dlvsym(RTLD_NEXT, "dlsym", "GLIBC_2.2.5");
        }
        if (found == NULL) {
            fputs("glx_error_injector: no dlsym to stand in front of\n", stderr);
            abort();
        }
        memcpy(&real, &found, sizeof found);
    }
    return real(handle, name);
}

static void injectingSwapBuffers(void* display, unsigned long drawable)
{
    static long chosenFrame = -1;
    static long frame;
    if (chosenFrame < 0) {
        const char* chosen = getenv("ML_INJECT_GL_ERROR_FRAME");
        chosenFrame = chosen != NULL ? strtol(chosen, NULL, 10) : 0;
    }
    if (++frame == chosenFrame) {
        Enable enable;
        AnyFunction f = realGetProcAddress((const unsigned char*)"glEnable");
        memcpy(&enable, &f, sizeof enable);
        enable(NOT_A_CAPABILITY);
    }
    realSwapBuffers(display, drawable);
}

static AnyFunction injectingGetProcAddress(const unsigned char* name)
{
    AnyFunction found = realGetProcAddress(name);
    if (found != NULL && strcmp((const char*)name, "glXSwapBuffers") == 0) {
        memcpy(&realSwapBuffers, &found, sizeof found);
        return (AnyFunction)injectingSwapBuffers;
    }
    return found;
}

void* dlsym(void* handle, const char* name)
{
    void* found = realDlsym(handle, name);
    if (found != NULL && strcmp(name, "glXGetProcAddressARB") == 0) {
        realGetProcAddress = (GetProcAddress)asFunction(found);
        return asObject((AnyFunction)injectingGetProcAddress);
    }
    return found;
}
