// The ranges and driver entry points a board profile names, in both spellings.
#include "BoardProfileNames.h"

#include <cstdio>
#include <iterator>

#include "sim/text/CodePage.h"
#include "torq7m/modules/ClassTable.h"

namespace standin {
namespace profile_names {

std::vector<std::string> DriverEntryNames()
{
    return std::vector<std::string>(std::begin(kDriverEntryNames), std::end(kDriverEntryNames));
}

InputRangeText RangeText(unsigned index)
{
    const AnalogInputLists& lists = *kClassTable[kClassAd].analogInput;
    const InputRange& range = lists.rangeValues[index];
    char plain[32];
    std::snprintf(plain, sizeof plain, "%g..%gV", range.fRangeLow, range.fRangeHigh);
    return {lists.ranges.texts[index], plain, range.fRangeLow, range.fRangeHigh};
}

std::vector<std::string> RangeChoices()
{
    std::vector<std::string> choices;
    for (unsigned i = 0; i < kClassTable[kClassAd].analogInput->ranges.count; ++i) {
        const InputRangeText range = RangeText(i);
        choices.push_back(Cp932ToUtf8(range.label));
        choices.push_back(range.plain);
    }
    return choices;
}

}  // namespace profile_names
}  // namespace standin
