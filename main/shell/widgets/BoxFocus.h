#pragma once
// Text, date and number boxes that select their whole text when they gain
// the focus, as every window of the program does.
class QWidget;

namespace widgets {

// Selects the whole text of a text, date or number box when it holds text,
// then lets pending events run.
void SelectAllText(QWidget* control);
// Makes a box select its whole text each time it gains the focus.
void selectAllOnFocus(QWidget* control);

} // namespace widgets
