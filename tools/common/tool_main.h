#pragma once
// Shared frame of the command-line tools: wide arguments on both platforms,
// byte-exact standard output, and a report sink that prints
// "Fatal Error: <text>" (or "Error:", "Warning:") to standard error and ends
// the tool with status 1 on a fatal error.

#include <string>
#include <vector>

// Each tool defines this; `args` excludes the program name.
int RunTool(const std::vector<std::wstring>& args);

// Writes UTF-8 text to standard output / standard error.
void PrintOut(const std::string& text);
void PrintErr(const std::string& text);
