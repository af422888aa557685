/* iconv over MultiByteToWideChar/WideCharToMultiByte. A descriptor is the
   source code page; each call converts the whole input (the reader hands
   complete strings) or fails with EILSEQ / E2BIG and consumes nothing. */
#include "iconv.h"
#include "localcharset.h"

#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

static UINT codePage(const char* name) {
    if (_stricmp(name, "ASCII") == 0)
        return 20127;
    if (_stricmp(name, "UTF-16LE") == 0)
        return 1200;
    if (_stricmp(name, "UTF-8") == 0)
        return CP_UTF8;
    if (_stricmp(name, "MacRoman") == 0)
        return 10000;
    if (_strnicmp(name, "CP", 2) == 0 && name[2] >= '0' && name[2] <= '9')
        return (UINT)strtoul(name + 2, NULL, 10);
    return 0;
}

iconv_t iconv_open(const char* to, const char* from) {
    const UINT cp = codePage(from);
    CPINFO info;
    if (_stricmp(to, "UTF-8") != 0 || cp == 0 || (cp != 1200 && cp != CP_UTF8 && !GetCPInfo(cp, &info))) {
        errno = EINVAL;
        return (iconv_t)(-1);
    }
    return (iconv_t)(uintptr_t)cp;
}

int iconv_close(iconv_t cd) {
    (void)cd;
    return 0;
}

size_t iconv(iconv_t cd, char** in, size_t* inLeft, char** out, size_t* outLeft) {
    const UINT cp = (UINT)(uintptr_t)cd;
    if (!in || !*in || *inLeft == 0)
        return 0;
    int wideLen;
    WCHAR* wide;
    if (cp == 1200) {
        if (*inLeft % 2) {
            errno = EINVAL;
            return (size_t)(-1);
        }
        wideLen = (int)(*inLeft / 2);
        wide = (WCHAR*)malloc(sizeof(WCHAR) * (size_t)wideLen);
        if (!wide) {
            errno = ENOMEM;
            return (size_t)(-1);
        }
        memcpy(wide, *in, *inLeft);
    } else {
        wideLen = MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, *in, (int)*inLeft, NULL, 0);
        if (wideLen <= 0) {
            errno = EILSEQ;
            return (size_t)(-1);
        }
        wide = (WCHAR*)malloc(sizeof(WCHAR) * (size_t)wideLen);
        if (!wide) {
            errno = ENOMEM;
            return (size_t)(-1);
        }
        MultiByteToWideChar(cp, 0, *in, (int)*inLeft, wide, wideLen);
    }
    const int need = WideCharToMultiByte(CP_UTF8, 0, wide, wideLen, NULL, 0, NULL, NULL);
    if (need <= 0 || (size_t)need > *outLeft) {
        free(wide);
        errno = need <= 0 ? EILSEQ : E2BIG;
        return (size_t)(-1);
    }
    WideCharToMultiByte(CP_UTF8, 0, wide, wideLen, *out, need, NULL, NULL);
    free(wide);
    *in += *inLeft;
    *inLeft = 0;
    *out += need;
    *outLeft -= (size_t)need;
    return 0;
}

const char* locale_charset(void) {
    static char name[16];
    snprintf(name, sizeof name, "CP%u", GetACP());
    return name;
}
