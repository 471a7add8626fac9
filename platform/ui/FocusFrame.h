#pragma once

class QWidget;

namespace ui {

// The focused control of the window draws its focus frame from the moment the window shows, not only once the
// keyboard has moved the focus (the toolkit's habit): with the focus on a button, Enter or Space presses it, and
// the operator should see which. Showing a window clears the toolkit's flag, so it is set again at every showing.
void alwaysShowFocusFrame(QWidget* window);

} // namespace ui
