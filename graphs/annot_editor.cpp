#include "graphs/annot_editor.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "core/printout.h"
#include "graphs/annotations.h"
#include "graphs/graph_command.h"
#include "graphs/svg.h"
#include "graphs/wmf.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "shell/paths.h"

namespace graphs {

std::string annEditorCaption = "Annotation Editor";
std::string annScript;
std::string pendingAnnText;
bool textPlacing = false;
bool arrowPending = false;
bool justLoaded = false;

namespace {

constexpr std::uint32_t white = 0xFFFFFF;
constexpr std::uint32_t editorPenColour = 0x8000;  // green
constexpr int editorPenWidth = 2;
const Font editorFont{"Arial", 16, 0};  // 12 points
constexpr std::size_t maxFileBytes = 64u << 20;
constexpr std::size_t maxField = 63;  // longest keyword or number of a script line
constexpr int tooLong = -2;
const char* const replayFile = "Patempfile.ann";
const char* const pictureFile = "jexannot.svg";

// A number of the script: the shortest form with up to 15 significant digits.
std::string scriptnumber(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    return buf;
}

// A file written whole (beside its target, then renamed over it); false when it could not be.
bool writewhole(const std::string& path, std::string_view bytes) {
    platform::ReplacingFile out(path);
    std::FILE* f = out.open("wb");
    if (f == nullptr) return false;
    if (std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
        out.abandon();
        return false;
    }
    return out.commit();
}

// A regular file's bytes; false when it cannot be read (or is larger than we take).
bool readwhole(const std::string& path, std::string& out) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    std::string data;
    std::vector<char> buf(1 << 16);
    std::size_t n;
    bool ok = true;
    while ((n = std::fread(buf.data(), 1, buf.size(), f)) > 0) {
        data.append(buf.data(), n);
        if (data.size() > maxFileBytes) {
            ok = false;
            break;
        }
    }
    ok = ok && !std::ferror(f);
    std::fclose(f);
    if (ok) out = std::move(data);
    return ok;
}

// A metafile that our reader plays; false when it cannot be read or played.
bool readpicture(const std::string& path, std::vector<std::uint8_t>& out) {
    std::string data;
    if (!readwhole(path, data)) return false;
    std::vector<std::uint8_t> bytes(data.begin(), data.end());
    Canvas scratch;
    std::string error;
    if (readwmf(bytes.data(), bytes.size(), scratch, error) != 0) return false;
    out = std::move(bytes);
    return true;
}

bool blank(int c) { return c == ' ' || c == '\t' || c == '\r'; }

// The name an smf line holds: the file name without directory, tabs or carriage returns, and
// without blanks in front (the reader passes over those after the keyword).
std::string scriptname(const std::string& name) {
    std::string base = baseName(stripControls(name), true);
    base.erase(0, base.find_first_not_of(' '));
    return base;
}

// A file dialog's name; false when it was cancelled or gave no name.
bool askfile(const char* title, std::string& name) {
    return filedialog(title, "", name) && !name.empty();
}

}  // namespace

TAnnGraphFm AnnGraphFm;
TTextDlg TextDlg;
TFileErrorDlg FileErrorDlg;

// Characters of the annotation file being replayed.
class TAnnGraphFm::LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}
    // The next character, -1 at the end.
    int get() {
        got_ = pos_ < text_.size();
        return got_ ? static_cast<unsigned char>(text_[pos_++]) : -1;
    }
    // Gives back the character the last get returned.
    void unget() {
        if (got_) --pos_;
        got_ = false;
    }
    void skipblanks() {
        int c;
        do c = get();
        while (blank(c));
        unget();
    }
    // A keyword or a number: the characters up to a blank, a tab, a carriage return, a line
    // end, the end (and for numbers '>'). Returns the character that ended it (a line end or
    // '>' is given back), -1 at the end, tooLong past maxField characters.
    int field(std::string& out, bool number) {
        out.clear();
        for (;;) {
            const int c = get();
            if (c < 0) return -1;
            if (blank(c) || c == '\n' || (number && c == '>')) {
                if (c == '\n' || c == '>') unget();
                return c;
            }
            if (out.size() == maxField) return tooLong;
            out += static_cast<char>(c);
        }
    }
    // n numbers of a line, each after blanks; false when one is longer than maxField.
    bool numbers(double* v, int n, bool arrowEnds) {
        for (int i = 0; i < n; ++i) {
            skipblanks();
            std::string number;
            if (field(number, arrowEnds) == tooLong) return false;
            v[i] = annnumber(number);
        }
        return true;
    }
    // The rest of the line (its line end is passed over).
    std::string rest() {
        std::string out;
        for (int c = get(); c >= 0 && c != '\n'; c = get()) out += static_cast<char>(c);
        return out;
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    bool got_ = false;
};

std::string baseName(const std::string& name, bool withExtension) {
    const std::size_t slash = name.find_last_of("\\/");
    std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    if (!withExtension) {
        const std::size_t dot = base.rfind('.');
        if (dot != std::string::npos) base.erase(dot);
    }
    return base;
}

std::string stripControls(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != '\t' && c != '\r') out += c;
    return out;
}

TAnnGraphFm::TAnnGraphFm() { clearScreen(); }

void TAnnGraphFm::clearScreen() {
    screen = Canvas(clientWidth, clientHeight);
    screen.fill(0, 0, clientWidth, clientHeight, white);
}

void TAnnGraphFm::drawMetafile() {
    if (annMetafile.empty()) return;
    std::string error;
    readwmf(annMetafile.data(), annMetafile.size(), screen, error);
}

void TAnnGraphFm::setPenAndFont() {
    screen.setPen(Pen{0, editorPenWidth, editorPenColour});
    screen.setFont(editorFont);
    screen.setTextColor(0);
}

void TAnnGraphFm::strokeDragLine() {
    setPenAndFont();
    screen.moveTo(dragLine.Left, dragLine.Top);
    screen.lineTo(dragLine.Right, dragLine.Bottom);
}

void TAnnGraphFm::drawText(int x, int y, const std::string& text) {
    setPenAndFont();
    screen.setTextAlign(alignLeft | alignTop);
    screen.textOut(x, y, text);
}

// ---- the menus ----

void TAnnGraphFm::NewClick() {
    annMetafile.clear();
    caption = annEditorCaption;
    arrowPending = false;
    annScript.clear();
    FormPaint();
}

void TAnnGraphFm::WindowsMetafile1Click() {
    std::string name;
    if (!askfile("Open", name)) {
        justLoaded = true;
        return;
    }
    std::vector<std::uint8_t> bytes;
    if (!readpicture(nativepath(name), bytes)) {
        showFileError(name);
        return;
    }
    annMetafile = std::move(bytes);
    caption = baseName(name, true);
    clearScreen();
    drawMetafile();
    recordMetafile(name);
    justLoaded = true;
}

void TAnnGraphFm::Annotation1Click() {
    std::string name;
    if (!askfile("Open", name)) return;
    name = stripControls(name);
    std::string text;
    if (!readwhole(nativepath(name), text)) {
        showFileError(name);
        return;
    }
    replayText(text);
    justLoaded = true;
}

void TAnnGraphFm::SaveAnnClick() {
    std::string name;
    if (!askfile("Save As", name)) return;
    const std::string file = baseName(name, false) + ".ann";
    if (!writewhole(file, annScript)) showFileError(file);
}

void TAnnGraphFm::SaveMetafileClick() {
    std::string name;
    if (!askfile("Save As", name)) return;
    const std::string file = baseName(name, false) + ".wmf";
    // The client area played scaled into the box 0 0 800 600.
    const std::vector<std::uint8_t> shown = writewmf(picture());
    Canvas scaled(800, 600);
    std::string error;
    readwmf(shown.data(), shown.size(), scaled, error);
    Metafile saved;
    saved.width = 800;
    saved.height = 600;
    saved.records = scaled.takeRecords();
    if (!savemetafile(saved, file)) showFileError(file);
}

void TAnnGraphFm::Print1Click() {
    Form dialog("Print");
    dialog.field("Copies", "Number of copies:", "1");
    Form::Button& ok = dialog.button("OK", "OK");
    ok.isDefault = true;
    Form::Button& cancel = dialog.button("Cancel", "Cancel");
    cancel.isCancel = true;
    dialog.showModal();
}

void TAnnGraphFm::EditingTextClick() {
    TextDlg.show();
    textPlacing = true;
}

void TAnnGraphFm::Exit1Click() {
    FormPaint();
    caption = annEditorCaption;
    annScript.clear();
    visible = false;
}

// ---- the form ----

void TAnnGraphFm::FormShow() {
    caption = annEditorCaption;
    arrowPending = false;
    clearScreen();
    drawMetafile();
    setPenAndFont();
    annScript.clear();
}

void TAnnGraphFm::FormPaint() {
    Canvas shown = screen;
    clearScreen();
    // An smf line of the script brings the metafile back itself.
    if (annScript.rfind("smf ", 0) != 0) drawMetafile();
    setPenAndFont();
    if (!replayScript()) screen = std::move(shown);
    showPicture();
}

void TAnnGraphFm::FormResize(int width, int height) {
    clientWidth = width;
    clientHeight = height;
    FormPaint();
}

void TAnnGraphFm::FormMouseDown(MouseButton, int x, int y) {
    justLoaded = false;
    if (textPlacing) return;
    dragLine.Left = x;
    dragLine.Top = y;
    dragLine.Right = -32000;
    dragging = true;
    bandShown = false;
}

void TAnnGraphFm::FormMouseMove(int x, int y) {
    if (!dragging || textPlacing) return;
    // The rubber band: the old one is erased and the new one drawn from the start point.
    dragLine.Right = x;
    dragLine.Bottom = y;
    bandShown = true;
}

void TAnnGraphFm::FormMouseUp(MouseButton button, int x, int y) {
    if (justLoaded) {
        justLoaded = false;
        return;
    }
    if (textPlacing) {
        textPlacing = false;
        drawText(x, y, pendingAnnText);
        recordText(pendingAnnText, static_cast<double>(y) / clientHeight,
                   static_cast<double>(x) / clientWidth);
        pendingAnnText.clear();
        return;
    }
    if (!dragging) return;  // no line is being drawn: nothing to end
    dragging = false;
    bandShown = false;
    dragLine.Right = x;
    dragLine.Bottom = y;
    strokeDragLine();
    if (button == MouseButton::right) {
        drawarrowhead(dragLine.Left, dragLine.Top, dragLine.Right, dragLine.Bottom, clientHeight,
                      clientWidth, screen);
        arrowPending = true;
    }
    recordLine();
    arrowPending = false;
}

// ---- the script ----

void TAnnGraphFm::recordText(const std::string& text, double y, double x) {
    annScript += "anntext " + scriptnumber(x) + " " + scriptnumber(y) + " " + text + "\n";
    annScript = stripControls(annScript);
}

void TAnnGraphFm::recordLine() {
    recordLine(static_cast<double>(dragLine.Left) / clientWidth,
               static_cast<double>(dragLine.Top) / clientHeight,
               static_cast<double>(dragLine.Right) / clientWidth,
               static_cast<double>(dragLine.Bottom) / clientHeight);
}

void TAnnGraphFm::recordLine(double x1, double y1, double x2, double y2) {
    annScript += "annline " + scriptnumber(x1) + " " + scriptnumber(y1) + " " + scriptnumber(x2) +
                 " " + scriptnumber(y2) + (arrowPending ? ">" : "") + "\n";
    annScript = stripControls(annScript);
}

void TAnnGraphFm::recordMetafile(const std::string& name) {
    annScript = "smf " + scriptname(name) + "\n";
}

bool TAnnGraphFm::replayScript() {
    if (annScript.empty()) return true;
    std::string back;
    if (!writewhole(replayFile, annScript) || !readwhole(replayFile, back)) {
        showFileError(replayFile);
        return false;
    }
    annScript.clear();
    replayText(back);
    justLoaded = true;
    return true;
}

void TAnnGraphFm::replayText(std::string_view text) {
    LineReader r(text);
    while (replayLine(r)) {
    }
}

bool TAnnGraphFm::replayLine(LineReader& r) {
    int c;
    do c = r.get();
    while (c == '\n' || blank(c));
    if (c < 0) return false;
    r.unget();
    std::string keyword;
    const int end = r.field(keyword, false);
    if (end == tooLong || end == -1) return false;
    r.skipblanks();

    if (keyword == "smf") {
        const std::string name = scriptname(r.rest());
        recordMetafile(name);
        std::vector<std::uint8_t> bytes;
        const bool read = readpicture(name, bytes);
        annMetafile = std::move(bytes);
        clearScreen();
        drawMetafile();
        if (!read) showFileError(name);
        return true;
    }
    if (keyword == "annline") {
        double v[4];
        if (!r.numbers(v, 4, true)) return false;
        r.skipblanks();
        const int after = r.get();
        if (after == '>') arrowPending = true;
        else r.unget();
        r.rest();
        dragLine = DragRect{coord(v[0] * clientWidth), coord(v[1] * clientHeight),
                            coord(v[2] * clientWidth), coord(v[3] * clientHeight)};
        setPenAndFont();
        if (arrowPending)
            drawarrowhead(dragLine.Left, dragLine.Top, dragLine.Right, dragLine.Bottom,
                          clientHeight, clientWidth, screen);
        strokeDragLine();
        recordLine(v[0], v[1], v[2], v[3]);
        arrowPending = false;
        return true;
    }
    if (keyword == "anntext") {
        double v[2];
        if (!r.numbers(v, 2, false)) return false;
        // The text: the rest of the line after the blank that ended y.
        const std::string text = stripControls(r.rest());
        drawText(coord(v[0] * clientWidth), coord(v[1] * clientHeight), text);
        recordText(text, v[1], v[0]);
        return true;
    }
    return false;
}

void TAnnGraphFm::showFileError(const std::string& name) {
    FileErrorDlg.Label1 = stripControls("Cannot open file " + name + ".");
    FileErrorDlg.SvorOp = "Operation cancelled.";
    FileErrorDlg.show();
}

void TAnnGraphFm::show() {
    visible = true;
    FormShow();
    FormPaint();
}

Metafile TAnnGraphFm::picture() const {
    Metafile m;
    m.width = clientWidth;
    m.height = clientHeight;
    m.records = screen.records();
    return m;
}

void TAnnGraphFm::showPicture() const {
    if (!writewhole(pictureFile, writesvg(picture(), clientWidth, clientHeight))) {
        printout("\nError:  cannot write the annotation editor's picture.\n");
        return;
    }
    platform::current().notice("[" + caption + "] " + pictureFile);
}

// ---- the dialogs ----

TTextDlg::TTextDlg() : Form("Edit Text") {
    field("TextEdit", "Enter Text:", "");
    Button& ok = button("OKBtn", "&Okay");
    ok.isDefault = true;
    ok.onClick = [this] { OKBtnClick(); };
}

void TTextDlg::OKBtnClick() {
    std::string typed = text("TextEdit");
    typed = typed.substr(0, typed.find('\n'));  // an edit box holds one line
    if (typed.size() > 254) typed.resize(254);
    setText("TextEdit", "");
    pendingAnnText = typed;
    visible = false;
    close();
}

void TTextDlg::show() {
    visible = true;
    while (visible) {
        std::string word;
        if (!platform::current().formAnswer(consoleText(), word)) return;
        if (samewords(word, "Leave")) return;
        if (answer(word)) continue;
        setText("TextEdit", word);
        OKBtnClick();
    }
}

TFileErrorDlg::TFileErrorDlg() : Form("File Error") {
    Button& ok = button("OKBtn", "OK");
    ok.isDefault = true;
    ok.onClick = [this] { OKBtnClick(); };
}

void TFileErrorDlg::OKBtnClick() {
    visible = false;
    close();
}

void TFileErrorDlg::show() {
    visible = true;
    platform::current().notice(noticeText());
}

std::string TFileErrorDlg::noticeText() const {
    return "[" + caption() + "]\n  " + Label1 + "\n  " + SvorOp + "\n  <OK>";
}

void showannotationeditor() { AnnGraphFm.show(); }

void resetannotationeditor() {
    AnnGraphFm = TAnnGraphFm();
    annEditorCaption = "Annotation Editor";
    annScript.clear();
    pendingAnnText.clear();
    textPlacing = arrowPending = justLoaded = false;
    TextDlg.setText("TextEdit", "");
    TextDlg.visible = false;
    FileErrorDlg.Label1.clear();
    FileErrorDlg.SvorOp.clear();
    FileErrorDlg.visible = false;
}

}  // namespace graphs
