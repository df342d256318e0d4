#pragma once

namespace Ui {
class MainWindow;
}

// The window's shortcuts that a single key sequence in the interface file
// cannot give: two keys for one command, or the platform's own key.
void assignWindowShortcuts(Ui::MainWindow &ui);
