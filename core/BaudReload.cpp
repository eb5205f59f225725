#include "BaudReload.h"

#include <cmath>
#include <cstdio>

namespace orlet {

namespace {

    struct Attempt {
        double x = 0;
        float xs = 0;
        int n = 0;
    };

    Attempt countFor(std::uint32_t crystalHz, int rateIndex, bool doubled, Precision precision)
    {
        const std::uint32_t rate = kBaudRates.at(static_cast<std::size_t>(rateIndex));
        const std::uint32_t q = crystalHz / rate;
        Attempt a;
        a.x = precision == Precision::Exact ? (doubled ? 2.0 : 1.0) * crystalHz / (384.0 * rate)
                                            : (doubled ? 2.0 : 1.0) * q / 32 / 12;
        a.xs = static_cast<float>(a.x);
        a.n = static_cast<int>(a.x + 0.5);
        return a;
    }

    // Per cent, unrounded, from the exact frequency's count.
    double exactErrorPercent(double x, int n)
    {
        return (1.0 - n / x) * 100;
    }

    // Per cent, unrounded.
    double errorPercent(float xs, int n)
    {
        // The error is taken from the single-precision count, as the window
        // has always shown it: users compare it with the numbers they know,
        // so the step through single precision stays.
        const int nSingle = static_cast<int>(static_cast<double>(xs) + 0.5);
        const int counted = nSingle == 0 ? n : nSingle;
        const double e = 1.0 - counted / static_cast<double>(xs);
        return e * 100;
    }

    bool fits(const Attempt& a)
    {
        return a.n >= 1 && a.n <= 256;
    }

    std::string formatError(double percent)
    {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.4f%%", percent);
        return buffer;
    }

} // namespace

int FallBackBaudIndex(const std::function<bool(int rateIndex)>& fits)
{
    if (fits(kDefaultBaudIndex))
        return kDefaultBaudIndex;
    for (int i = int(kBaudRates.size()) - 1; i >= 0; --i) {
        if (fits(i))
            return i;
    }
    return kDefaultBaudIndex;
}

BaudReload ComputeBaudReload(std::uint32_t crystalHz, int rateIndex, bool doubled, Precision precision)
{
    BaudReload result;
    result.rateIndex = rateIndex;
    Attempt a = countFor(crystalHz, rateIndex, doubled, precision);
    if (!fits(a)) {
        result.message = a.n > 256 ? kBaudTooLowMessage : kBaudTooHighMessage;
        result.rateIndex
            = FallBackBaudIndex([&](int index) { return fits(countFor(crystalHz, index, doubled, precision)); });
        a = countFor(crystalHz, result.rateIndex, doubled, precision);
        // Some listed rate fits every crystal from 1 to 100 MHz; below that
        // the timer runs as fast as it goes (reload 0xff).
        if (a.n == 0)
            a.n = 1;
    }

    const int r = 256 - a.n;
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%x", static_cast<unsigned>(r));
    result.reloadText = buffer;
    const double percent = precision == Precision::Exact ? exactErrorPercent(a.x, a.n) : errorPercent(a.xs, a.n);
    result.errorText = formatError(percent);
    result.errorPercent = std::round(percent * 1e4) / 1e4;
    result.reload = static_cast<std::uint8_t>(r);
    result.count = a.n;
    result.exactCount = a.x;
    return result;
}

} // namespace orlet
