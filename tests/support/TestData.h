// Files kept under tests/data (regression inputs among them), read whole by the tests that need them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The bytes of tests/data/<relative>; fails the calling test (and returns nothing) when it cannot be read.
std::string ReadTestData(const std::string& relative);
std::vector<uint8_t> ReadTestDataBytes(const std::string& relative);
