// The search target a user types (tamselctl discover --address, the search page's field):
// any text is either one well-formed target or refused with a reason, and an accepted one
// stays inside its block, is no more than a /22 and reads back as itself.

#include <cstddef>
#include <cstdint>

#include "discovery/search_target.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring text = fuzz::AnyText(data, size);
    const SearchTargetParse parsed = ParseSearchTarget(text);
    FUZZ_CHECK(parsed.target.has_value() == parsed.reason.empty());
    // The reason quotes at most the text itself.
    FUZZ_CHECK(parsed.reason.size() <= text.size() + 200);
    if (!parsed.target) {
        return 0;
    }
    const SearchTarget& target = *parsed.target;
    FUZZ_CHECK(target.prefixLength >= SearchTarget::kShortestPrefix && target.prefixLength <= 32);
    const Ipv4 mask = PrefixToMask(target.prefixLength);
    FUZZ_CHECK((target.network & ~mask) == 0);
    FUZZ_CHECK(target.Count() >= 1 && target.Count() <= 1022);
    FUZZ_CHECK(SameSubnet(target.Address(0), target.network, mask));
    FUZZ_CHECK(SameSubnet(target.Address(target.Count() - 1), target.network, mask));
    FUZZ_CHECK(target.Address(target.Count() - 1) - target.Address(0) == target.Count() - 1);
    // Never an address that no device can hold.
    const uint8_t first = static_cast<uint8_t>(target.network >> 24);
    FUZZ_CHECK(first != 0 && first != 127 && first < 224);
    const SearchTargetParse again = ParseSearchTarget(target.Text());
    FUZZ_CHECK(again.target == parsed.target);
    return 0;
}
