#pragma once

#include <string>
#include <vector>

#include "sim/sim_options.h"

// tamsel-sim's options read from `words`, its command line after the program's name.
inline OptionsResult ParseWords(std::vector<std::string> words) {
    words.insert(words.begin(), "tamsel-sim");
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    return ParseSimOptions(static_cast<int>(words.size()), argv.data());
}
