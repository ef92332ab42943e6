// The operator's text for every result code.
#pragma once
#include <cstdint>
#include <string>

// Sets text to the code's message; a code in no row gives "Other error." and false.
bool ResultMessage(std::string& text, uint32_t code);
