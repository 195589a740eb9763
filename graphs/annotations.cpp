#include "graphs/annotations.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/tokens.h"

namespace graphs {

std::string annTexts[maxAnnTexts];
float annTextX[maxAnnTexts], annTextY[maxAnnTexts];
int annTextCount = 0;
float annLineX1[maxAnnLines], annLineY1[maxAnnLines], annLineX2[maxAnnLines],
    annLineY2[maxAnnLines];
std::uint8_t annLineArrow[maxAnnLines];
int annLineCount = 0;

namespace {

int tooMany() {
    printout("\nToo many annotations.\n");
    return -1;
}

bool stopcode(int c) { return c < 0 || c > 255 || c == 27 || c == 18; }

// Reads up to n numbers of the line into v (those not read stay 0). The line's end is
// never passed: a line that ends early leaves the rest at 0 and sets `ended`. -1 on an
// abort.
int readannnumbers(std::FILE* in, float* v, int n, bool& ended) {
    char token[commandBufferSize];
    ended = false;
    for (int i = 0; i < n; ++i) {
        const int cls = gettoken(token, in, 0, sizeof token);
        if (cls == -1) return -1;
        if (cls == 'f' || cls == 'e') {
            ended = true;
            return 0;
        }
        v[i] = static_cast<float>(annnumber(token));
    }
    return 0;
}

}  // namespace

double annnumber(std::string_view text) {
    char number[64];
    std::size_t n = 0;
    while (n < text.size() && n + 1 < sizeof number &&
           std::strchr("0123456789+-.eE", text[n]) != nullptr && text[n] != 0) {
        number[n] = text[n];
        ++n;
    }
    number[n] = 0;
    const double v = std::strtod(number, nullptr);
    return std::isfinite(v) ? v : 0.0;
}

int anntextcmd(std::FILE* in) {
    if (annTextCount >= maxAnnTexts) return tooMany();
    float v[2] = {0, 0};
    bool ended = false;
    if (readannnumbers(in, v, 2, ended) != 0) return 27;
    // The text: the rest of the line after the one blank that follows y.
    std::string text;
    if (!ended) {
        int c = chop(in);
        if (c != ' ' && c != '\t' && !stopcode(c) && c != '\n') unchop(c);
        if (c != '\n' && !stopcode(c)) {
            for (c = chop(in); c != '\n' && !stopcode(c); c = chop(in)) text += static_cast<char>(c);
        }
        if (!text.empty() && text.back() == '\r') text.pop_back();
    }
    if (annSaveOn == 'y' && annSaveFile)
        std::fprintf(annSaveFile, "anntext %5.3f %5.3f %s\n", v[0], v[1], text.c_str());
    annTexts[annTextCount] = text;
    annTextX[annTextCount] = v[0];
    annTextY[annTextCount] = v[1];
    ++annTextCount;
    return 0;
}

int annlinecmd(std::FILE* in) {
    if (annLineCount >= maxAnnLines) return tooMany();
    float v[4] = {0, 0, 0, 0};
    bool ended = false;
    if (readannnumbers(in, v, 4, ended) != 0) return 27;
    bool arrow = false;
    if (!ended) {
        char token[commandBufferSize];
        const int cls = gettoken(token, in, 0, sizeof token);
        if (cls == -1) return 27;
        arrow = cls == '>';
    }
    if (annSaveOn == 'y' && annSaveFile) {
        std::fprintf(annSaveFile, "annline %5.3f %5.3f %5.3f %5.3f ", v[0], v[1], v[2], v[3]);
        std::fputs(arrow ? " >\n" : "\n", annSaveFile);
    }
    const int i = annLineCount++;
    annLineX1[i] = v[0];
    annLineY1[i] = v[1];
    annLineX2[i] = v[2];
    annLineY2[i] = v[3];
    annLineArrow[i] = arrow ? 1 : 0;
    return 0;
}

int smfcmd(std::FILE* in) {
    skipline(in);
    return 0;
}

void drawanntexts(double R, double L, double B, double T, Canvas& c) {
    for (int i = 0; i < annTextCount; ++i) {
        c.setTextAlign(alignLeft | alignBottom);
        c.textOut(coord((R - L) * annTextX[i] + L), coord((B - T) * annTextY[i] + T), annTexts[i]);
        annTexts[i].clear();
        annTextX[i] = annTextY[i] = 0;
    }
    annTextCount = 0;
}

void drawannlines(double R, double L, double B, double T, Canvas& c) {
    if (annLineCount == 0) return;  // the pen stays as the graph left it
    const Pen old = c.pen();
    c.setPen(Pen{old.style, 2, 0});
    for (int i = 0; i < annLineCount; ++i) {
        const int x1 = coord((R - L) * annLineX1[i] + L), y1 = coord((B - T) * annLineY1[i] + T);
        const int x2 = coord((R - L) * annLineX2[i] + L), y2 = coord((B - T) * annLineY2[i] + T);
        c.moveTo(x1, y1);
        c.lineTo(x2, y2);
        if (annLineArrow[i]) drawarrowhead(x1, y1, x2, y2, coord(B), coord(R), c);
        annLineX1[i] = annLineY1[i] = annLineX2[i] = annLineY2[i] = 0;
        annLineArrow[i] = 0;
    }
    c.setPen(Pen{old.style, old.width, 0});
    annLineCount = 0;
}

void drawarrowhead(int x1, int y1, int x2, int y2, int H, int W, Canvas& c) {
    if (W <= 0 || H <= 0) return;  // no frame to build the head in
    const float sx = 4.0f / static_cast<float>(W), sy = 3.0f / static_cast<float>(H);
    const double cosine = 0.9238, length = 0.08;
    double q[2][2];  // the two stroke directions (x, y)
    if (x1 == x2) {
        // A vertical line; ends that coincide point down.
        const double p = y1 > y2 ? cosine : -cosine;
        const double side = std::sqrt(1.0 - cosine * cosine);
        q[0][0] = side;
        q[1][0] = -side;
        q[0][1] = q[1][1] = p;
    } else {
        float dx = static_cast<float>(x1 - x2) * sx, dy = static_cast<float>(y1 - y2) * sy;
        const float norm = std::sqrt(dx * dx + dy * dy);
        if (!(norm > 0.0f) || !std::isfinite(norm)) return;
        dx /= norm;
        dy /= norm;
        const double D =
            std::sqrt(std::max(0.0, 4.0 * ((double{dy} * dy - 1.0) * cosine * cosine + double{dx} * dx)));
        for (int k = 0; k < 2; ++k) {
            q[k][1] = (2.0 * cosine * dy + (k == 0 ? D : -D)) / 2.0;
            q[k][0] = (cosine - dy * q[k][1]) / dx;
        }
    }
    for (const auto& v : q) {
        c.moveTo(coord(length * v[0] / sx + x2 + 0.5), coord(length * v[1] / sy + y2 + 0.5));
        c.lineTo(x2, y2);
    }
}

void resetannotations() {
    for (int i = 0; i < maxAnnTexts; ++i) {
        annTexts[i].clear();
        annTextX[i] = annTextY[i] = 0;
    }
    for (int i = 0; i < maxAnnLines; ++i) {
        annLineX1[i] = annLineY1[i] = annLineX2[i] = annLineY2[i] = 0;
        annLineArrow[i] = 0;
    }
    annTextCount = annLineCount = 0;
}

}  // namespace graphs
