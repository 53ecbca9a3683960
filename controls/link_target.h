#pragma once

#include <QUrl>
#include <optional>
#include <string>

// Link targets in MarkupLabel texts come partly from the device's own pages, so a
// target is opened only when it is a plain web or mail address: an http or https URL
// with a host, or a mailto URL with an address. Anything else (programs, files, other
// schemes, "APP:" commands) is refused. Surrounding blanks and one pair of surrounding
// double quotes are ignored.
std::optional<QUrl> SafeLinkUrl(const std::wstring& target);

// Whether a target names an application command ("APP:..." or "\"APP:...", any case).
// The program registers no such commands, so these links are never opened.
bool IsApplicationCommandLink(const std::wstring& target);
