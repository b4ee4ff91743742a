#include "core/files/CPTokenizer.h"

#include "core/StringUtils.h"

CPTokenizer::CPTokenizer(const std::string& text, const std::string& delimiter, bool honourQuotes)
    : mText(text), mDelimiter(delimiter), mHonourQuotes(honourQuotes) {
    Trim(mText);
}

bool CPTokenizer::NextToken(std::string& token) {
    token.clear();
    const size_t size = mText.size();
    if (mText.empty() || mPosition >= size) return false;

    bool quoted = false;
    size_t pos = mPosition;
    while (pos < size) {
        const char c = mText[pos];
        if (c == '"' && mHonourQuotes) {
            if (!quoted) {
                quoted = true;
                ++pos;
            } else if (pos + 1 < size && mText[pos + 1] == '"') {
                token.push_back('"');
                pos += 2;
            } else {
                quoted = false;
                ++pos;
            }
        } else if (quoted) {
            token.push_back(c);
            ++pos;
        } else if (!mDelimiter.empty() && mText.compare(pos, mDelimiter.size(), mDelimiter) == 0) {
            pos += mDelimiter.size();
            break;
        } else {
            token.push_back(c);
            ++pos;
        }
    }
    mPosition = pos;
    if (token != " ") Trim(token);
    return true;
}

std::vector<std::string> Tokenize(const std::string& text, const std::string& delimiter, bool honourQuotes) {
    CPTokenizer tokenizer(text, delimiter, honourQuotes);
    std::vector<std::string> tokens;
    for (std::string token; tokenizer.NextToken(token);) tokens.push_back(token);
    return tokens;
}
