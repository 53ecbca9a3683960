#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "discovery/datagram.h"

// The repeater the user last connected to, remembered by its MAC address so that a later
// search can select it again. The file, $XDG_CONFIG_HOME/tamsel/last-repeater (else
// ~/.config/tamsel/last-repeater), holds that address and nothing else: no login, no
// address of the PC's network. It is replaced whole (a new file renamed over the old), so
// a reader never sees half of one, and read with suspicion: at most a few bytes, and only
// a well-formed address counts.
class LastRepeaterStore {
public:
    // The largest file that is read at all; anything longer is not ours.
    static constexpr size_t kMaxFileBytes = 64;

    explicit LastRepeaterStore(std::string path);

    // The path from the environment; empty when neither XDG_CONFIG_HOME nor HOME is an
    // absolute path (nothing is remembered then).
    static std::string DefaultPath();

    // The remembered MAC address, "00:11:22:33:44:AA"; nullopt when there is none or the
    // file is not a regular file holding one address.
    std::optional<std::wstring> Load() const;
    // Remembers `mac` (any letter case). False, and the old file left as it was, when
    // `mac` is not a MAC address or the file cannot be written.
    bool Save(const std::wstring& mac) const;

    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// "00:11:22:33:44:aa" (colons, any letter case) in upper case; nullopt for any other text.
std::optional<std::wstring> NormalizeMacAddress(std::wstring_view text);

// The remembered address out of the bytes of the file: one MAC address, optionally ended
// by a line break, and nothing else.
std::optional<std::wstring> ParseRememberedMac(std::string_view bytes);

// The row of `devices` to select after a search: the one with the remembered MAC address,
// or nullopt when nothing is remembered or the device did not answer.
std::optional<size_t> RowToSelect(const std::vector<FoundDevice>& devices,
                                  const std::optional<std::wstring>& rememberedMac);
