#include "platform/EffectScanner.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <strings.h>

namespace {

enum class TokenKind { Identifier, Number, String, Punct, End };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;
    int line = 1;
};

bool IsIdentifierStart(unsigned char c) { return std::isalpha(c) || c == '_'; }
bool IsIdentifierChar(unsigned char c) { return std::isalnum(c) || c == '_'; }
bool IsPunct(unsigned char c) {
    switch (c) {
        case '{': case '}': case '(': case ')': case '[': case ']': case '<': case '>': case ';': case ',':
        case '=': case ':': case '.': case '+': case '-': case '*': case '/': case '%': case '!': case '&':
        case '|': case '^': case '~': case '?': case '\\':
            return true;
        default:
            return false;
    }
}

// Splits the text into tokens, dropping comments and preprocessor lines.
class Lexer {
public:
    Lexer(const char* text, size_t size) : mText(text), mSize(size) {}

    bool Next(Token* token, std::string* error) {
        if (!SkipSpace(error)) return false;
        token->line = mLine;
        token->text.clear();
        if (mPos >= mSize) {
            token->kind = TokenKind::End;
            return true;
        }
        const unsigned char c = static_cast<unsigned char>(mText[mPos]);
        if (IsIdentifierStart(c)) {
            token->kind = TokenKind::Identifier;
            while (mPos < mSize && IsIdentifierChar(static_cast<unsigned char>(mText[mPos])))
                token->text += mText[mPos++];
            return true;
        }
        if (std::isdigit(c) || (c == '.' && mPos + 1 < mSize && std::isdigit(static_cast<unsigned char>(mText[mPos + 1])))) {
            token->kind = TokenKind::Number;
            while (mPos < mSize) {
                const unsigned char d = static_cast<unsigned char>(mText[mPos]);
                const bool exponentSign = (d == '+' || d == '-') && !token->text.empty() &&
                                          (token->text.back() == 'e' || token->text.back() == 'E') &&
                                          token->text.rfind("0x", 0) != 0;
                if (!IsIdentifierChar(d) && d != '.' && !exponentSign) break;
                token->text += mText[mPos++];
            }
            return true;
        }
        if (c == '"') {
            token->kind = TokenKind::String;
            ++mPos;
            while (true) {
                if (mPos >= mSize || mText[mPos] == '\n') return Fail(error, "unterminated string");
                if (mText[mPos] == '"') break;
                if (mText[mPos] == '\\' && mPos + 1 < mSize) token->text += mText[mPos++];
                token->text += mText[mPos++];
            }
            ++mPos;
            return true;
        }
        if (IsPunct(c)) {
            token->kind = TokenKind::Punct;
            token->text = static_cast<char>(c);
            ++mPos;
            return true;
        }
        // A terminating zero byte ends the text; any other stray byte is an error.
        if (c == 0 && mPos + 1 == mSize) {
            mPos = mSize;
            token->kind = TokenKind::End;
            return true;
        }
        char message[48];
        std::snprintf(message, sizeof message, "unexpected character 0x%02X", c);
        return Fail(error, message);
    }

    int Line() const { return mLine; }

    bool Fail(std::string* error, const char* message) const {
        char prefix[32];
        std::snprintf(prefix, sizeof prefix, "effect(%d): ", mLine);
        *error = prefix;
        *error += message;
        return false;
    }

private:
    bool SkipSpace(std::string* error) {
        bool lineStart = mPos == 0;
        while (mPos < mSize) {
            const char c = mText[mPos];
            if (c == '\n') {
                ++mLine, ++mPos;
                lineStart = true;
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
                ++mPos;
            } else if (c == '#' && lineStart) {
                // Preprocessor line, with backslash continuations.
                while (mPos < mSize && mText[mPos] != '\n') {
                    if (mText[mPos] == '\\' && mPos + 1 < mSize && mText[mPos + 1] == '\n') ++mLine, ++mPos;
                    ++mPos;
                }
            } else if (c == '/' && mPos + 1 < mSize && mText[mPos + 1] == '/') {
                while (mPos < mSize && mText[mPos] != '\n') ++mPos;
            } else if (c == '/' && mPos + 1 < mSize && mText[mPos + 1] == '*') {
                const int startLine = mLine;
                mPos += 2;
                while (mPos + 1 < mSize && !(mText[mPos] == '*' && mText[mPos + 1] == '/')) {
                    if (mText[mPos] == '\n') ++mLine;
                    ++mPos;
                }
                if (mPos + 1 >= mSize) {
                    mLine = startLine;
                    return Fail(error, "unterminated comment");
                }
                mPos += 2;
            } else {
                return true;
            }
        }
        return true;
    }

    const char* mText;
    size_t mSize;
    size_t mPos = 0;
    int mLine = 1;
};

bool Is(const Token& token, const char* punct) { return token.kind == TokenKind::Punct && token.text == punct; }
bool IsWord(const Token& token, const char* word) {
    return token.kind == TokenKind::Identifier && strcasecmp(token.text.c_str(), word) == 0;
}

char Closer(char opener) { return opener == '{' ? '}' : opener == '(' ? ')' : ']'; }

class Parser {
public:
    Parser(const char* text, size_t size, EffectScan* scan, std::string* error)
        : mLexer(text, size), mScan(scan), mError(error) {}

    bool Run() {
        if (!Advance()) return false;
        while (mToken.kind != TokenKind::End) {
            if (Is(mToken, ";")) {
                if (!Advance()) return false;
            } else if (IsWord(mToken, "technique")) {
                if (!Technique()) return false;
            } else if (IsWord(mToken, "struct")) {
                if (!Struct()) return false;
            } else if (IsWord(mToken, "typedef")) {
                if (!SkipUntilSemicolon()) return false;
            } else if (mToken.kind == TokenKind::Identifier) {
                if (!Declaration()) return false;
            } else {
                return Fail("unexpected '" + mToken.text + "'");
            }
        }
        return true;
    }

private:
    bool Advance() { return mLexer.Next(&mToken, mError); }
    bool Fail(const std::string& message) {
        char prefix[32];
        std::snprintf(prefix, sizeof prefix, "effect(%d): ", mToken.line);
        *mError = prefix + message;
        return false;
    }
    bool Expect(const char* punct) {
        if (!Is(mToken, punct)) return Fail(std::string("expected '") + punct + "'");
        return Advance();
    }

    // The current token opens a bracket; skips through its matching closer, checking the nesting.
    bool SkipBalanced() {
        std::string open(1, mToken.text[0]);
        if (!Advance()) return false;
        while (!open.empty()) {
            if (mToken.kind == TokenKind::End) return Fail("unexpected end of text inside '" + open.substr(open.size() - 1) + "'");
            if (mToken.kind == TokenKind::Punct) {
                const char c = mToken.text[0];
                if (c == '{' || c == '(' || c == '[') {
                    open += c;
                } else if (c == '}' || c == ')' || c == ']') {
                    if (Closer(open.back()) != c) return Fail(std::string("'") + c + "' does not close '" + open.back() + "'");
                    open.pop_back();
                }
            }
            if (!Advance()) return false;
        }
        return true;
    }

    // Skips tokens up to (not over) the first of `stops` at this bracket level, stepping over balanced
    // brackets; a stray closer or the end of the text is an error (`endMessage` for the latter).
    bool SkipUntil(std::initializer_list<const char*> stops, const char* endMessage) {
        while (true) {
            for (const char* stop : stops)
                if (Is(mToken, stop)) return true;
            if (mToken.kind == TokenKind::End) return Fail(endMessage);
            if (Is(mToken, "{") || Is(mToken, "(") || Is(mToken, "[")) {
                if (!SkipBalanced()) return false;
            } else if (Is(mToken, "}") || Is(mToken, ")") || Is(mToken, "]")) {
                return Fail("'" + mToken.text + "' without its opener");
            } else if (!Advance()) {
                return false;
            }
        }
    }

    // Annotations: `<` ... `>` with the declarations inside, which may hold brackets of their own.
    bool SkipAnnotations() {
        return Advance() && SkipUntil({">"}, "unexpected end of text inside '<'") && Advance();
    }

    bool SkipUntilSemicolon() { return SkipUntil({";"}, "unexpected end of text: missing ';'") && Advance(); }

    bool Technique() {
        EffectScanTechnique technique;
        if (!Advance()) return false;
        if (mToken.kind == TokenKind::Identifier) {
            technique.name = mToken.text;
            if (!Advance()) return false;
        }
        if (Is(mToken, "<") && !SkipAnnotations()) return false;
        if (!Is(mToken, "{")) return Fail("expected '{' after technique");
        if (!Advance()) return false;
        while (!Is(mToken, "}")) {
            if (!IsWord(mToken, "pass")) {
                if (mToken.kind == TokenKind::End) return Fail("unexpected end of text inside technique");
                return Fail("expected 'pass' inside technique, found '" + mToken.text + "'");
            }
            if (!Advance()) return false;
            if (mToken.kind == TokenKind::Identifier && !Advance()) return false;
            if (Is(mToken, "<") && !SkipAnnotations()) return false;
            if (!Is(mToken, "{")) return Fail("expected '{' after pass");
            if (!SkipBalanced()) return false;
            ++technique.passes;
        }
        mScan->techniques.push_back(std::move(technique));
        return Advance();
    }

    bool Struct() {
        if (!Advance()) return false;
        if (mToken.kind == TokenKind::Identifier && !Advance()) return false;
        if (!Is(mToken, "{")) return Fail("expected '{' after struct");
        if (!SkipBalanced()) return false;
        return SkipUntilSemicolon();
    }

    bool Declaration() {
        bool isStatic = false, shared = false;
        static const char* const kModifiers[] = {"static", "shared", "uniform", "extern", "const", "volatile",
                                                 "row_major", "column_major", "inline", "precise"};
        while (true) {
            bool modifier = false;
            for (const char* word : kModifiers) {
                if (mToken.kind == TokenKind::Identifier && mToken.text == word) {
                    modifier = true;
                    isStatic |= mToken.text == "static";
                    shared |= mToken.text == "shared";
                }
            }
            if (!modifier) break;
            if (!Advance()) return false;
        }
        if (mToken.kind != TokenKind::Identifier) return Fail("expected a type");
        std::string type = mToken.text;
        if (!Advance()) return false;
        if (Is(mToken, "<")) {  // vector<float, 3>, matrix<float, 4, 4>
            if (!SkipAnnotations()) return false;
        }
        while (true) {
            if (mToken.kind != TokenKind::Identifier) return Fail("expected a name after '" + type + "'");
            EffectScanParameter parameter{type, mToken.text, "", 0, shared};
            if (!Advance()) return false;
            if (Is(mToken, "(")) {  // a function: its parameters, an optional semantic, then a body or ';'
                if (!SkipBalanced()) return false;
                if (Is(mToken, ":")) {
                    if (!Advance()) return false;
                    if (mToken.kind != TokenKind::Identifier) return Fail("expected a semantic");
                    if (!Advance()) return false;
                }
                if (Is(mToken, ";")) return Advance();
                if (!Is(mToken, "{")) return Fail("expected a function body");
                return SkipBalanced();
            }
            if (Is(mToken, "[")) {
                if (!Advance()) return false;
                if (mToken.kind != TokenKind::Number) return Fail("expected an array length");
                // The effect keeps a value for every element, so a length from the text is bounded
                // before anything is sized by it.
                const unsigned long long length = std::strtoull(mToken.text.c_str(), nullptr, 0);
                if (length == 0 || length > kMaxEffectArrayLength) return Fail("array length out of range");
                parameter.elements = static_cast<uint32_t>(length);
                if (!Advance()) return false;
                if (!Expect("]")) return false;
            }
            if (Is(mToken, ":")) {
                if (!Advance()) return false;
                if (mToken.kind != TokenKind::Identifier) return Fail("expected a semantic");
                parameter.semantic = mToken.text;
                if (!Advance()) return false;
            }
            if (Is(mToken, "<") && !SkipAnnotations()) return false;
            if (Is(mToken, "=") || Is(mToken, "{")) {
                // Initialiser (values, a sampler_state block): everything up to the next ',' or ';' at
                // this level.
                if (!SkipUntil({";", ","}, "unexpected end of text: missing ';'")) return false;
            }
            if (!isStatic) mScan->parameters.push_back(std::move(parameter));
            if (Is(mToken, ";")) return Advance();
            if (!Is(mToken, ",")) {
                if (mToken.kind == TokenKind::End) return Fail("unexpected end of text: missing ';'");
                return Fail("unexpected '" + mToken.text + "' in a declaration");
            }
            if (!Advance()) return false;
        }
    }

    Lexer mLexer;
    EffectScan* mScan;
    std::string* mError;
    Token mToken;
};

}  // namespace

bool ScanEffectText(const char* text, size_t size, EffectScan* scan, std::string* error) {
    *scan = {};
    error->clear();
    if (!text && size > 0) {
        *error = "effect: no text";
        return false;
    }
    Parser parser(text ? text : "", size, scan, error);
    if (!parser.Run()) {
        *scan = {};
        return false;
    }
    return true;
}
