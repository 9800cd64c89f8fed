#pragma once
// Colour arithmetic on packed 0x00RRGGBB words, the three channels in parallel,
// and the angle of a 2D direction in 512 steps per turn.
#include <cstdint>

constexpr int kViewportWidth = 640;
constexpr int kViewportHeight = 288;

// Adds colour to pixel (x, y) of a 640-wide, 288-high image, each channel
// saturating at 255; pixels outside the image are left alone.
inline void addPixel(std::uint32_t* image, std::int16_t x, std::int16_t y, std::uint32_t colour) {
    if (x < 0 || x > 639 || y < 0 || y > 287) return;
    std::uint32_t& p = image[y * 640 + x];
    std::uint32_t red = (p & 0xFF0000u) + (colour & 0xFF0000u);
    std::uint32_t green = (p & 0xFF00u) + (colour & 0xFF00u);
    std::uint32_t blue = (p & 0xFFu) + (colour & 0xFFu);
    if (red > 0xFF0000u) red = 0xFF0000u;
    if (green > 0xFF00u) green = 0xFF00u;
    if (blue > 0xFFu) blue = 0xFFu;
    p = red + green + blue;
}

// From a (t = 0) towards b by t/256 per channel; only the low 8 bits of t
// count. Red and blue share one multiplication; the wrap-around of negative
// differences is part of the result.
inline std::uint32_t blend(std::uint32_t a, std::uint32_t b, std::uint32_t t) {
    const std::uint32_t t8 = t & 0xFFu;
    const std::uint32_t aRB = a & 0x00FF00FFu;
    const std::uint32_t bRB = b & 0x00FF00FFu;
    const std::uint32_t rb = (aRB + (((bRB - aRB) * t8) >> 8)) & 0x00FF00FFu;
    const std::uint32_t aG = a & 0x0000FF00u;
    const std::uint32_t bG = b & 0x0000FF00u;
    const std::uint32_t g = (aG + (((bG - aG) * t8) >> 8)) & 0x0000FF00u;
    return rb + g;
}

// Colour c times f/128 per channel, saturating at 255; only the low 8 bits of f count.
inline std::uint32_t scale(std::uint32_t c, std::uint32_t f) {
    const std::uint32_t f8 = f & 0xFFu;
    std::uint32_t red = (((c >> 16) & 0xFFu) * f8) >> 7;
    std::uint32_t green = (((c >> 8) & 0xFFu) * f8) >> 7;
    std::uint32_t blue = ((c & 0xFFu) * f8) >> 7;
    if (red > 255) red = 255;
    if (green > 255) green = 255;
    if (blue > 255) blue = 255;
    return (red << 16) + (green << 8) + blue;
}

// Per-channel mean of two colours, each channel's lowest bit dropped first.
inline std::uint32_t average(std::uint32_t p, std::uint32_t q) { return ((p & 0xFEFEFEu) + (q & 0xFEFEFEu)) >> 1; }

// The direction of (x, y) in 512 steps per turn, counter-clockwise from +x, in [0, 512).
float angleOf(float x, float y);
