/* iconv over the Windows code page functions, for the spreadsheet reader's
   library on Windows: it converts only to "UTF-8", from the code pages an
   .xls file names (CPnnn, ASCII, UTF-16LE, MacRoman). */
#ifndef VANTREL_WIN_ICONV_H
#define VANTREL_WIN_ICONV_H
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef void* iconv_t;
iconv_t iconv_open(const char* to, const char* from);
size_t iconv(iconv_t cd, char** in, size_t* inLeft, char** out, size_t* outLeft);
int iconv_close(iconv_t cd);

#ifdef __cplusplus
}
#endif
#endif
