#pragma once

#include <string>

// Why `program` cannot give the PC a temporary address, as one line that names the
// missing group membership or capability and the remedy; empty when nothing is missing
// (the program has the rights itself, or its network helper serves).
std::wstring DescribeMissingPrivileges(const std::wstring& program);
