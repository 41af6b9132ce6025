#pragma once
// The stone colours: absorption per model unit of path inside the stone, by colour index.

namespace tavrine {

// Number of stone colours in the colour list.
inline constexpr int kColourCount = 11;

// Absorption coefficients (red, green, blue) of one stone colour.
struct ColourAbsorption {
    double r;
    double g;
    double b;
};

// Absorption rows indexed by the colour list ("Colorless" = 0 … "Light Yellow" = 10).
inline constexpr ColourAbsorption colourAbsorption[kColourCount] = {
    {0.0, 0.0, 0.0},     // Colorless
    {0.0, 0.03, 0.03},   // Red
    {0.03, 0.0, 0.03},   // Green
    {0.025, 0.01, 0.0},  // Blue
    {0.0, 0.01, 0.05},   // Yellow
    {0.0, 0.03, 0.0},    // Purple
    {0.0, 0.02, 0.05},   // Orange
    {0.0, 0.015, 0.01},  // Pink
    {0.03, 0.0, 0.0},    // Violet
    {0.02, 0.02, 0.0},   // Dark Blue
    {0.0, 0.0, 0.002},   // Light Yellow
};

}  // namespace tavrine
