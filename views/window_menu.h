// The editor rows of the main window's Window menu: one per registered editor, in slot order,
// named by its number in paths ("::Window/1/Edit/Execute Selection"), since an editor's
// caption is its file's path. Choosing a row brings its editor forward and shows it; the
// editor's menus hang under its row, and going through the row runs the reload check first.
#pragma once

#include <vector>

#include "shell/menu.h"

std::vector<MenuItem> editorwindowitems();
// The click of the editor row at position k of the Window menu (the first editor row is at
// position 3): the k-2nd registered editor comes forward; "\nError:  in \"Window\" menu.\n"
// when there are fewer.
void editoritemclick(int k);
