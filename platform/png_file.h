#pragma once
// PNG files of 0x00RRGGBB pictures (screenshots, developer pictures).
#include <cstdint>
#include <string>
#include <vector>

// Writes a width x height picture (rows of width pixels) as an RGB PNG; false on failure.
bool writePng(const std::string& path, const std::uint32_t* pixels, int width, int height);

// Reads an RGB or RGBA PNG into 0x00RRGGBB pixels; false on failure.
bool readPng(const std::string& path, std::vector<std::uint32_t>& pixels, int& width, int& height);
