#pragma once
// The updater window's keyboard: Escape and Enter never close it, and every
// other key pressed is noted in the log (level 2) with the POS keyboard code
// it stands for.
namespace updater {

// Virtual key codes of the keys the window treats specially.
inline constexpr int kVkReturn = 0x0D;
inline constexpr int kVkShift = 0x10;
inline constexpr int kVkEscape = 0x1B;

class PosKey {
public:
    // A key-down (or system key-down) with its virtual key code. Returns true
    // when the key is swallowed; false when it goes on to the window.
    bool keyDown(int vk);

    // The POS keyboard code of a virtual key code; 0 when it has none.
    static int posCode(int vk);

private:
    bool m_shift = false;
};

} // namespace updater
