/* The ANSI code page of the running system, as "CPnnn". */
#ifndef VANTREL_WIN_LOCALCHARSET_H
#define VANTREL_WIN_LOCALCHARSET_H
const char* locale_charset(void);
#endif
