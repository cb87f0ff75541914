#include "chart/MsdParser.h"

#include "chart/MsdValues.h"

namespace chart {

namespace {

class TagScanner {
public:
    explicit TagScanner(std::string_view text)
        : text(text)
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
            if (c == '\\' && pos + 1 < text.size()) {
                fields.back() += text[pos + 1];
                pos += 2;
                continue;
            }
            fields.back() += c;
            ++pos;
            if (c == '\n' && nextLineStartsTag())
                break;
        }
        MsdTag tag;
        tag.name = MsdValues::upper(MsdValues::trim(fields.front()));
        for (std::size_t i = 1; i < fields.size(); ++i)
            tag.fields.emplace_back(MsdValues::trim(fields[i]));
        return tag;
    }

private:
    bool startsComment() const { return text[pos] == '/' && pos + 1 < text.size() && text[pos + 1] == '/'; }

    void skipToLineEnd()
    {
        const std::size_t end = text.find('\n', pos);
        pos = end == std::string_view::npos ? text.size() : end;
    }

    bool nextLineStartsTag() const
    {
        std::size_t at = pos;
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\r'))
            ++at;
        return at < text.size() && text[at] == '#';
    }

    std::string_view text;
    std::size_t pos = 0;
};

} // namespace

bool MsdParser::parse(std::string_view text, std::vector<MsdTag>& tags, std::string& error)
{
    TagScanner scanner(text);
    while (scanner.findTag()) {
        if (tags.size() >= maxTags) {
            error = "more than " + std::to_string(maxTags) + " tags";
            return false;
        }
        tags.push_back(scanner.readTag());
    }
    return true;
}

} // namespace chart
