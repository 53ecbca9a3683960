#include <iostream>

#include "sim/sim_options.h"
#include "sim/simulator.h"

int main(int argc, char** argv) {
    OptionsResult parsed = ParseSimOptions(argc, argv);
    if (!parsed.options) {
        (parsed.exitCode == 0 ? std::cout : std::cerr) << parsed.message;
        return parsed.exitCode;
    }
    Simulator simulator(std::move(*parsed.options));
    return simulator.Run();
}
