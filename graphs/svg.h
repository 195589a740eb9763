// The SVG twin of a metafile: the same records drawn as SVG elements in a view box of the
// picture's logical size, stretched over a given pixel size.
#pragma once

#include <string>

#include "graphs/canvas.h"

namespace graphs {

std::string writesvg(const Metafile& m, int pixelWidth, int pixelHeight);

}  // namespace graphs
