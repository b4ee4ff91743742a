#include "support/TestData.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

std::string ReadTestData(const std::string& relative) {
    const std::string path = std::string(ENGINE_TEST_DATA_DIR) + "/" + relative;
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << "cannot read " << path;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<uint8_t> ReadTestDataBytes(const std::string& relative) {
    const std::string bytes = ReadTestData(relative);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}
