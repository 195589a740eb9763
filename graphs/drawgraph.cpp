#include "graphs/drawgraph.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/date.h"
#include "core/missing.h"
#include "core/printout.h"
#include "graphs/annotations.h"
#include "graphs/line_styles.h"
#include "series/functions_common.h"
#include "shell/mainform.h"

namespace graphs {

std::int32_t graphWindowColour = 16777215;

namespace {

constexpr int W = 1500, H = 1125;
constexpr int ux = (W + 1) / 240, uy = (H + 1) / 120;
constexpr int crossX = (W + 1) / 800, crossY = (H + 1) / 600;

std::uint32_t col(std::int32_t c) { return static_cast<std::uint32_t>(c); }

bool missingvalue(float v) { return std::isnan(v) || ismissing(v); }

std::string fmt(const char* format, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

void line(Canvas& c, int x1, int y1, int x2, int y2) {
    c.moveTo(x1, y1);
    c.lineTo(x2, y2);
}

// Quotient that is 0 when the span is 0 or when the result is not finite.
double factor(double room, double span) {
    if (span == 0.0) return 0.0;
    const double k = room / span;
    return std::isfinite(k) ? k : 0.0;
}

}  // namespace

void drawlabel(Canvas& c, const std::string& text, int x, int y) {
    c.setTextAlign(alignLeft | alignBottom);
    c.textOut(x, y, text);
}

void drawvertical(Canvas& c, int x, int y, const std::string& text, int height,
                  const std::string& face, int alignment) {
    const Font old = c.font();
    const int oldAlign = c.textAlign();
    c.setFont(Font{face, height, 900});
    c.setTextAlign(alignment);
    c.textOut(x, y, text);
    c.setTextAlign(oldAlign);
    if (old.height > 0) c.setFont(old);
}

void drawbar(Canvas& c, int i, int slot, int x, int y, int base) {
    const LineStyle& s = lineStyles[i + 1];
    setpen(c, s);
    c.setBrush(s.barFill, col(s.colour));
    c.rectangle(coord(slot * static_cast<double>(s.barLeft) + x), y,
                coord(slot * static_cast<double>(s.barRight) + x), base);
    c.setBrush(s.barFill, col(graphColors[0]));
}

void drawmark(Canvas& c, int i, int y, int x, int dx, int dy) {
    const LineStyle& s = lineStyles[i + 1];
    if (s.penWidth == 3) {
        dx = static_cast<int>(dx * 1.5);
        dy = static_cast<int>(dy * 1.5);
    }
    switch (s.mark) {
    case '+': drawcross(c, x, y, dx, dy); break;
    case 's':
        c.moveTo(x - dx, y - dy);
        c.lineTo(x + dx, y - dy);
        c.lineTo(x + dx, y + dy);
        c.lineTo(x - dx, y + dy);
        c.lineTo(x - dx, y - dy);
        break;
    case 'x':
        line(c, x + dx, y + dy, x - dx, y - dy);
        line(c, x + dx, y - dy, x - dx, y + dy);
        break;
    case 'd':
        line(c, x, y - dy, x - dx, y);
        line(c, x + dx, y, x, y - dy);
        line(c, x, y + dy, x + dx, y);
        line(c, x - dx, y, x, y + dy);
        break;
    case '^':
        line(c, x, y - dy, x - dx, y + dy);
        line(c, x + dx, y + dy, x, y - dy);
        line(c, x - dx, y + dy, x + dx, y + dy);
        break;
    case 'v':
        line(c, x + dx, y - dy, x - dx, y - dy);
        line(c, x, y + dy, x + dx, y - dy);
        line(c, x - dx, y - dy, x, y + dy);
        break;
    default: break;
    }
}

void drawarrow(Canvas& c, int x1, int y1, int x2, int y2, int width, int height) {
    const double a = 0.08, cc = 0.9238;
    const double sx = 4.0 / width, sy = 3.0 / height;
    double bx = (x1 - x2) * sx, by = (y1 - y2) * sy;
    const double len = std::sqrt(bx * bx + by * by);
    if (len == 0.0) return;  // no direction to point along
    bx /= len;
    by /= len;
    double q[2][2];
    const double side = std::sqrt(1.0 - cc * cc);
    if (x1 == x2) {
        const double qy = y1 > y2 ? cc : -cc;
        q[0][0] = side;
        q[1][0] = -side;
        q[0][1] = q[1][1] = qy;
    } else {
        const double disc = 4.0 * ((by * by - 1.0) * cc * cc + bx * bx);
        const double D = std::sqrt(std::max(disc, 0.0));
        for (int k = 0; k < 2; ++k) {
            const double qy = (2.0 * cc * by + (k == 0 ? D : -D)) / 2.0;
            q[k][1] = qy;
            q[k][0] = (cc - by * qy) / bx;
        }
    }
    for (auto& qq : q)
        line(c, coord(a * qq[0] / sx + x2 + 0.5), coord(a * qq[1] / sy + y2 + 0.5), x2, y2);
}

void drawcross(Canvas& c, int x, int y, int dx, int dy) {
    line(c, x + dx, y, x - dx, y);
    line(c, x, y + dy, x, y - dy);
}

int drawgraph(JexGraph& g, Canvas& c, char separate, char logScale, char scatter, int bridge) {
    const bool sep = separate == 'y', logs = logScale == 'y', sct = scatter == 'y';
    // 1. Preconditions.
    if (g.hasSeries == 0 || g.lastSeries < 0 || g.hasRange == 0) {
        g.status = -1;
        return g.status;
    }
    // 2. Observation indexes.
    int first, middle, last;
    if (g.useObsRange) {
        first = g.firstObs;
        middle = g.middleObs;
        last = g.lastObs;
    } else {
        first = g.firstDate.wsIndex();
        middle = g.middleDate.wsIndex();
        last = g.lastDate.wsIndex();
    }
    if (first < 0) {
        printout("Error:  first observation preceeds start of workspace bank.\n");
        g.status = -1;
        return g.status;
    }
    const int nSeries = std::min<int>(g.lastSeries + 1, maxGraphSeries);
    auto val = [&](int i, int t) -> float {
        if (t < 0 || t >= static_cast<int>(g.values[i].size())) return MISSING;
        const float v = g.values[i][t];
        return std::isnan(v) ? MISSING : v;
    };

    // 3. Scale bounds.
    const int nv = g.vrangeCount, nh = g.hrangeCount;
    const float* v = g.vrange;
    const float* h = g.hrange;
    float mx[maxGraphSeries] = {}, mn[maxGraphSeries] = {};
    double k[maxGraphSeries] = {};
    float top = 0, bottom = 0;
    auto tooLow = [&](float value) {
        printout("Value in vertical range is too low (%f).\n", value);
        infobox("Value in vertical range is too low.");
        g.status = -1;
        return g.status;
    };
    if (nv >= 2) {
        top = v[nv - 1];
        bottom = v[0];
        if (logs && bottom < floatExpMin) return tooLow(bottom);
        if (logs && top > floatMax) {
            printout("Value in vertical range is too large (%f).\n", top);
            infobox("Value in vertical range is too large.");
            g.status = -1;
            return g.status;
        }
        if (logs) {
            top = safelog(top);
            bottom = safelog(bottom);
        }
        for (int i = 0; i < nSeries; ++i) {
            mx[i] = top;
            mn[i] = bottom;
        }
    }
    if (nv < 2 || sct) {
        for (int i = 0; i < nSeries; ++i) {
            if ((i == 0 && nv >= 2) || (i == 1 && nh >= 2)) continue;
            bool any = false;
            for (int t = first; t <= last; ++t) {
                const float x = val(i, t);
                if (missingvalue(x)) continue;
                if (!any) mx[i] = mn[i] = x, any = true;
                else if (x > mx[i]) mx[i] = x;
                else if (x < mn[i]) mn[i] = x;
            }
        }
        top = mx[0];
        bottom = mn[0];
        if (!sep && nSeries > 1) {
            for (int i = 1; i < nSeries; ++i) {
                top = std::max(top, mx[i]);
                bottom = std::min(bottom, mn[i]);
            }
        }
    }
    if (nv == 1) {
        if (logs && v[0] < floatExpMin) return tooLow(v[0]);
        bottom = logs ? safelog(v[0]) : v[0];
        for (int i = 0; i < nSeries; ++i) mn[i] = bottom;
    }
    if (!sep && !sct)
        for (int i = 0; i < nSeries; ++i) mx[i] = top, mn[i] = bottom;
    if ((sep || sct) && nh >= 2 && nSeries > 1) {
        mx[1] = h[nh - 1];
        mn[1] = h[0];
    }

    // 4. Year step.
    double span;
    if (g.useObsRange) {
        span = last - first;
    } else {
        const int f = g.firstDate.frequency;
        const int perYear = f == 13 ? 365 : std::max(f, 1);
        span = static_cast<int>((g.lastDate - g.firstDate) / perYear);
    }
    int yearStep = 2;
    if (span > 120) yearStep = 50;
    else if (span > 80) yearStep = 20;
    else if (span > 40) yearStep = 10;
    else if (span > 12) yearStep = 5;

    // 5. Tick formats.
    const double d = static_cast<double>(mx[0]) - mn[0];
    std::snprintf(g.leftFormat, sizeof g.leftFormat, "%s",
                  d < 10 ? "%5.2f" : d < 100 ? "%5.1f" : "%5.0f");
    const double d2 = nSeries > 1 ? static_cast<double>(mx[1]) - mn[1] : 0.0;
    if (sep)
        std::snprintf(g.rightFormat, sizeof g.rightFormat, "%s",
                      d2 < 10 ? "%4.2f" : d2 < 100 ? "%4.1f" : "%3.0f");
    else if (sct)
        std::snprintf(g.rightFormat, sizeof g.rightFormat, "%s",
                      d2 < 10 ? "%.2f" : d2 < 100 ? "%.1f" : "%.0f");
    else
        std::snprintf(g.rightFormat, sizeof g.rightFormat, "%s", g.leftFormat);

    // 6. Background.
    graphColors[0] = graphWindowColour;
    c.fill(0, 0, W, H, col(graphColors[0]));
    c.setPen(col(graphColors[2]), lineStyles[0].penWidth, lineStyles[0].penStyle);

    // 7. Titles, in the main window's graph font: its face, and its colour for all text.
    const std::string face = Main.graphFont.name;
    c.setTextColor(col(Main.graphFont.color));
    c.setFont(Font{face, fontunits(H / 25), 0});
    c.setTextAlign(alignCenter | alignBottom);
    const std::string title = g.title;
    if (!title.empty()) c.textOut(W / 2, H / 20 + 20, title);
    const int titleHeight = c.textHeight(title);
    int T = titleHeight > 0 ? static_cast<int>(1.7 * titleHeight) : H / 20;
    const std::string subtitle = g.subtitle;
    if (!subtitle.empty()) {
        c.setFont(Font{face, fontunits(H / 35), 0});
        c.textOut(W / 2, H / 20 + titleHeight, subtitle);
        T += c.textHeight(subtitle);
    }
    int ats = 5;
    const std::string axisTitle = g.axisTitle;
    if (!axisTitle.empty()) {
        drawvertical(c, W / 90, H / 2, axisTitle, H / 25, "Times New Roman",
                     alignCenter | alignTop);
        ats = static_cast<int>(1.3 * (H / 25));  // the vertical text is H / 25 units high
    }
    c.setFont(Font{face, fontunits(H / 45), 0});
    const int th = c.textHeight("Pg"), hh = th / 2;

    // 8. Label widths and plot box.
    int lw = 0, rw = 0;
    if (g.vaxLabelSide == 'o') {
        const float lt = nv > 2 ? v[nv - 1] : mx[0], lb = nv > 2 ? v[0] : mn[0];
        lw = std::max(c.textWidth(fmt(g.leftFormat, lt)), c.textWidth(fmt(g.leftFormat, lb))) + ux;
        if (sep) {
            const float rt = nh > 2 ? h[nh - 1] : mx[1], rb = nh > 2 ? h[0] : mn[1];
            rw = std::max(c.textWidth(fmt(g.rightFormat, rt)),
                          c.textWidth(fmt(g.rightFormat, rb))) + 3 * ux;
        }
    }
    const int B = g.legendMode == 'n' ? static_cast<int>(H - 1.5 * th) : H - 3 * th;
    double s = 0, hs = 0, pad = 0, L;
    if (!sct) {
        int n = g.useObsRange ? last - first + 1 : (g.lastDate - g.firstDate) + 1;
        n = std::max(n, 1);
        s = static_cast<double>(W - ats - lw - rw - 1) / n;
        hs = s / 2;
        pad = ((W - ats - lw - rw) - s * n) / 2;
        L = ats + pad + lw;
    } else {
        L = ats + lw + 2 * ux;
    }
    for (int i = 0; i < nSeries; ++i) {
        const double span_i = static_cast<double>(mx[i]) - mn[i];
        k[i] = (sct && i % 2 == 1) ? factor((W - 2 * ux) - L, span_i) : factor(B - T, span_i);
    }
    const int y0 = (mn[0] < 0 && 0 < mx[0]) ? coord(B + mn[0] * k[0]) : B;

    // 9. Series.
    for (int i = 0; i < nSeries; ++i) {
        if (sct && (i % 2 == 1 || i + 1 >= nSeries)) continue;
        const LineStyle& st = lineStyles[i + 1];
        setpen(c, st);
        c.setBrush(st.penStyle, col(st.penStyle == brushNull ? graphColors[0] : st.colour));
        const bool lines = st.penWidth != 0;
        double x = L - s;
        const int offset = sct ? (g.startDate(i) - g.startDate(i + 1)) : 0;
        bool started = false;
        int px = 0, py = 0;
        float prev = 0;
        for (int t = first; t <= last; ++t) {
            float value = val(i, t);
            int xm;
            if (!sct) {
                x += s;
                xm = coord(x + hs);
            } else {
                const float xv = val(i + 1, t + offset);
                if (missingvalue(xv)) value = MISSING;
                x = (static_cast<double>(xv) - mn[i + 1]) * k[i + 1] + L;
                xm = coord(x);
            }
            const bool miss = missingvalue(value);
            const double y = std::clamp(B - (static_cast<double>(value) - mn[i]) * k[i],
                                        static_cast<double>(T), static_cast<double>(B));
            const int yi = coord(y);
            if (!started) {
                if (miss) continue;
                started = true;
                c.setPixel(xm, yi, col(st.colour));
                px = xm;
                py = yi;
                prev = 0;
            } else if (bridge != 0 && middle > 0 && miss && t > middle) {
                continue;
            }
            if (miss || missingvalue(prev)) {
                c.moveTo(xm, yi);
            } else {
                c.moveTo(xm, yi);
                if (lines) c.lineTo(px, py);
            }
            if (st.mark == 'b' || st.mark == 'f') {
                if (!miss) drawbar(c, i, coord(s), coord(x), yi, y0);
            } else if (st.mark == '>' && t > first) {
                if (!miss && !missingvalue(prev)) drawarrow(c, px, py, xm, yi, W, H);
            } else if (!miss) {
                drawmark(c, i, yi, xm, ux, uy);
            }
            px = xm;
            py = yi;
            prev = value;
        }
    }
    const int Li = coord(L);
    const int R = sct ? W - 2 * ux : coord(L + (last - first) * s + s);

    // 10. Frame and zero lines.
    const LineStyle& frame = lineStyles[0];
    setpen(c, frame);
    c.setBrush(brushSolid, col(frame.colour));
    c.moveTo(Li, T);
    c.lineTo(R, T);
    c.lineTo(R, B);
    c.lineTo(Li, B);
    c.lineTo(Li, T);
    c.setBrush(brushSolid, col(graphColors[0]));
    if (y0 != B && !sep) line(c, R, y0, Li, y0);
    if (sct && nSeries > 1 && mn[1] < 0) {
        const int xz = coord(L - mn[1] * k[1]);
        line(c, xz, T, xz, B);
    }

    // 11. Vertical ticks and the middle divider.
    int ytick[10] = {};
    int ym = 0;
    if (nv > 2) {
        ytick[0] = B;
        ytick[nv - 1] = T;
        for (int j = 1; j <= nv - 2; ++j) {
            const float vj = logs ? safelog(v[j]) : v[j];
            ytick[j] = coord(B - (static_cast<double>(vj) - mn[0]) * k[0]);
            line(c, coord(L + 2 * ux), ytick[j], Li, ytick[j]);
            if (!sep) line(c, R, ytick[j], R - 2 * ux, ytick[j]);
        }
    } else {
        ym = logs ? coord(0.58 * T + 0.42 * B) : coord(0.5 * T + 0.5 * B);
        line(c, coord(L + 2 * ux), ym, Li, ym);
        if (!sep) line(c, R, ym, R - 2 * ux, ym);
    }
    if (!sct && middle > 0) {
        const int xd = coord((middle + 1 - first) * s + L);
        line(c, xd, B, xd, T);
    }

    // 12. Date-axis ticks.
    int periods = 2;
    if (!sct) {
        const int f = g.firstDate.frequency;
        double frac = 0.5;
        if (f == 1) periods = 5, frac = 0;
        else if (f == 12) periods = 12, frac = 0.001;
        else if (f == 4) periods = 4, frac = 0.1;
        int year = g.firstDate.year;
        bool bars = false;
        for (int i = 0; i < nSeries; ++i) bars = bars || lineStyles[i + 1].mark == 'b';
        const int shortTick = static_cast<int>(1.5 * uy), longTick = 3 * uy;
        double x = L - s;
        for (int t = first; t <= last; ++t, ++year) {
            x += s;
            const int xi = coord(x);
            if (t % periods == 0 && (frac != 0 || year % yearStep == 0)) {
                line(c, xi, B - longTick, xi, bars ? B + shortTick : B);
                if (!sep && nv > 2 && t != first && t != last)
                    for (int j = 1; j <= nv - 2; ++j) drawcross(c, xi, ytick[j], crossX, crossY);
            } else {
                line(c, xi, B - shortTick, xi, B);
            }
        }
    }

    // 13. Log scale: back to values.
    if (logs) {
        for (int i = 0; i < nSeries; ++i) {
            for (float* bound : {&mx[i], &mn[i]}) {
                if (!(*bound > floatLogMin && *bound < floatLogMax))
                    printout("Error:  in lgraph, cannot take exponential of %f.\n", *bound);
                *bound = safeexp(*bound);
            }
        }
    }

    // 14. Left-scale labels, then right-scale labels.
    const int lx = g.vaxLabelSide != 'o' ? coord(L + 4 * ux) : coord(ats + pad);
    if (nv > 2) {
        for (int j = 0; j < nv; ++j) {
            int p = ytick[j] - hh - 1;
            if (g.vaxLabelSide == 'i') {
                if (p > B - 3 * uy - th) p = B - 3 * uy - th;
                else if (p <= T) p = T + 1;
            }
            drawlabel(c, fmt(g.leftFormat, v[j]), lx, p + hh);
        }
    } else {
        drawlabel(c, fmt(g.leftFormat, mx[0]), lx, T + hh + 1);
        drawlabel(c, fmt(g.leftFormat, (static_cast<double>(mx[0]) + mn[0]) / 2), lx, ym);
        drawlabel(c, fmt(g.leftFormat, mn[0]), lx, B - 1 - hh - 3 * uy);
    }
    if (sep && nSeries > 1) {
        const std::string lo = fmt(g.rightFormat, mn[1]), hi = fmt(g.rightFormat, mx[1]);
        const int w = std::max(c.textWidth(lo), c.textWidth(hi));
        const int rx = g.vaxLabelSide == 'o' ? R + 3 * ux : R - w - 3 * ux - 1;
        drawlabel(c, hi, rx, T + hh + 1);
        if (nh <= 2)
            drawlabel(c, fmt(g.rightFormat, (static_cast<double>(mx[1]) + mn[1]) / 2), rx, ym);
        drawlabel(c, lo, rx, B - 1 - hh - 3 * uy);
        if (nh > 2) {
            for (int j = 1; j <= nh - 2; ++j) {
                const std::string text = fmt(g.rightFormat, h[j]);
                const int y = coord(B - (static_cast<double>(h[j]) - mn[1]) * k[1]);
                const int x = g.vaxLabelSide == 'o' ? rx : R - 3 * ux - 1 - c.textWidth(text);
                drawlabel(c, text, x, y);
                line(c, R, y, R - 2 * ux, y);
            }
        }
    }

    // 15. Year labels.
    c.setTextAlign(alignCenter | alignTop);
    if (g.dateLabels == 'y' && !sct) {
        auto place = [&](double x, const std::string& label) {
            x = periods == 5 ? coord(x + s / 2) : coord(x + periods * s / 2);
            const int w = c.textWidth(label) / 2 + 1;
            const int xi = std::clamp(static_cast<int>(x), w, std::max(w, W - w));
            c.textOut(xi, B + 13, label);
        };
        if (g.useObsRange) {
            for (int kk = g.firstObs; kk <= g.lastObs; ++kk)
                if (kk % yearStep == 0)
                    place(coord((kk - first - 1) * s + L), std::to_string(kk));
        } else {
            const int f = g.firstDate.frequency;
            for (int Y = g.firstDate.year; Y <= g.lastDate.year; ++Y) {
                if (Y % yearStep != 0) continue;
                const int j = JexDate(static_cast<std::int16_t>(Y), 1, f).wsIndex();
                char buf[32];
                JexDate(static_cast<std::int16_t>(Y), 1, 0, 1).print(buf, g.yearStyle);
                place(coord((j - first) * s + L), buf);
            }
        }
    }

    // 16. Horizontal labels of a scatter graph.
    if (sct && nSeries > 1) {
        const std::string lo = fmt(g.rightFormat, mn[1]);
        const int w = c.textWidth(lo) / 2 + 1;
        c.textOut(w < L ? Li : w, B + 13, lo);
        if (nh <= 2) {
            const int xm = coord((R + L) / 2);
            c.textOut(xm, B + 13, fmt(g.rightFormat, (static_cast<double>(mn[1]) + mx[1]) / 2));
            line(c, xm, B - 27, xm, B);
        }
        c.setTextAlign(alignRight | alignTop);
        c.textOut(R, B + 13, fmt(g.rightFormat, mx[1]));
        c.setTextAlign(alignCenter | alignTop);
        if (nh > 2) {
            for (int j = 1; j <= nh - 2; ++j) {
                const int x = coord((static_cast<double>(h[j]) - mn[1]) * k[1] + L);
                line(c, x, B - 2 * uy, x, B);
                c.textOut(x, B + 13, fmt(g.rightFormat, h[j]));
            }
        }
    }

    // 17. Legend.
    if (g.legendMode == 'y') {
        c.setTextAlign(alignLeft | alignTop);
        const int n = nSeries;
        const int yl = H - hh;
        for (int i = 0; i < n; ++i) {
            setpen(c, lineStyles[i + 1]);
            char text[128];
            std::snprintf(text, sizeof text, " %-17s", g.legends[i].substr(0, 100).c_str());
            const double x = ((W - ux) - L) / n * i + ux + L;
            const bool bar = lineStyles[i + 1].mark == 'b';
            c.textOut(coord(x + (bar ? 55 : 5)), H - th - uy, text);
            if (bar) {
                drawbar(c, i, coord(s), coord(x), H - th, H);
            } else {
                line(c, coord(x - 10), yl, coord(x + 10), yl);
                drawmark(c, i, yl, coord(x), ux, uy);
            }
        }
    }

    // 18. The pen and the alignment the annotations start from; the pending annotations.
    c.setPen(col(graphColors[1]), 1, 0);
    c.setTextAlign(alignLeft | alignBottom);
    drawanntexts(R, L, B, T, c);
    drawannlines(R, L, B, T, c);
    return g.status;
}

}  // namespace graphs
