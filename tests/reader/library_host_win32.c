/* A Windows host of the reader library, as a plug-in host or a scripting
   language is one: it loads Drovik.dll, calls it, and ends by returning from
   main without unloading it. A GUI program (no console, no standard error).

       library_host_win32 DIR des           DIR holds Drovik.dll and its transport:
                                            des_encrypt by ordinal and by name, one
                                            known answer
       library_host_win32 DIR no-transport  DIR holds Drovik.dll alone: the load
                                            returns (the library's message must not
                                            hold it up), and the library answers

   Exits 0 when every call answered as it should; 1 to 9 name the step that did
   not. */
#include <windows.h>

#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "drovik.h"

typedef int32_t(DROVIK_CALL *des_fn)(uint8_t *, const uint8_t *, int32_t, const uint8_t *,
                                     int32_t);
typedef int32_t(DROVIK_CALL *lib_ver_fn)(uint32_t *);
typedef int32_t(DROVIK_CALL *rf_beep_fn)(int32_t, int32_t);

static HMODULE load(const char *directory) {
    char path[MAX_PATH * 2];
    snprintf(path, sizeof path, "%s\\Drovik.dll", directory);
    return LoadLibraryA(path);
}

static int known_answer(HMODULE library) {
    /* Single DES, FIPS 81: key 0123456789ABCDEF, "Now is t". */
    static const uint8_t key[8] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
    static const uint8_t plain[8] = {0x4E, 0x6F, 0x77, 0x20, 0x69, 0x73, 0x20, 0x74};
    static const uint8_t cipher[8] = {0x3F, 0xA4, 0x0E, 0x8A, 0x98, 0x4D, 0x48, 0x15};
    des_fn by_ordinal = (des_fn)(void *)GetProcAddress(library, MAKEINTRESOURCEA(2));
    des_fn by_name = (des_fn)(void *)GetProcAddress(library, "des_encrypt");
    if (by_ordinal == NULL) return 3;
    if (by_ordinal != by_name) return 4;
    uint8_t out[8] = {0};
    if (by_ordinal(out, plain, 8, key, 8) != 0) return 5;
    return memcmp(out, cipher, 8) == 0 ? 0 : 6;
}

static int without_transport(HMODULE library) {
    lib_ver_fn lib_ver = (lib_ver_fn)(void *)GetProcAddress(library, "lib_ver");
    rf_beep_fn rf_beep = (rf_beep_fn)(void *)GetProcAddress(library, "rf_beep");
    uint32_t version = 0;
    if (lib_ver == NULL || rf_beep == NULL) return 3;
    if (lib_ver(&version) != 0 || version != 2) return 4;
    return rf_beep(0, 1) == DROVIK_ERR_NO_TRANSPORT ? 0 : 5;
}

int main(int argc, char **argv) {
    if (argc != 3) return 9;
    /* A GUI program has no standard error, whatever started it. */
    fclose(stderr);
    HMODULE library = load(argv[1]);
    if (library == NULL) return 2;
    if (strcmp(argv[2], "des") == 0) return known_answer(library);
    if (strcmp(argv[2], "no-transport") == 0) return without_transport(library);
    return 9;
}
