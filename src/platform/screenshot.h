#pragma once
// PNG screenshots of the current GL read buffer.
#include <string>

// Reads width x height pixels from the read buffer and writes them as an RGB
// PNG, top row first. Returns false when the file cannot be written.
bool writeScreenshotPng(const std::string& path, int width, int height);
