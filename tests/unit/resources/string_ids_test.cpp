#include <gtest/gtest.h>

#include <map>

namespace {

// Texts are added to the table from several places at once; a second entry under an id
// would be dropped without a word, and the program would show the first text instead.
TEST(StringIds, EveryIdHasOneEntry) {
    std::map<int, int> entries;
#define TAMSEL_STRING(name, id, text) ++entries[id];
#include "resources/strings.def"
#undef TAMSEL_STRING
    for (const auto& [id, count] : entries) {
        EXPECT_EQ(count, 1) << "string id " << id;
    }
}

}  // namespace
