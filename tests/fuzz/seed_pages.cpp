// Writes seed inputs for the harnesses from the simulated repeater's own pages and
// discovery replies, so the corpora start from what a device really sends and follow the
// simulator when its pages change. Usage: tamsel_fuzz_seeds OUTPUT_DIR; it fills
// OUTPUT_DIR/<harness>/ with one file per seed.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sim/device_state.h"
#include "sim/discovery_datagrams.h"
#include "sim/http_response.h"
#include "sim/pages.h"

namespace {

namespace fs = std::filesystem;

void Write(const fs::path& dir, const std::string& name, const std::string& bytes) {
    fs::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary) << bytes;
}

std::string Answer(const std::string& body) {
    HttpResponse response;
    response.body = body;
    return SerializeResponse(response, false);
}

// Devices in a few states: defaults, bridged with each security kind, an empty survey,
// a long survey, odd names.
std::vector<DeviceState> Devices() {
    std::vector<DeviceState> devices;
    SimOptions options;
    devices.emplace_back(options);

    options.survey.clear();
    options.dhcp = false;
    options.firmwareVersion = "";
    devices.emplace_back(options);

    options = SimOptions{};
    for (int i = 0; i < 40; ++i) {
        options.survey.push_back({"Net <" + std::to_string(i) + "> & \"x\"", "00:11:22:33:44:55",
                                  std::to_string(1 + i % 13), i % 2 ? "TKIP" : "NONE",
                                  i % 3 ? "" : "WPA2PSK", std::to_string(i), "AP"});
    }
    options.model = "KV-Q3150Tx";
    options.user = "root";
    options.password = "p'a's's";
    devices.emplace_back(options);

    for (int encrypt = 0; encrypt <= 2; ++encrypt) {
        DeviceState device{SimOptions{}};
        Bridging bridging;
        bridging.enabled = true;
        bridging.ssid = "Upstream " + std::to_string(encrypt);
        bridging.channel = "6";
        bridging.encryptType = encrypt;
        bridging.wpaCipher = encrypt == 2 ? 1 : 0;
        bridging.key = "0123456789";
        device.ConfigureBridging(bridging);
        devices.push_back(device);
    }
    return devices;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const fs::path out = argv[1];
    int n = 0;
    for (const DeviceState& device : Devices()) {
        const std::string id = std::to_string(n++);
        Write(out / "pages", "sim_lan_" + id, Answer(LanPage(device)));
        Write(out / "pages", "sim_interface_" + id, Answer(InterfacePage(device)));
        Write(out / "pages", "sim_status_" + id, Answer(StatusPage(device, "")));
        Write(out / "survey", "sim_survey_" + id, Answer(SurveyPage(device)));
        const std::vector<uint8_t> reply = BuildSearchReply(device.Identity());
        Write(out / "datagram", "sim_reply_" + id, std::string(reply.begin(), reply.end()));
    }
    const DeviceState device{SimOptions{}};
    Write(out / "pages", "sim_status_notice",
          Answer(StatusPage(device, "Settings saved. The device restarts.")));
    Write(out / "pages", "sim_401", SerializeResponse(StatusResponse(401), false));
    Write(out / "pages", "sim_nul",
          SerializeResponse(HttpResponse{200, {}, LanPage(device)}, true));
    for (size_t length : {size_t{16}, size_t{423}, size_t{600}, size_t{1100}}) {
        const std::vector<uint8_t> reply = BuildSearchReply(device.Identity(), length);
        Write(out / "datagram", "sim_reply_len" + std::to_string(length),
              std::string(reply.begin(), reply.end()));
    }
    // The texts the markup controls show come from these pages' values.
    Write(out / "markup_layout", "sim_message",
          // Control bytes (font size, width, height, margins), then Windows-1252 text.
          std::string("\x0b\xff\x60\x00\x00", 5) +
              MessagePage("Saved", "<B>Done</B> &amp; rebooting"));
    std::printf("seeds written to %s\n", out.c_str());
    return 0;
}
