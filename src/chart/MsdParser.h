#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace chart {

// One "#NAME:field:field;" entry of an SM, SSC or DWI file.
struct MsdTag {
    std::string name; // upper case, trimmed
    std::vector<std::string> fields; // the values after the name, trimmed
};

// Splits the text of an SM, SSC or DWI file into its tags, as players' files
// write them: a UTF-8 byte order mark, CR-LF line ends, `//` comments, `\`
// escapes (SM and SSC only), lower-case names, a missing ';' (a '#' at the
// start of a line ends the tag before it) and an unterminated last tag are
// all taken.
class MsdParser {
public:
    static constexpr std::size_t maxTags = 20000;
    static constexpr std::size_t maxFields = 64; // more colons stay in the last field
    static constexpr std::size_t maxValues = 100000; // fields of all tags together

    // False with a reason when the file holds more tags or values than that.
    static bool parse(std::string_view text, std::vector<MsdTag>& tags, std::string& error, bool escapes = true);
};

} // namespace chart
