#pragma once
// Where a window appears when it opens.
class QWidget;

namespace widgets {

// Moves a window to the middle of the screen's available area.
void centreOnScreen(QWidget* window);

} // namespace widgets
