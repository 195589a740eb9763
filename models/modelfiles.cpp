#include "models/modelfiles.h"

#include "core/printout.h"
#include "interp/state.h"
#include "platform/files.h"

std::string buildConfigFile = "Build.cfg";
std::string macFixConfigFile = "MacMender.cfg";
std::string vecFixConfigFile = "Mender.cfg";
bool macFixRunBatch = true, vecFixRunBatch = true;

namespace {

constexpr int lineMax = 239;

std::function<void(const std::string&, RunMode)>& runner() {
    static std::function<void(const std::string&, RunMode)> r;
    return r;
}

}  // namespace

int readconfigline(std::FILE* file, char* buf, short n) {
    if (!file || !buf || n < 0) return -1;
    buf[0] = 0;
    // One line of at most lineMax characters; CR LF and LF end it alike and are not counted.
    std::string line;
    int c = 0;
    bool ended = false;
    while (static_cast<int>(line.size()) < lineMax && (c = std::fgetc(file)) != EOF) {
        if (c == '\n') {
            ended = true;
            break;
        }
        line += static_cast<char>(c);
    }
    if (line.empty() && !ended) return -1;  // the end of the file
    if (!ended) {
        // A full piece: a line end right after it belongs to it.
        c = std::fgetc(file);
        if (c == '\r') {
            int d = std::fgetc(file);
            // A lone carriage return after the piece ends it as well.
            if (d != '\n' && d != EOF) std::ungetc(d, file);
        } else if (c != '\n' && c != EOF) {
            std::ungetc(c, file);
        }
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();

    std::size_t semi = line.find(';');
    if (semi == std::string::npos) {
        printout("Config line missing ;: %s\n", line.c_str());
        return -1;
    }
    std::size_t i = semi + 1;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    int copied = 0;
    while (i < line.size() && line[i] != '\n' && line[i] != '\r') {
        if (copied == n) {
            buf[copied] = 0;
            printout("Config line too long: %s\n", line.c_str());
            return -1;
        }
        buf[copied++] = line[i++];
    }
    buf[copied] = 0;
    return 0;
}

bool writedosfile(const std::string& name, const std::vector<std::string>& lines) {
    platform::ReplacingFile out(name);
    std::FILE* f = out.open("wb");
    if (!f) return false;
    for (const std::string& line : lines) {
        std::fwrite(line.data(), 1, line.size(), f);
        std::fwrite("\r\n", 1, 2, f);
    }
    return out.commit();
}

bool batchpresent(const std::string& name) {
    std::FILE* f = std::fopen(name.c_str(), "r+");
    if (!f) return false;
    std::fclose(f);
    return true;
}

void runBatch(const std::string& commandLine, RunMode mode) {
    if (runner()) {
        runner()(commandLine, mode);
        return;
    }
    printout("\nWarning:  cannot run %s on this system.\n", commandLine.c_str());
}

void setbatchrunner(std::function<void(const std::string&, RunMode)> r) { runner() = std::move(r); }

bool writeoncerun(const std::string& name, const std::vector<std::string>& lines) {
    if (!batchpresent(name) && !writedosfile(name, lines)) {
        printout("Cannot open %s.\n", name.c_str());
        return false;
    }
    runBatch(name, RunMode::spawn);
    return true;
}

std::string namestem(const std::string& name) {
    std::size_t cut = name.find_first_of(".\n\r");
    return cut == std::string::npos ? name : name.substr(0, cut);
}

std::string cutvalue(const char* value, const char* more) {
    std::string s(value);
    return s.substr(0, s.find_first_of(std::string("\n\r") + more));
}

ConfigSource::ConfigSource(bool restoreEcho)
    : keyboard_(keyboardInput), replay_(replayMode), list_(replayList), echo_(restoreEcho ? addPrint : 1) {
    keyboardInput = 'n';
    replayMode = 'n';
    replayList = nullptr;
    lastChar = '\n';  // the next read takes the file's first line
    ungotChar = 0;
    tokenPushedBack = 0;
    addPrint = 0;
}

ConfigSource::~ConfigSource() {
    keyboardInput = keyboard_;
    replayMode = replay_;
    replayList = list_;
    addPrint = echo_;
}

void addconfigfields(Form& form, const std::vector<ConfigField>& specs, const std::function<void()>& changed) {
    for (const ConfigField& s : specs) {
        std::string name = s.name;
        std::size_t max = s.max;
        form.field(s.name, s.label, s.text).onChange = [&form, name, max, changed] {
            Form::Field* self = form.findField(name);
            if (max && self->text.size() > max) self->text.resize(max);  // a longer answer is cut
            changed();
        };
    }
}

std::string filestem(const std::string& name) {
    std::size_t slash = name.find_last_of("/\\");
    std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    return base.substr(0, base.find('.'));
}

std::FILE* openchosen(const std::string& preset, std::string& name) {
    name = preset;
    if (!filedialog("Open Model Configuration File", preset, name)) name = preset;
    if (name.empty()) return nullptr;
    std::FILE* f = std::fopen(name.c_str(), "r");
    if (!f) printout("Cannot open %s.\n", name.c_str());
    return f;
}
