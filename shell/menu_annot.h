// The annotation editor in the main window's menus: the Graph menu's Annotations shows it,
// and while it is shown its menus and the console's mouse, click and resize hang under the
// Window menu's Graph Annotate.
#pragma once

#include <vector>

#include "shell/menu.h"

// Makes the editor known to the Window menu's Graph Annotate row.
void registerannotationwindow();
// Puts the editor into the Graph menu's Annotations item of a freshly built tree.
void installannotationmenus(std::vector<MenuItem>& tree);
