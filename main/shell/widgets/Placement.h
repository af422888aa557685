#pragma once
// Where a window appears when it opens.
class QWidget;

namespace widgets {

// Moves a window to the middle of the screen's available area. A window
// larger than the area is first made to fit it (as far as its smallest size
// allows), and its title bar never leaves the area.
void centreOnScreen(QWidget* window);

// A window beside the main window (preview, history): centred on the screen
// each time it opens, and closed by Esc.
void placeAndCloseOnEscape(QWidget* window);

} // namespace widgets
