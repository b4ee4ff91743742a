#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/files/CPTokenizer.h"

namespace {
std::vector<std::string> Tokens(const std::string& text, const std::string& delimiter, bool quotes) {
    CPTokenizer tokenizer(text, delimiter, quotes);
    std::vector<std::string> out;
    std::string token = "stale";
    while (tokenizer.NextToken(token)) out.push_back(token);
    EXPECT_EQ(token, "") << "a finished tokenizer leaves the token empty";
    EXPECT_FALSE(tokenizer.NextToken(token)) << "and stays finished";
    return out;
}

struct Case {
    const char* name;
    std::string text;
    std::string delimiter;
    bool quotes;
    std::vector<std::string> tokens;
};
}  // namespace

TEST(TokenizerTest, SplitsAsTabulated) {
    const std::vector<Case> cases = {
        {"empty between delimiters", "a,b,,c", ",", false, {"a", "b", "", "c"}},
        {"no token after a final delimiter", "a,b,", ",", false, {"a", "b"}},
        {"empty first token", ",a", ",", false, {"", "a"}},
        {"two blanks with blank delimiter", "a  b", " ", false, {"a", "", "b"}},
        {"quoted delimiter", "\"x, y\",z", ",", true, {"x, y", "z"}},
        {"quotes ignored", "\"x, y\",z", ",", false, {"\"x", "y\"", "z"}},
        {"doubled quote", "\"a\"\"b\"", ",", true, {"a\"b"}},
        {"doubled quote outside honour", "a\"\"b", ",", false, {"a\"\"b"}},
        {"single blank kept", "a, ,b", ",", false, {"a", " ", "b"}},
        {"two blanks trimmed", "a,  ,b", ",", false, {"a", "", "b"}},
        {"quoted single blank kept", "\" \",b", ",", true, {" ", "b"}},
        {"tokens trimmed", "  a\t,\t b \r\n", ",", false, {"a", "b"}},
        {"only blanks", " \t \r\n ", ",", false, {}},
        {"empty text", "", ",", false, {}},
        {"unterminated quote runs to the end", "\"a,b", ",", true, {"a,b"}},
        {"quote closing at the very end", "\"a\"", ",", true, {"a"}},
        {"doubled quote at the very end", "x,\"a\"\"", ",", true, {"x", "a\""}},
        {"text after a quoted run joins the token", "\"x\"y,z", ",", true, {"xy", "z"}},
        {"semicolon list", "1;2;3", ";", false, {"1", "2", "3"}},
        {"no delimiter present", "name_with_parts", ",", false, {"name_with_parts"}},
        {"underscore delimiter", "tex_nomip_cube", "_", false, {"tex", "nomip", "cube"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Tokens(c.text, c.delimiter, c.quotes), c.tokens) << c.name;
    }
}
