// Settings files in the profile format: lines "[Section]" and "Key=Value". Reading follows
// the rules of the format: section and key names ignore letter case, blanks around names and
// values go, the first of two equal keys counts, a line that is neither a section nor a key
// (a '[' line without ']' too) is skipped, keys before any section are ignored, and an
// integer key whose value is not a 32-bit integer reads as its default. Writing builds the
// file whole, in the order the keys are written, with LF line ends; a reader takes CR LF too.
#pragma once

#include <string>
#include <utility>
#include <vector>

class ProfileFile {
public:
    // Parses the text of a file.
    void parse(const std::string& text);
    // Reads the file; an unreadable or missing file (or a directory) reads as empty.
    void load(const std::string& path);

    // True and the value when the key is present.
    bool find(const std::string& section, const std::string& key, std::string& value) const;
    std::string readString(const std::string& section, const std::string& key,
                           const std::string& def) const;
    int readInteger(const std::string& section, const std::string& key, int def) const;
    bool readBool(const std::string& section, const std::string& key, bool def) const;

    // Writing: keys are kept in the order written, each section where it first appears.
    void writeString(const std::string& section, const std::string& key, const std::string& value);
    void writeInteger(const std::string& section, const std::string& key, long long value);
    void writeBool(const std::string& section, const std::string& key, bool value);
    // The file's text.
    std::string text() const;
    // Writes the file whole beside the old one and renames it over it; false on failure.
    bool save(const std::string& path) const;

private:
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> keys;
    };
    std::vector<Section> sections_;
    Section* section(const std::string& name, bool make);
    const Section* section(const std::string& name) const;
};

// Parses a whole 32-bit decimal integer (optional sign, nothing else); false otherwise.
bool parseint32(const std::string& text, int& out);
