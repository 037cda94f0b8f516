/* A host of the reader library as a scripting language or a plug-in host is one:
   it loads libDrovik.so, calls it, and ends by returning from main.

       library_host LIBRARY stay     loads it and ends without unloading it; an
                                     exit handler registered before the load calls
                                     the library on the way out
       library_host LIBRARY reload   loads, unloads, loads and unloads it again

   Each load opens port 1 on a pseudo-terminal of its own (at a rate the reader
   does not know, so the call returns at once and leaves the port open). Exits 0
   when every call answered as it should, 1 otherwise; a crash shows as a signal. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef int32_t (*lib_ver_fn)(uint32_t *);
typedef int32_t (*rf_init_com_fn)(int32_t, int32_t);
typedef int32_t (*rf_ClosePort_fn)(void);

static rf_ClosePort_fn g_close_port_at_exit;

static void close_port_at_exit(void) {
    if (g_close_port_at_exit != NULL) g_close_port_at_exit();
}

/* Port 1 is a fresh pseudo-terminal whose master stays open until the process ends. */
static int use_new_pseudo_terminal(void) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return 0;
    return setenv("SELMEK_PORT1", ptsname(master), 1) == 0;
}

/* Loads the library and uses it; the handle, or NULL when anything went wrong. */
static void *load_and_call(const char *path, rf_ClosePort_fn *close_port) {
    void *library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (library == NULL) {
        fprintf(stderr, "%s\n", dlerror());
        return NULL;
    }
    lib_ver_fn lib_ver = (lib_ver_fn)dlsym(library, "lib_ver");
    rf_init_com_fn init_com = (rf_init_com_fn)dlsym(library, "rf_init_com");
    *close_port = (rf_ClosePort_fn)dlsym(library, "rf_ClosePort");
    uint32_t version = 0;
    if (lib_ver == NULL || init_com == NULL || *close_port == NULL || lib_ver(&version) != 0 ||
        version != 2 || !use_new_pseudo_terminal() || init_com(1, 4800) != 1) {
        fprintf(stderr, "the library did not answer as it should\n");
        return NULL;
    }
    return library;
}

int main(int argc, char **argv) {
    if (argc != 3) return 2;
    rf_ClosePort_fn close_port = NULL;
    if (strcmp(argv[2], "stay") == 0) {
        if (atexit(close_port_at_exit) != 0) return 1;
        if (load_and_call(argv[1], &close_port) == NULL) return 1;
        g_close_port_at_exit = close_port;
        return 0;
    }
    if (strcmp(argv[2], "reload") == 0) {
        for (int round = 0; round < 2; ++round) {
            void *library = load_and_call(argv[1], &close_port);
            if (library == NULL || dlclose(library) != 0) return 1;
        }
        return 0;
    }
    return 2;
}
