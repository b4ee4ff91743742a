// The tokenizer on its own: the first byte picks the delimiter and the quoting, the rest is the text.
#include "core/files/CPTokenizer.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    static const char* const kDelimiters[] = {",", ";", " ", "=", "", ", "};
    const std::string delimiter = kDelimiters[(data[0] & 0x7F) % std::size(kDelimiters)];
    CPTokenizer tokens(FuzzText(data + 1, size - 1), delimiter, (data[0] & 0x80) != 0);
    for (std::string token; tokens.NextToken(token);) {
    }
    return 0;
}
