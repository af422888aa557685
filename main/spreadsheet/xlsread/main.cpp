// vantrel-xlsread FILE: reads the first worksheet of an .xls workbook and
// writes its cells to standard output. The import starts it as a child
// process under a time and memory limit, so that a damaged workbook that
// upsets the reader cannot take the main program down with it.
//
// Output: "VXLS1\n", "ROWS COLS\n", then per non-empty cell
// "ROW COL LENGTH\n" and LENGTH bytes of UTF-8 text, then "END\n".
// A workbook it cannot read: one line on standard error, exit code 1.
//
// freexl reads the workbook unless its shared string table holds strings
// freexl cannot take (BiffReader.h): then the helper reads it itself.
#include "BiffReader.h"

#include <freexl.h>

#include <cstdio>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif
#include <cstring>
#include <new>
#include <string>
#include <string_view>

namespace {

const char* problemOf(int code) {
    switch (code) {
    case FREEXL_FILE_NOT_FOUND:
        return "file-missing";
    case FREEXL_INSUFFICIENT_MEMORY:
        return "too-large";
    case FREEXL_INVALID_CFBF_HEADER:
    case FREEXL_CFBF_INVALID_SIGNATURE:
        return "not-xls";
    case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
        return "no-workbook";
    default:
        return "damaged";
    }
}

int fail(const void* handle, const char* problem) {
    if (handle)
        freexl_close(handle);
    std::fprintf(stderr, "%s\n", problem);
    return 1;
}

// A number cell as its text: whole numbers without decimals, others with up
// to 15 significant digits, exponent as "E+".
std::string numberText(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15G", v);
    return buf;
}

bool cellText(const void* h, unsigned row, unsigned short col, std::string& text) {
    FreeXL_CellValue v;
    if (freexl_get_cell_value(h, row, col, &v) != FREEXL_OK)
        return false;
    switch (v.type) {
    case FREEXL_CELL_INT:
        text = std::to_string(v.value.int_value);
        break;
    case FREEXL_CELL_DOUBLE:
        text = numberText(v.value.double_value);
        break;
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME:
        text = v.value.text_value ? v.value.text_value : "";
        break;
    default:
        text.clear();
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // The reader counts bytes: no line-end translation on Windows.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    if (argc != 2) {
        std::fprintf(stderr, "usage: vantrel-xlsread FILE.xls\n");
        return 2;
    }
    xlsread::OwnSheet own;
    try {
        own = xlsread::readOwn(argv[1]);
    } catch (const std::bad_alloc&) {
        return fail(nullptr, "too-large");
    }
    if (own.own) {
        if (own.problem)
            return fail(nullptr, own.problem);
        std::printf("VXLS1\n%u %u\n", static_cast<unsigned>(own.rows), static_cast<unsigned>(own.cols));
        for (const xlsread::OwnSheet::Cell& c : own.cells) {
            const std::string_view text = own.text(c);
            if (text.empty())
                continue;
            std::printf("%u %u %zu\n", static_cast<unsigned>(c.key >> 16) + 1,
                        static_cast<unsigned>(c.key & 0xFFFF) + 1, text.size());
            std::fwrite(text.data(), 1, text.size(), stdout);
        }
        std::printf("END\n");
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    const void* h = nullptr;
    const int rc = freexl_open(argv[1], &h);
    if (rc != FREEXL_OK)
        return fail(h, problemOf(rc));
    unsigned int sheets = 0;
    if (freexl_get_info(h, FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK || sheets == 0)
        return fail(h, "no-worksheet");
    unsigned int rows = 0;
    unsigned short cols = 0;
    if (freexl_select_active_worksheet(h, 0) != FREEXL_OK ||
        freexl_worksheet_dimensions(h, &rows, &cols) != FREEXL_OK)
        return fail(h, "damaged");
    std::printf("VXLS1\n%u %u\n", rows, static_cast<unsigned>(cols));
    std::string text;
    for (unsigned r = 0; r < rows; ++r) {
        for (unsigned short c = 0; c < cols; ++c) {
            if (!cellText(h, r, c, text))
                return fail(h, "damaged");
            if (text.empty())
                continue;
            std::printf("%u %u %zu\n", r + 1, static_cast<unsigned>(c) + 1, text.size());
            std::fwrite(text.data(), 1, text.size(), stdout);
        }
    }
    std::printf("END\n");
    freexl_close(h);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
