#pragma once
// Lettering rasterised ahead of time: every text the show measures or draws,
// with its font request, advance, baseline and coverage, as the native font
// engine produced them. The browser build carries these instead of a font
// engine and the font faces (tools/programs/bake_lettering.cpp writes them).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/font_engine.h"

struct BakedText {
    FontRequest request;
    std::string text;
    int width = 0;     // what Font::textWidth returns
    int baseline = 0;  // what Font::baseline returns
    // Coverage drawn with the cell's top-left corner at (0, 0): columns x rows
    // grey values whose first lies at (left, top).
    int left = 0;
    int top = 0;
    int columns = 0;
    int rows = 0;
    std::vector<std::uint8_t> coverage;
};

bool sameRequest(const FontRequest& a, const FontRequest& b);

std::vector<std::uint8_t> encodeLettering(const std::vector<BakedText>& texts);
// False when the bytes are not a whole, well-formed table.
bool decodeLettering(const unsigned char* data, std::size_t size, std::vector<BakedText>& texts);
