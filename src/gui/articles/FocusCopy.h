#pragma once

// Edit > Copy: the focused widget copies what it has selected; the result
// table copies the citations of its selected rows.
void copyFromFocusedWidget();
