#pragma once

#include <string>

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

    // The same edit on a file's text; what setValue writes.
    static std::string withValue(const std::string& text, const std::string& section, const std::string& key,
                                 const std::string& value);
};
