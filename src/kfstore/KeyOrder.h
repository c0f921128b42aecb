#pragma once

#include <string>
#include <string_view>

// Key order of the store: bytes compared as unsigned, ASCII letters without
// regard to case, a text before every longer text it begins. This is
// SQLite's NOCASE collation, which the files' columns use, so the checks
// made here agree with the order the engine returns.
int CompareKeys(std::string_view a, std::string_view b);
bool KeyStartsWith(std::string_view key, std::string_view prefix);
// A key with its ASCII letters in lower case: compared byte by byte,
// folded keys stand in the order CompareKeys gives the keys themselves.
std::string FoldedKey(std::string_view key);
