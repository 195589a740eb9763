// Our Windows metafile: a placeable header, the standard header and the small record set the
// graphs use (window origin and extent, background mode, pens, brushes, fonts, object
// selection and deletion, moves, lines, rectangles, pixels, text alignment and colour,
// text), little-endian. The reader plays that record set back onto a canvas, stretched to
// the canvas's size, and refuses what it cannot trust.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "graphs/canvas.h"

namespace graphs {

// The metafile's bytes.
std::vector<std::uint8_t> writewmf(const Metafile& m);

// Plays a metafile onto `target`, stretching the picture's box over the canvas. Records of
// other kinds are passed over by their size. 0, or -1 with the reason in `error` (bad
// header, a record size that does not fit, a handle that names no object, a text or face
// name that runs past its record); the canvas then holds what was played before the fault.
int readwmf(const std::uint8_t* data, std::size_t size, Canvas& target, std::string& error);

// Metafile record function numbers.
namespace wmf {
constexpr std::uint16_t eof = 0x0000, setBkMode = 0x0102, setWindowOrg = 0x020B,
                        setWindowExt = 0x020C, setTextColor = 0x0209, setTextAlign = 0x012E,
                        selectObject = 0x012D, deleteObject = 0x01F0, moveTo = 0x0214,
                        lineTo = 0x0213, rectangle = 0x041B, setPixel = 0x041F,
                        textOut = 0x0521, createPen = 0x02FA, createBrush = 0x02FC,
                        createFont = 0x02FB;
constexpr std::uint32_t placeableKey = 0x9AC6CDD7;
}  // namespace wmf

}  // namespace graphs
