#include "BaudReload.h"

#include "Calculation.h"

namespace orlet {

std::uint32_t BaudRateAt(int rateIndex, std::uint32_t customRate)
{
    if (rateIndex == kCustomBaudIndex)
        return customRate;
    if (rateIndex < 0 || rateIndex > kCustomBaudIndex)
        return 0;
    return kBaudRates[static_cast<std::size_t>(rateIndex)];
}

int BaudIndexOf(std::uint32_t rate)
{
    for (std::size_t i = 0; i < kBaudRates.size(); ++i) {
        if (kBaudRates[i] == rate)
            return int(i);
    }
    return kCustomBaudIndex;
}

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
    const BaudChoice choice
        = ChooseBaud(Chip(), crystalHz, { BaudSource::Timer1Mode2, rateIndex, doubled, 12, false, precision });
    const BaudCalculation& b = choice.baud;
    BaudReload result;
    result.rateIndex = b.rateIndex;
    result.reload = b.low;
    result.count = static_cast<int>(b.count);
    result.exactCount = b.exactCount;
    result.reloadText = b.reloadText;
    result.errorText = b.errorText;
    result.errorPercent = b.errorShown;
    if (choice.refused)
        result.message = MessageText({ *choice.refused });
    return result;
}

} // namespace orlet
