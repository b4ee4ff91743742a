// Splits one text at a delimiter into trimmed tokens, optionally honouring double quotes: a delimiter
// inside a quoted run belongs to the token, and two double quotes inside a run give one.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class CPTokenizer {
public:
    // The text is copied and trimmed; the delimiter is one character in every use (a longer one
    // matches as a whole, an empty one never matches).
    CPTokenizer(const std::string& text, const std::string& delimiter, bool honourQuotes);
    virtual ~CPTokenizer() = default;

    // The next token into `token`; false, with `token` empty, when no token is left. A token is
    // trimmed unless it is exactly one blank; a delimiter at the very end of the text opens no token.
    bool NextToken(std::string& token);

private:
    std::string mText;
    std::string mDelimiter;
    size_t mPosition = 0;  // offset in the text of the next character to read
    bool mHonourQuotes;
};

// Every token of the text in order (what a loop over NextToken gives).
std::vector<std::string> Tokenize(const std::string& text, const std::string& delimiter, bool honourQuotes);
