#include "libBitRate.h"

#include <cmath>
#include <limits>

int WholeKbps(double bitsPerSecond)
{
    constexpr int maxKbps = std::numeric_limits<int>::max() / 1000;
    // Checked as a double: converting NaN or anything beyond an int to int is
    // undefined, and so is the overflow of the multiplication after it.
    const double kbps = std::floor(bitsPerSecond / 1000.0 + 0.5);
    if (!(kbps > 0))
        return 0;
    if (kbps >= maxKbps)
        return maxKbps * 1000;
    return int(kbps) * 1000;
}
