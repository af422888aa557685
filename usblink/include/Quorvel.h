#ifndef QUORVEL_H
#define QUORVEL_H
/*
 * Quorvel: the USB link to the label printer. Every call finds the printer
 * anew, opens it, acts and closes it again; nothing is kept between calls.
 *
 * USB printer class devices are the device nodes lp0, lp1, ... of /dev/usb,
 * or of the folder named by the environment variable QUORVEL_DEVICE_DIR.
 * The first one (in number order) that opens for reading and writing is the
 * printer.
 *
 * Results of SA4T_Print:
 *    0        text written (types other than 1 and 3)
 *    0 .. 99  status code of the printer (types 1 and 3): the decimal value
 *             of the two characters after SOH STX in its answer
 *   -1        the list of USB printer devices cannot be obtained
 *   -3        no USB printer device (left) that can be opened
 *   -5        no memory for a device record
 *   -6        fewer bytes were written than the text holds
 *   -7        the device record of a printer cannot be read
 *   -8        no status answer within 10 seconds
 *
 * Types of SA4T_Print:
 *    3        status only: the text is ignored; ask for the status
 *    1        write the text, then ask for the status
 *    other    write the text only; result 0
 */
#include <stdint.h>

#if defined(_WIN32)
#define QUORVEL_API __declspec(dllexport)
#define QUORVEL_STDCALL __stdcall
#else
#define QUORVEL_API __attribute__((visibility("default")))
#define QUORVEL_STDCALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Results of SA4T_Print and SA4T_Status_Check. */
enum {
    QUORVEL_OK = 0,
    QUORVEL_NO_DEVICE_LIST = -1,
    QUORVEL_NO_PRINTER = -3,
    QUORVEL_NO_MEMORY = -5,
    QUORVEL_SHORT_WRITE = -6,
    QUORVEL_NO_DEVICE_RECORD = -7,
    QUORVEL_NO_ANSWER = -8
};

/* Number of USB printers that can be opened; 0 when none or when the device
   list cannot be obtained. */
QUORVEL_API int32_t Find_SA4T_Printer(void);

/* Writes text (NUL-terminated, code page 949) to the first USB printer and/or
   asks for its status, by type; see the tables above. */
QUORVEL_API int32_t QUORVEL_STDCALL SA4T_Print(const char* text, int32_t type);

/* The status loop on a printer the caller has opened; the handle is the open
   file descriptor cast to a pointer. Asks with "{WS|}" until an answer frame
   comes in and returns its code, or -8 after 10 seconds without one. */
QUORVEL_API int32_t QUORVEL_STDCALL SA4T_Status_Check(void* handle);

#ifdef __cplusplus
}
#endif

#endif
