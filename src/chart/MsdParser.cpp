#include "chart/MsdParser.h"

#include "chart/MsdValues.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace chart {

namespace {

// The characters that end a run of plain value text.
constexpr std::array<bool, 256> special = [] {
    std::array<bool, 256> table{};
    for (const unsigned char c : {':', ';', '/', '\\', '\n'})
        table[c] = true;
    return table;
}();

class TagScanner {
public:
    TagScanner(std::string_view text, bool escapes)
        : text(text)
        , escapes(escapes)
    {
        if (this->text.starts_with("\xEF\xBB\xBF"))
            pos = 3;
    }

    // Moves to the next '#' outside comments; false at the end.
    bool findTag()
    {
        while (pos < text.size()) {
            if (text[pos] == '#')
                return true;
            if (startsComment())
                skipToLineEnd();
            else
                ++pos;
        }
        return false;
    }

    MsdTag readTag()
    {
        std::vector<std::string> fields(1);
        ++pos; // the '#'
        while (pos < text.size()) {
            const char c = text[pos];
            if (c == ';') {
                ++pos;
                break;
            }
            if (c == ':') {
                ++pos;
                if (fields.size() < MsdParser::maxFields)
                    fields.emplace_back();
                else
                    fields.back() += c;
                continue;
            }
            if (startsComment()) {
                skipToLineEnd();
                continue;
            }
            if (escapes && c == '\\' && pos + 1 < text.size()) {
                fields.back() += text[pos + 1];
                pos += 2;
                continue;
            }
            bool nextTag = false;
            const std::size_t end = plainRunEnd(nextTag);
            fields.back().append(text.substr(pos, end - pos));
            pos = end;
            if (nextTag)
                break; // a '#' starts the next line: the ';' was left out
        }
        for (std::string& field : fields) {
            const std::string_view trimmed = MsdValues::trim(field);
            field.resize(static_cast<std::size_t>(trimmed.data() - field.data()) + trimmed.size());
            field.erase(0, static_cast<std::size_t>(trimmed.data() - field.data()));
        }
        MsdTag tag;
        tag.name = MsdValues::upper(fields.front());
        tag.fields.assign(std::make_move_iterator(fields.begin() + 1), std::make_move_iterator(fields.end()));
        return tag;
    }

private:
    // The end of the characters from `pos` on that need no special handling:
    // before the next ':', ';', '/' or '\\', or after a line end when the
    // next line starts a tag.
    std::size_t plainRunEnd(bool& nextTag) const
    {
        std::size_t end = pos;
        while (end < text.size()) {
            const char c = text[end];
            if (!special[static_cast<unsigned char>(c)]) {
                ++end;
                continue;
            }
            if (c != '\n')
                return std::max(end, pos + 1);
            ++end;
            if (lineStartsTag(end)) {
                nextTag = true;
                return end;
            }
        }
        return end;
    }

    bool startsComment() const { return text[pos] == '/' && pos + 1 < text.size() && text[pos + 1] == '/'; }

    void skipToLineEnd()
    {
        const std::size_t end = text.find('\n', pos);
        pos = end == std::string_view::npos ? text.size() : end;
    }

    bool lineStartsTag(std::size_t at) const
    {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\r'))
            ++at;
        return at < text.size() && text[at] == '#';
    }

    std::string_view text;
    bool escapes;
    std::size_t pos = 0;
};

} // namespace

bool MsdParser::parse(std::string_view text, std::vector<MsdTag>& tags, std::string& error, bool escapes)
{
    TagScanner scanner(text, escapes);
    std::size_t values = 0;
    while (scanner.findTag()) {
        if (tags.size() >= maxTags) {
            error = "more than " + std::to_string(maxTags) + " tags";
            return false;
        }
        tags.push_back(scanner.readTag());
        values += tags.back().fields.size();
        if (values > maxValues) {
            error = "more than " + std::to_string(maxValues) + " values";
            return false;
        }
    }
    return true;
}

} // namespace chart
