#include "graphs/wmf.h"

#include <algorithm>
#include <cstdlib>

namespace graphs {
namespace {

class Writer {
public:
    std::vector<std::uint8_t> bytes;
    std::uint32_t largest = 0;
    int alive = 0, mostAlive = 0;

    void u16(std::uint32_t v) {
        bytes.push_back(static_cast<std::uint8_t>(v & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
    }
    void u32(std::uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    void s16(int v) { u16(static_cast<std::uint16_t>(static_cast<std::int16_t>(coord(v)))); }

    // Starts a record of `words` parameter words; returns nothing, the caller writes them.
    void record(std::uint16_t function, std::uint32_t words) {
        const std::uint32_t size = 3 + words;
        largest = std::max(largest, size);
        u32(size);
        u16(function);
    }
    void bytesPadded(const std::string& s, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i)
            bytes.push_back(i < s.size() ? static_cast<std::uint8_t>(s[i]) : 0);
        if (n % 2) bytes.push_back(0);
    }

    // Object table: a created object takes the lowest free index.
    std::vector<bool> used;
    int take() {
        for (std::size_t i = 0; i < used.size(); ++i)
            if (!used[i]) {
                used[i] = true;
                return static_cast<int>(i);
            }
        used.push_back(true);
        return static_cast<int>(used.size() - 1);
    }
    void replace(int& current, int created) {
        ++alive;
        mostAlive = std::max(mostAlive, alive);
        record(wmf::selectObject, 1);
        u16(static_cast<std::uint16_t>(created));
        if (current >= 0) {
            record(wmf::deleteObject, 1);
            u16(static_cast<std::uint16_t>(current));
            used[current] = false;
            --alive;
        }
        current = created;
    }
};

std::uint16_t get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::int16_t gets16(const std::uint8_t* p) { return static_cast<std::int16_t>(get16(p)); }
std::uint32_t get32(const std::uint8_t* p) {
    return get16(p) | static_cast<std::uint32_t>(get16(p + 2)) << 16;
}

}  // namespace

std::vector<std::uint8_t> writewmf(const Metafile& m) {
    Writer w;
    // Placeable header.
    w.u32(wmf::placeableKey);
    w.u16(0);
    w.s16(0);
    w.s16(0);
    w.s16(m.width);
    w.s16(m.height);
    w.u16(96);
    w.u32(0);
    std::uint16_t sum = 0;
    for (int i = 0; i < 10; ++i) sum ^= get16(&w.bytes[2 * i]);
    w.u16(sum);
    // Standard header; size, objects and largest record are filled in at the end.
    const std::size_t header = w.bytes.size();
    w.u16(1);
    w.u16(9);
    w.u16(0x0300);
    w.u32(0);
    w.u16(0);
    w.u32(0);
    w.u16(0);

    w.record(wmf::setWindowOrg, 2);
    w.s16(0);
    w.s16(0);
    w.record(wmf::setWindowExt, 2);
    w.s16(m.height);
    w.s16(m.width);
    w.record(wmf::setBkMode, 1);
    w.u16(1);  // transparent

    int pen = -1, brush = -1, font = -1;
    for (const Record& r : m.records) {
        switch (r.op) {
        case Op::Pen: {
            const int idx = w.take();
            w.record(wmf::createPen, 5);
            w.u16(static_cast<std::uint16_t>(std::clamp(r.a, 0, 5)));
            w.s16(r.b);
            w.s16(0);
            w.u32(r.colour);
            w.replace(pen, idx);
            break;
        }
        case Op::Brush: {
            const int idx = w.take();
            w.record(wmf::createBrush, 4);
            const int fill = std::clamp(r.a, 0, 7);
            w.u16(fill <= 1 ? fill : 2);
            w.u32(r.colour);
            w.u16(fill <= 1 ? 0 : fill - 2);
            w.replace(brush, idx);
            break;
        }
        case Op::Font: {
            const int idx = w.take();
            const std::string face = r.text.substr(0, 31);
            const std::size_t faceBytes = face.size() + 1;
            w.record(wmf::createFont, static_cast<std::uint32_t>(9 + (faceBytes + 1) / 2));
            w.s16(-r.a);
            w.s16(0);
            w.s16(r.b);
            w.s16(r.b);
            w.s16(400);
            for (int i = 0; i < 8; ++i) w.bytes.push_back(0);  // italic .. pitch and family
            w.bytesPadded(face, faceBytes);
            w.replace(font, idx);
            break;
        }
        case Op::TextAlign:
            w.record(wmf::setTextAlign, 1);
            w.u16(static_cast<std::uint16_t>(r.a));
            break;
        case Op::TextColor:
            w.record(wmf::setTextColor, 2);
            w.u32(r.colour);
            break;
        case Op::MoveTo:
        case Op::LineTo:
            w.record(r.op == Op::MoveTo ? wmf::moveTo : wmf::lineTo, 2);
            w.s16(r.b);
            w.s16(r.a);
            break;
        case Op::Rectangle:
            w.record(wmf::rectangle, 4);
            w.s16(r.d);
            w.s16(r.c);
            w.s16(r.b);
            w.s16(r.a);
            break;
        case Op::Pixel:
            w.record(wmf::setPixel, 4);
            w.u32(r.colour);
            w.s16(r.b);
            w.s16(r.a);
            break;
        case Op::Text: {
            const std::string text = r.text.substr(0, 32000);
            w.record(wmf::textOut, static_cast<std::uint32_t>(1 + (text.size() + 1) / 2 + 2));
            w.u16(static_cast<std::uint16_t>(text.size()));
            w.bytesPadded(text, text.size());
            w.s16(r.b);
            w.s16(r.a);
            break;
        }
        }
    }
    w.record(wmf::eof, 0);

    const std::uint32_t words = static_cast<std::uint32_t>((w.bytes.size() - header) / 2);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) w.bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put32(header + 6, words);
    w.bytes[header + 10] = static_cast<std::uint8_t>(w.mostAlive & 0xFF);
    w.bytes[header + 11] = static_cast<std::uint8_t>((w.mostAlive >> 8) & 0xFF);
    put32(header + 12, w.largest);
    return std::move(w.bytes);
}

int readwmf(const std::uint8_t* data, std::size_t size, Canvas& target, std::string& error) {
    auto fail = [&](const char* why) {
        error = why;
        return -1;
    };
    if (data == nullptr || size < 22 + 18) return fail("bad header");
    if (get32(data) != wmf::placeableKey) return fail("bad header");
    std::uint16_t sum = 0;
    for (int i = 0; i < 10; ++i) sum ^= get16(data + 2 * i);
    if (sum != get16(data + 20)) return fail("bad header");
    const int boxLeft = gets16(data + 6), boxTop = gets16(data + 8);
    const int boxRight = gets16(data + 10), boxBottom = gets16(data + 12);
    if (boxRight <= boxLeft || boxBottom <= boxTop || get16(data + 14) == 0)
        return fail("bad header");
    const std::uint8_t* h = data + 22;
    const std::uint16_t type = get16(h), headerWords = get16(h + 2), version = get16(h + 4);
    if ((type != 1 && type != 2) || headerWords != 9 || (version != 0x0300 && version != 0x0100))
        return fail("bad header");
    const std::uint16_t objectCount = get16(h + 10);

    // Mapping from the window (origin, extent) to the canvas.
    double orgX = boxLeft, orgY = boxTop, extX = boxRight - boxLeft, extY = boxBottom - boxTop;
    auto mapX = [&](int x) { return coord((x - orgX) * target.width() / extX); };
    auto mapY = [&](int y) { return coord((y - orgY) * target.height() / extY); };
    // Sizes (font heights, pen widths) are lengths: never negative, whatever the extent.
    auto length = [](double v) { return std::min(std::abs(coord(v)), 32767); };
    auto mapH = [&](int v) { return length(v * target.height() / extY); };
    auto mapW = [&](int v) { return length(v * target.width() / extX); };

    struct Object {
        Op kind;
        Record r;
        bool used = false;
    };
    std::vector<Object> objects(objectCount);
    auto create = [&](Op kind, const Record& r) {
        for (Object& o : objects)
            if (!o.used) {
                o = Object{kind, r, true};
                return 0;
            }
        return -1;
    };

    std::size_t pos = 22 + 18;
    while (true) {
        if (pos + 6 > size) return fail("bad record size");
        const std::uint32_t words = get32(data + pos);
        const std::uint16_t function = get16(data + pos + 4);
        if (words < 3 || words > (size - pos) / 2) return fail("bad record size");
        const std::uint8_t* p = data + pos + 6;
        const std::size_t room = (words - 3) * 2;  // parameter bytes
        pos += std::size_t{words} * 2;
        auto need = [&](std::size_t bytes) { return room >= bytes; };
        switch (function) {
        case wmf::eof: return 0;
        case wmf::setWindowOrg:
            if (!need(4)) return fail("bad record size");
            orgY = gets16(p);
            orgX = gets16(p + 2);
            break;
        case wmf::setWindowExt:
            if (!need(4)) return fail("bad record size");
            if (gets16(p) == 0 || gets16(p + 2) == 0) return fail("bad window extent");
            extY = gets16(p);
            extX = gets16(p + 2);
            break;
        case wmf::createPen:
            if (!need(10)) return fail("bad record size");
            if (create(Op::Pen, Record{Op::Pen, std::min<int>(get16(p), 5), mapW(gets16(p + 2)),
                                       0, 0, get32(p + 6), {}}) != 0)
                return fail("bad handle");
            break;
        case wmf::createBrush: {
            if (!need(8)) return fail("bad record size");
            const int style = get16(p), hatch = get16(p + 6);
            const int fill = style == 0 ? 0 : style == 2 ? 2 + std::min(hatch, 5) : 1;
            if (create(Op::Brush, Record{Op::Brush, fill, 0, 0, 0, get32(p + 2), {}}) != 0)
                return fail("bad handle");
            break;
        }
        case wmf::createFont: {
            if (!need(18)) return fail("bad record size");
            const std::uint8_t* face = p + 18;
            const std::size_t faceRoom = std::min<std::size_t>(room - 18, 32);
            const std::uint8_t* end = std::find(face, face + faceRoom, 0);
            if (end == face + faceRoom) return fail("bad string");
            const int height = gets16(p);
            if (create(Op::Font, Record{Op::Font, mapH(height),
                                        gets16(p + 4), 0, 0, 0,
                                        std::string(face, end)}) != 0)
                return fail("bad handle");
            break;
        }
        case wmf::selectObject:
        case wmf::deleteObject: {
            if (!need(2)) return fail("bad record size");
            const std::uint16_t idx = get16(p);
            if (idx >= objects.size() || !objects[idx].used) return fail("bad handle");
            if (function == wmf::deleteObject) objects[idx].used = false;
            else target.play(objects[idx].r);
            break;
        }
        case wmf::setTextAlign:
            if (!need(2)) return fail("bad record size");
            target.setTextAlign(get16(p));
            break;
        case wmf::setTextColor:
            if (!need(4)) return fail("bad record size");
            target.setTextColor(get32(p));
            break;
        case wmf::moveTo:
        case wmf::lineTo: {
            if (!need(4)) return fail("bad record size");
            const int x = mapX(gets16(p + 2)), y = mapY(gets16(p));
            if (function == wmf::moveTo) target.moveTo(x, y);
            else target.lineTo(x, y);
            break;
        }
        case wmf::rectangle:
            if (!need(8)) return fail("bad record size");
            target.rectangle(mapX(gets16(p + 6)), mapY(gets16(p + 4)), mapX(gets16(p + 2)),
                             mapY(gets16(p)));
            break;
        case wmf::setPixel:
            if (!need(8)) return fail("bad record size");
            target.setPixel(mapX(gets16(p + 6)), mapY(gets16(p + 4)), get32(p));
            break;
        case wmf::textOut: {
            if (!need(2)) return fail("bad record size");
            const int len = gets16(p);
            const std::size_t padded = static_cast<std::size_t>(len + 1) / 2 * 2;
            if (len < 0 || !need(2 + padded + 4)) return fail("bad string");
            const std::uint8_t* s = p + 2;
            const std::uint8_t* xy = s + padded;
            target.textOut(mapX(gets16(xy + 2)), mapY(gets16(xy)),
                           std::string(s, s + len));
            break;
        }
        default: break;  // a record we do not draw (background mode among them)
        }
    }
}

}  // namespace graphs
