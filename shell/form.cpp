#include "shell/form.h"

#include <cstdlib>
#include <strings.h>

#include "platform/platform.h"

std::string plaincaption(const std::string& caption) {
    std::string out;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size() && caption[i + 1] != '&') continue;
        out += caption[i];
        if (caption[i] == '&') ++i;
    }
    return out;
}

bool samewords(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

Form::Field& Form::field(const std::string& name, const std::string& label, const std::string& text) {
    fields_.push_back(Field{name, label, text, true, true, nullptr});
    return fields_.back();
}

Form::Check& Form::check(const std::string& name, const std::string& caption, bool checked) {
    checks_.push_back(Check{name, caption, checked, true, nullptr});
    return checks_.back();
}

Form::Radio& Form::radio(const std::string& name, const std::string& caption,
                         std::vector<std::string> items) {
    radios_.push_back(Radio{name, caption, std::move(items), -1, nullptr});
    return radios_.back();
}

Form::Button& Form::button(const std::string& name, const std::string& caption) {
    buttons_.push_back(Button{name, caption, true, false, false, nullptr});
    return buttons_.back();
}

Form::Field* Form::findField(const std::string& name) {
    for (Field& f : fields_)
        if (f.name == name) return &f;
    return nullptr;
}

Form::Button* Form::findButton(const std::string& name) {
    for (Button& b : buttons_)
        if (b.name == name) return &b;
    return nullptr;
}

Form::Check* Form::findCheck(const std::string& name) {
    for (Check& c : checks_)
        if (c.name == name) return &c;
    return nullptr;
}

void Form::setText(const std::string& name, const std::string& text) {
    Field* f = findField(name);
    if (!f) return;
    f->text = text;
    if (f->onChange) f->onChange();
}

std::string Form::text(const std::string& name) {
    Field* f = findField(name);
    return f ? f->text : std::string();
}

std::string Form::consoleText() const {
    std::string out = "[" + caption_ + "]\n";
    for (const Field& f : fields_)
        if (f.visible) out += "  " + f.name + " = " + f.text + (f.enabled ? "" : "  (disabled)") + "\n";
    for (const Check& c : checks_)
        out += std::string("  [") + (c.checked ? "x" : " ") + "] " + plaincaption(c.caption) +
               (c.enabled ? "" : "  (disabled)") + "\n";
    for (const Radio& r : radios_) {
        out += "  " + plaincaption(r.caption) + ":";
        for (std::size_t i = 0; i < r.items.size(); ++i)
            out += std::string(" (") + (static_cast<int>(i) == r.index ? "*" : " ") + ") " + r.items[i];
        out += "\n";
    }
    std::string buttons;
    for (const Button& b : buttons_)
        if (b.enabled) buttons += " <" + plaincaption(b.caption) + ">";
    if (!buttons.empty()) out += " " + buttons + "\n";
    return out;
}

bool Form::answer(const std::string& word) {
    std::size_t eq = word.find('=');
    if (eq != std::string::npos) {
        std::string name = word.substr(0, eq), value = word.substr(eq + 1);
        if (Field* f = findField(name)) {
            if (!f->enabled) return false;
            setText(name, value);
            return true;
        }
        for (Radio& r : radios_)
            if (r.name == name) {
                char* end = nullptr;
                long i = std::strtol(value.c_str(), &end, 10);
                if (!*end && i >= -1 && i < static_cast<long>(r.items.size())) {
                    r.index = static_cast<int>(i);
                    if (r.onClick) r.onClick();
                    return true;
                }
                return false;
            }
        return false;
    }
    for (Button& b : buttons_)
        if (b.enabled && (samewords(word, plaincaption(b.caption)) || word == b.name)) {
            if (b.onClick) b.onClick();
            else close();
            return true;
        }
    for (Check& c : checks_)
        if (c.enabled && (samewords(word, plaincaption(c.caption)) || word == c.name)) {
            c.checked = !c.checked;
            if (c.onClick) c.onClick();
            return true;
        }
    for (Radio& r : radios_)
        for (std::size_t i = 0; i < r.items.size(); ++i)
            if (samewords(word, r.items[i])) {
                r.index = static_cast<int>(i);
                if (r.onClick) r.onClick();
                return true;
            }
    return false;
}

void Form::showModal(bool modeless) {
    open_ = true;
    activate();
    while (open_) {
        std::string word;
        if (!platform::current().formAnswer(consoleText(), word)) {
            if (modeless) return;  // Leave: the window stays open
            Button* chosen = nullptr;
            for (Button& b : buttons_)
                if (b.enabled && b.isDefault) chosen = &b;
            if (!chosen)
                for (Button& b : buttons_)
                    if (b.enabled && b.isCancel) chosen = &b;
            if (chosen && chosen->onClick) chosen->onClick();
            // A default that leaves the form open (or none at all) closes it as Cancel would.
            open_ = false;
            return;
        }
        if (modeless && samewords(word, "Leave")) return;
        answer(word);
    }
}

bool filedialog(const std::string& title, const std::string& defaultName, std::string& name) {
    std::string answer;
    std::string text = "[" + title + "]\n  file name = " + defaultName + "\n  <Open> <Cancel>\n";
    if (!platform::current().formAnswer(text, answer)) return false;
    if (samewords(answer, "Cancel") || answer.empty()) return false;
    name = samewords(answer, "Open") || samewords(answer, "OK") ? defaultName : answer;
    return true;
}
