#pragma once

// The symbols of the string table's ids, defined where the texts are: resources/strings.def.
// kText... and kMsg... are texts the pages show (kMsg... in the message box), kCli... texts
// of tamselctl.
enum StringId : int {
#define TAMSEL_STRING(name, id, text) name = id,
#include "resources/strings.def"
#undef TAMSEL_STRING
};
