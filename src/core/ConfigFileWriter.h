#pragma once

#include <string>
#include <vector>

// Changes one value of a sectioned configuration file in place, leaving every
// other byte of the file as it was: the key's line takes the new value (the
// last such line of the section, the one a reader uses), or a new line is
// added to the section, or the section is added at the end. The file is
// replaced whole or not at all.
class ConfigFileWriter {
public:
    // False, with the file unchanged, when it cannot be read or written.
    static bool setValue(const std::string& path, const std::string& section, const std::string& key,
                         const std::string& value);

    struct Edit {
        std::string section;
        std::string key;
        std::string value;
    };
    // Several values in one write: all of them or, when the file cannot be
    // read or written, none.
    static bool setValues(const std::string& path, const std::vector<Edit>& edits);

    // The same edit on a file's text; what setValue writes.
    static std::string withValue(const std::string& text, const std::string& section, const std::string& key,
                                 const std::string& value);
};
