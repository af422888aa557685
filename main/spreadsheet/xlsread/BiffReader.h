#pragma once
// vantrel-xlsread's own reading of a BIFF8 workbook. freexl reads a shared
// string table only when each of its strings spans at most two records (and
// crashes on some that span more), so a workbook with a text cell of more
// than about 8,000 Hangul or 16,000 Latin characters cannot go through it.
// This reader looks at the string table first: where freexl reads it right,
// freexl reads the workbook as before; otherwise this reader reads the first
// worksheet itself, giving its cells the texts freexl would give them.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace xlsread {

struct OwnSheet {
    // false: freexl reads the workbook; the rest is unset.
    bool own = false;
    // Set when the workbook cannot be read: the problem word of the output.
    const char* problem = nullptr;
    std::uint32_t rows = 0;
    std::uint16_t cols = 0;

    // A cell: (0-based row << 16 | 0-based column) and where its text is, a
    // shared string (index, kShared) or a piece of `texts` (offset, length).
    struct Cell {
        std::uint64_t key;
        std::uint32_t at;
        std::uint32_t size;
    };
    static constexpr std::uint32_t kShared = 0xFFFFFFFF;
    // In row and column order, one a cell; a text may be empty.
    std::vector<Cell> cells;
    std::vector<std::string> strings;
    std::string texts;

    std::string_view text(const Cell& c) const {
        return c.size == kShared ? std::string_view(strings[c.at])
                                 : std::string_view(texts).substr(c.at, c.size);
    }
};

OwnSheet readOwn(const char* path);

} // namespace xlsread
