// A dialog as a model: its caption, edit fields, check boxes, radio groups and buttons, and
// what each does. Shown modally, it prints its console form through the platform (never into
// the results) and takes answers until a button closes it: a button's caption without '&'
// or its component name (a check box toggles the same way, a radio item is chosen by its
// caption), or "name=text" for an edit field or a radio group (by item number from 0). With
// no answer the default button is pressed, else Cancel; a modeless window takes "Leave".
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

class Form {
public:
    struct Field {
        std::string name, label, text;
        bool visible = true;
        bool enabled = true;  // a disabled field shows its text and takes no answer
        std::function<void()> onChange;
    };
    struct Check {
        std::string name, caption;
        bool checked = false;
        bool enabled = true;  // a disabled check box shows its mark and takes no answer
        std::function<void()> onClick;
    };
    struct Radio {
        std::string name, caption;
        std::vector<std::string> items;
        int index = -1;
        std::function<void()> onClick;
    };
    struct Button {
        std::string name, caption;
        bool enabled = true;
        bool isDefault = false;
        bool isCancel = false;
        std::function<void()> onClick;
    };

    explicit Form(std::string caption) : caption_(std::move(caption)) {}
    virtual ~Form() = default;

    Field& field(const std::string& name, const std::string& label, const std::string& text);
    Check& check(const std::string& name, const std::string& caption, bool checked);
    Radio& radio(const std::string& name, const std::string& caption, std::vector<std::string> items);
    Button& button(const std::string& name, const std::string& caption);

    Field* findField(const std::string& name);
    Button* findButton(const std::string& name);
    Check* findCheck(const std::string& name);
    // Sets a field's text, running its change handler.
    void setText(const std::string& name, const std::string& text);
    std::string text(const std::string& name);

    // Shows the form until a button closes it (or, with `modeless`, until "Leave").
    void showModal(bool modeless = false);
    void close() { open_ = false; }
    bool isOpen() const { return open_; }
    // The console form: caption, fields, check boxes, radio items, enabled buttons. A form
    // with a component of its own (a text editor) adds it here and in answer.
    virtual std::string consoleText() const;
    // Applies one answer; false when it names nothing of the form.
    virtual bool answer(const std::string& word);

    const std::string& caption() const { return caption_; }

protected:
    // Runs each time the form is shown, before the first answer.
    virtual void activate() {}

private:
    std::string caption_;
    std::deque<Field> fields_;
    std::deque<Check> checks_;
    std::deque<Radio> radios_;
    std::deque<Button> buttons_;
    bool open_ = false;
};

// A caption without its '&' accelerator marks.
std::string plaincaption(const std::string& caption);
// True when the words are equal, ignoring letter case.
bool samewords(const std::string& a, const std::string& b);
// A file dialog: the name answered, false when cancelled (the batch default).
bool filedialog(const std::string& title, const std::string& defaultName, std::string& name);
