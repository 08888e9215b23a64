#pragma once
// One rule for the bit rates both engines report.

// A rate in bits per second as whole kbit/s (still in bits per second): a
// constant-rate stream measured from packet sizes and times reads a few bits
// around its nominal rate (127997, 128012 for 128k), and the figure shown
// must stay steady. What is no rate (NaN, zero or less) gives 0; rates beyond
// an int are clamped to the largest whole kbit/s an int holds.
int WholeKbps(double bitsPerSecond);
